// The quarter-turn transpose against its definition, sample by sample: whole tiles, blocks
// and the ragged edges, with every combination of mirrors, in padded planes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/media/transpose.h"

namespace {

struct Plane {
    int w, h, stride;
    std::vector<uint8_t> data;
    Plane(int w_, int h_, int pad) : w(w_), h(h_), stride(w_ + pad), data(size_t(stride) * h_, 0xEE) {}
    uint8_t& at(int x, int y) { return data[size_t(y) * stride + x]; }
};

TEST(Transpose, MatchesTheDefinitionForEverySizeAndMirror)
{
    const std::pair<int, int> sizes[] = {{8, 8}, {1, 1}, {37, 21}, {64, 64}, {130, 72}, {72, 130}, {9, 200}};
    for (const auto& [w, h] : sizes)
        for (int mirrors = 0; mirrors < 4; ++mirrors) {
            const bool flip_h = mirrors & 1, flip_v = mirrors & 2;
            Plane src(h, w, 5);  // the source is h wide and w high
            for (int y = 0; y < w; ++y)
                for (int x = 0; x < h; ++x)
                    src.at(x, y) = static_cast<uint8_t>(x * 7 + y * 13 + (x * y) % 5);
            Plane dst(w, h, 11);
            media::transpose_plane(src.data.data(), src.stride, dst.data.data(), dst.stride, w, h, flip_h, flip_v);
            int wrong = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const int sx = flip_v ? h - 1 - y : y, sy = flip_h ? w - 1 - x : x;
                    wrong += dst.at(x, y) != src.at(sx, sy);
                }
            // The padding past each row is left alone.
            for (int y = 0; y < h; ++y)
                for (int x = w; x < dst.stride; ++x)
                    wrong += dst.at(x, y) != 0xEE;
            EXPECT_EQ(wrong, 0) << w << "x" << h << " flip_h " << flip_h << " flip_v " << flip_v;
        }
}

}  // namespace
