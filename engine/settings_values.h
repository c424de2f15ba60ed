#pragma once

#include <QVariant>
#include <QVariantMap>
#include <optional>

// Output-settings dictionaries keep numbers of several types apart; these tell them.
bool is_integer_type(const QVariant& value);
// Any integer or floating type.
bool is_number_type(const QVariant& value);
// The value as a double when it is a number; nullopt for other types (texts included).
std::optional<double> settings_number(const QVariant& value);

// A frame size as video settings give it: the width and height numbers truncated toward zero;
// none without both numbers, or with the width -100 that stands for the source's own size.
struct FrameSize {
    long long width = 0;
    long long height = 0;
};
std::optional<FrameSize> settings_frame_size(const QVariantMap& video);
