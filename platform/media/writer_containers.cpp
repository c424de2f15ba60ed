#include "writer_containers.h"

#include <array>
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
// and 3GPP do not get a timecode track.
const std::array kContainers = {
    Entry{AVFileTypeQuickTimeMovie, {"mov", true, true, true, false, false}},
    Entry{AVFileTypeMPEG4, {"mp4", true, true, true, false, false}},
    Entry{AVFileTypeAppleM4V, {"ipod", true, false, true, false, false}},
    Entry{AVFileType3GPP, {"3gp", true, false, true, false, false}},
    Entry{AVFileType3GPP2, {"3g2", true, false, true, false, false}},
    Entry{AVFileTypeWAVE, {"wav", false, false, false, false, true}},
    Entry{AVFileTypeAIFF, {"aiff", false, false, false, true, false}},
    Entry{AVFileTypeAIFC, {"aiff", false, false, false, true, false}},
    Entry{AVFileTypeCoreAudioFormat, {"caf", false, false, false, false, false}},
    Entry{AVFileTypeSunAU, {"au", false, false, false, true, false}},
    Entry{AVFileTypeAC3, {"ac3", false, false, false, false, false}},
    Entry{AVFileTypeEnhancedAC3, {"eac3", false, false, false, false, false}},
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
    const AVOutputFormat* fmt = av_guess_format(container.muxer, nullptr, nullptr);
    return fmt && avformat_query_codec(fmt, codec, FF_COMPLIANCE_NORMAL) == 1;
}

}  // namespace media::wr
