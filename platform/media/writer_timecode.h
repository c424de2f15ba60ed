#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "sample_buffer.h"

namespace media::wr {

// The frame number that a stored timecode sample (tmcd or tc64) carries; nullopt for other
// samples, unreadable data and numbers beyond 32 bits.
std::optional<uint32_t> timecode_frame_number(const SampleBuffer& sample);

// The timecode text ("HH:MM:SS:FF", ";" before the frames when drop-frame) for a frame
// number, with the rate and flags of the sample's format description.
std::optional<QString> timecode_text(uint32_t frame_number, const FormatDescription& description);

}  // namespace media::wr
