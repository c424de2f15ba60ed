#include "transpose.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace media {

namespace {

constexpr int kTile = 8;    // samples a side of one register transpose
constexpr int kBlock = 64;  // samples a side of a block whose source rows stay in the cache

// Where a destination sample comes from, as the header says.
struct Turn {
    const uint8_t* src;
    int src_stride, w, h;
    bool flip_h, flip_v;

    int src_row(int x) const { return flip_h ? w - 1 - x : x; }
    int src_col(int y) const { return flip_v ? h - 1 - y : y; }
};

void tile_scalar(const Turn& t, uint8_t* dst, int dst_stride, int x0, int y0, int x1, int y1)
{
    for (int y = y0; y < y1; ++y) {
        uint8_t* out = dst + y * dst_stride;
        const uint8_t* column = t.src + t.src_col(y);
        for (int x = x0; x < x1; ++x)
            out[x] = column[t.src_row(x) * t.src_stride];
    }
}

// One whole 8x8 tile whose top left destination sample is (x0, y0).
void tile8(const Turn& t, uint8_t* dst, int dst_stride, int x0, int y0)
{
    // The tile's source columns, left to right; the destination rows take them in order, or
    // in reverse when mirrored.
    const int c0 = t.flip_v ? t.h - kTile - y0 : y0;
    const uint8_t* rows[kTile];
    for (int i = 0; i < kTile; ++i)
        rows[i] = t.src + t.src_row(x0 + i) * t.src_stride + c0;
    uint8_t* out[kTile];
    for (int k = 0; k < kTile; ++k)
        out[k] = dst + (t.flip_v ? y0 + kTile - 1 - k : y0 + k) * dst_stride + x0;
#if defined(__SSE2__)
    auto load = [&](int i) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[i])); };
    const __m128i b0 = _mm_unpacklo_epi8(load(0), load(1));
    const __m128i b1 = _mm_unpacklo_epi8(load(2), load(3));
    const __m128i b2 = _mm_unpacklo_epi8(load(4), load(5));
    const __m128i b3 = _mm_unpacklo_epi8(load(6), load(7));
    const __m128i c0l = _mm_unpacklo_epi16(b0, b1), c0h = _mm_unpackhi_epi16(b0, b1);
    const __m128i c1l = _mm_unpacklo_epi16(b2, b3), c1h = _mm_unpackhi_epi16(b2, b3);
    // Each holds two finished columns of the source: two destination rows.
    const __m128i d[4] = {_mm_unpacklo_epi32(c0l, c1l), _mm_unpackhi_epi32(c0l, c1l), _mm_unpacklo_epi32(c0h, c1h),
                          _mm_unpackhi_epi32(c0h, c1h)};
    for (int k = 0; k < 4; ++k) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out[2 * k]), d[k]);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out[2 * k + 1]), _mm_unpackhi_epi64(d[k], d[k]));
    }
#else
    for (int k = 0; k < kTile; ++k)
        for (int i = 0; i < kTile; ++i)
            out[k][i] = rows[i][k];
#endif
}

}  // namespace

void transpose_plane(const uint8_t* src, int src_stride, uint8_t* dst, int dst_stride, int w, int h, bool flip_h,
                     bool flip_v)
{
    const Turn t{src, src_stride, w, h, flip_h, flip_v};
    const int whole_w = w / kTile * kTile, whole_h = h / kTile * kTile;
    for (int by = 0; by < whole_h; by += kBlock)
        for (int bx = 0; bx < whole_w; bx += kBlock)
            for (int y = by; y < std::min(whole_h, by + kBlock); y += kTile)
                for (int x = bx; x < std::min(whole_w, bx + kBlock); x += kTile)
                    tile8(t, dst, dst_stride, x, y);
    // The edges that do not fill a tile.
    tile_scalar(t, dst, dst_stride, whole_w, 0, w, h);
    tile_scalar(t, dst, dst_stride, 0, whole_h, whole_w, h);
}

}  // namespace media
