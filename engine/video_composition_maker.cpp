#include "video_composition_maker.h"

#include <cmath>
#include <limits>

#include "stdout_log.h"

namespace {

constexpr double kPi = 3.141592653589793;
// 1/30 s, the frame duration of a track that names no usable rate.
const media::Time kFallbackFrameDuration = media::Time::make(600, 18000);

bool allFinite(std::initializer_list<double> values)
{
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

// Scales the canvas of size render into w x h with proportions kept, expressed inside the
// canvas (the writer later stretches the canvas to w x h). Identity when the sizes give no
// finite scale (an empty picture or output), so that no NaN reaches the renderer.
media::AffineTransform fitTransform(const media::Size& render, double w, double h)
{
    const double xr = w / render.width;
    const double yr = h / render.height;
    const double r = yr < xr ? yr : xr;
    const double sx = r / xr;
    const double sy = r / yr;
    const double tx = (w - render.width * r) * 0.5 / xr;
    const double ty = (h - render.height * r) * 0.5 / yr;
    if (!allFinite({sx, sy, tx, ty}))
        return media::AffineTransform::identity();
    return media::AffineTransform::translation(tx, ty).scaled(sx, sy);
}

}  // namespace

media::Time compositionFrameDuration(const media::AssetTrack& track)
{
    if (track.requires_frame_reordering && track.min_frame_duration.is_numeric() &&
        track.min_frame_duration.value > 0)
        return track.min_frame_duration;
    const float f = track.nominal_frame_rate;
    // 32-bit float product, truncated toward zero; a product that is no positive 32-bit
    // timescale (rate 0, tiny, negative, huge or not a number) takes the fallback.
    const float product = f * 600.0f;
    if (!std::isfinite(product) || product < 1.0f || product >= 2147483648.0f)
        return kFallbackFrameDuration;
    return media::Time::make(600, static_cast<int32_t>(product));
}

media::VideoCompositionRef makeVideoComposition(const media::AssetTrack& track, const media::Time& assetDuration,
                                                const std::optional<QVariantMap>& videoOutputConfiguration)
{
    auto composition = std::make_shared<media::VideoComposition>();
    composition->frame_duration = compositionFrameDuration(track);
    logLine(QString::fromStdString(composition->frame_duration.description()));
    if (!videoOutputConfiguration)
        return composition;

    const double w = static_cast<double>(videoOutputConfiguration->value(AVVideoWidthKey).toLongLong());
    const double h = static_cast<double>(videoOutputConfiguration->value(AVVideoHeightKey).toLongLong());
    const media::Size natural = track.natural_size;
    const media::AffineTransform& t = track.preferred_transform;

    const media::Point box = t.apply(media::Rect{{0, 0}, natural}).origin;
    const double angle = std::atan2(t.b, t.a) * 180.0 / kPi;
    const bool turned = angle == 90.0 || angle == -90.0;
    composition->render_size = turned ? media::Size{natural.height, natural.width} : natural;

    media::AffineTransform base = t;
    base.tx = t.tx - box.x;
    base.ty = t.ty - box.y;
    const media::AffineTransform layer = base.concat(fitTransform(composition->render_size, w, h));

    auto instruction = std::make_shared<media::VideoCompositionInstruction>();
    instruction->time_range = media::TimeRange::make(media::Time::zero(), assetDuration);
    auto layerInstruction = std::make_shared<media::VideoCompositionLayerInstruction>();
    layerInstruction->track_id = track.track_id;
    layerInstruction->transforms.emplace_back(media::Time::zero(), layer);
    instruction->layer_instructions = {layerInstruction};
    composition->instructions = {instruction};
    return composition;
}

media::VideoCompositionRef makeVideoComposition(const media::AssetRef& asset,
                                                const std::optional<QVariantMap>& videoOutputConfiguration)
{
    if (!asset)
        return std::make_shared<media::VideoComposition>();
    for (const media::AssetTrackRef& track : asset->tracks())
        if (track->media_type == AVMediaTypeVideo)
            return makeVideoComposition(*track, asset->duration(), videoOutputConfiguration);
    return std::make_shared<media::VideoComposition>();
}
