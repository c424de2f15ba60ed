#pragma once

// Renders decoded pictures through an affine transform into a canvas of YUV 4:2:0 with
// limited range, black outside the picture. Rotations by quarter turns with scaling and
// translation take one swscale pass (and a transpose, alone when there is nothing to scale);
// other transforms are sampled.

#include <QString>
#include <cstdint>

#include "frame_pool.h"
#include "geometry.h"
#include "sample_buffer.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace media {

class FrameRenderer {
public:
    static constexpr AVPixelFormat kFormat = AV_PIX_FMT_YUV420P;

    FrameRenderer(int canvas_width, int canvas_height);
    ~FrameRenderer();
    FrameRenderer(const FrameRenderer&) = delete;
    FrameRenderer& operator=(const FrameRenderer&) = delete;

    // The frame drawn with t (source pixel coordinates to canvas coordinates).
    // nullptr with a description when it cannot be drawn.
    PixelBufferRef render(const AVFrame* src, const AffineTransform& t, QString* error);

    enum class Path { PassThrough, Axis, General };
    Path path() const { return plan_.path; }  // the path of the last frame, for tests

private:
    struct Plan {
        Path path = Path::General;
        int x = 0, y = 0, w = 0, h = 0;  // the picture's place on the canvas (Axis)
        bool transpose = false, flip_h = false, flip_v = false;
        // Turned straight from the decoded picture: it is already the canvas's format and,
        // turned, the picture's size, so there is nothing to scale.
        bool direct = false;
    };
    struct Key {
        int width = 0, height = 0, format = -1, range = -1, space = -1;
        AffineTransform t;
        bool operator==(const Key&) const = default;
    };

    bool prepare(const AVFrame* src, const AffineTransform& t);
    Plan make_plan(const AVFrame* src, const AffineTransform& t) const;
    void paint_bars(AVFrame* canvas) const;  // black around the picture of the Axis path
    bool render_axis(const AVFrame* src, AVFrame* canvas);
    bool render_general(const AVFrame* src, AVFrame* canvas, const AffineTransform& t);

    int width_, height_;
    Key key_;
    Plan plan_;
    av::ScalerPtr sws_;
    av::FramePtr scratch_;  // transposed pictures and the 4:4:4 source of the general path
    // Canvas memory is recycled once the consumer lets go of a frame; the pool's lock
    // orders the consumer's last read before the next write.
    FramePool canvases_;
};

}  // namespace media
