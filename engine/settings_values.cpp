#include "settings_values.h"

#include <algorithm>
#include <cmath>

#include "platform/media/identifiers.h"

bool is_integer_type(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

bool is_number_type(const QVariant& value)
{
    return is_integer_type(value) || value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

std::optional<double> settings_number(const QVariant& value)
{
    if (is_number_type(value))
        return value.toDouble();
    return std::nullopt;
}

std::optional<FrameSize> settings_frame_size(const QVariantMap& video)
{
    const auto width = settings_number(video.value(AVVideoWidthKey));
    const auto height = settings_number(video.value(AVVideoHeightKey));
    if (!width || !height || *width == -100)
        return std::nullopt;
    // Far beyond any encoder's limit, and within what a whole number holds.
    const auto whole = [](double value) {
        constexpr double limit = 1e15;
        return static_cast<long long>(std::trunc(std::isnan(value) ? 0 : std::clamp(value, -limit, limit)));
    };
    return FrameSize{whole(*width), whole(*height)};
}
