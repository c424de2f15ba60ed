#pragma once

#include <QString>
#include <cstdint>

#include "platform/media/asset.h"
#include "platform/media/time.h"

// The media-information text of the file table: one line per track.
QString build_info_text(const media::Asset& asset);
// " 1920X1080(16:9)"; empty when either side is 0.
QString size_text(int64_t width, int64_t height);
// Greatest common divisor (binary method); gcd(0, b) = b.
int64_t gcd(int64_t a, int64_t b);
// The media subtypes of the track's format descriptions, joined by ",".
QString track_format_text(const media::AssetTrack& track);
// A four-character code as text, cut at the first zero byte and trimmed.
QString fourcc_text(uint32_t code);
// "mm:ss" below an hour, "h:mm:ss" from an hour on.
QString duration_text(const media::Time& time);
