#include "sample_buffer.h"

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

std::shared_ptr<AVFrame> share_frame(AVFrame* frame)
{
    return std::shared_ptr<AVFrame>(frame, [](AVFrame* f) { av_frame_free(&f); });
}

std::shared_ptr<AVPacket> share_packet(AVPacket* packet)
{
    return std::shared_ptr<AVPacket>(packet, [](AVPacket* p) { av_packet_free(&p); });
}

}  // namespace media
