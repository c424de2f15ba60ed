#pragma once

// Small owners and helpers around the FFmpeg libraries for the writing side of the media layer.

#include <QString>
#include <functional>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
}

namespace media::wr {

struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

// The library's text for an error code.
QString error_text(int code);

// Receives the packets an encoder produces, in the encoder's time base.
using PacketSink = std::function<bool(PacketPtr packet)>;

}  // namespace media::wr
