// libFuzzer target: reads the sizes that the input bytes declare as every container that
// declares them, then opens them as a media file and reads it through every kind of reader
// output and the image generator. Any crash, hang or sanitizer report is a fault.

#include <sys/mman.h>
#include <unistd.h>

#include <QString>
#include <cstdint>
#include <cstdio>

#include "platform/media/asset.h"
#include "platform/media/container_layout.h"
#include "platform/media/image_generator.h"
#include "platform/media/reader.h"

extern "C" {
#include <libavutil/log.h>
}

using namespace media;

namespace {

constexpr int kMaxSamples = 48;  // per output: enough to decode, little enough to stay quick

// The input lives in one memory file, reopened by path like any file on disk.
QString input_path(const uint8_t* data, size_t size)
{
    static int fd = -1;
    if (fd < 0) {
        fd = memfd_create("fuzz-input", 0);
        av_log_set_level(AV_LOG_QUIET);
    }
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        return {};
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

void read_some(const AssetReaderOutputRef& output)
{
    for (int i = 0; i < kMaxSamples; ++i)
        if (!output->copy_next_sample_buffer())
            return;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = input_path(data, size);
    if (path.isEmpty())
        return 0;
    for (const char* format : {"avi", "wav", "aiff", "caf", "mp3", "flv", "matroska,webm"})
        declared_data(path, format);
    const AssetRef asset = Asset::from_path(path);
    if (asset->tracks().empty())
        return 0;

    std::vector<AssetReaderOutputRef> outputs;
    const auto video = asset->tracks_with_media_type(AVMediaTypeVideo);
    if (!video.empty())
        outputs.push_back(AssetReaderVideoCompositionOutput::create(video, std::nullopt));
    if (auto audio = AssetReaderAudioMixOutput::create(asset->tracks_with_media_type(AVMediaTypeAudio),
                                                       std::nullopt))
        outputs.push_back(audio);
    for (const auto& track : asset->tracks())
        if (track->media_type != AVMediaTypeVideo && track->media_type != AVMediaTypeAudio)
            outputs.push_back(AssetReaderTrackOutput::create(track, std::nullopt));

    if (auto reader = AssetReader::create(asset)) {
        for (const auto& o : outputs)
            if (reader->can_add_output(o))
                reader->add_output(o);
        reader->start_reading();
        for (const auto& o : reader->outputs())
            read_some(o);
        reader->cancel_reading();
    }

    ImageGenerator generator(asset);
    generator.set_applies_preferred_track_transform(true);
    generator.set_maximum_size(Size{64, 64});
    generator.copy_image_at_time(Time::zero());
    return 0;
}
