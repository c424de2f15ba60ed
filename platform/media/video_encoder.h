#pragma once

#include <QString>
#include <array>
#include <map>
#include <memory>

#include "frame_pool.h"
#include "output_settings.h"
#include "writer_libav.h"

struct SwsContext;

namespace media::wr {

// One video encoder, fed with decoded pictures of any size and pixel format. Pictures that
// differ from the encoder's size or format are converted once, with swscale; a picture of
// another shape is cut (aspect fill), framed by black bars (aspect) or stretched (otherwise).
class VideoEncoder {
public:
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Opens the encoder; the first picture gives the size the settings leave open.
    static std::unique_ptr<VideoEncoder> open(const VideoSettings& settings, const AVFrame& first,
                                              AVRational time_base, AVRational frame_rate,
                                              bool global_header, QString* error);

    // pts and duration in the time base given to open().
    bool encode(const AVFrame& picture, int64_t pts, int64_t duration, const PacketSink& sink,
                QString* error);
    // Drains the encoder; later calls do nothing.
    bool flush(const PacketSink& sink, QString* error);

    const AVCodecContext& context() const { return *ctx_; }

private:
    VideoEncoder() = default;
    FramePtr convert(const AVFrame& picture, QString* error);
    bool drain(const PacketSink& sink, QString* error);
    // Encoders drop the frame duration; it is kept per pts and put back on the packet.
    void restore_duration(AVPacket& pkt);

    CodecPtr ctx_;
    // The scaler for the last source and destination: size and format of each.
    using ScalerKey = std::array<int, 5>;
    av::ScalerPtr sws_;
    ScalerKey sws_key_{};
    FramePool converted_;  // memory of the converted pictures, until the encoder lets go
    QString scaling_mode_;
    std::map<int64_t, int64_t> durations_;  // by pts, for the packets' durations
    bool flushed_ = false;
};

}  // namespace media::wr
