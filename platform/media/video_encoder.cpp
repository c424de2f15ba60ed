#include "video_encoder.h"

#include "geometry.h"
#include "picture_convert.h"
#include "texts.h"

#include <algorithm>
#include <tuple>
#include <utility>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace media::wr {

namespace {

bool has_alpha(AVPixelFormat format)
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    return d && (d->flags & AV_PIX_FMT_FLAG_ALPHA);
}

bool is_rgb(AVPixelFormat format)
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    return d && (d->flags & AV_PIX_FMT_FLAG_RGB);
}

AVPixelFormat encoder_format(const VideoSettings& s, AVPixelFormat source)
{
    switch (s.codec_id) {
    case AV_CODEC_ID_PRORES:
        if (s.profile == 4)
            return has_alpha(source) ? AV_PIX_FMT_YUVA444P10LE : AV_PIX_FMT_YUV444P10LE;
        return AV_PIX_FMT_YUV422P10LE;
    case AV_CODEC_ID_MJPEG:
        return AV_PIX_FMT_YUVJ420P;
    default:
        return AV_PIX_FMT_YUV420P;
    }
}


}  // namespace

VideoEncoder::~VideoEncoder() = default;

std::unique_ptr<VideoEncoder> VideoEncoder::open(const VideoSettings& s, const AVFrame& first,
                                                 AVRational time_base, AVRational frame_rate,
                                                 bool global_header, QString* error)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(s.encoder);
    if (!codec) {
        fail(error, translated("编码器 %1 不可用").arg(QLatin1String(s.encoder)));
        return nullptr;
    }
    std::unique_ptr<VideoEncoder> enc(new VideoEncoder);
    enc->ctx_.reset(avcodec_alloc_context3(codec));
    AVCodecContext* c = enc->ctx_.get();
    if (!c) {
        fail(error, translated("内存不足"));
        return nullptr;
    }
    enc->scaling_mode_ = s.scaling_mode;
    const auto source_format = static_cast<AVPixelFormat>(first.format);
    c->pix_fmt = encoder_format(s, source_format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(c->pix_fmt);
    // Chroma-subsampled formats cannot take odd sizes: round them up to the next even size.
    const int width = s.width > 0 ? s.width : first.width;
    const int height = s.height > 0 ? s.height : first.height;
    c->width = desc->log2_chroma_w ? static_cast<int>(even_size(width)) : width;
    c->height = desc->log2_chroma_h ? static_cast<int>(even_size(height)) : height;
    c->time_base = time_base;
    c->framerate = frame_rate;
    c->sample_aspect_ratio = AVRational{1, 1};
    c->color_range = c->pix_fmt == AV_PIX_FMT_YUVJ420P ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    if (global_header)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (!is_rgb(source_format) && c->pix_fmt != AV_PIX_FMT_YUVJ420P) {
        c->colorspace = first.colorspace;
        c->color_primaries = first.color_primaries;
        c->color_trc = first.color_trc;
    }

    AVDictionary* opts = nullptr;
    switch (s.codec_id) {
    case AV_CODEC_ID_H264:
        // "faster" rather than the encoders' default "medium": measured at 5 Mbit/s on 1080p,
        // medium costs 1.22x the time for +0.0002 SSIM. The same holds for HEVC below.
        av_dict_set(&opts, "preset", "faster", 0);
        break;
    case AV_CODEC_ID_HEVC:
        av_dict_set(&opts, "preset", "faster", 0);
        av_dict_set(&opts, "x265-params", "log-level=error", 0);
        break;
    case AV_CODEC_ID_PRORES:
        av_dict_set_int(&opts, "profile", s.profile, 0);
        break;
    case AV_CODEC_ID_MJPEG:
        if (s.bit_rate <= 0) {
            // Without a bit rate, a fixed good quality instead of the library's low default rate.
            c->flags |= AV_CODEC_FLAG_QSCALE;
            c->global_quality = FF_QP2LAMBDA * 3;
        }
        break;
    default:
        break;
    }
    if (s.bit_rate > 0 && s.codec_id != AV_CODEC_ID_PRORES)
        c->bit_rate = s.bit_rate;
    c->thread_count = 0;

    const int rc = avcodec_open2(c, codec, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        fail(error, translated("无法以 %2×%3 打开 %1 编码器：%4")
                        .arg(QLatin1String(s.encoder))
                        .arg(c->width)
                        .arg(c->height)
                        .arg(error_text(rc)));
        return nullptr;
    }
    return enc;
}

namespace {

// Where a picture goes in the encoder's frame: the part of the source that is used and the
// part of the destination that it fills, by the scaling mode.
struct Placement {
    int src_x = 0, src_y = 0, src_w = 0, src_h = 0;
    int dst_x = 0, dst_y = 0, dst_w = 0, dst_h = 0;
};

// The span of `exact` samples centred in `whole`: its edges on even samples, within whole.
std::pair<int, int> centred(double exact, int whole)
{
    const int start = std::max(0, even_coordinate((whole - exact) / 2));
    const int end = std::min(whole, even_coordinate((whole + exact) / 2));
    if (end - start >= 2)
        return {start, end - start};
    // Less than two samples: the two in the middle.
    return {std::max(0, even_coordinate((whole - 2) / 2.0)), std::min(whole, 2)};
}

Placement place(int sw, int sh, int dw, int dh, const QString& mode)
{
    Placement p{0, 0, sw, sh, 0, 0, dw, dh};
    const double src_aspect = static_cast<double>(sw) / sh;
    const double dst_aspect = static_cast<double>(dw) / dh;
    if (mode == QLatin1String(AVVideoScalingModeResizeAspectFill)) {
        // Fill the frame and cut what stands out, evenly on both sides.
        if (src_aspect > dst_aspect)
            std::tie(p.src_x, p.src_w) = centred(sh * dst_aspect, sw);
        else
            std::tie(p.src_y, p.src_h) = centred(sw / dst_aspect, sh);
    } else if (mode == QLatin1String(AVVideoScalingModeResizeAspect)) {
        // Fit the whole picture in, with black bars.
        if (src_aspect > dst_aspect)
            std::tie(p.dst_y, p.dst_h) = centred(dw / src_aspect, dh);
        else
            std::tie(p.dst_x, p.dst_w) = centred(dh * src_aspect, dw);
    }
    return p;
}

// A view of a rectangle of the frame, sharing its pixels.
FramePtr crop_view(const AVFrame& frame, int x, int y, int w, int h)
{
    FramePtr view(av_frame_alloc());
    if (!view || av_frame_ref(view.get(), &frame) < 0)
        return nullptr;
    view->crop_left = x;
    view->crop_top = y;
    view->crop_right = frame.width - x - w;
    view->crop_bottom = frame.height - y - h;
    if (av_frame_apply_cropping(view.get(), AV_FRAME_CROP_UNALIGNED) < 0)
        return nullptr;
    return view;
}

// Paints the frame black around the picture's place. After the scale: swscale may write a few
// samples past the end of the picture's rows, into the bar on its right.
int paint_bars(AVFrame& frame, const Placement& p, AVPixelFormat format, AVColorRange range)
{
    const int right = p.dst_x + p.dst_w, bottom = p.dst_y + p.dst_h;
    const int bars[4][4] = {{0, 0, frame.width, p.dst_y},
                            {0, bottom, frame.width, frame.height - bottom},
                            {0, p.dst_y, p.dst_x, p.dst_h},
                            {right, p.dst_y, frame.width - right, p.dst_h}};
    for (const auto& [x, y, w, h] : bars) {
        if (w <= 0 || h <= 0)
            continue;
        const FramePtr bar = crop_view(frame, x, y, w, h);
        if (!bar)
            return AVERROR(ENOMEM);
        ptrdiff_t linesizes[4];
        for (int i = 0; i < 4; ++i)
            linesizes[i] = bar->linesize[i];
        if (const int rc = av_image_fill_black(bar->data, linesizes, format, range, w, h); rc < 0)
            return rc;
    }
    return 0;
}

}  // namespace

FramePtr VideoEncoder::convert(const AVFrame& picture, QString* error)
{
    AVCodecContext* c = ctx_.get();
    const Placement p = place(picture.width, picture.height, c->width, c->height, scaling_mode_);
    FramePtr out = converted_.take(c->width, c->height, c->pix_fmt);
    FramePtr src = crop_view(picture, p.src_x, p.src_y, p.src_w, p.src_h);
    int rc = out && src ? 0 : AVERROR(ENOMEM);
    const bool bars = p.dst_w != c->width || p.dst_h != c->height;
    FramePtr dst = rc >= 0 && bars ? crop_view(*out, p.dst_x, p.dst_y, p.dst_w, p.dst_h) : nullptr;
    if (rc >= 0 && bars && !dst)
        rc = AVERROR(ENOMEM);
    AVFrame* target = bars ? dst.get() : out.get();
    if (rc >= 0) {
        // A big source scaled down (4K to 1080p) is the slowest step on the writer's thread,
        // so the scaler slices it across threads.
        const ScalerKey key{src->width, src->height, src->format, target->width, target->height};
        if (!sws_ || key != sws_key_) {
            sws_ = make_scaler(src->width, src->height, static_cast<AVPixelFormat>(src->format), target->width,
                               target->height, c->pix_fmt);
            sws_key_ = key;
        }
        rc = sws_ ? sws_scale_frame(sws_.get(), target, src.get()) : AVERROR(EINVAL);
    }
    if (rc >= 0 && bars)
        rc = paint_bars(*out, p, c->pix_fmt, c->color_range);
    if (rc < 0) {
        fail(error, translated("无法为编码器转换 %1×%2 的 %3 画面：%4")
                        .arg(picture.width)
                        .arg(picture.height)
                        .arg(QLatin1String(av_get_pix_fmt_name(static_cast<AVPixelFormat>(picture.format))),
                             error_text(rc)));
        return nullptr;
    }
    return out;
}

bool VideoEncoder::encode(const AVFrame& picture, int64_t pts, int64_t duration,
                          const PacketSink& sink, QString* error)
{
    if (flushed_)
        return fail(error, translated("视频编码器已经清空"));
    if (picture.width <= 0 || picture.height <= 0 || !picture.data[0])
        return fail(error, translated("画面没有像素"));
    FramePtr frame;
    if (picture.width == ctx_->width && picture.height == ctx_->height &&
        picture.format == ctx_->pix_fmt) {
        frame.reset(av_frame_clone(&picture));
        if (!frame)
            return fail(error, translated("内存不足"));
    } else {
        frame = convert(picture, error);
        if (!frame)
            return false;
    }
    frame->pts = pts;
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    frame->sample_aspect_ratio = ctx_->sample_aspect_ratio;
    durations_[pts] = duration;
    const int rc = avcodec_send_frame(ctx_.get(), frame.get());
    if (rc < 0)
        return fail(error, translated("画面编码失败：%1").arg(error_text(rc)));
    return drain(sink, error);
}

bool VideoEncoder::flush(const PacketSink& sink, QString* error)
{
    if (flushed_)
        return true;
    flushed_ = true;
    return flush_encoder(ctx_.get(), sink, translated("视频"), error,
                         [this](AVPacket& pkt) { restore_duration(pkt); });
}

bool VideoEncoder::drain(const PacketSink& sink, QString* error)
{
    return receive_packets(ctx_.get(), sink, translated("画面编码失败"), error,
                           [this](AVPacket& pkt) { restore_duration(pkt); });
}

void VideoEncoder::restore_duration(AVPacket& pkt)
{
    const auto it = durations_.find(pkt.pts);
    if (it != durations_.end()) {
        pkt.duration = it->second;
        durations_.erase(it);
    }
}

}  // namespace media::wr
