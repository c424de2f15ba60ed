#pragma once

#include <QVariantMap>
#include <optional>

#include "platform/media/asset.h"
#include "platform/media/video_composition.h"

// The composition through which the pipeline's reader renders the source's first video
// track: a frame rate, the picture turned upright and fitted, centred and with its
// proportions kept, into the output size of the video settings.
media::VideoCompositionRef makeVideoComposition(const media::AssetRef& asset,
                                                const std::optional<QVariantMap>& videoOutputConfiguration);

// The same from the facts of one track and the asset's duration, without a file.
media::VideoCompositionRef makeVideoComposition(const media::AssetTrack& track, const media::Time& assetDuration,
                                                const std::optional<QVariantMap>& videoOutputConfiguration);

// The duration of one rendered frame for a track.
media::Time compositionFrameDuration(const media::AssetTrack& track);
