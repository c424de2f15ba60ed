#pragma once

#include <cstdint>
#include <optional>

#include "platform/media/sample_buffer.h"

// The frame number stored in a timecode sample: big-endian, 4 bytes for a 32-bit timecode
// sample, 8 bytes for a 64-bit one (only when it fits 32 bits). None for other subtypes,
// for a sample without data or description, and for data too short for its subtype.
std::optional<uint32_t> timecodeFrameNumber(const media::SampleBuffer& sample);
