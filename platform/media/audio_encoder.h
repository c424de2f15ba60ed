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
    bool resample(const AVFrame* pcm, QString* error);
    // Encodes whole frames from the queue; with at_end also the last, shorter one.
    bool encode_queued(bool at_end, const PacketSink& sink, QString* error);
    bool drain(const PacketSink& sink, QString* error);

    CodecPtr ctx_;
    SwrContext* swr_ = nullptr;
    AVAudioFifo* fifo_ = nullptr;
    AVChannelLayout in_layout_{};
    int in_format_ = -1;
    int in_rate_ = 0;
    int chunk_ = 1024;
    int64_t next_pts_ = 0;
    bool flushed_ = false;
};

}  // namespace media::wr
