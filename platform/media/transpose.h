#pragma once

// Turning a plane of 8-bit samples a quarter, in cache-sized blocks of 8x8 samples that are
// transposed in vector registers.

#include <cstdint>

namespace media {

// dst (w x h) from src (h x w) turned a quarter: dst(x, y) = src(x', y') with x' = y and
// y' = x, x' mirrored (h - 1 - y) when flip_v and y' mirrored (w - 1 - x) when flip_h.
void transpose_plane(const uint8_t* src, int src_stride, uint8_t* dst, int dst_stride, int w, int h, bool flip_h,
                     bool flip_v);

}  // namespace media
