#include "picture_convert.h"

#include <algorithm>
#include <memory>
#include <thread>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace media {

namespace {

int sws_colourspace(const AVFrame* f)
{
    switch (raw_value(f->colorspace)) {
    case AVCOL_SPC_BT709: return SWS_CS_ITU709;
    case AVCOL_SPC_FCC: return SWS_CS_FCC;
    case AVCOL_SPC_SMPTE240M: return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL: case AVCOL_SPC_BT2020_CL: return SWS_CS_BT2020;
    case AVCOL_SPC_UNSPECIFIED:
        // Untagged HD material is nearly always BT.709.
        return f->height >= 720 ? SWS_CS_ITU709 : SWS_CS_ITU601;
    default: return SWS_CS_ITU601;
    }
}

bool is_rgb(AVPixelFormat fmt)
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(fmt);
    return d && (d->flags & AV_PIX_FMT_FLAG_RGB);
}

}  // namespace

bool is_full_range(const AVFrame* frame)
{
    switch (frame->format) {
    case AV_PIX_FMT_YUVJ420P: case AV_PIX_FMT_YUVJ422P: case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P: case AV_PIX_FMT_YUVJ411P:
        return true;
    default:
        return raw_value(frame->color_range) == AVCOL_RANGE_JPEG ||
               is_rgb(static_cast<AVPixelFormat>(frame->format));
    }
}

void copy_colour_tags(const AVFrame* from, AVFrame* to)
{
    const int space = raw_value(from->colorspace), primaries = raw_value(from->color_primaries),
              trc = raw_value(from->color_trc);
    to->colorspace = space >= 0 && space < AVCOL_SPC_NB ? static_cast<AVColorSpace>(space)
                                                        : AVCOL_SPC_UNSPECIFIED;
    const bool primaries_ok = primaries >= 0 && primaries < AVCOL_PRI_NB &&
                              av_color_primaries_name(static_cast<AVColorPrimaries>(primaries));
    to->color_primaries = primaries_ok ? static_cast<AVColorPrimaries>(primaries) : AVCOL_PRI_UNSPECIFIED;
    const bool trc_ok = trc >= 0 && trc < AVCOL_TRC_NB &&
                        av_color_transfer_name(static_cast<AVColorTransferCharacteristic>(trc));
    to->color_trc = trc_ok ? static_cast<AVColorTransferCharacteristic>(trc) : AVCOL_TRC_UNSPECIFIED;
}

void set_colour_details(SwsContext* sws, const AVFrame* src, bool dst_is_rgb)
{
    const int* coeffs = sws_getCoefficients(sws_colourspace(src));
    sws_setColorspaceDetails(sws, coeffs, is_full_range(src) ? 1 : 0, coeffs, dst_is_rgb ? 1 : 0,
                             0, 1 << 16, 1 << 16);
}

av::ScalerPtr make_scaler(int src_w, int src_h, AVPixelFormat src_format, int dst_w, int dst_h,
                          AVPixelFormat dst_format)
{
    av::ScalerPtr holder(sws_alloc_context());
    SwsContext* sws = holder.get();
    if (!sws)
        return nullptr;
    av_opt_set_int(sws, "srcw", src_w, 0);
    av_opt_set_int(sws, "srch", src_h, 0);
    av_opt_set_int(sws, "src_format", src_format, 0);
    av_opt_set_int(sws, "dstw", dst_w, 0);
    av_opt_set_int(sws, "dsth", dst_h, 0);
    av_opt_set_int(sws, "dst_format", dst_format, 0);
    av_opt_set_int(sws, "sws_flags", SWS_BICUBIC, 0);
    av_opt_set_int(sws, "threads", scaler_threads(), 0);
    if (sws_init_context(sws, nullptr, nullptr) < 0)
        return nullptr;
    return holder;
}

int scaler_threads()
{
#if defined(__SANITIZE_THREAD__)
    // The scaler's threads hand over rows through atomics that the thread sanitizer cannot
    // see; every later touch of those rows would look like a race.
    return 1;
#else
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
#endif
}

QImage frame_to_image(const AVFrame* frame, int width, int height)
{
    const auto fmt = static_cast<AVPixelFormat>(frame->format);
    std::unique_ptr<SwsContext, void (*)(SwsContext*)> sws(
        sws_getContext(frame->width, frame->height, fmt, width, height, AV_PIX_FMT_RGB32,
                       SWS_BICUBIC, nullptr, nullptr, nullptr),
        sws_freeContext);
    if (!sws)
        return {};
    set_colour_details(sws.get(), frame, true);
    // swscale writes whole vectors, past the end of a row and of the last row: scale into
    // a padded image and hand out the exact part.
    QImage padded((width + 31) & ~31, height + 2, QImage::Format_RGB32);
    if (padded.isNull())
        return {};
    uint8_t* dst[4] = {padded.bits(), nullptr, nullptr, nullptr};
    const int dst_stride[4] = {static_cast<int>(padded.bytesPerLine()), 0, 0, 0};
    if (sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, dst, dst_stride) <= 0)
        return {};
    return padded.copy(0, 0, width, height);
}

}  // namespace media
