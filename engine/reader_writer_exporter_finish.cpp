// The end of a run: finishing the file and the one report, on the main queue.
#include <QFile>

#include "engine/export_run.h"
#include "engine/exporter_settings.h"
#include "engine/reader_writer_exporter.h"
#include "platform/foundation/memory.h"

namespace {

using ReaderStatus = media::AssetReader::Status;
using WriterStatus = media::AssetWriter::Status;

bool hasStatus(const media::AssetReaderRef& r, ReaderStatus s) { return r && r->status() == s; }
bool hasStatus(const media::AssetWriterRef& w, WriterStatus s) { return w && w->status() == s; }

// Reports once. The run gives back what it opened first, off the main queue, which must
// not wait for a decoder to stop: a finished run holds no threads or codecs.
void report(const std::shared_ptr<ExportRun>& run, ExportResult result)
{
    run->concluded = true;
    auto completion = run->takeCompletion();
    if (!completion)
        return;
    dispatch::Queue::global().async([run, result = std::move(result), completion = std::move(completion)] {
        run->release();
        foundation::return_free_memory();
        dispatch::Queue::main().async([result, completion] { completion(result); });
    });
}

ExportResult failure(ReaderWriterExporterError error) { return {ExportError{error}}; }

ExportResult failure(const std::optional<media::Error>& platformError, ReaderWriterExporterError fallback)
{
    if (platformError)
        return {ExportError{*platformError}};
    return failure(fallback);
}

// Removes the partial output, but only a file that this run's writer created: a file that
// was there before the run is never touched. A failed removal is ignored.
void removePartialOutput(const ExportRun& run)
{
    if (!run.outputURL || !run.writer || !run.writer->created_output_file())
        return;
    const QString path = run.outputURL->toLocalFile();
    if (QFile::exists(path))
        QFile::remove(path);
}

}  // namespace

void ReaderWriterExporter::finishExport(const RunRef& run)
{
    // cancelExport's completion is on its way and reports this run.
    if (run->cancelPending)
        return;
    const auto& reader = run->reader;
    const auto& writer = run->writer;
    if (hasStatus(reader, ReaderStatus::Cancelled) || hasStatus(writer, WriterStatus::Cancelled)) {
        completeExport(run);
    } else if (hasStatus(writer, WriterStatus::Failed)) {
        if (reader)
            reader->cancel_reading();
        completeExport(run);
    } else if (hasStatus(reader, ReaderStatus::Failed)) {
        if (writer)
            writer->cancel_writing();
        completeExport(run);
    } else if (writer) {
        run->finishing = true;
        auto self = shared_from_this();
        // The platform calls back on its own thread; the report is serialised with a
        // cancel's report on the main queue so that the run reports once.
        writer->finish_writing(
            [self, run] { dispatch::Queue::main().async([self, run] { self->completeExport(run, true); }); });
    }
}

void ReaderWriterExporter::completeExport(const RunRef& run, bool finishCallback)
{
    const auto& reader = run->reader;
    const auto& writer = run->writer;
    // A cancel that came while the file was being finished and could not stop it: the
    // finishing callback reports the outcome.
    if (!finishCallback && run->finishing && hasStatus(writer, WriterStatus::Writing))
        return;
    const bool readerCancelled = hasStatus(reader, ReaderStatus::Cancelled);
    const bool writerCancelled = hasStatus(writer, WriterStatus::Cancelled);

    // A finished file is the outcome, whatever a cancel that lost the race did to the reader.
    if (hasStatus(writer, WriterStatus::Completed)) {
        report(run, ExportResult{exportStatusOf(writer->status())});
    } else if (run->stopped && (readerCancelled || writerCancelled)) {
        removePartialOutput(*run);
        report(run, failure(ReaderWriterExporterError::cancelled));
    } else if (!reader || !writer) {
        report(run, failure(ReaderWriterExporterError::setupFailure));
    } else if (hasStatus(reader, ReaderStatus::Failed)) {
        removePartialOutput(*run);
        report(run, failure(reader->error(), ReaderWriterExporterError::readingFailure));
    } else if (hasStatus(writer, WriterStatus::Failed)) {
        removePartialOutput(*run);
        report(run, failure(writer->error(), ReaderWriterExporterError::writingFailure));
    } else if (readerCancelled || writerCancelled) {
        // Stopped by something other than the caller: a failure, never "cancelled".
        removePartialOutput(*run);
        report(run, failure(readerCancelled ? ReaderWriterExporterError::readingFailure
                                             : ReaderWriterExporterError::writingFailure));
    } else {
        report(run, ExportResult{exportStatusOf(writer->status())});
    }
}

void ReaderWriterExporter::failSetup(const RunRef& run, const ExportError& error)
{
    dispatch::Queue::main().async([run, error] { report(run, ExportResult{error}); });
}
