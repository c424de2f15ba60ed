#include "reader_writer_exporter.h"

#include <QCoreApplication>
#include <cmath>

#include "engine/export_run.h"
#include "engine/exporter_settings.h"
#include "engine/stdout_log.h"
#include "engine/video_composition_maker.h"
#include "engine/writer_refusals.h"

struct ReaderWriterExporter::Impl {
    dispatch::Queue inputQueue = dispatch::Queue::serial(InputQueueLabel);
    mutable std::mutex lock;  // guards run and observers
    RunRef run;
    std::vector<std::function<void(float)>> observers;
};

namespace {

media::Error refusal(const QString& text)
{
    return media::Error{QStringLiteral("ReaderWriterExporter"), 1, text};
}

bool isRunning(const media::AssetWriterRef& w) { return w && w->status() == media::AssetWriter::Status::Writing; }
bool isRunning(const media::AssetReaderRef& r) { return r && r->status() == media::AssetReader::Status::Reading; }

}  // namespace

std::shared_ptr<ReaderWriterExporter> ReaderWriterExporter::create()
{
    return std::shared_ptr<ReaderWriterExporter>(new ReaderWriterExporter());
}

ReaderWriterExporter::ReaderWriterExporter() : impl_(std::make_unique<Impl>()) {}

ReaderWriterExporter::~ReaderWriterExporter() = default;

ReaderWriterExporter::RunRef ReaderWriterExporter::currentRun() const
{
    std::lock_guard guard(impl_->lock);
    return impl_->run;
}

media::AssetWriterRef ReaderWriterExporter::writer() const
{
    const RunRef run = currentRun();
    return run ? run->writer : nullptr;
}

int ReaderWriterExporter::exportStatus() const
{
    const media::AssetWriterRef w = writer();
    return w ? exportStatusOf(w->status()) : 0;
}

void ReaderWriterExporter::add_progress_observer(std::function<void(float)> observer)
{
    std::lock_guard guard(impl_->lock);
    impl_->observers.push_back(std::move(observer));
}

void ReaderWriterExporter::storeProgress(const RunRef& run, float progress)
{
    _progress.store(progress);
    std::vector<std::function<void(float)>> observers;
    {
        std::lock_guard guard(impl_->lock);
        observers = impl_->observers;
    }
    for (const auto& observer : observers)
        observer(progress);
    if (const auto handler = run->progress())
        handler(progress);
}

void ReaderWriterExporter::export_(RenderHandler render, ProgressHandler progress, CompletionHandler completion)
{
    auto run = std::make_shared<ExportRun>();
    run->renderHandler = std::move(render);
    run->progressHandler = std::move(progress);
    run->completionHandler = std::move(completion);

    if (!asset || !outputURL || !outputFileType) {
        logLine(QStringLiteral("ReaderWriterExporter, an asset and output URL are required for encoding"));
        failSetup(run, {ReaderWriterExporterError::setupFailure});
        return;
    }

    // An earlier run of this exporter that still reads or writes is stopped; it reports
    // "cancelled" to its own completion handler.
    if (const RunRef earlier = currentRun()) {
        if (isRunning(earlier->writer) || isRunning(earlier->reader))
            earlier->stopped = true;
        if (isRunning(earlier->writer))
            earlier->writer->cancel_writing();
        if (isRunning(earlier->reader))
            earlier->reader->cancel_reading();
    }
    _progress.store(0);
    {
        std::lock_guard guard(impl_->lock);
        impl_->run = nullptr;
    }
    run->asset = asset;
    run->outputURL = outputURL;
    run->timeRange = timeRange;

    media::Error error;
    run->reader = media::AssetReader::create(asset, &error);
    if (!run->reader) {
        logLine(QStringLiteral("ReaderWriterExporter, could not setup a reader for the provided asset ") +
                QString::fromStdString(asset->description()));
        // The reader's own reason tells the user more than "Setup failure".
        failSetup(run, error.description.isEmpty() ? ExportError{ReaderWriterExporterError::setupFailure}
                                                   : ExportError{error});
        return;
    }
    run->writer = media::AssetWriter::create(*outputURL, *outputFileType, &error);
    if (!run->writer) {
        logLine(QStringLiteral("ReaderWriterExporter, could not setup a writer for the output URL ") +
                outputURL->toString() + QStringLiteral(": ") + error.description);
        error.description = writer_creation_failure(error, *outputFileType, *outputURL);
        failSetup(run, error.description.isEmpty() ? ExportError{ReaderWriterExporterError::setupFailure}
                                                   : ExportError{error});
        return;
    }
    if (videoOutputConfiguration && !validateVideoOutputConfiguration(videoOutputConfiguration)) {
        logLine(QStringLiteral("ReaderWriterExporter, could not setup with the specified video output configuration"));
        failSetup(run, {ReaderWriterExporterError::setupFailure});
        return;
    }

    run->reader->set_time_range(timeRange);
    run->writer->set_should_optimize_for_network_use(optimizeForNetworkUse);
    if (metadata)
        run->writer->set_metadata(*metadata);

    const media::Time& rangeDuration = timeRange.duration;
    run->duration = rangeDuration.is_valid() && !rangeDuration.is_positive_infinity() ? rangeDuration.seconds()
                                                                                       : asset->duration().seconds();
    // A duration that is no number would turn every progress into NaN.
    if (!std::isfinite(run->duration))
        run->duration = 0;

    if (videoOutputConfiguration && !videoOutputConfiguration->contains(AVVideoCodecKey)) {
        logLine(QStringLiteral("ReaderWriterExporter, warning a video output configuration codec wasn't specified"));
        videoOutputConfiguration->insert(AVVideoCodecKey, QString(AVVideoCodecTypeH264));
    }

    // A source track that cannot be written ends the run here: a file without that track
    // would pass for a finished conversion.
    std::optional<media::Error> refused = setupVideoOutput(run);
    if (!refused)
        refused = setupAudioOutput(run);
    if (!refused)
        refused = setupAudioInput(run);
    if (refused) {
        failSetup(run, {*refused});
        return;
    }
    addTimecodeInput(run);
    // Published once set up, so that other threads (a cancel, a look at the writer) find its
    // reader and writer whole. A cancel before this finds no run to stop.
    {
        std::lock_guard guard(impl_->lock);
        impl_->run = run;
    }
    startFeeding(run);
}

std::optional<media::Error> ReaderWriterExporter::setupVideoOutput(const RunRef& run)
{
    const auto tracks = run->asset->tracks_with_media_type(AVMediaTypeVideo);
    if (tracks.empty())
        return std::nullopt;
    run->videoOutput = media::AssetReaderVideoCompositionOutput::create(tracks, videoInputConfiguration);
    run->videoOutput->set_always_copies_sample_data(false);
    run->videoOutput->set_video_composition(videoComposition ? videoComposition
                                                             : makeVideoComposition(run->asset, videoOutputConfiguration));
    // A made composition has fitted the picture into a canvas that the writer stretches to the
    // output size; a scaling mode that keeps the canvas's proportions (aspect fill, as the
    // presets ask, or aspect fit) would crop or squash the already fitted picture.
    std::optional<QVariantMap> inputSettings = videoOutputConfiguration;
    if (!videoComposition && inputSettings && inputSettings->contains(AVVideoScalingModeKey))
        inputSettings->insert(AVVideoScalingModeKey, QString(AVVideoScalingModeResize));
    if (!run->reader->can_add_output(run->videoOutput))
        return refusal(QCoreApplication::translate("Localizable", "无法读取源文件的视频"));
    run->reader->add_output(run->videoOutput);

    if (!run->writer->can_apply_output_settings(videoOutputConfiguration, AVMediaTypeVideo)) {
        logLine(QStringLiteral("Unsupported output configuration"));
        return refusal(refused_video_settings(*run->writer, videoOutputConfiguration));
    }
    run->videoInput = media::AssetWriterInput::create(AVMediaTypeVideo, inputSettings);
    run->videoInput->set_expects_media_data_in_real_time(expectsMediaDataInRealTime);
    if (!run->writer->can_add_input(run->videoInput))
        return refusal(refused_video_settings(*run->writer, inputSettings));
    run->writer->add_input(run->videoInput);
    run->pixelBufferAdaptor = media::AssetWriterInputPixelBufferAdaptor::create(
        run->videoInput, sourcePixelBufferAttributes(run->videoOutput->video_composition()));
    return std::nullopt;
}

std::optional<media::Error> ReaderWriterExporter::setupAudioOutput(const RunRef& run)
{
    const auto tracks = run->asset->tracks_with_media_type(AVMediaTypeAudio);
    if (tracks.empty()) {
        run->audioOutput = nullptr;
        return std::nullopt;
    }
    run->audioOutput = media::AssetReaderAudioMixOutput::create(tracks, std::nullopt);
    run->audioOutput->set_always_copies_sample_data(false);
    run->audioOutput->set_audio_mix(audioMix);
    if (!run->reader->can_add_output(run->audioOutput))
        return refusal(QCoreApplication::translate("Localizable", "无法读取源文件的音频"));
    run->reader->add_output(run->audioOutput);
    return std::nullopt;
}

std::optional<media::Error> ReaderWriterExporter::setupAudioInput(const RunRef& run)
{
    if (!run->audioOutput)
        return std::nullopt;
    run->audioInput = media::AssetWriterInput::create(AVMediaTypeAudio, audioOutputConfiguration);
    run->audioInput->set_expects_media_data_in_real_time(expectsMediaDataInRealTime);
    if (!run->writer->can_add_input(run->audioInput))
        return refusal(refused_audio_settings(*run->writer, audioOutputConfiguration));
    run->writer->add_input(run->audioInput);
    return std::nullopt;
}

void ReaderWriterExporter::addTimecodeInput(const RunRef& run)
{
    auto input = media::AssetWriterInput::create(AVMediaTypeTimecode, std::nullopt);
    for (const media::AssetTrackRef& track : run->asset->tracks()) {
        if (track->media_type != AVMediaTypeTimecode)
            continue;
        logLine(QStringLiteral("有时间轨道"));
        logLine(QStringLiteral("能bun添加 ") + run->writer->output_file_type());
        if (!run->timecodeInput && run->writer->can_add_input(input)) {
            run->writer->add_input(input);
            logLine(QStringLiteral("能添加"));
            run->timecodeInput = input;
        }
    }
}

void ReaderWriterExporter::startFeeding(const RunRef& run)
{
    const bool writing = run->writer->start_writing();
    const bool reading = run->reader->start_reading();
    run->writer->start_session_at_source_time(run->timeRange.start);

    auto timecodeDone = std::make_shared<dispatch::Semaphore>(0);
    auto audioDone = std::make_shared<dispatch::Semaphore>(0);
    auto videoDone = std::make_shared<dispatch::Semaphore>(0);
    auto self = shared_from_this();
    const dispatch::Queue& queue = impl_->inputQueue;
    // A side that did not start has nothing to feed: its failure decides the result at once.
    const bool feed = writing && reading;

    // The inputs keep their blocks for good, so the blocks hold the exporter, the run and
    // the input weakly: strong references would make a cycle through the writer and keep
    // every run alive. The waiting task below keeps the exporter and the run alive until
    // the run has reported.
    const std::weak_ptr<ReaderWriterExporter> weakSelf = self;
    const std::weak_ptr<ExportRun> weakRun = run;
    if (feed && run->timecodeInput) {
        const std::weak_ptr<media::AssetWriterInput> weakInput = run->timecodeInput;
        run->timecodeInput->request_media_data_when_ready(queue, [weakSelf, weakRun, weakInput, timecodeDone] {
            const auto self = weakSelf.lock();
            const auto run = weakRun.lock();
            const auto input = weakInput.lock();
            if (self && run && input)
                self->copyTimecodeSamples(run, input, timecodeDone);
        });
    } else {
        timecodeDone->signal();
    }
    const auto feedPair = [&](const media::AssetReaderOutputRef& output, const media::AssetWriterInputRef& input,
                              const std::shared_ptr<dispatch::Semaphore>& done) {
        if (!feed || !output || !input) {
            done->signal();
            return;
        }
        const std::weak_ptr<media::AssetReaderOutput> weakOutput = output;
        const std::weak_ptr<media::AssetWriterInput> weakInput = input;
        input->request_media_data_when_ready(queue, [weakSelf, weakRun, weakOutput, weakInput, done] {
            const auto self = weakSelf.lock();
            const auto run = weakRun.lock();
            const auto output = weakOutput.lock();
            const auto input = weakInput.lock();
            if (self && run && output && input && !self->encodeReadySamples(run, output, input))
                done->signal();
        });
    };
    feedPair(run->videoOutput, run->videoInput, videoDone);
    feedPair(run->audioOutput, run->audioInput, audioDone);

    dispatch::Queue::global().async([self, run, timecodeDone, audioDone, videoDone] {
        timecodeDone->wait();
        audioDone->wait();
        videoDone->wait();
        dispatch::Queue::main().async([self, run] { self->finishExport(run); });
    });
}

bool ReaderWriterExporter::cancelExport()
{
    auto self = shared_from_this();
    const RunRef run = currentRun();
    if (!run || run->outcomeTaken())
        return false;
    run->stopped = true;
    run->cancelPending = true;
    // The reader stops now: a feed loop waiting for a sample and the decoder wake at once.
    if (run->reader)
        run->reader->cancel_reading();
    // The output is removed, so nothing is drained or finished: the writer drops its encoders
    // as soon as the picture being encoded is done. Off the main queue, which must not wait
    // for that picture; the input queue then lets the feeding block that runs now end first,
    // so that the run reports only once no thread of it works any more.
    const dispatch::Queue inputQueue = impl_->inputQueue;
    dispatch::Queue::global().async([self, run, inputQueue] {
        // Also when another cancel got there first: this returns once the file is gone.
        if (run->writer)
            run->writer->cancel_writing();
        if (run->reader)
            run->reader->join_threads();
        inputQueue.async([self, run] {
            dispatch::Queue::main().async([self, run] {
                self->completeExport(run);
                self->resetExport(run);
            });
        });
    });
    return true;
}

void ReaderWriterExporter::resetExport(const RunRef& run)
{
    _progress.store(0);
    run->dropFeedHandlers();
    std::lock_guard guard(impl_->lock);
    if (impl_->run == run)
        impl_->run = nullptr;
}
