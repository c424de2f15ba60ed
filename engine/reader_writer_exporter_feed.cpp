// The sample loops of a run, on the input queue.
#include "engine/export_run.h"
#include "engine/progress_fraction.h"
#include "engine/reader_writer_exporter.h"
#include "engine/stdout_log.h"
#include "engine/timecode_frame_number.h"

namespace {

// A separate reader of a timecode track in its stored form; the reader lives as long as
// the output is read.
struct TimecodeSource {
    media::AssetReaderRef reader;
    media::AssetReaderOutputRef output;
};

std::optional<TimecodeSource> makeTimecodeReaderOutput(const media::AssetRef& asset)
{
    const auto tracks = asset->tracks_with_media_type(AVMediaTypeTimecode);
    if (tracks.empty())
        return std::nullopt;
    auto reader = media::AssetReader::create(asset);
    if (!reader)
        return std::nullopt;
    auto output = media::AssetReaderTrackOutput::create(tracks.front(), std::nullopt);
    reader->add_output(output);
    if (!reader->start_reading())
        return std::nullopt;
    return TimecodeSource{reader, output};
}

}  // namespace

bool ReaderWriterExporter::encodeReadySamples(const RunRef& run, const media::AssetReaderOutputRef& output,
                                              const media::AssetWriterInputRef& input)
{
    if (!input->is_ready_for_more_media_data())
        return true;
    const bool isVideo = output == run->videoOutput;
    const auto endInput = [&] {
        // A stopped run's file is removed: its writer is cancelled before the input finishes,
        // which would drain the encoder for nothing (seconds, for large pictures).
        if (run->stopped)
            run->writer->cancel_writing();
        input->mark_as_finished();
        return false;
    };
    for (;;) {
        // A pending cancel ends the loop at once, so that it takes effect between samples
        // even on an input that never stops being ready.
        if (run->stopped || run->reader->status() != media::AssetReader::Status::Reading ||
            run->writer->status() != media::AssetWriter::Status::Writing)
            return endInput();
        const media::SampleBufferRef sample = output->copy_next_sample_buffer();
        if (!sample) {
            // No sample after a cancel is no end of the source.
            if (isVideo && !run->stopped)
                run->videoFinished = true;
            return endInput();
        }
        bool appended = false;
        bool rendered = false;
        if (isVideo) {
            run->lastSamplePresentationTime = sample->presentation_time - run->timeRange.start;
            reportProgress(run, run->lastSamplePresentationTime);

            const RenderHandler render = run->render();
            const media::PixelBufferPoolRef pool =
                render && run->pixelBufferAdaptor ? run->pixelBufferAdaptor->pixel_buffer_pool() : nullptr;
            const media::PixelBufferRef destination =
                pool && sample->image_buffer ? pool->create_pixel_buffer() : nullptr;
            if (destination) {
                render(sample->image_buffer, run->lastSamplePresentationTime, destination);
                appended = run->pixelBufferAdaptor->append_pixel_buffer(destination, run->lastSamplePresentationTime);
                rendered = true;
            }
        }
        // Without a picture to count by (no video, or audio that outlasts it) the sound tells
        // how far the run has come.
        if (!isVideo && (!run->videoInput || run->videoFinished))
            reportProgress(run, sample->presentation_time + sample->duration - run->timeRange.start);
        if (!rendered)
            appended = input->append_sample_buffer(*sample);
        if (!appended)
            return false;
        if (!input->is_ready_for_more_media_data())
            return true;
    }
}

void ReaderWriterExporter::reportProgress(const RunRef& run, const media::Time& reached)
{
    // Within 0 to 1 and never back, whatever the source's timestamps; no duration: done.
    const double fraction = run->duration == 0 ? 1.0 : reached.seconds() / run->duration;
    const float progress = readable_progress(fraction, run->reportedProgress);
    run->reportedProgress = progress;
    storeProgress(run, progress);
}

void ReaderWriterExporter::copyTimecodeSamples(const RunRef& run, const media::AssetWriterInputRef& input,
                                               const std::shared_ptr<dispatch::Semaphore>& signal)
{
    const auto finish = [&] {
        input->mark_as_finished();
        signal->signal();
    };
    const std::optional<TimecodeSource> source = makeTimecodeReaderOutput(run->asset);
    if (!source) {
        finish();
        return;
    }
    if (!input->is_ready_for_more_media_data())
        return;
    for (;;) {
        logLine(QStringLiteral("数据读取写入"));
        const media::SampleBufferRef sample = source->output->copy_next_sample_buffer();
        if (!sample) {
            finish();
            return;
        }
        const bool appended = input->append_sample_buffer(*sample);
        logLine(QString(appended ? "true" : "false") + QStringLiteral(" 写入时间"));
        if (const auto frame = timecodeFrameNumber(*sample)) {
            logLine(QStringLiteral("timecodeFrame: ") + QString::number(*frame));
            finish();
            return;
        }
        if (!input->is_ready_for_more_media_data())
            return;
    }
}
