#include "timecode_frame_number.h"

namespace {

uint64_t readBigEndian(const uint8_t* data, size_t bytes)
{
    uint64_t v = 0;
    for (size_t i = 0; i < bytes; ++i)
        v = (v << 8) | data[i];
    return v;
}

}  // namespace

std::optional<uint32_t> timecodeFrameNumber(const media::SampleBuffer& sample)
{
    const uint8_t* data = sample.data();
    if (!data || !sample.format_description)
        return std::nullopt;
    const media::FourCC subtype = sample.format_description->media_subtype;
    if (subtype == kCMTimeCodeFormatType_TimeCode32 && sample.data_size() >= 4)
        return static_cast<uint32_t>(readBigEndian(data, 4));
    if (subtype == kCMTimeCodeFormatType_TimeCode64 && sample.data_size() >= 8) {
        const uint64_t frame = readBigEndian(data, 8);
        if (frame > UINT32_MAX)
            return std::nullopt;
        return static_cast<uint32_t>(frame);
    }
    return std::nullopt;
}
