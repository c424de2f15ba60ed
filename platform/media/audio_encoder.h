#pragma once

#include <QString>
#include <memory>

#include "output_settings.h"
#include "writer_libav.h"

struct SwrContext;
struct AVAudioFifo;

namespace media::wr {

// One audio encoder, fed with decoded audio of any layout and rate. Audio is resampled with
// swresample to the encoder's format and cut into the encoder's frame size.
class AudioEncoder {
public:
    ~AudioEncoder();
    AudioEncoder(const AudioEncoder&) = delete;
    AudioEncoder& operator=(const AudioEncoder&) = delete;

    // The first buffer gives the rate and channel count that the settings leave open.
    static std::unique_ptr<AudioEncoder> open(const AudioSettings& settings, AVCodecID codec,
                                              const AVFrame& first, bool global_header,
                                              QString* error);
    // The time of the next encoded sample, in samples at the encoder's rate.
    void start_at(int64_t pts) { next_pts_ = pts; }

    bool encode(const AVFrame& pcm, const PacketSink& sink, QString* error);
    // Drains the resampler and the encoder; later calls do nothing.
    bool flush(const PacketSink& sink, QString* error);

    const AVCodecContext& context() const { return *ctx_; }

private:
    AudioEncoder() = default;
    // Prepares the converter for pcm's layout, finishing the old conversion first.
    bool follow_input(const AVFrame& pcm, QString* error);
    bool resample(const AVFrame* pcm, QString* error);
    // Converts a buffer of exactly one encoder frame straight into that frame (or sends it
    // as it is when it has the encoder's format) and encodes it, when nothing waits in the
    // queue; false when that does not apply or failed (error).
    bool encode_direct(const AVFrame& pcm, const PacketSink& sink, bool* done, QString* error);
    // A frame of the encoder's format for n samples, reusing held's memory when nothing else
    // holds it any more.
    AVFrame* reusable_frame(FramePtr& held, int n, QString* error);
    bool send(AVFrame* frame, int samples, const PacketSink& sink, QString* error);
    // Encodes whole frames from the queue; with at_end also the last, shorter one.
    bool encode_queued(bool at_end, const PacketSink& sink, QString* error);
    bool drain(const PacketSink& sink, QString* error);

    CodecPtr ctx_;
    av::ResamplerPtr swr_;
    av::AudioFifoPtr fifo_;
    FramePtr converted_;  // the converter's output on its way to the queue
    FramePtr chunk_frame_;  // one encoder frame's samples on their way to the encoder
    FramePtr sent_ref_;     // a buffer already in the encoder's format, as it is sent
    AVChannelLayout in_layout_{};
    int in_format_ = -1;
    int in_rate_ = 0;
    int chunk_ = 1024;
    int64_t next_pts_ = 0;
    bool flushed_ = false;
};

}  // namespace media::wr
