#pragma once

#include <QString>
#include <QUrl>
#include <optional>

// A folder remembered across launches. On this platform a bookmark is simply the folder's
// absolute path: there is no sandbox grant to keep and no stale state to regenerate.
namespace foundation {

struct Bookmark {
    std::optional<QString> data;  // set on success
    QString error;                // why it failed, otherwise empty
};

// The bookmark of a local folder URL; fails for a URL that is not an absolute local path.
Bookmark make_bookmark(const QUrl& folder);

struct ResolvedBookmark {
    std::optional<QUrl> url;  // the folder, set on success
    QString error;            // why it no longer resolves, otherwise empty
};

// Resolves stored data back into the folder's URL. It no longer resolves when the path is
// empty or relative, or when nothing but a directory stands there.
ResolvedBookmark resolve_bookmark(const QString& data);

// Creates the directory with every missing parent. Empty on success (an existing directory
// included), else the reason it failed.
QString create_directories_reporting(const QString& path);

}  // namespace foundation
