#pragma once

// Pictures whose memory is recycled once every holder (queues, encoders and their threads)
// has let go of it: no new memory for every picture, and never more than the most pictures
// out at one time.

#include "libav.h"

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
}

namespace media {

class FramePool {
public:
    FramePool() = default;
    FramePool(const FramePool&) = delete;
    FramePool& operator=(const FramePool&) = delete;

    // A picture in one block with 64-byte aligned rows, and room for swscale to write a
    // little past its last row; nullptr when memory runs out. Another size or format
    // starts a new pool.
    av::FramePtr take(int width, int height, AVPixelFormat format);

private:
    av::BufferPoolPtr pool_;  // pictures still out keep their memory until they are released
    int width_ = 0, height_ = 0;
    AVPixelFormat format_ = AV_PIX_FMT_NONE;
    int linesizes_[4] = {};
    size_t offsets_[4] = {};  // of each plane in the block
};

}  // namespace media
