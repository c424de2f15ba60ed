#pragma once

#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <variant>
#include <vector>

#include "platform/dispatch/queue.h"
#include "platform/dispatch/sync.h"
#include "platform/media/asset.h"
#include "platform/media/error.h"
#include "platform/media/reader.h"
#include "platform/media/video_composition.h"
#include "platform/media/writer.h"

// The pipeline's own failures.
enum class ReaderWriterExporterError { setupFailure, readingFailure, writingFailure, cancelled };
QString description(ReaderWriterExporterError error);

// A failure of a run: the pipeline's own, or the reader's or writer's error.
struct ExportError {
    std::variant<ReaderWriterExporterError, media::Error> value;

    QString description() const;
    bool is(ReaderWriterExporterError e) const
    {
        return std::holds_alternative<ReaderWriterExporterError>(value) &&
               std::get<ReaderWriterExporterError>(value) == e;
    }
};

// The result of one run: success with an export status, or failure with an error.
struct ExportResult {
    std::variant<int, ExportError> value;

    bool is_success() const { return std::holds_alternative<int>(value); }
    int status() const { return std::get<int>(value); }
    const ExportError& error() const { return std::get<ExportError>(value); }
};

struct ExportRun;

// The re-encoding pipeline: reads an asset and writes a new file with the output settings.
// Set-up runs on the caller's thread; samples are fed on the serial queue
// "ReaderWriterExporterInputQueue"; every result is reported once per run, on the main queue.
class ReaderWriterExporter : public std::enable_shared_from_this<ReaderWriterExporter> {
public:
    using RenderHandler = std::function<void(const media::PixelBufferRef& source, const media::Time& time,
                                             const media::PixelBufferRef& destination)>;
    using ProgressHandler = std::function<void(float progress)>;
    using CompletionHandler = std::function<void(const ExportResult& result)>;

    static std::shared_ptr<ReaderWriterExporter> create();
    ~ReaderWriterExporter();

    // Configuration, set before export_ and left alone while it runs.
    media::AssetRef asset;
    media::VideoCompositionRef videoComposition;
    media::AudioMixRef audioMix;
    std::optional<QUrl> outputURL;
    std::optional<media::FileType> outputFileType = media::FileType(AVFileTypeMPEG4);
    media::TimeRange timeRange = media::TimeRange::everything();
    bool expectsMediaDataInRealTime = false;
    bool optimizeForNetworkUse = false;
    std::optional<std::vector<media::MetadataItem>> metadata;
    std::optional<QVariantMap> videoInputConfiguration;
    std::optional<QVariantMap> videoOutputConfiguration;
    std::optional<QVariantMap> audioOutputConfiguration;

    // Starts the run and returns at once; the outcome reaches the completion handler once.
    // ("export" is a reserved word in C++.)
    void export_(RenderHandler render, ProgressHandler progress, CompletionHandler completion);
    // Stops the current run, which then reports "cancelled". False, changing nothing, when no
    // run is going (or it is still being set up), or its outcome is already decided: that
    // outcome stands and is reported as it is.
    bool cancelExport();

    // 0 unknown, 2 exporting, 3 completed, 4 failed, 5 cancelled (from the writer's status).
    int exportStatus() const;
    float progress() const { return _progress.load(); }
    // Observers of "progress", called on the input queue after each change.
    void add_progress_observer(std::function<void(float)> observer);

    // The writer of the current or last run (the job maps its status).
    media::AssetWriterRef writer() const;

    static constexpr const char* InputQueueLabel = "ReaderWriterExporterInputQueue";

private:
    using RunRef = std::shared_ptr<ExportRun>;

    ReaderWriterExporter();

    // Set-up helpers, on the caller's thread. They answer the settings that the reader or
    // the writer refused, if any.
    std::optional<media::Error> setupVideoOutput(const RunRef& run);
    std::optional<media::Error> setupAudioOutput(const RunRef& run);
    std::optional<media::Error> setupAudioInput(const RunRef& run);
    void addTimecodeInput(const RunRef& run);
    void startFeeding(const RunRef& run);

    // Sample loops, on the input queue.
    bool encodeReadySamples(const RunRef& run, const media::AssetReaderOutputRef& output,
                            const media::AssetWriterInputRef& input);
    void copyTimecodeSamples(const RunRef& run, const media::AssetWriterInputRef& input,
                             const std::shared_ptr<dispatch::Semaphore>& signal);
    void storeProgress(const RunRef& run, float progress);
    void reportProgress(const RunRef& run, const media::Time& reached);

    // End of a run, on the main queue.
    void finishExport(const RunRef& run);
    // finishCallback: called from the writer's finishing callback, which always reports.
    void completeExport(const RunRef& run, bool finishCallback = false);
    void failSetup(const RunRef& run, const ExportError& error);
    void resetExport(const RunRef& run);

    RunRef currentRun() const;

    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::atomic<float> _progress{0};
};
