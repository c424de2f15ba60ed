#include "video_composition.h"

namespace media {

std::shared_ptr<VideoCompositionLayerInstruction> VideoCompositionLayerInstruction::for_track(
    const AssetTrack& track)
{
    auto layer = std::make_shared<VideoCompositionLayerInstruction>();
    layer->track_id = track.track_id;
    return layer;
}

void VideoCompositionLayerInstruction::set_transform(const AffineTransform& t, const Time& at)
{
    // A later setting at the same time replaces the earlier one.
    for (auto& [time, transform] : transforms) {
        if (time == at) {
            transform = t;
            return;
        }
    }
    transforms.emplace_back(at, t);
}

AffineTransform VideoCompositionLayerInstruction::transform_at(const Time& t) const
{
    AffineTransform result;
    Time latest = Time::negative_infinity();
    for (const auto& [time, transform] : transforms) {
        if (time <= t && time >= latest) {
            latest = time;
            result = transform;
        }
    }
    return result;
}

}  // namespace media
