#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "asset.h"
#include "geometry.h"
#include "time.h"

namespace media {

// The transform of one track's layer, set from given times on.
struct VideoCompositionLayerInstruction {
    int track_id = 0;
    std::vector<std::pair<Time, AffineTransform>> transforms;  // in the order they were set

    static std::shared_ptr<VideoCompositionLayerInstruction> for_track(const AssetTrack& track);
    void set_transform(const AffineTransform& t, const Time& at);
    // The transform in force at a time (identity before the first).
    AffineTransform transform_at(const Time& t) const;
};

struct VideoCompositionInstruction {
    TimeRange time_range;
    std::vector<std::shared_ptr<VideoCompositionLayerInstruction>> layer_instructions;
};

// How decoded frames are rendered: one canvas of render_size, one frame per frame_duration.
struct VideoComposition {
    Time frame_duration = Time::invalid();
    Size render_size;
    std::vector<std::shared_ptr<VideoCompositionInstruction>> instructions;
};
using VideoCompositionRef = std::shared_ptr<VideoComposition>;

// Gains and other mix parameters of audio tracks; unity gain when absent.
struct AudioMix {};
using AudioMixRef = std::shared_ptr<AudioMix>;

}  // namespace media
