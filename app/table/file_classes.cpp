// Which paths become rows: the folder walk and the classification by extension.
#include <QCollator>
#include <QFile>
#include <QLocale>
#include <QMimeDatabase>
#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <utility>

#include "app/table/add_files.h"
#include "app/table/view_controller.h"
#include "engine/stdout_log.h"
#include "platform/foundation/files.h"

namespace {

const QStringList kVideoExtensions = {
    "mts", "m2ts", "mxf", "trp", "tp", "mp4", "m4v", "qt", "mov", "mpg", "mpeg", "mpeg2",
    "mpeg4", "mjpg", "mjpeg", "avi", "3gp", "3g2", "flv", "mod", "tod", "rm", "rmvb", "wmv",
    "asf", "mkv", "swf", "f4v", "vob", "dat", "dv", "dif", "ogm", "wtv", "dvr-ms", "webm",
};
const QStringList kAudioExtensions = {
    "flac", "wav", "wma", "mp3", "mp2", "aac", "ac3", "aiff", "ape", "caf", "mpc", "qcp",
    "ogg", "m4a", "m4b", "aud", "mka", "aifc", "ra", "ram", "au", "aif", "cue",
};
const QStringList kMediaClasses = {"video", "audio"};

// A folder deeper than this below the one chosen is not entered.
constexpr int kMaximumFolderDepth = 64;

using FolderIdentity = std::pair<dev_t, ino_t>;

std::optional<struct stat> stat_following_links(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return st;
}

// Names in the order a file manager lists them: by the rules of the user's locale, numbers
// compared as numbers (clip2 before clip10), capitals and small letters alike. In the C
// locale Qt's collator only compares code points, so English rules serve there. Names that
// still tie (clip02 and clip2, a and A) fall back to their code points, so the order is fixed.
class ListingOrder {
public:
    ListingOrder() : collator_(QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale())
    {
        collator_.setNumericMode(true);
        collator_.setCaseSensitivity(Qt::CaseInsensitive);
    }

    void sort(QStringList& names) const
    {
        std::sort(names.begin(), names.end(), [this](const QString& a, const QString& b) {
            const int order = collator_.compare(a, b);
            return order != 0 ? order < 0 : a < b;
        });
    }

private:
    QCollator collator_;
};

// The walk remembers every folder it entered (by device and inode), so that a link back to
// a folder above, or two links to one folder, cannot make it go round or list a folder twice.
struct FolderWalk {
    ListingOrder order;
    std::set<FolderIdentity> entered;
    QStringList files;

    void walk(const QString& folder, int depth)
    {
        std::error_code error;
        std::filesystem::directory_iterator it(QFile::encodeName(folder).toStdString(), error);
        const std::filesystem::directory_iterator end;
        QStringList names;
        for (; !error && it != end; it.increment(error))
            names.append(QFile::decodeName(QByteArray::fromStdString(it->path().filename().native())));
        if (error)
            logLine(QStringLiteral("get file path error: ") + folder + QStringLiteral(": ")
                    + QString::fromLocal8Bit(error.message()));
        // A folder's files and subfolders at their place in the listing, whatever order the
        // disk keeps them in.
        order.sort(names);
        for (const QString& name : names) {
            const QString path = folder + QLatin1Char('/') + name;
            const std::optional<struct stat> st = stat_following_links(path);
            if (!st)
                continue;  // gone, or a link to nothing
            if (!S_ISDIR(st->st_mode))
                files.append(path);
            else if (depth < kMaximumFolderDepth && entered.insert({st->st_dev, st->st_ino}).second)
                walk(path, depth + 1);
        }
    }
};

}  // namespace

QStringList ViewController::get_all_file_paths(const QString& folder)
{
    QString root = folder;
    while (root.size() > 1 && root.endsWith(QLatin1Char('/')))
        root.chop(1);
    FolderWalk walk;
    if (const std::optional<struct stat> st = stat_following_links(root))
        walk.entered.insert({st->st_dev, st->st_ino});
    walk.walk(root, 0);
    return walk.files;
}

QString ViewController::get_mime_type(const QString& path)
{
    const QString extension = foundation::path_extension(QUrl::fromLocalFile(path)).toLower();
    if (kVideoExtensions.contains(extension))
        return QStringLiteral("video/") + extension;
    if (kAudioExtensions.contains(extension))
        return QStringLiteral("audio/") + extension;
    if (!extension.isEmpty()) {
        // By the extension alone: the file's contents are never read here. An extension that
        // names several types ("ts": MPEG transport streams and translation sources) reads as
        // its media type, as media is what is being added.
        const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(QStringLiteral("x.") + extension);
        for (const QMimeType& type : types) {
            if (kMediaClasses.contains(type.name().section(QLatin1Char('/'), 0, 0)))
                return type.name();
        }
        if (!types.isEmpty() && !types.first().isDefault())
            return types.first().name();
    }
    return QStringLiteral("application/octet-stream");
}

bool ViewController::is_supported_file(const QUrl& url)
{
    const QStringList parts = get_mime_type(url.toLocalFile()).split(QLatin1Char('/'));
    QStringList quoted;
    for (const QString& part : parts)
        quoted.append(QLatin1Char('"') + part + QLatin1Char('"'));
    logLine(QStringLiteral("拆分后的数组：[") + quoted.join(QStringLiteral(", ")) + QLatin1Char(']'));
    return !parts.isEmpty() && kMediaClasses.contains(parts.first());
}

bool is_regular_file(const QString& path)
{
    const std::optional<struct stat> st = stat_following_links(path);
    return st && S_ISREG(st->st_mode);
}
