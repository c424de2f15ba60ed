#include "audio_encoder.h"
#include "texts.h"

#include <algorithm>
#include <cstdlib>

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace media::wr {

namespace {

// The supported rate closest to the wanted one (the wanted one when the codec takes any).
int closest_rate(const AVCodec* codec, int wanted)
{
    if (!codec->supported_samplerates)
        return wanted;
    int best = codec->supported_samplerates[0];
    for (const int* r = codec->supported_samplerates; *r; ++r)
        if (std::abs(*r - wanted) < std::abs(best - wanted))
            best = *r;
    return best;
}

}  // namespace

AudioEncoder::~AudioEncoder()
{
    av_channel_layout_uninit(&in_layout_);
}

std::unique_ptr<AudioEncoder> AudioEncoder::open(const AudioSettings& s, AVCodecID codec_id,
                                                 const AVFrame& first, bool global_header,
                                                 QString* error)
{
    const AVCodec* codec = avcodec_find_encoder(codec_id);
    if (!codec) {
        fail(error, translated("没有 %1 的编码器").arg(QLatin1String(avcodec_get_name(codec_id))));
        return nullptr;
    }
    if (first.ch_layout.nb_channels <= 0 || first.sample_rate <= 0) {
        fail(error, translated("音频缓冲没有声道布局或采样率"));
        return nullptr;
    }
    std::unique_ptr<AudioEncoder> enc(new AudioEncoder);
    enc->ctx_.reset(avcodec_alloc_context3(codec));
    AVCodecContext* c = enc->ctx_.get();
    if (!c) {
        fail(error, translated("内存不足"));
        return nullptr;
    }
    c->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLT;
    c->sample_rate = closest_rate(codec, s.sample_rate > 0 ? s.sample_rate : first.sample_rate);
    const int channels = s.channels > 0 ? s.channels : first.ch_layout.nb_channels;
    if (channels == first.ch_layout.nb_channels)
        av_channel_layout_copy(&c->ch_layout, &first.ch_layout);
    else
        av_channel_layout_default(&c->ch_layout, channels);
    c->time_base = AVRational{1, c->sample_rate};
    if (s.bit_rate > 0)
        c->bit_rate = s.bit_rate;
    if (global_header)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int rc = avcodec_open2(c, codec, nullptr);
    if (rc < 0) {
        fail(error, translated("无法打开 %1 编码器（%2 Hz，%3 声道）：%4")
                        .arg(QLatin1String(codec->name))
                        .arg(c->sample_rate)
                        .arg(channels)
                        .arg(error_text(rc)));
        return nullptr;
    }
    if (c->frame_size > 0 && !(codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE))
        enc->chunk_ = c->frame_size;
    enc->fifo_.reset(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, enc->chunk_ * 4));
    if (!enc->fifo_) {
        fail(error, translated("内存不足"));
        return nullptr;
    }
    return enc;
}

AVFrame* AudioEncoder::reusable_frame(FramePtr& held, int n, QString* error)
{
    AVCodecContext* c = ctx_.get();
    const auto format = c->sample_fmt;
    const int plane_bytes =
        n * av_get_bytes_per_sample(format) * (av_sample_fmt_is_planar(format) ? 1 : c->ch_layout.nb_channels);
    // Filled again in place when nobody else (the encoder) still holds its memory.
    if (held && av_frame_is_writable(held.get()) && held->linesize[0] >= plane_bytes) {
        held->nb_samples = n;
        return held.get();
    }
    held.reset(av_frame_alloc());
    int rc = held ? 0 : AVERROR(ENOMEM);
    if (rc >= 0) {
        held->format = format;
        held->nb_samples = std::max(n, chunk_);
        held->sample_rate = c->sample_rate;
        rc = av_channel_layout_copy(&held->ch_layout, &c->ch_layout);
    }
    if (rc >= 0)
        rc = av_frame_get_buffer(held.get(), 0);
    if (rc < 0) {
        held.reset();
        fail(error, translated("内存不足"));
        return nullptr;
    }
    held->nb_samples = n;
    return held.get();
}

bool AudioEncoder::follow_input(const AVFrame& pcm, QString* error)
{
    AVCodecContext* c = ctx_.get();
    if (swr_ && pcm.format == in_format_ && pcm.sample_rate == in_rate_ &&
        av_channel_layout_compare(&pcm.ch_layout, &in_layout_) == 0)
        return true;
    // A new input layout: finish the old conversion first so no audio is lost.
    if (swr_ && !resample(nullptr, error))
        return false;
    swr_.reset();
    av_channel_layout_uninit(&in_layout_);
    av_channel_layout_copy(&in_layout_, &pcm.ch_layout);
    in_format_ = pcm.format;
    in_rate_ = pcm.sample_rate;
    SwrContext* swr = nullptr;
    int rc = swr_alloc_set_opts2(&swr, &c->ch_layout, c->sample_fmt, c->sample_rate,
                                 const_cast<AVChannelLayout*>(&pcm.ch_layout),
                                 static_cast<AVSampleFormat>(pcm.format), pcm.sample_rate, 0, nullptr);
    swr_.reset(swr);
    if (rc >= 0)
        rc = swr_init(swr_.get());
    if (rc < 0) {
        swr_.reset();  // never used half set up
        return fail(error, translated("无法重采样音频：%1").arg(error_text(rc)));
    }
    return true;
}

bool AudioEncoder::resample(const AVFrame* pcm, QString* error)
{
    if (!swr_)
        return true;
    const int in_samples = pcm ? pcm->nb_samples : 0;
    const int capacity = swr_get_out_samples(swr_.get(), in_samples);
    if (capacity <= 0)
        return true;
    AVFrame* out = reusable_frame(converted_, capacity, error);
    if (!out)
        return false;
    int rc = swr_convert(swr_.get(), out->extended_data, capacity,
                         pcm ? const_cast<const uint8_t**>(pcm->extended_data) : nullptr, in_samples);
    if (rc >= 0 && av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(out->extended_data), rc) < rc)
        rc = AVERROR(ENOMEM);
    if (rc < 0)
        return fail(error, translated("音频重采样失败：%1").arg(error_text(rc)));
    return true;
}

bool AudioEncoder::encode_direct(const AVFrame& pcm, const PacketSink& sink, bool* done, QString* error)
{
    *done = false;
    // At the same rate the converter holds nothing back: one buffer in, one frame out.
    if (pcm.nb_samples != chunk_ || pcm.sample_rate != ctx_->sample_rate || av_audio_fifo_size(fifo_.get()) > 0 ||
        swr_get_delay(swr_.get(), pcm.sample_rate) > 0)
        return true;
    if (pcm.format == ctx_->sample_fmt && av_channel_layout_compare(&pcm.ch_layout, &ctx_->ch_layout) == 0) {
        // Already the encoder's format: the encoder takes the buffer itself, no copy.
        *done = true;
        if (!sent_ref_)
            sent_ref_.reset(av_frame_alloc());
        if (!sent_ref_ || av_frame_ref(sent_ref_.get(), &pcm) < 0)
            return fail(error, translated("内存不足"));
        const bool sent = send(sent_ref_.get(), chunk_, sink, error);
        av_frame_unref(sent_ref_.get());
        return sent;
    }
    AVFrame* frame = reusable_frame(chunk_frame_, chunk_, error);
    if (!frame)
        return false;
    const int rc = swr_convert(swr_.get(), frame->extended_data, chunk_,
                               const_cast<const uint8_t**>(pcm.extended_data), pcm.nb_samples);
    if (rc < 0)
        return fail(error, translated("音频重采样失败：%1").arg(error_text(rc)));
    if (rc < chunk_) {
        // Fewer than a frame after all: they wait in the queue for the next buffer.
        if (av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(frame->extended_data), rc) < rc)
            return fail(error, translated("内存不足"));
        *done = true;
        return true;
    }
    *done = true;
    return send(frame, chunk_, sink, error);
}

bool AudioEncoder::encode(const AVFrame& pcm, const PacketSink& sink, QString* error)
{
    if (flushed_)
        return fail(error, translated("音频编码器已经清空"));
    if (pcm.nb_samples <= 0)
        return true;
    if (pcm.ch_layout.nb_channels <= 0 || pcm.sample_rate <= 0)
        return fail(error, translated("音频缓冲没有声道布局或采样率"));
    if (!follow_input(pcm, error))
        return false;
    bool done = false;
    if (!encode_direct(pcm, sink, &done, error))
        return false;
    return done || (resample(&pcm, error) && encode_queued(false, sink, error));
}

bool AudioEncoder::send(AVFrame* frame, int samples, const PacketSink& sink, QString* error)
{
    frame->pts = next_pts_;
    next_pts_ += samples;
    const int rc = avcodec_send_frame(ctx_.get(), frame);
    if (rc < 0)
        return fail(error, translated("音频编码失败：%1").arg(error_text(rc)));
    return drain(sink, error);
}

bool AudioEncoder::encode_queued(bool at_end, const PacketSink& sink, QString* error)
{
    AVCodecContext* c = ctx_.get();
    const bool small_last = at_end && (c->codec->capabilities &
                                       (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE));
    for (;;) {
        const int queued = av_audio_fifo_size(fifo_.get());
        if (queued <= 0 || (queued < chunk_ && !at_end))
            return true;
        const int take = std::min(queued, chunk_);
        // A last short frame is padded with silence when the encoder needs whole frames.
        AVFrame* frame = reusable_frame(chunk_frame_, (take < chunk_ && !small_last) ? chunk_ : take, error);
        if (!frame)
            return false;
        if (frame->nb_samples > take)
            av_samples_set_silence(frame->extended_data, take, frame->nb_samples - take,
                                   c->ch_layout.nb_channels, c->sample_fmt);
        if (av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->extended_data), take) < take)
            return fail(error, translated("音频编码失败：%1").arg(error_text(AVERROR(EIO))));
        if (!send(frame, take, sink, error))
            return false;
    }
}

bool AudioEncoder::flush(const PacketSink& sink, QString* error)
{
    if (flushed_)
        return true;
    flushed_ = true;
    if (!resample(nullptr, error) || !encode_queued(true, sink, error))
        return false;
    return flush_encoder(ctx_.get(), sink, translated("音频"), error);
}

bool AudioEncoder::drain(const PacketSink& sink, QString* error)
{
    return receive_packets(ctx_.get(), sink, translated("音频编码失败"), error);
}

}  // namespace media::wr
