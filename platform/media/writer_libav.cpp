#include "writer_libav.h"
#include "texts.h"

namespace media::wr {

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

bool receive_packets(AVCodecContext* ctx, const PacketSink& sink, const QString& failure, QString* error,
                     const std::function<void(AVPacket&)>& adjust)
{
    for (;;) {
        PacketPtr pkt(av_packet_alloc());
        if (!pkt)
            return fail(error, translated("内存不足"));
        const int rc = avcodec_receive_packet(ctx, pkt.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return true;
        if (rc < 0)
            return fail(error, QStringLiteral("%1: %2").arg(failure, error_text(rc)));
        if (adjust)
            adjust(*pkt);
        if (!sink(std::move(pkt)))
            return false;
    }
}

bool flush_encoder(AVCodecContext* ctx, const PacketSink& sink, const QString& what, QString* error,
                   const std::function<void(AVPacket&)>& adjust)
{
    const int rc = avcodec_send_frame(ctx, nullptr);
    if (rc < 0 && rc != AVERROR_EOF)
        return fail(error, translated("清空%1编码器失败：%2").arg(what, error_text(rc)));
    return receive_packets(ctx, sink, translated("%1编码失败").arg(what), error, adjust);
}

}  // namespace media::wr
