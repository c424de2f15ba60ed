#include "writer_timecode.h"

extern "C" {
#include <libavutil/timecode.h>
}

namespace media::wr {

std::optional<uint32_t> timecode_frame_number(const SampleBuffer& sample)
{
    const FormatDescription* desc = sample.format_description.get();
    const uint8_t* data = sample.data();
    if (!desc || !data)
        return std::nullopt;
    const size_t size = sample.data_size();
    uint64_t value = 0;
    size_t bytes = 0;
    if (desc->media_subtype == kCMTimeCodeFormatType_TimeCode32)
        bytes = 4;
    else if (desc->media_subtype == kCMTimeCodeFormatType_TimeCode64)
        bytes = 8;
    if (bytes == 0 || size < bytes)
        return std::nullopt;
    for (size_t i = 0; i < bytes; ++i)
        value = (value << 8) | data[i];
    if (value > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::optional<QString> timecode_text(uint32_t frame_number, const FormatDescription& desc)
{
    AVRational rate{0, 1};
    if (desc.frame_duration.is_numeric() && desc.frame_duration.value > 0)
        av_reduce(&rate.num, &rate.den, desc.frame_duration.timescale, desc.frame_duration.value, INT32_MAX);
    else if (desc.frame_quanta > 0)
        rate = AVRational{static_cast<int>(desc.frame_quanta), 1};
    const int flags = (desc.timecode_flags & kCMTimeCodeFlag_DropFrame) ? AV_TIMECODE_FLAG_DROPFRAME : 0;
    AVTimecode tc{};
    if (rate.num <= 0 || av_timecode_init(&tc, rate, flags | AV_TIMECODE_FLAG_24HOURSMAX, 0, nullptr) < 0)
        return std::nullopt;
    char text[AV_TIMECODE_STR_SIZE] = {};
    av_timecode_make_string(&tc, text, static_cast<int>(frame_number));
    return QString::fromLatin1(text);
}

}  // namespace media::wr
