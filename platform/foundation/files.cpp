#include "files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <unistd.h>

namespace foundation {

namespace {

// Paths are handled decoded, so '%', '#' and non-ASCII characters in names stay literal.
QString decoded_path(const QUrl& url) { return url.path(QUrl::FullyDecoded); }

QUrl with_path(QUrl url, const QString& path)
{
    url.setPath(path, QUrl::DecodedMode);
    return url;
}

// Splits "/dir/name.ext/" into the part before the last component, the component and the
// trailing slash, so that edits of the last component keep a directory URL a directory URL.
struct PathParts {
    QString head;
    QString last;
    QString tail;
};

PathParts split_last(const QString& path)
{
    PathParts parts;
    QString body = path;
    if (body.size() > 1 && body.endsWith(u'/')) {
        body.chop(1);
        parts.tail = QStringLiteral("/");
    }
    const qsizetype slash = body.lastIndexOf(u'/');
    parts.head = body.left(slash + 1);
    parts.last = body.mid(slash + 1);
    return parts;
}

// Position of the extension's dot in a component; -1 when it has none (a leading dot
// names a hidden file, not an extension).
qsizetype extension_dot(const QString& component)
{
    const qsizetype dot = component.lastIndexOf(u'.');
    return dot > 0 && dot + 1 < component.size() ? dot : -1;
}

}  // namespace

QUrl file_url(const QString& path, bool is_directory)
{
    QString p = path;
    if (is_directory && !p.endsWith(u'/'))
        p += u'/';
    return QUrl::fromLocalFile(p);
}

QUrl appending_path_extension(const QUrl& url, const QString& extension)
{
    if (extension.isEmpty())
        return url;
    PathParts parts = split_last(decoded_path(url));
    if (parts.last.isEmpty())
        return url;
    return with_path(url, parts.head + parts.last + u'.' + extension + parts.tail);
}

QString path_extension(const QUrl& url)
{
    const QString last = split_last(decoded_path(url)).last;
    const qsizetype dot = extension_dot(last);
    return dot < 0 ? QString() : last.mid(dot + 1);
}

bool file_exists(const QString& path) { return QFileInfo::exists(path); }

bool is_directory(const QString& path) { return QFileInfo(path).isDir(); }

bool remove_item(const QString& path)
{
    const QFileInfo info(path);
    // A link is removed itself, never what it points to.
    if (info.isSymLink())
        return QFile::remove(path);
    if (info.isDir())
        return QDir(path).removeRecursively();
    if (!info.exists())
        return false;
    return QFile::remove(path);
}

bool create_directories(const QString& path)
{
    if (path.isEmpty())
        return false;
    return QDir().mkpath(path);
}

QString temporary_directory()
{
    // Where TMPDIR names no folder, Qt answers an empty path (the root, once the slash is
    // added); a folder we cannot make files in is of no use either. The system's own is left.
    const QString path = QDir::tempPath();
    if (!path.isEmpty() && QFileInfo(path).isDir() && ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0)
        return path + u'/';
    return QStringLiteral("/tmp/");
}

QString globally_unique_string() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); }

}  // namespace foundation
