#pragma once

#include "identifiers.h"
#include "output_settings.h"

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
    bool pcm_only;           // holds linear PCM audio only
    AVCodecID ac3_codec;     // the encoder that AC-3 settings get here
};

// nullptr for a file type without a writable container.
const Container* container_for(const FileType& type);

// True when the muxer can store the codec (a raw stream muxer: only its own codec).
bool container_takes_codec(const Container& container, AVCodecID codec);

// The encoder's codec for audio settings in this container.
AVCodecID audio_codec_for(const Container& container, const AudioSettings& settings);

}  // namespace media::wr
