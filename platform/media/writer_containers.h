#pragma once

#include "identifiers.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace media::wr {

// What one writable file type maps to.
struct Container {
    const char* muxer;       // libavformat muxer name
    bool takes_video;
    bool takes_timecode;     // the mov family writes a timecode track from the video stream
    bool movflags;           // understands movflags (+faststart)
    bool pcm_big_endian_only;
    bool pcm_little_endian_only;
};

// nullptr for a file type without a writable container.
const Container* container_for(const FileType& type);

// True when the muxer can store the codec.
bool container_takes_codec(const Container& container, AVCodecID codec);

}  // namespace media::wr
