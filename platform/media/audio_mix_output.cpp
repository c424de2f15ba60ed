#include <algorithm>
#include <deque>
#include <limits>

#include "output_port.h"
#include "reader.h"
#include "texts.h"

extern "C" {
#include <libavutil/buffer.h>
#include <libswresample/swresample.h>
}

namespace media {

namespace {

constexpr int kChunk = 1024;       // samples per delivered buffer
constexpr double kMaxGap = 0.2;    // seconds of missing audio filled with silence


// Converted samples, interleaved, that follow one another from position base (positions count
// output samples from the origin).
struct Stretch {
    int64_t base = 0;
    std::vector<float> samples;
};

// One source track: its decoder, its converter to the mix format, and its converted samples
// not yet delivered. A gap in the track lies between two stretches: it is silence, and takes
// no memory however long it is (a damaged file may jump hours ahead).
struct TrackMix {
    AssetTrackRef track;
    av::CodecPtr decoder;
    av::ResamplerPtr swr;
    int in_rate = 0, in_format = -1;
    AVChannelLayout in_layout{};
    std::deque<Stretch> stretches;
    int64_t next = -1;  // position after the last sample; -1 before the first
    bool ended = false;
    int bad_packets = 0;

    ~TrackMix() { av_channel_layout_uninit(&in_layout); }
};

class AudioMixOutputImpl final : public AssetReaderAudioMixOutput, public OutputPort {
public:
    explicit AudioMixOutputImpl(std::vector<AssetTrackRef> tracks)
    {
        for (auto& t : tracks)
            if (t && t->media_type == AVMediaTypeAudio)
                tracks_.push_back(std::move(t));
    }
    ~AudioMixOutputImpl() override
    {
        if (session_)
            session_->close_channel(channel_);
        av_channel_layout_uninit(&layout_);
    }

    MediaType media_type() const override { return AVMediaTypeAudio; }
    void set_audio_mix(const AudioMixRef& mix) override { mix_ = mix; }
    std::vector<AssetTrackRef> source_tracks() const override { return tracks_; }

    bool attach(const std::shared_ptr<ReaderSession>& session, int channel, QString* error) override
    {
        session_ = session;
        channel_ = channel;
        int channels = 1;
        for (const auto& t : tracks_) {
            AVStream* st = session->format()->streams[t->stream_index];
            auto mix = std::make_unique<TrackMix>();
            mix->track = t;
            mix->decoder = av::open_decoder(st, 1, error);
            if (!mix->decoder)
                return false;
            if (rate_ == 0)
                rate_ = st->codecpar->sample_rate > 0 ? st->codecpar->sample_rate : 44100;
            channels = std::max(channels, st->codecpar->ch_layout.nb_channels);
            mixes_.push_back(std::move(mix));
        }
        av_channel_layout_default(&layout_, std::min(channels, 8));
        const TimeRange range = session->range();
        origin_ = range.start.is_numeric() ? range.start : Time::zero();
        end_ = std::numeric_limits<int64_t>::max();
        if (range.end().is_numeric())
            end_ = position_of(range.end());
        auto fd = std::make_shared<FormatDescription>();
        fd->media_type = AVMediaTypeAudio;
        fd->media_subtype = kAudioFormatLinearPCM;
        fd->sample_rate = rate_;
        fd->channels = layout_.nb_channels;
        format_ = fd;
        return true;
    }

    void release() override
    {
        finished_ = true;
        passed_.clear();
        mixes_.clear();
        pool_.reset();
    }

    SampleBufferRef copy_next_sample_buffer() override
    {
        if (!session_ || finished_)
            return nullptr;
        while (true) {
            if (session_->stopped())
                return nullptr;
            if (!passed_.empty()) {
                SampleBufferRef sample = std::move(passed_.front());
                passed_.pop_front();
                return sample;
            }
            const int64_t n = ready_samples();
            if (n >= kChunk || (n > 0 && input_done_))
                return deliver(static_cast<int>(std::min<int64_t>(n, kChunk)));
            if (input_done_) {
                finished_ = true;
                session_->output_finished();
                return nullptr;
            }
            if (!pull())
                return nullptr;
        }
    }

private:
    int64_t position_of(const Time& t) const
    {
        const Time d = t - origin_;
        if (!d.is_numeric())
            return 0;
        return av_rescale_rnd(d.value, rate_, d.timescale, AV_ROUND_NEAR_INF);
    }

    // Samples that every unfinished track has delivered, up to the range's end.
    int64_t ready_samples() const
    {
        int64_t upto = end_;
        int64_t longest = emitted_;
        for (const auto& m : mixes_) {
            if (!m->ended)
                upto = std::min(upto, std::max<int64_t>(m->next, emitted_));
            longest = std::max(longest, m->next);
        }
        if (input_done_)
            upto = std::min(end_, longest);
        return std::max<int64_t>(0, upto - emitted_);
    }

    // A frame for n samples from the pool: chunks are recycled once the writer lets go of
    // them, instead of new memory for every chunk.
    av::FramePtr take_frame(int n)
    {
        const int ch = layout_.nb_channels;
        if (!pool_)
            pool_.reset(av_buffer_pool_init(kChunk * ch * int(sizeof(float)), nullptr));
        AVBufferRef* buf = pool_ ? av_buffer_pool_get(pool_.get()) : nullptr;
        av::FramePtr frame(buf ? av_frame_alloc() : nullptr);
        if (!frame) {
            av_buffer_unref(&buf);
            return nullptr;
        }
        frame->buf[0] = buf;
        frame->data[0] = buf->data;
        frame->linesize[0] = n * ch * int(sizeof(float));
        frame->format = AV_SAMPLE_FMT_FLT;
        frame->nb_samples = n;
        frame->sample_rate = rate_;
        av_channel_layout_copy(&frame->ch_layout, &layout_);
        return frame;
    }

    SampleBufferRef deliver(int n)
    {
        av::FramePtr frame = take_frame(n);
        if (!frame) {
            out_of_memory();
            return nullptr;
        }
        const int ch = layout_.nb_channels;
        auto* out = reinterpret_cast<float*>(frame->data[0]);
        bool filled = false;  // out holds a whole chunk already
        for (auto& m : mixes_) {
            // Unity gain: the tracks are summed as they are. A stretch that covers the whole
            // chunk first is copied, the usual case of one track.
            for (const Stretch& s : m->stretches) {
                const int64_t from = std::max(emitted_, s.base);
                const int64_t to = std::min<int64_t>(emitted_ + n, s.base + int64_t(s.samples.size()) / ch);
                if (from >= emitted_ + n)
                    break;
                if (!filled && from == emitted_ && to == emitted_ + n) {
                    std::copy_n(s.samples.data() + (from - s.base) * ch, n * ch, out);
                    filled = true;
                    continue;
                }
                if (!filled)
                    std::fill(out, out + n * ch, 0.0f);
                filled = true;
                for (int64_t p = from; p < to; ++p)
                    for (int c = 0; c < ch; ++c)
                        out[(p - emitted_) * ch + c] += s.samples[(p - s.base) * ch + c];
            }
            // Drop what has been delivered.
            while (!m->stretches.empty()) {
                Stretch& s = m->stretches.front();
                const int64_t used = std::clamp<int64_t>(emitted_ + n - s.base, 0, int64_t(s.samples.size()) / ch);
                s.samples.erase(s.samples.begin(), s.samples.begin() + used * ch);
                s.base += used;
                if (!s.samples.empty())
                    break;
                m->stretches.pop_front();
            }
        }
        if (!filled)
            std::fill(out, out + n * ch, 0.0f);
        return next_sample(std::move(frame));
    }

    // The buffer of the frame's samples, the next ones of the mix.
    SampleBufferRef next_sample(av::FramePtr frame)
    {
        const int n = frame->nb_samples;
        frame->pts = emitted_;
        auto sample = std::make_shared<SampleBuffer>();
        const int64_t origin_samples = -position_of(Time::zero());
        sample->presentation_time = Time::make(origin_samples + emitted_, rate_);
        sample->duration = Time::make(n, rate_);
        sample->format_description = format_;
        sample->set_audio(share_frame(frame.release()));
        sample->num_samples = n;
        emitted_ += n;
        return sample;
    }

    // A decoded frame that is the next stretch of the mix as it is: the only track, at the
    // mix's rate and channels, right after what was delivered (nothing waits, no gap, no
    // trimming). It is passed on in its own sample format, not copied: the encoder converts
    // it once, and a reader of interleaved float gets it converted on request.
    bool passes_through(const TrackMix& m, const AVFrame* f, const AVChannelLayout& layout, int64_t at) const
    {
        if (mixes_.size() != 1 || f->sample_rate != rate_ || av_channel_layout_compare(&layout, &layout_) != 0 ||
            !m.stretches.empty() || (m.swr && swr_get_delay(m.swr.get(), rate_) > 0) ||
            emitted_ + f->nb_samples > end_)
            return false;
        if (m.next < 0)
            return at == emitted_;
        return m.next == emitted_ && at <= m.next + static_cast<int64_t>(kMaxGap * rate_);
    }

    bool pass_through(TrackMix& m, AVFrame* f)
    {
        av::FramePtr frame(av_frame_alloc());
        if (!frame) {
            out_of_memory();
            return false;
        }
        av_frame_move_ref(frame.get(), f);
        av_channel_layout_uninit(&frame->ch_layout);
        av_channel_layout_copy(&frame->ch_layout, &layout_);
        m.next = emitted_ + frame->nb_samples;
        passed_.push_back(next_sample(std::move(frame)));
        return true;
    }

    void out_of_memory() { session_->fail(translated("混合音频时内存不足。"), AVERROR(ENOMEM)); }

    TrackMix* mix_for(int stream_index)
    {
        for (auto& m : mixes_)
            if (m->track->stream_index == stream_index)
                return m.get();
        return nullptr;
    }

    // Reads one packet into its track; false when the reading stopped or failed.
    bool pull()
    {
        av::PacketPtr pkt;
        const auto got = session_->pop(channel_, pkt);
        if (got == ReaderSession::Pop::Stopped)
            return false;
        if (got == ReaderSession::Pop::End) {
            for (auto& m : mixes_) {
                avcodec_send_packet(m->decoder.get(), nullptr);
                if (!receive(*m))
                    return false;
                flush_converter(*m);
                m->ended = true;
            }
            input_done_ = true;
            return true;
        }
        TrackMix* m = mix_for(pkt->stream_index);
        if (!m)
            return true;
        const int rc = avcodec_send_packet(m->decoder.get(), pkt.get());
        if (rc == AVERROR_INVALIDDATA && ++m->bad_packets <= ReaderSession::kToleratedDamage)
            return true;
        if (rc < 0 && rc != AVERROR(EAGAIN)) {
            session_->decoding_failed("audio", rc);
            return false;
        }
        return receive(*m);
    }

    bool receive(TrackMix& m)
    {
        av::FramePtr frame(av_frame_alloc());
        if (!frame) {
            out_of_memory();
            return false;
        }
        while (true) {
            const int rc = avcodec_receive_frame(m.decoder.get(), frame.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                return true;
            if (rc < 0) {
                session_->decoding_failed("audio", rc);
                return false;
            }
            const bool ok = convert(m, frame.get());
            av_frame_unref(frame.get());
            if (!ok)
                return false;
        }
    }

    // Readies the track's converter for the frame's rate, format and channels (in).
    bool follow_input(TrackMix& m, const AVFrame* f, const AVChannelLayout& in)
    {
        if (m.swr && f->sample_rate == m.in_rate && f->format == m.in_format &&
            av_channel_layout_compare(&in, &m.in_layout) == 0)
            return true;
        SwrContext* swr = nullptr;
        int rc = swr_alloc_set_opts2(&swr, &layout_, AV_SAMPLE_FMT_FLT, rate_, const_cast<AVChannelLayout*>(&in),
                                     static_cast<AVSampleFormat>(f->format), f->sample_rate, 0, nullptr);
        if (rc >= 0 && in.nb_channels == 1 && layout_.nb_channels > 1) {
            // A mono track plays at full level on the left and right.
            std::vector<double> matrix(layout_.nb_channels, 0.0);
            matrix[0] = matrix[1] = 1.0;
            rc = swr_set_matrix(swr, matrix.data(), 1);
        }
        if (rc >= 0)
            rc = swr_init(swr);
        m.swr.reset(swr);
        av_channel_layout_uninit(&m.in_layout);
        av_channel_layout_copy(&m.in_layout, &in);
        m.in_rate = f->sample_rate;
        m.in_format = f->format;
        if (rc < 0) {
            m.swr.reset();
            session_->decoding_failed("audio", rc, translated("其采样格式无法转换"));
            return false;
        }
        return true;
    }

    void append(TrackMix& m, int64_t at, const float* data, int count)
    {
        const int ch = layout_.nb_channels;
        if (m.next < 0) {
            m.next = std::max(at, emitted_);
        } else if (at > m.next + static_cast<int64_t>(kMaxGap * rate_)) {
            m.next = at;  // a gap in the track: the samples go on in a stretch of their own
            m.stretches.push_back({at, {}});
        } else {
            at = m.next;  // contiguous, whatever small jitter the timestamps have
        }
        if (m.stretches.empty())
            m.stretches.push_back({m.next, {}});
        // Samples before the origin (or already delivered) are dropped.
        Stretch& last = m.stretches.back();
        const int skip = static_cast<int>(std::clamp<int64_t>(m.next - at, 0, count));
        last.samples.insert(last.samples.end(), data + int64_t(skip) * ch, data + int64_t(count) * ch);
        m.next = std::max(at + count, last.base + int64_t(last.samples.size()) / ch);
    }

    // The frame's channel layout; the usual one for its channel count when it has none.
    static AVChannelLayout layout_of(const AVFrame* f)
    {
        AVChannelLayout layout{};
        if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || f->ch_layout.nb_channels == 0)
            av_channel_layout_default(&layout, std::max(1, f->ch_layout.nb_channels));
        else
            av_channel_layout_copy(&layout, &f->ch_layout);
        return layout;
    }

    bool convert(TrackMix& m, AVFrame* f)
    {
        const AVStream* st = session_->format()->streams[m.track->stream_index];
        const Time t = session_->media_time(f->best_effort_timestamp, st);
        const int64_t at = t.is_numeric() ? position_of(t) : std::max<int64_t>(m.next, 0);
        AVChannelLayout in = layout_of(f);
        const bool passes = passes_through(m, f, in, at);
        const bool ok = passes || follow_input(m, f, in);
        av_channel_layout_uninit(&in);
        if (!ok)
            return false;
        if (passes)
            return pass_through(m, f);
        const int n = run_converter(m, const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
        if (n < 0) {
            session_->decoding_failed("audio", n);
            return false;
        }
        if (n > 0)
            append(m, at, converted_.data(), n);
        return true;
    }

    void flush_converter(TrackMix& m)
    {
        if (!m.swr || m.next < 0)
            return;
        const int n = run_converter(m, nullptr, 0);
        if (n > 0)
            append(m, m.next, converted_.data(), n);
    }

    // Runs the track's converter on count input samples (in null: takes out what it holds
    // back) into converted_; the samples made, negative on failure.
    int run_converter(TrackMix& m, const uint8_t** in, int count)
    {
        const int capacity = swr_get_out_samples(m.swr.get(), count);
        if (!in && capacity <= 0)
            return 0;
        converted_.resize(static_cast<size_t>(std::max(capacity, 0)) * layout_.nb_channels);
        uint8_t* dst = reinterpret_cast<uint8_t*>(converted_.data());
        return swr_convert(m.swr.get(), &dst, capacity, in, count);
    }

    std::vector<AssetTrackRef> tracks_;
    std::vector<std::unique_ptr<TrackMix>> mixes_;
    AudioMixRef mix_;
    std::shared_ptr<ReaderSession> session_;
    int channel_ = -1;
    int rate_ = 0;
    AVChannelLayout layout_{};
    FormatDescriptionRef format_;
    Time origin_ = Time::zero();
    int64_t end_ = 0;
    int64_t emitted_ = 0;
    std::vector<float> converted_;  // the converter's latest output, memory kept between frames
    av::BufferPoolPtr pool_;  // memory of the delivered chunks
    std::deque<SampleBufferRef> passed_;  // decoded frames passed through, to be delivered
    bool input_done_ = false;
    bool finished_ = false;
};

}  // namespace

std::shared_ptr<AssetReaderAudioMixOutput> AssetReaderAudioMixOutput::create(
    const std::vector<AssetTrackRef>& tracks, const std::optional<QVariantMap>&)
{
    // Audio settings would only choose the PCM layout; the mix is always float, interleaved
    // (read through audio_frame()).
    auto output = std::make_shared<AudioMixOutputImpl>(tracks);
    return output->source_tracks().empty() ? nullptr : output;
}

}  // namespace media
