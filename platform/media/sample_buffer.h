#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "identifiers.h"
#include "libav.h"
#include "time.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

namespace media {

// What kind of samples a buffer carries.
struct FormatDescription {
    MediaType media_type;   // "vide", "soun", "tmcd", ...
    FourCC media_subtype = 0;

    // Video: the picture size.
    int width = 0;
    int height = 0;
    // Audio: the sample layout of decoded PCM, or of the stored samples.
    int sample_rate = 0;
    int channels = 0;
    // Timecode: flags (kCMTimeCodeFlag_*), the duration of one frame, frames per second.
    uint32_t timecode_flags = 0;
    Time frame_duration;
    uint32_t frame_quanta = 0;

    // Codec parameters of stored (compressed) samples, for writing them unchanged.
    std::shared_ptr<const AVCodecParameters> codec_parameters;
};
using FormatDescriptionRef = std::shared_ptr<const FormatDescription>;

// Copies codec parameters into a shared, self-freeing object.
std::shared_ptr<const AVCodecParameters> share_codec_parameters(const AVCodecParameters* par);

// One decoded picture (a reference-counted frame in any pixel format).
class PixelBuffer {
public:
    // Takes ownership of the frame.
    explicit PixelBuffer(AVFrame* frame);

    // A new buffer with allocated planes; nullptr when allocation fails.
    static std::shared_ptr<PixelBuffer> create(int width, int height, AVPixelFormat format);

    AVFrame* frame() const { return frame_.get(); }
    int width() const { return frame_->width; }
    int height() const { return frame_->height; }
    AVPixelFormat format() const { return static_cast<AVPixelFormat>(frame_->format); }

private:
    av::FramePtr frame_;
};
using PixelBufferRef = std::shared_ptr<PixelBuffer>;

// One sample buffer: a decoded picture, decoded audio, or stored (compressed) data.
class SampleBuffer {
public:
    Time presentation_time;
    Time duration;
    FormatDescriptionRef format_description;

    PixelBufferRef image_buffer;            // decoded video
    std::shared_ptr<AVPacket> data_packet;  // stored samples (a data block)

    // Decoded audio, kept as it was made: any sample format, planar or interleaved.
    void set_audio(std::shared_ptr<AVFrame> frame);
    // The audio as it was made. An encoder converts from here, once, straight into its own
    // format, instead of from a float copy made on the way.
    std::shared_ptr<const AVFrame> audio_source() const;
    // The audio as interleaved float, converted from the source on the first request (and
    // shared by copies of this buffer); nullptr without audio or when memory runs out.
    std::shared_ptr<const AVFrame> audio_frame() const;

    // Number of samples: audio frames for PCM, 1 for a picture or a stored sample.
    int64_t num_samples = 0;

    const uint8_t* data() const { return data_packet ? data_packet->data : nullptr; }
    size_t data_size() const { return data_packet ? static_cast<size_t>(data_packet->size) : 0; }

private:
    struct Audio;
    std::shared_ptr<Audio> audio_;
};
using SampleBufferRef = std::shared_ptr<SampleBuffer>;

// Helpers to wrap libav objects in shared pointers that free them.
std::shared_ptr<AVFrame> share_frame(AVFrame* frame);
std::shared_ptr<AVPacket> share_packet(AVPacket* packet);

}  // namespace media
