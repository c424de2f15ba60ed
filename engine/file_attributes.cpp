#include "file_attributes.h"

#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <mutex>

#include "named_images.h"
#include "platform/media/identifiers.h"

namespace {

struct MimeIdentifier {
    const char* mime;
    const char* identifier;
};

// The usual identifiers of common types; aliases of a MIME type are looked up as well.
constexpr MimeIdentifier kKnownTypes[] = {
    {"video/mp4", AVFileTypeMPEG4},
    {"video/quicktime", AVFileTypeQuickTimeMovie},
    {"video/x-m4v", AVFileTypeAppleM4V},
    {"audio/mp4", AVFileTypeAppleM4A},
    {"audio/x-m4a", AVFileTypeAppleM4A},
    {"video/3gpp", AVFileType3GPP},
    {"audio/3gpp", AVFileType3GPP},
    {"video/3gpp2", AVFileType3GPP2},
    {"audio/3gpp2", AVFileType3GPP2},
    {"audio/x-wav", AVFileTypeWAVE},
    {"audio/wav", AVFileTypeWAVE},
    {"audio/vnd.wave", AVFileTypeWAVE},
    {"audio/x-aiff", AVFileTypeAIFF},
    {"audio/x-aifc", AVFileTypeAIFC},
    {"audio/x-caf", AVFileTypeCoreAudioFormat},
    {"audio/AMR", AVFileTypeAMR},
    {"audio/basic", AVFileTypeSunAU},
    {"audio/ac3", AVFileTypeAC3},
    {"audio/eac3", AVFileTypeEnhancedAC3},
    {"audio/mpeg", AVFileTypeMPEGLayer3},
    {"image/jpeg", AVFileTypeJPEG},
    {"image/tiff", AVFileTypeTIFF},
    {"image/heic", AVFileTypeHEIC},
    {"image/heif", AVFileTypeHEIF},
    {"image/png", "public.png"},
    {"video/x-msvideo", "public.avi"},
    {"video/mpeg", "public.mpeg"},
    {"video/mp2t", "public.mpeg-2-transport-stream"},
    {"video/x-matroska", "org.matroska.mkv"},
    {"audio/x-matroska", "org.matroska.mka"},
    {"video/webm", "org.webmproject.webm"},
    {"audio/webm", "org.webmproject.webm"},
    {"video/x-flv", "com.adobe.flash.video"},
    {"video/x-ms-wmv", "com.microsoft.windows-media-wmv"},
    {"audio/x-ms-wma", "com.microsoft.windows-media-wma"},
    {"audio/flac", "org.xiph.flac"},
    {"audio/ogg", "org.xiph.ogg-audio"},
    {"audio/x-vorbis+ogg", "org.xiph.ogg-audio"},
    {"video/ogg", "org.xiph.ogv"},
    {"text/plain", "public.plain-text"},
    {"inode/directory", "public.folder"},
    {"application/octet-stream", "public.data"},
};

const char* known_identifier(const QString& mime_name)
{
    for (const auto& known : kKnownTypes) {
        if (mime_name.compare(QLatin1String(known.mime), Qt::CaseInsensitive) == 0)
            return known.identifier;
    }
    return nullptr;
}

QMimeType mime_type_of(const QString& path)
{
    // QMimeDatabase is thread-safe; one shared instance keeps its caches warm.
    static const QMimeDatabase database;
    return database.mimeTypeForFile(path);
}

// The local path of an existing file, or none.
std::optional<QString> examinable_path(const QUrl& url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    const QString path = url.toLocalFile();
    if (!QFileInfo::exists(path))
        return std::nullopt;
    return path;
}

// An icon file of the theme with the given name, largest first up to the table's size.
std::optional<QImage> load_theme_icon(const QString& icon_name)
{
    static const char* const kThemes[] = {"Adwaita", "hicolor"};
    static const char* const kSizes[] = {"256x256", "128x128", "96x96", "64x64", "48x48"};
    const QStringList roots =
        QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                  QStandardPaths::LocateDirectory);
    for (const QString& root : roots) {
        for (const char* theme : kThemes) {
            for (const char* size : kSizes) {
                const QString file = QStringLiteral("%1/%2/%3/mimetypes/%4.png")
                                         .arg(root, QLatin1String(theme), QLatin1String(size), icon_name);
                if (!QFileInfo::exists(file))
                    continue;
                QImage image(file);
                if (!image.isNull())
                    return image;
            }
        }
    }
    return std::nullopt;
}

// Theme icons by name, looked up once: searching the theme folders costs more than a row may.
std::optional<QImage> theme_icon(const QString& icon_name)
{
    static std::mutex lock;
    static QHash<QString, std::optional<QImage>> cache;
    {
        std::lock_guard guard(lock);
        auto found = cache.constFind(icon_name);
        if (found != cache.constEnd())
            return *found;
    }
    std::optional<QImage> image = load_theme_icon(icon_name);
    std::lock_guard guard(lock);
    cache.insert(icon_name, image);
    return image;
}

std::optional<QImage> bundled_icon(const QMimeType& mime)
{
    if (mime.name().startsWith(QLatin1String("video/")))
        return resource_image(QStringLiteral("images/video_file.png"));
    if (mime.name().startsWith(QLatin1String("audio/")))
        return resource_image(QStringLiteral("images/audio_file.png"));
    return resource_image(QStringLiteral("images/plain_file.png"));
}

}  // namespace

QString type_identifier_for_mime(const QString& mime_name)
{
    if (const char* known = known_identifier(mime_name))
        return QString::fromLatin1(known);
    // Others: a stable name of our own, ending in the MIME subtype.
    const qsizetype slash = mime_name.indexOf(QLatin1Char('/'));
    if (slash <= 0 || slash == mime_name.size() - 1)
        return QStringLiteral("public.data");
    QString subtype = mime_name.mid(slash + 1);
    if (subtype.startsWith(QLatin1String("x-")))
        subtype.remove(0, 2);
    return QStringLiteral("org.freedesktop.%1.%2").arg(mime_name.left(slash), subtype);
}

QString last_identifier_component(const QString& identifier)
{
    const QStringList parts = identifier.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    return parts.isEmpty() ? QString() : parts.last();
}

std::optional<QMimeType> file_mime_type(const QUrl& url)
{
    const auto path = examinable_path(url);
    if (!path)
        return std::nullopt;
    return mime_type_of(*path);
}

QString type_identifier_for(const QMimeType& mime)
{
    if (known_identifier(mime.name()) == nullptr) {
        for (const QString& alias : mime.aliases()) {
            if (const char* known = known_identifier(alias))
                return QString::fromLatin1(known);
        }
    }
    return type_identifier_for_mime(mime.name());
}

FileIcon icon_for(const std::optional<QMimeType>& mime)
{
    FileIcon result;
    if (!mime) {
        result.failed = true;
        return result;
    }
    result.image = theme_icon(mime->iconName());
    if (!result.image)
        result.image = theme_icon(mime->genericIconName());
    if (!result.image)
        result.image = bundled_icon(*mime);
    return result;
}

