#include "app/shell/web_pages.h"

#include <QDir>
#include <QFileInfo>

#include "app/build_info.h"

namespace web_pages {

std::optional<QUrl> readme(const QString& binary_dir)
{
    const QString installed = QDir(binary_dir).filePath(QString::fromUtf8(build_info::readme_from_binary));
    for (const QString& path : {installed, QString::fromUtf8(build_info::source_readme)}) {
        if (QFileInfo(path).isFile())
            return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    }
    return std::nullopt;
}

std::optional<QUrl> page(const char* configured, const QString& binary_dir)
{
    const QString address = QString::fromUtf8(configured);
    if (address.isEmpty())
        return readme(binary_dir);
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

}  // namespace web_pages
