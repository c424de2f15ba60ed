#include "finished_file.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace foundation {

namespace {

constexpr qsizetype kMaxNameBytes = 255;

}  // namespace

QString unfinished_file_path(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString folder = path.left(slash + 1);
    // The hidden name may be named in a log that is read line by line.
    QString name = path.mid(slash + 1).replace(u'\n', u'_').replace(u'\r', u'_');
    QString extension;
    if (const qsizetype dot = name.lastIndexOf(u'.'); dot > 0) {
        extension = name.mid(dot);
        name.truncate(dot);
    }
    const QString marker =
        QStringLiteral(".converting-%1").arg(QRandomGenerator::global()->generate64(), 16, 16, QChar(u'0'));
    // Shortened a character at a time, so that no multi-byte character is cut in two.
    const auto bytes = [&] { return QFile::encodeName(u'.' + name + marker + extension).size(); };
    while (!name.isEmpty() && bytes() > kMaxNameBytes)
        name.chop(name.size() >= 2 && name.at(name.size() - 1).isLowSurrogate() ? 2 : 1);
    if (bytes() > kMaxNameBytes)
        extension.clear();
    return folder + u'.' + name + marker + extension;
}

int rename_without_replacing(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return errno;
    // A hard link fails when the target exists, so it never replaces either.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return 0;
    }
    if (errno == EEXIST)
        return EEXIST;
    // Filesystems without hard links (FAT): the best left is to look before renaming.
    struct stat st {};
    if (::lstat(target.constData(), &st) == 0)
        return EEXIST;
    return ::rename(source.constData(), target.constData()) == 0 ? 0 : errno;
}

}  // namespace foundation
