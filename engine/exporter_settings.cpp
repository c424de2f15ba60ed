#include "exporter_settings.h"

#include "settings_values.h"

#include <cmath>
#include <limits>

namespace {

// A render dimension as a pixel count, when it is one: finite, positive and within int.
std::optional<int> wholePixels(double v)
{
    if (!std::isfinite(v) || v < 1 || v > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(std::trunc(v));
}

}  // namespace

bool validateVideoOutputConfiguration(const std::optional<QVariantMap>& videoOutputConfiguration)
{
    if (!videoOutputConfiguration)
        return false;
    return is_number_type(videoOutputConfiguration->value(AVVideoWidthKey)) &&
           is_number_type(videoOutputConfiguration->value(AVVideoHeightKey));
}

QVariantMap sourcePixelBufferAttributes(const media::VideoCompositionRef& composition)
{
    QVariantMap attributes;
    attributes.insert(kCVPixelBufferPixelFormatTypeKey, QVariant::fromValue<uint>(kCVPixelFormatType_32RGBA));
    if (composition) {
        const auto width = wholePixels(composition->render_size.width);
        const auto height = wholePixels(composition->render_size.height);
        if (width && height) {
            attributes.insert(kCVPixelBufferWidthKey, *width);
            attributes.insert(kCVPixelBufferHeightKey, *height);
        }
    }
    attributes.insert("IOSurfaceOpenGLESTextureCompatibility", true);
    attributes.insert("IOSurfaceOpenGLESFBOCompatibility", true);
    return attributes;
}

int exportStatusOf(media::AssetWriter::Status status)
{
    switch (status) {
    case media::AssetWriter::Status::Writing:
        return 2;
    case media::AssetWriter::Status::Completed:
        return 3;
    case media::AssetWriter::Status::Failed:
        return 4;
    case media::AssetWriter::Status::Cancelled:
        return 5;
    default:
        return 0;
    }
}
