#include "image_generator.h"

#include <QTransform>
#include <algorithm>
#include <cmath>

#include "libav.h"
#include "picture_convert.h"

namespace media {

namespace {

void set_error(Error* error, const QString& text)
{
    if (error)
        *error = Error{QStringLiteral("media.image"), -1, text};
}

// Decodes the frame shown at time t: the last one that starts at or before t, or the first
// one when t lies before every frame.
av::FramePtr decode_frame_at(AVFormatContext* ctx, AVStream* st, AVCodecContext* dec,
                             int64_t target, QString* error)
{
    av::PacketPtr pkt(av_packet_alloc());
    av::FramePtr frame(av_frame_alloc());
    av::FramePtr best;
    bool draining = false;
    const auto fail = [error](int rc) {
        *error = QStringLiteral("The picture could not be decoded: %1.")
                     .arg(QString::fromStdString(av::error_text(rc)));
        return av::FramePtr{};
    };
    if (!pkt || !frame)
        return fail(AVERROR(ENOMEM));
    while (true) {
        int rc = avcodec_receive_frame(dec, frame.get());
        if (rc >= 0) {
            const int64_t ts = frame->best_effort_timestamp;
            if (best && ts != AV_NOPTS_VALUE && ts > target)
                return best;
            best.reset(av_frame_clone(frame.get()));
            av_frame_unref(frame.get());
            if (ts == AV_NOPTS_VALUE || ts >= target)
                return best;
            continue;
        }
        if (rc == AVERROR_EOF)
            break;
        if (rc != AVERROR(EAGAIN))
            return fail(rc);
        if (draining)
            break;
        rc = av_read_frame(ctx, pkt.get());
        if (rc < 0) {
            draining = true;
            avcodec_send_packet(dec, nullptr);
            continue;
        }
        if (pkt->stream_index == st->index) {
            rc = avcodec_send_packet(dec, pkt.get());
            if (rc < 0 && rc != AVERROR(EAGAIN) && rc != AVERROR_INVALIDDATA) {
                av_packet_unref(pkt.get());
                return fail(rc);
            }
        }
        av_packet_unref(pkt.get());
    }
    if (!best)
        *error = QStringLiteral("The file holds no picture that can be decoded.");
    return best;
}

// The picture mapped by an arbitrary transform into the box it covers, bilinear, transparent
// outside. Done here rather than by QImage or QPainter: those hand large pictures to Qt's
// thread pool, which this worker thread does not need.
QImage resample(const QImage& src, const QTransform& q, const QRectF& box)
{
    QImage out(std::max(1, qRound(box.width())), std::max(1, qRound(box.height())), QImage::Format_ARGB32);
    if (out.isNull())
        return out;
    const QTransform back = (q * QTransform::fromTranslate(-box.x(), -box.y())).inverted();
    const int w = src.width(), h = src.height();
    auto at = [&](int x, int y) -> QRgb {
        return (x < 0 || y < 0 || x >= w || y >= h) ? 0u
                                                    : reinterpret_cast<const QRgb*>(src.constScanLine(y))[x];
    };
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QPointF p = back.map(QPointF(x + 0.5, y + 0.5)) - QPointF(0.5, 0.5);
            const int x0 = static_cast<int>(std::floor(p.x())), y0 = static_cast<int>(std::floor(p.y()));
            if (x0 < -1 || y0 < -1 || x0 >= w || y0 >= h) {
                row[x] = 0;
                continue;
            }
            const double fx = p.x() - x0, fy = p.y() - y0;
            const QRgb c[4] = {at(x0, y0), at(x0 + 1, y0), at(x0, y0 + 1), at(x0 + 1, y0 + 1)};
            const double wt[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
            double r = 0, g = 0, b = 0, a = 0;
            for (int i = 0; i < 4; ++i) {
                const double alpha = c[i] ? wt[i] : 0;  // taps outside the picture are empty
                r += qRed(c[i]) * alpha;
                g += qGreen(c[i]) * alpha;
                b += qBlue(c[i]) * alpha;
                a += alpha;
            }
            row[x] = a <= 0 ? 0u : qRgba(qRound(r / a), qRound(g / a), qRound(b / a), qRound(255 * a));
        }
    }
    return out;
}

}  // namespace

std::optional<QImage> ImageGenerator::copy_image_at_time(const Time& t, Error* error) const
{
    if (!asset_) {
        set_error(error, QStringLiteral("There is no asset."));
        return std::nullopt;
    }
    const auto video = asset_->tracks_with_media_type(AVMediaTypeVideo);
    if (video.empty()) {
        set_error(error, QStringLiteral("The file has no video track."));
        return std::nullopt;
    }
    const AssetTrack& track = *video.front();
    QString text;
    av::FormatPtr ctx = av::open_input(asset_->path(), &text);
    if (!ctx || track.stream_index >= static_cast<int>(ctx->nb_streams)) {
        set_error(error, text.isEmpty() ? QStringLiteral("The file changed since it was opened.") : text);
        return std::nullopt;
    }
    AVStream* st = ctx->streams[track.stream_index];
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        if (static_cast<int>(i) != st->index)
            ctx->streams[i]->discard = AVDISCARD_ALL;
    // One picture gains nothing from decoder threads; starting them costs more than the
    // decoding itself (a table row builds one thumbnail per file).
    av::CodecPtr dec = av::open_decoder(st, 1, &text, false);
    if (!dec) {
        set_error(error, text);
        return std::nullopt;
    }
    int64_t target = av::from_time(t.is_numeric() ? t : Time::zero(), st->time_base);
    if (st->start_time != AV_NOPTS_VALUE)
        target += st->start_time;
    if (t.is_numeric() && t.value > 0)
        av_seek_frame(ctx.get(), st->index, target, AVSEEK_FLAG_BACKWARD);
    av::FramePtr frame = decode_frame_at(ctx.get(), st, dec.get(), target, &text);
    if (!frame) {
        set_error(error, text);
        return std::nullopt;
    }

    const AffineTransform turn = applies_transform_ ? track.preferred_transform : AffineTransform{};
    // Non-square pixels: the picture is drawn at the width it is seen at.
    const int stored_width = st->codecpar->width;
    const double stretch =
        stored_width > 0 && track.natural_size.width > 0 ? track.natural_size.width / stored_width : 1;
    const double seen_width = frame->width * stretch;
    const Rect upright = turn.apply(Rect{{0, 0}, {seen_width, double(frame->height)}});
    // A crafted display matrix may ask for any size: pictures never exceed this one (smaller
    // for transforms other than quarter turns, which are sampled pixel by pixel).
    const bool quarter = std::abs(turn.a * turn.b) < 1e-9 && std::abs(turn.c * turn.d) < 1e-9;
    const double kLargest = quarter ? 8192 : 2048;
    double scale = 1;
    const double max_w = maximum_size_.width > 0 ? std::min(maximum_size_.width, kLargest) : kLargest;
    const double max_h = maximum_size_.height > 0 ? std::min(maximum_size_.height, kLargest) : kLargest;
    if (upright.size.width > 0)
        scale = std::min(scale, max_w / upright.size.width);
    if (upright.size.height > 0)
        scale = std::min(scale, max_h / upright.size.height);
    // Scale while converting (cheap for thumbnails), then turn the small picture.
    const int w = std::max(1, static_cast<int>(std::lround(seen_width * scale)));
    const int h = std::max(1, static_cast<int>(std::lround(frame->height * scale)));
    QImage image = frame_to_image(frame.get(), w, h);
    if (image.isNull()) {
        set_error(error, QStringLiteral("The picture could not be converted."));
        return std::nullopt;
    }
    if (!turn.is_identity()) {
        // The turn of the full-size frame, applied to the scaled one: undo the rounding of
        // the scaled size so that the result keeps the size computed above.
        const double fx = seen_width * scale / w, fy = frame->height * scale / h;
        const QTransform q(turn.a * fx, turn.b * fx, turn.c * fy, turn.d * fy, 0, 0);
        const QRectF box = q.mapRect(QRectF(0, 0, w, h));
        if (box.width() > kLargest + 2 || box.height() > kLargest + 2) {
            set_error(error, QStringLiteral("The picture's transform is not usable."));
            return std::nullopt;
        }
        image = quarter ? image.transformed(q, Qt::FastTransformation) : resample(image, q, box);
    }
    return image;
}

}  // namespace media
