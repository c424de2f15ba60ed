#include "reader_writer_exporter.h"

#include <QCoreApplication>

QString description(ReaderWriterExporterError error)
{
    switch (error) {
    case ReaderWriterExporterError::setupFailure:
        return QCoreApplication::translate("Localizable", "设置失败");
    case ReaderWriterExporterError::readingFailure:
        return QCoreApplication::translate("Localizable", "读取失败");
    case ReaderWriterExporterError::writingFailure:
        return QCoreApplication::translate("Localizable", "写入失败");
    case ReaderWriterExporterError::cancelled:
        return QCoreApplication::translate("Localizable", "已取消");
    }
    return {};
}

QString ExportError::description() const
{
    if (const auto* own = std::get_if<ReaderWriterExporterError>(&value))
        return ::description(*own);
    return std::get<media::Error>(value).description;
}
