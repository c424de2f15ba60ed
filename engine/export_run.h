#pragma once

#include <QUrl>
#include <atomic>
#include <mutex>
#include <optional>

#include "engine/reader_writer_exporter.h"

// Everything one call of ReaderWriterExporter::export_ works with. The objects are set during
// set-up on the caller's thread and only read afterwards; every block of the run holds the
// run, so a late callback never sees the objects of another run.
struct ExportRun {
    // Handlers; the loops read them on the input queue while the main queue may clear them.
    mutable std::mutex handlerLock;
    ReaderWriterExporter::ProgressHandler progressHandler;
    ReaderWriterExporter::RenderHandler renderHandler;
    ReaderWriterExporter::CompletionHandler completionHandler;

    // A copy of the configuration the run was started with.
    media::AssetRef asset;
    std::optional<QUrl> outputURL;
    media::TimeRange timeRange;
    double duration = 0;

    media::AssetReaderRef reader;
    media::AssetWriterRef writer;
    media::PixelBufferAdaptorRef pixelBufferAdaptor;
    std::shared_ptr<media::AssetReaderVideoCompositionOutput> videoOutput;
    std::shared_ptr<media::AssetReaderAudioMixOutput> audioOutput;
    media::AssetWriterInputRef videoInput;
    media::AssetWriterInputRef audioInput;
    media::AssetWriterInputRef timecodeInput;

    // Input queue only.
    media::Time lastSamplePresentationTime = media::Time::invalid();
    float reportedProgress = 0;  // the highest fraction reported: progress never goes back
    bool videoFinished = false;  // the video input has had its last sample

    // The caller stopped this run (cancelExport, or a new export_ on the same exporter):
    // only then is the result "cancelled".
    std::atomic<bool> stopped{false};
    // cancelExport's own completion follows on the main queue; the end-of-run wait then
    // leaves the report to it.
    std::atomic<bool> cancelPending{false};
    // The writer was asked to finish the file; its callback reports the result.
    std::atomic<bool> finishing{false};
    // The result is taken: it is reported or on its way.
    std::atomic<bool> concluded{false};

    // Whether the run's outcome is decided: it was taken, the writer has finished the file or
    // failed, or the reader failed. A cancel then changes nothing.
    bool outcomeTaken() const
    {
        using WriterStatus = media::AssetWriter::Status;
        const auto writerStatus = writer ? writer->status() : WriterStatus::Unknown;
        return concluded || writerStatus == WriterStatus::Completed || writerStatus == WriterStatus::Failed ||
               (reader && reader->status() == media::AssetReader::Status::Failed);
    }

    ReaderWriterExporter::ProgressHandler progress() const
    {
        std::lock_guard guard(handlerLock);
        return progressHandler;
    }
    ReaderWriterExporter::RenderHandler render() const
    {
        std::lock_guard guard(handlerLock);
        return renderHandler;
    }
    // The completion handler, once: later calls get none. The other handlers are dropped
    // with it, since nothing is fed after a result.
    ReaderWriterExporter::CompletionHandler takeCompletion()
    {
        std::lock_guard guard(handlerLock);
        progressHandler = nullptr;
        renderHandler = nullptr;
        return std::exchange(completionHandler, nullptr);
    }
    // The run has ended: the reader's threads, demuxer and decoders go (the writer has closed
    // its encoders and file on finishing, failing or cancelling). What stays are facts: the
    // statuses and errors that the job reads, and the configuration.
    void release() const
    {
        if (reader)
            reader->close();
    }
    void dropFeedHandlers()
    {
        std::lock_guard guard(handlerLock);
        progressHandler = nullptr;
        renderHandler = nullptr;
    }
};
