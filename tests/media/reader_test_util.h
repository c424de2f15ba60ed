#pragma once

#include <vector>

#include "media_test_util.h"
#include "platform/media/reader.h"

namespace mediatest {

// Every sample an output gives until it ends.
inline std::vector<media::SampleBufferRef> drain(const media::AssetReaderOutputRef& output)
{
    std::vector<media::SampleBufferRef> all;
    while (auto s = output->copy_next_sample_buffer())
        all.push_back(std::move(s));
    return all;
}

// A started reader with the outputs attached.
inline media::AssetReaderRef start(const media::AssetRef& asset,
                                   const std::vector<media::AssetReaderOutputRef>& outputs,
                                   const media::TimeRange& range = media::TimeRange::everything())
{
    auto reader = media::AssetReader::create(asset);
    if (!reader)
        return nullptr;
    reader->set_time_range(range);
    for (const auto& o : outputs)
        reader->add_output(o);
    reader->start_reading();
    return reader;
}

inline media::AssetReaderOutputRef video_output(const media::AssetRef& asset,
                                                const media::VideoCompositionRef& comp = nullptr)
{
    auto out = media::AssetReaderVideoCompositionOutput::create(asset->tracks_with_media_type(AVMediaTypeVideo),
                                                                std::nullopt);
    if (comp)
        out->set_video_composition(comp);
    return out;
}

inline media::AssetReaderOutputRef audio_output(const std::vector<media::AssetTrackRef>& tracks)
{
    return media::AssetReaderAudioMixOutput::create(tracks, std::nullopt);
}

// A mix of every audio track of the asset.
inline media::AssetReaderOutputRef audio_output(const media::AssetRef& asset)
{
    return audio_output(asset->tracks_with_media_type(AVMediaTypeAudio));
}

}  // namespace mediatest
