#include "bookmark.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace foundation {

Bookmark make_bookmark(const QUrl& folder)
{
    if (!folder.isLocalFile())
        return {std::nullopt, QStringLiteral("“%1” is not a local file URL").arg(folder.toString())};
    const QString path = folder.toLocalFile();
    if (!QDir::isAbsolutePath(path))
        return {std::nullopt, QStringLiteral("“%1” is not an absolute path").arg(path)};
    return {QDir::cleanPath(path), QString()};
}

ResolvedBookmark resolve_bookmark(const QString& data)
{
    if (data.isEmpty())
        return {std::nullopt, QStringLiteral("the bookmark is empty")};
    if (!QDir::isAbsolutePath(data))
        return {std::nullopt, QStringLiteral("“%1” is not an absolute path").arg(data)};
    const QFileInfo info(data);
    if (!info.exists())
        return {std::nullopt, QStringLiteral("the folder “%1” does not exist").arg(data)};
    if (!info.isDir())
        return {std::nullopt, QStringLiteral("“%1” is not a folder").arg(data)};
    return {QUrl::fromLocalFile(QDir::cleanPath(data)), QString()};
}

QString create_directories_reporting(const QString& path)
{
    if (path.isEmpty())
        return QStringLiteral("no folder was given");
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(path).toStdString()), error);
    if (!error)
        return QString();
    return QStringLiteral("The folder “%1” could not be created: %2")
        .arg(path, QString::fromLocal8Bit(error.message().c_str()));
}

}  // namespace foundation
