#pragma once

#include <QImage>
#include <QMimeType>
#include <QString>
#include <QUrl>
#include <optional>

// Facts the desktop knows about a file from its type: a reverse-DNS type identifier and an
// icon. Both work on any thread (images are QImage, never QPixmap or QIcon).

// The file's MIME type; none when the file cannot be examined (missing, not a local file).
// Both facts below derive from it, so a caller that needs both looks it up once.
std::optional<QMimeType> file_mime_type(const QUrl& url);

// The type identifier of a MIME type, its aliases considered.
QString type_identifier_for(const QMimeType& mime);

// The reverse-DNS identifier for a MIME type name.
QString type_identifier_for_mime(const QString& mime_name);

// The last non-empty component of a dotted identifier ("public.mpeg-4" -> "mpeg-4").
QString last_identifier_component(const QString& identifier);

// The outcome of asking for a file's icon: the request can fail, or succeed without an image.
struct FileIcon {
    bool failed = false;
    std::optional<QImage> image;
};

// The icon of the MIME type from the desktop's icon theme, else a bundled image of the
// file's kind (video, audio, other); without a MIME type the request fails.
FileIcon icon_for(const std::optional<QMimeType>& mime);
