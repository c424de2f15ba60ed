#include "sample_buffer.h"

#include <mutex>

extern "C" {
#include <libswresample/swresample.h>
}

namespace media {

std::shared_ptr<const AVCodecParameters> share_codec_parameters(const AVCodecParameters* par)
{
    if (!par)
        return nullptr;
    AVCodecParameters* copy = avcodec_parameters_alloc();
    if (!copy || avcodec_parameters_copy(copy, par) < 0) {
        avcodec_parameters_free(&copy);
        return nullptr;
    }
    return std::shared_ptr<const AVCodecParameters>(copy, [](const AVCodecParameters* p) {
        auto* q = const_cast<AVCodecParameters*>(p);
        avcodec_parameters_free(&q);
    });
}

PixelBuffer::PixelBuffer(AVFrame* frame) : frame_(frame) {}

std::shared_ptr<PixelBuffer> PixelBuffer::create(int width, int height, AVPixelFormat format)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    auto buffer = std::make_shared<PixelBuffer>(av_frame_alloc());
    AVFrame* f = buffer->frame();
    if (!f)
        return nullptr;
    f->width = width;
    f->height = height;
    f->format = format;
    if (av_frame_get_buffer(f, 0) < 0)
        return nullptr;
    return buffer;
}

struct SampleBuffer::Audio {
    std::shared_ptr<AVFrame> source;
    std::once_flag converted;
    std::shared_ptr<AVFrame> interleaved;
};

namespace {

// The frame's samples as interleaved float, at the same rate and channels.
std::shared_ptr<AVFrame> interleaved_float(const std::shared_ptr<AVFrame>& source)
{
    if (source->format == AV_SAMPLE_FMT_FLT)
        return source;
    std::shared_ptr<AVFrame> out = share_frame(av_frame_alloc());
    SwrContext* made = nullptr;
    int rc = out ? 0 : AVERROR(ENOMEM);
    if (rc >= 0)
        rc = swr_alloc_set_opts2(&made, &source->ch_layout, AV_SAMPLE_FMT_FLT, source->sample_rate,
                                 &source->ch_layout, static_cast<AVSampleFormat>(source->format),
                                 source->sample_rate, 0, nullptr);
    const av::ResamplerPtr swr(made);
    if (rc >= 0)
        rc = swr_init(swr.get());
    if (rc >= 0) {
        out->format = AV_SAMPLE_FMT_FLT;
        out->nb_samples = source->nb_samples;
        out->sample_rate = source->sample_rate;
        out->pts = source->pts;
        rc = av_channel_layout_copy(&out->ch_layout, &source->ch_layout);
    }
    if (rc >= 0)
        rc = av_frame_get_buffer(out.get(), 0);
    if (rc >= 0)
        rc = swr_convert(swr.get(), out->extended_data, out->nb_samples,
                         const_cast<const uint8_t**>(source->extended_data), source->nb_samples);
    return rc >= 0 ? out : nullptr;
}

}  // namespace

void SampleBuffer::set_audio(std::shared_ptr<AVFrame> frame)
{
    audio_ = std::make_shared<Audio>();
    audio_->source = std::move(frame);
}

std::shared_ptr<const AVFrame> SampleBuffer::audio_source() const
{
    return audio_ ? audio_->source : nullptr;
}

std::shared_ptr<const AVFrame> SampleBuffer::audio_frame() const
{
    if (!audio_ || !audio_->source)
        return nullptr;
    std::call_once(audio_->converted, [a = audio_.get()] { a->interleaved = interleaved_float(a->source); });
    return audio_->interleaved;
}

std::shared_ptr<AVFrame> share_frame(AVFrame* frame)
{
    return std::shared_ptr<AVFrame>(frame, [](AVFrame* f) { av_frame_free(&f); });
}

std::shared_ptr<AVPacket> share_packet(AVPacket* packet)
{
    return std::shared_ptr<AVPacket>(packet, [](AVPacket* p) { av_packet_free(&p); });
}

}  // namespace media
