#include "frame_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "picture_convert.h"
#include "transpose.h"
#include "texts.h"

extern "C" {
}

namespace media {

namespace {

constexpr uint8_t kBlackY = 16, kBlackC = 128;  // limited-range black

bool near(double a, double b) { return std::abs(a - b) < 1e-6; }

// Paints black over the rectangle x, y, w, h (luma coordinates, even) of a 4:2:0 frame.
void fill_black(AVFrame* f, int x, int y, int w, int h)
{
    if (w <= 0 || h <= 0)
        return;
    for (int row = y; row < y + h; ++row)
        std::memset(f->data[0] + row * f->linesize[0] + x, kBlackY, w);
    const int cx = x / 2, cy = y / 2, cw = (x + w + 1) / 2 - cx, ch = (y + h + 1) / 2 - cy;
    for (int p = 1; p < 3; ++p)
        for (int row = cy; row < cy + ch; ++row)
            std::memset(f->data[p] + row * f->linesize[p] + cx, kBlackC, cw);
}

void fill_black(AVFrame* f) { fill_black(f, 0, 0, f->width, f->height); }

// Mirrors a w x h block of 8-bit samples in place.
void flip_block(uint8_t* data, int stride, int w, int h, bool flip_h, bool flip_v)
{
    if (flip_h)
        for (int y = 0; y < h; ++y)
            std::reverse(data + y * stride, data + y * stride + w);
    if (flip_v)
        for (int y = 0; y < h / 2; ++y)
            std::swap_ranges(data + y * stride, data + y * stride + w, data + (h - 1 - y) * stride);
}

// Bilinear sample at continuous position (fx, fy) (pixel centres at i + 0.5), black outside.
uint8_t sample(const uint8_t* p, int stride, int w, int h, double fx, double fy, uint8_t black)
{
    const double u = fx - 0.5, v = fy - 0.5;
    if (u <= -1 || v <= -1 || u >= w || v >= h)
        return black;
    const int x0 = static_cast<int>(std::floor(u)), y0 = static_cast<int>(std::floor(v));
    const double ax = u - x0, ay = v - y0;
    auto at = [&](int x, int y) -> double {
        return (x < 0 || y < 0 || x >= w || y >= h) ? black : p[y * stride + x];
    };
    const double top = at(x0, y0) * (1 - ax) + at(x0 + 1, y0) * ax;
    const double bottom = at(x0, y0 + 1) * (1 - ax) + at(x0 + 1, y0 + 1) * ax;
    return static_cast<uint8_t>(std::clamp(std::lround(top * (1 - ay) + bottom * ay), 0L, 255L));
}

}  // namespace

FrameRenderer::FrameRenderer(int canvas_width, int canvas_height)
    : width_(std::max(2, canvas_width)), height_(std::max(2, canvas_height))
{
}

FrameRenderer::~FrameRenderer() = default;

FrameRenderer::Plan FrameRenderer::make_plan(const AVFrame* src, const AffineTransform& t) const
{
    Plan plan;
    const bool identity = near(t.a, 1) && near(t.b, 0) && near(t.c, 0) && near(t.d, 1) &&
                          near(t.tx, 0) && near(t.ty, 0);
    if (identity && src->width == width_ && src->height == height_ && src->format == kFormat &&
        !is_full_range(src)) {
        plan.path = Path::PassThrough;
        return plan;
    }
    const bool straight = near(t.b, 0) && near(t.c, 0) && !near(t.a, 0) && !near(t.d, 0);
    const bool turned = near(t.a, 0) && near(t.d, 0) && !near(t.b, 0) && !near(t.c, 0);
    if (!straight && !turned)
        return plan;
    const Rect r = t.apply(Rect{{0, 0}, {double(src->width), double(src->height)}});
    int x0 = even_coordinate(r.origin.x), y0 = even_coordinate(r.origin.y);
    int x1 = even_coordinate(r.origin.x + r.size.width), y1 = even_coordinate(r.origin.y + r.size.height);
    // Half a pixel beyond the canvas is rounding; more needs clipping, which the general
    // path does.
    const int max_x = width_ & ~1, max_y = height_ & ~1;
    if (r.origin.x < -1 || r.origin.y < -1 || r.origin.x + r.size.width > width_ + 1 ||
        r.origin.y + r.size.height > height_ + 1)
        return plan;
    x0 = std::max(0, x0);
    y0 = std::max(0, y0);
    x1 = std::min(max_x, x1);
    y1 = std::min(max_y, y1);
    if (x1 - x0 < 2 || y1 - y0 < 2)
        return plan;
    plan.path = Path::Axis;
    plan.x = x0;
    plan.y = y0;
    plan.w = x1 - x0;
    plan.h = y1 - y0;
    plan.transpose = turned;
    plan.flip_h = turned ? t.c < 0 : t.a < 0;
    plan.flip_v = turned ? t.b < 0 : t.d < 0;
    plan.direct = turned && src->format == kFormat && !is_full_range(src) && src->width == plan.h &&
                  src->height == plan.w;
    return plan;
}

bool FrameRenderer::prepare(const AVFrame* src, const AffineTransform& t)
{
    const Key key{src->width, src->height, src->format, raw_value(src->color_range), raw_value(src->colorspace), t};
    if (key == key_ && (sws_ || plan_.path == Path::PassThrough || plan_.direct))
        return true;
    key_ = key;
    sws_.reset();
    scratch_.reset();
    plan_ = make_plan(src, t);
    int sw = 0, sh = 0;
    AVPixelFormat scratch_format = kFormat;
    if (plan_.direct)
        return true;
    switch (plan_.path) {
    case Path::PassThrough:
        return true;
    case Path::Axis:
        sw = plan_.transpose ? plan_.h : plan_.w;
        sh = plan_.transpose ? plan_.w : plan_.h;
        break;
    case Path::General:
        sw = src->width;
        sh = src->height;
        scratch_format = AV_PIX_FMT_YUV444P;
        break;
    }
    sws_ = make_scaler(src->width, src->height, static_cast<AVPixelFormat>(src->format), sw, sh,
                       plan_.path == Path::General ? scratch_format : kFormat);
    if (!sws_)
        return false;
    set_colour_details(sws_.get(), src, false);
    if (plan_.transpose || plan_.path == Path::General) {
        scratch_.reset(av_frame_alloc());
        if (!scratch_)
            return false;
        scratch_->width = sw;
        scratch_->height = sh;
        scratch_->format = scratch_format;
        if (av_frame_get_buffer(scratch_.get(), 0) < 0)
            return false;
    }
    return true;
}

void FrameRenderer::paint_bars(AVFrame* canvas) const
{
    // Recycled memory holds an older picture: everything outside this one turns black.
    fill_black(canvas, 0, 0, width_, plan_.y);
    fill_black(canvas, 0, plan_.y + plan_.h, width_, height_ - plan_.y - plan_.h);
    fill_black(canvas, 0, plan_.y, plan_.x, plan_.h);
    fill_black(canvas, plan_.x + plan_.w, plan_.y, width_ - plan_.x - plan_.w, plan_.h);
}

bool FrameRenderer::render_axis(const AVFrame* src, AVFrame* canvas)
{
    const int cx = plan_.x / 2, cy = plan_.y / 2, cw = plan_.w / 2, ch = plan_.h / 2;
    if (plan_.transpose) {
        if (!plan_.direct && sws_scale_frame(sws_.get(), scratch_.get(), src) < 0)
            return false;
        const AVFrame* from = plan_.direct ? src : scratch_.get();
        transpose_plane(from->data[0], from->linesize[0], canvas->data[0] + plan_.y * canvas->linesize[0] + plan_.x,
                        canvas->linesize[0], plan_.w, plan_.h, plan_.flip_h, plan_.flip_v);
        for (int p = 1; p < 3; ++p)
            transpose_plane(from->data[p], from->linesize[p], canvas->data[p] + cy * canvas->linesize[p] + cx,
                            canvas->linesize[p], cw, ch, plan_.flip_h, plan_.flip_v);
        return true;
    }
    // Scale straight into the picture's place on the canvas.
    av::FramePtr dst(av_frame_clone(canvas));
    if (!dst)
        return false;
    dst->width = plan_.w;
    dst->height = plan_.h;
    dst->data[0] += plan_.y * dst->linesize[0] + plan_.x;
    dst->data[1] += cy * dst->linesize[1] + cx;
    dst->data[2] += cy * dst->linesize[2] + cx;
    const int rc = sws_scale_frame(sws_.get(), dst.get(), src);
    dst.reset();
    if (rc < 0)
        return false;
    if (plan_.flip_h || plan_.flip_v) {
        flip_block(canvas->data[0] + plan_.y * canvas->linesize[0] + plan_.x, canvas->linesize[0], plan_.w,
                   plan_.h, plan_.flip_h, plan_.flip_v);
        for (int p = 1; p < 3; ++p)
            flip_block(canvas->data[p] + cy * canvas->linesize[p] + cx, canvas->linesize[p], cw, ch,
                       plan_.flip_h, plan_.flip_v);
    }
    return true;
}

bool FrameRenderer::render_general(const AVFrame* src, AVFrame* canvas, const AffineTransform& t)
{
    if (sws_scale_frame(sws_.get(), scratch_.get(), src) < 0)
        return false;
    const double det = t.a * t.d - t.b * t.c;
    if (!std::isfinite(det) || std::abs(det) < 1e-12) {
        fill_black(canvas);
        return true;
    }
    const AffineTransform inv = t.inverted();
    const int sw = scratch_->width, sh = scratch_->height;
    for (int y = 0; y < height_; ++y) {
        uint8_t* out = canvas->data[0] + y * canvas->linesize[0];
        for (int x = 0; x < width_; ++x) {
            const Point s = inv.apply(Point{x + 0.5, y + 0.5});
            out[x] = sample(scratch_->data[0], scratch_->linesize[0], sw, sh, s.x, s.y, kBlackY);
        }
    }
    // Chroma samples sit left-aligned between two luma rows (MPEG siting).
    for (int y = 0; y < (height_ + 1) / 2; ++y) {
        uint8_t* u = canvas->data[1] + y * canvas->linesize[1];
        uint8_t* v = canvas->data[2] + y * canvas->linesize[2];
        for (int x = 0; x < (width_ + 1) / 2; ++x) {
            const Point s = inv.apply(Point{2.0 * x + 0.5, 2.0 * y + 1.0});
            u[x] = sample(scratch_->data[1], scratch_->linesize[1], sw, sh, s.x, s.y, kBlackC);
            v[x] = sample(scratch_->data[2], scratch_->linesize[2], sw, sh, s.x, s.y, kBlackC);
        }
    }
    return true;
}

PixelBufferRef FrameRenderer::render(const AVFrame* src, const AffineTransform& t, QString* error)
{
    if (!prepare(src, t)) {
        *error = translated("无法转换 %1x%2 的画面。").arg(src->width).arg(src->height);
        return nullptr;
    }
    if (plan_.path == Path::PassThrough) {
        av::FramePtr copy(av_frame_clone(src));
        if (!copy) {
            *error = translated("%1x%2 的画面内存不足。").arg(src->width).arg(src->height);
            return nullptr;
        }
        return std::make_shared<PixelBuffer>(copy.release());
    }
    av::FramePtr canvas = canvases_.take(width_, height_, kFormat);
    if (!canvas) {
        *error = translated("%1x%2 的画面内存不足。").arg(width_).arg(height_);
        return nullptr;
    }
    const bool ok =
        plan_.path == Path::Axis ? render_axis(src, canvas.get()) : render_general(src, canvas.get(), t);
    // After the picture: swscale may write a few samples past the end of its rows.
    if (ok && plan_.path == Path::Axis)
        paint_bars(canvas.get());
    if (!ok) {
        *error = translated("无法缩放画面。");
        return nullptr;
    }
    copy_colour_tags(src, canvas.get());
    canvas->color_range = AVCOL_RANGE_MPEG;
    canvas->chroma_location = AVCHROMA_LOC_LEFT;
    return std::make_shared<PixelBuffer>(canvas.release());
}

}  // namespace media
