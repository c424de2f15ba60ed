#include "plain_paths.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "platform/foundation/files.h"

namespace ffkit {

namespace {

bool is_plain(const QString& text) { return !text.contains(u'\n') && !text.contains(u'\r'); }

}  // namespace

PlainPaths::~PlainPaths() { remove(); }

std::optional<QString> PlainPaths::input(const QString& path)
{
    if (is_plain(path))
        return path;
    // ffmpeg guesses some formats from the extension: the link keeps it.
    const QFileInfo file(path);
    const QString extension = file.suffix();
    QString name = QString::number(links_.size()) + QStringLiteral("-file");
    if (!extension.isEmpty() && is_plain(extension))
        name += u'.' + extension;
    return link(file.absoluteFilePath(), name);
}

std::optional<QString> PlainPaths::output(const QString& path)
{
    if (is_plain(path))
        return path;
    // The file does not exist yet: its folder is linked, and the file named within the link.
    const QFileInfo file(path);
    if (!is_plain(file.fileName()) || file.fileName().isEmpty()) {
        fail(path, EINVAL);
        return std::nullopt;
    }
    const auto folder = link(file.absolutePath(), QString::number(links_.size()) + QStringLiteral("-folder"));
    if (!folder)
        return std::nullopt;
    return *folder + u'/' + file.fileName();
}

QString PlainPaths::real_paths_in(QString text) const
{
    // No link's name starts another's, so that no replacement can touch another link's path.
    for (const auto& [stand_in, real] : links_)
        text.replace(stand_in, real);
    return text;
}

void PlainPaths::remove()
{
    if (folder_.isEmpty())
        return;
    for (const auto& link : links_)
        ::unlink(QFile::encodeName(link.first).constData());
    ::rmdir(QFile::encodeName(folder_).constData());
    folder_.clear();
}

std::optional<QString> PlainPaths::link(const QString& target, const QString& name)
{
    if (folder_.isEmpty()) {
        // A temporary folder whose own path held a line break would defeat the links.
        QString parent = foundation::temporary_directory();
        if (!is_plain(parent))
            parent = QStringLiteral("/tmp/");
        // mkdtemp makes the folder for its owner alone.
        QByteArray pattern = QFile::encodeName(parent + QStringLiteral("ffmpeg-paths-XXXXXX"));
        if (!::mkdtemp(pattern.data())) {
            fail(QFile::decodeName(pattern), errno);
            return std::nullopt;
        }
        folder_ = QFile::decodeName(pattern);
    }
    const QString path = folder_ + u'/' + name;
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) != 0) {
        fail(path, errno);
        return std::nullopt;
    }
    links_.emplace_back(path, target);
    return path;
}

void PlainPaths::fail(const QString& path, int code)
{
    error_ = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(code)));
}

}  // namespace ffkit
