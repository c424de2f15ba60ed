#include "writer_containers.h"

#include <array>
#include <cstring>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace media::wr {

namespace {

struct Entry {
    const char* file_type;
    Container container;
};

// mp4 is the container that the mov muxer also writes timecode into; the iPod flavour (m4v)
// and 3GPP do not get a timecode track. WAVE, AIFF and AU hold linear PCM (the libraries would
// also put AAC in a WAVE file, which few players read). An enhanced AC-3 file gets E-AC-3.
const std::array kContainers = {
    Entry{AVFileTypeQuickTimeMovie, {"mov", true, true, true, false, false, false, AV_CODEC_ID_AC3}},
    Entry{AVFileTypeMPEG4, {"mp4", true, true, true, false, false, false, AV_CODEC_ID_AC3}},
    Entry{AVFileTypeAppleM4V, {"ipod", true, false, true, false, false, false, AV_CODEC_ID_AC3}},
    Entry{AVFileType3GPP, {"3gp", true, false, true, false, false, false, AV_CODEC_ID_AC3}},
    Entry{AVFileType3GPP2, {"3g2", true, false, true, false, false, false, AV_CODEC_ID_AC3}},
    Entry{AVFileTypeWAVE, {"wav", false, false, false, false, true, true, AV_CODEC_ID_AC3}},
    Entry{AVFileTypeAIFF, {"aiff", false, false, false, true, false, true, AV_CODEC_ID_AC3}},
    Entry{AVFileTypeAIFC, {"aiff", false, false, false, true, false, true, AV_CODEC_ID_AC3}},
    Entry{AVFileTypeCoreAudioFormat, {"caf", false, false, false, false, false, false, AV_CODEC_ID_AC3}},
    Entry{AVFileTypeSunAU, {"au", false, false, false, true, false, true, AV_CODEC_ID_AC3}},
    Entry{AVFileTypeAC3, {"ac3", false, false, false, false, false, false, AV_CODEC_ID_AC3}},
    Entry{AVFileTypeEnhancedAC3, {"eac3", false, false, false, false, false, false, AV_CODEC_ID_EAC3}},
};

}  // namespace

const Container* container_for(const FileType& type)
{
    for (const Entry& e : kContainers)
        if (type == QLatin1String(e.file_type))
            return &e.container;
    return nullptr;
}

bool container_takes_codec(const Container& container, AVCodecID codec)
{
    if (container.pcm_only && std::strncmp(avcodec_get_name(codec), "pcm_", 4) != 0)
        return false;
    const AVOutputFormat* fmt = av_guess_format(container.muxer, nullptr, nullptr);
    if (!fmt)
        return false;
    const int answer = avformat_query_codec(fmt, codec, FF_COMPLIANCE_NORMAL);
    return answer < 0 ? fmt->audio_codec == codec : answer == 1;
}

AVCodecID audio_codec_for(const Container& container, const AudioSettings& s)
{
    if (s.format == kAudioFormatAC3)
        return container.ac3_codec;
    // Containers with one byte order get it, whatever the settings say; 8-bit WAVE is unsigned.
    if (s.format == kAudioFormatLinearPCM && !s.pcm_float && s.pcm_bits == 8 && container.pcm_little_endian_only)
        return AV_CODEC_ID_PCM_U8;
    const bool big = container.pcm_big_endian_only || (!container.pcm_little_endian_only && s.pcm_big_endian);
    return audio_codec(s, big);
}

}  // namespace media::wr
