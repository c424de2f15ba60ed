#include "frame_pool.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/macros.h>
}

namespace media {

namespace {

constexpr size_t kTailRoom = 256;  // swscale writes whole vectors past the last row

}  // namespace

av::FramePtr FramePool::take(int width, int height, AVPixelFormat format)
{
    if (!pool_ || width != width_ || height != height_ || format != format_) {
        pool_.reset();
        int linesizes[4] = {};
        if (av_image_fill_linesizes(linesizes, format, width) < 0)
            return nullptr;
        ptrdiff_t aligned[4] = {};
        for (int p = 0; p < 4; ++p)
            aligned[p] = linesizes_[p] = FFALIGN(linesizes[p], 64);
        size_t sizes[4] = {};
        if (av_image_fill_plane_sizes(sizes, format, height, aligned) < 0)
            return nullptr;
        size_t total = 0;
        for (int p = 0; p < 4; ++p) {
            offsets_[p] = total;
            total += sizes[p];
        }
        pool_.reset(av_buffer_pool_init(total + kTailRoom, nullptr));
        width_ = width;
        height_ = height;
        format_ = format;
    }
    AVBufferRef* buf = pool_ ? av_buffer_pool_get(pool_.get()) : nullptr;
    av::FramePtr f(buf ? av_frame_alloc() : nullptr);
    if (!f) {
        av_buffer_unref(&buf);
        return nullptr;
    }
    f->buf[0] = buf;
    f->width = width;
    f->height = height;
    f->format = format;
    for (int p = 0; p < 4 && linesizes_[p] > 0; ++p) {
        f->data[p] = buf->data + offsets_[p];
        f->linesize[p] = linesizes_[p];
    }
    return f;
}

}  // namespace media
