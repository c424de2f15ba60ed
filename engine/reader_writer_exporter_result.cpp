#include "reader_writer_exporter.h"

QString description(ReaderWriterExporterError error)
{
    switch (error) {
    case ReaderWriterExporterError::setupFailure:
        return QStringLiteral("Setup failure");
    case ReaderWriterExporterError::readingFailure:
        return QStringLiteral("Reading failure");
    case ReaderWriterExporterError::writingFailure:
        return QStringLiteral("Writing failure");
    case ReaderWriterExporterError::cancelled:
        return QStringLiteral("Cancelled");
    }
    return {};
}

QString ExportError::description() const
{
    if (const auto* own = std::get_if<ReaderWriterExporterError>(&value))
        return ::description(*own);
    return std::get<media::Error>(value).description;
}
