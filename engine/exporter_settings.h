#pragma once

#include <QVariantMap>
#include <optional>

#include "platform/media/video_composition.h"
#include "platform/media/writer.h"

// True exactly when the settings hold a number under the width key and under the height key.
bool validateVideoOutputConfiguration(const std::optional<QVariantMap>& videoOutputConfiguration);

// Attributes of the source pixel buffers of the adaptor: RGBA, the composition's render size
// (only when there is a composition and its size is a usable whole number) and the two
// surface-compatibility flags.
QVariantMap sourcePixelBufferAttributes(const media::VideoCompositionRef& composition);

// The export status number of a writer's status: 0 unknown, 2 exporting, 3 completed,
// 4 failed, 5 cancelled.
int exportStatusOf(media::AssetWriter::Status status);
