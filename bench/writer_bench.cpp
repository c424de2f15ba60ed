// Writes a source file's decoded frames and audio to H.264 at 5 Mbit/s + AAC in a QuickTime
// movie, the way the reader/writer pipeline does, and prints speed and peak memory.
// Usage: writer_bench SOURCE OUTPUT
#include <sys/resource.h>

#include <QUrl>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>

#include "platform/dispatch/queue.h"
#include "platform/dispatch/sync.h"
#include "platform/media/reader.h"
#include "platform/media/writer.h"

using namespace media;

namespace {

long peak_rss_kb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Appends the output's samples while the input is ready; signals once the input is done.
void feed(const AssetWriterRef& writer, const AssetReaderOutputRef& output, const AssetWriterInputRef& input,
          const dispatch::Queue& queue, const std::shared_ptr<dispatch::Semaphore>& done,
          const std::shared_ptr<std::atomic<long>>& frames)
{
    input->request_media_data_when_ready(queue, [=] {
        while (input->is_ready_for_more_media_data()) {
            SampleBufferRef s = writer->status() == AssetWriter::Status::Writing ? output->copy_next_sample_buffer()
                                                                                : nullptr;
            if (!s || !input->append_sample_buffer(*s)) {
                input->mark_as_finished();
                done->signal();
                return;
            }
            if (s->image_buffer)
                ++*frames;
        }
    });
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SOURCE OUTPUT\n", argv[0]);
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    const AssetRef asset = Asset::from_path(QString::fromLocal8Bit(argv[1]));
    Error error;
    const AssetReaderRef reader = AssetReader::create(asset, &error);
    const AssetWriterRef writer = AssetWriter::create(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[2])),
                                                      AVFileTypeQuickTimeMovie, &error);
    if (!reader || !writer) {
        std::fprintf(stderr, "set-up failed: %s\n", qPrintable(error.description));
        return 1;
    }
    const auto video_tracks = asset->tracks_with_media_type(AVMediaTypeVideo);
    const auto audio_tracks = asset->tracks_with_media_type(AVMediaTypeAudio);
    if (video_tracks.empty() || audio_tracks.empty()) {
        std::fprintf(stderr, "the source needs video and audio\n");
        return 1;
    }
    const Size size = video_tracks.front()->natural_size;
    auto video_out = AssetReaderVideoCompositionOutput::create(video_tracks, std::nullopt);
    auto audio_out = AssetReaderAudioMixOutput::create(audio_tracks, std::nullopt);
    video_out->set_always_copies_sample_data(false);
    audio_out->set_always_copies_sample_data(false);
    reader->add_output(video_out);
    reader->add_output(audio_out);
    auto video_in = AssetWriterInput::create(
        AVMediaTypeVideo,
        QVariantMap{{AVVideoCodecKey, QString(AVVideoCodecTypeH264)},
                    {AVVideoWidthKey, static_cast<int>(size.width)},
                    {AVVideoHeightKey, static_cast<int>(size.height)},
                    {AVVideoCompressionPropertiesKey, QVariantMap{{AVVideoAverageBitRateKey, 5000000}}}});
    auto audio_in = AssetWriterInput::create(AVMediaTypeAudio, QVariantMap{{AVFormatIDKey, kAudioFormatMPEG4AAC},
                                                                           {AVEncoderBitRateKey, 128000},
                                                                           {AVNumberOfChannelsKey, 2},
                                                                           {AVSampleRateKey, 48000.0f}});
    writer->add_input(video_in);
    writer->add_input(audio_in);
    if (!reader->start_reading() || !writer->start_writing()) {
        std::fprintf(stderr, "start failed\n");
        return 1;
    }
    writer->start_session_at_source_time(Time::zero());

    const auto queue = dispatch::Queue::serial("bench-input");
    auto done = std::make_shared<dispatch::Semaphore>(0);
    auto frames = std::make_shared<std::atomic<long>>(0);
    feed(writer, video_out, video_in, queue, done, frames);
    feed(writer, audio_out, audio_in, queue, done, frames);
    done->wait();
    done->wait();
    auto finished = std::make_shared<dispatch::Semaphore>(0);
    writer->finish_writing([finished] { finished->signal(); });
    finished->wait();

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (writer->status() != AssetWriter::Status::Completed) {
        std::fprintf(stderr, "writing failed: %s\n",
                     writer->error() ? qPrintable(writer->error()->description) : "no error");
        return 1;
    }
    std::printf("frames %ld seconds %.2f fps %.1f peak_rss_mb %.1f\n", frames->load(), seconds,
                static_cast<double>(frames->load()) / seconds, static_cast<double>(peak_rss_kb()) / 1024);
    return 0;
}
