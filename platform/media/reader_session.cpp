#include "reader_session.h"

#include "platform/foundation/threads.h"
#include "source_extent.h"
#include "texts.h"

#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <limits>
#include <string_view>

namespace media {

namespace {

// Packets, and bytes of them, that a channel may hold before the demuxer waits (when no
// other channel needs more); a waiting demuxer is woken once a channel is down to half of
// both. The bytes keep large pictures (4K, intra-frame codecs) from filling memory. The
// packets keep the channels close in time: while one channel waits for its next packet,
// the others fill up to their depth. A channel alone has no other to fill, so only the
// bytes bound it, and small packets (PCM, compressed audio) come in large batches, a
// wake-up for hundreds of packets instead of a few dozen.
constexpr size_t kChannelDepth = 48;
constexpr size_t kLoneChannelDepth = 2048;
constexpr size_t kChannelBytes = 2 << 20;

size_t depth(bool alone) { return alone ? kLoneChannelDepth : kChannelDepth; }
bool holds_enough(size_t packets, size_t bytes, bool alone)
{
    return packets >= depth(alone) || bytes >= kChannelBytes;
}
bool wants_refill(size_t packets, size_t bytes, bool alone)
{
    return packets <= depth(alone) / 2 && bytes <= kChannelBytes / 2;
}

int interrupt_callback(void* opaque)
{
    return static_cast<std::atomic<bool>*>(opaque)->load() ? 1 : 0;
}

}  // namespace

ReaderSession::ReaderSession(av::FormatPtr ctx, QString path) : ctx_(std::move(ctx)), path_(std::move(path))
{
    ctx_->interrupt_callback.callback = interrupt_callback;
    ctx_->interrupt_callback.opaque = &stop_;
    // Timestamps are shown from the file's start; a positive start (transport streams) is removed.
    start_offset_us_ = start_offset_us(ctx_.get());
    for (unsigned i = 0; i < ctx_->nb_streams; ++i)
        ctx_->streams[i]->discard = AVDISCARD_ALL;
}

ReaderSession::~ReaderSession() { shutdown(); }

int ReaderSession::add_channel(const std::vector<int>& stream_indices)
{
    std::lock_guard lock(mutex_);
    Channel& ch = channels_.emplace_back();
    for (int idx : stream_indices) {
        if (idx < 0 || idx >= static_cast<int>(ctx_->nb_streams))
            continue;
        ch.streams.push_back(idx);
        ch.stream_done.push_back(false);
        ctx_->streams[idx]->discard = AVDISCARD_DEFAULT;
    }
    return static_cast<int>(channels_.size()) - 1;
}

Time ReaderSession::media_time(int64_t ts, const AVStream* st) const
{
    if (ts == AV_NOPTS_VALUE)
        return Time::invalid();
    return av::to_time(ts - av_rescale_q(start_offset_us_, AV_TIME_BASE_Q, st->time_base), st->time_base);
}

int64_t ReaderSession::stream_ts(const Time& t, const AVStream* st) const
{
    const int64_t v = av::from_time(t, st->time_base);
    if (v == AV_NOPTS_VALUE || v == std::numeric_limits<int64_t>::max() ||
        v == std::numeric_limits<int64_t>::min())
        return v;
    return v + av_rescale_q(start_offset_us_, AV_TIME_BASE_Q, st->time_base);
}

void ReaderSession::start()
{
    status_ = AssetReader::Status::Reading;
    {
        std::lock_guard lock(mutex_);
        if (channels_.empty()) {
            status_ = AssetReader::Status::Completed;
            return;
        }
    }
    if (range_.start.is_numeric() && range_.start.value > 0) {
        const int64_t target = av::from_time(range_.start, AV_TIME_BASE_Q) + start_offset_us_;
        // A failed seek reads from the beginning; the outputs still trim to the range.
        if (av_seek_frame(ctx_.get(), -1, target, AVSEEK_FLAG_BACKWARD) < 0)
            av_seek_frame(ctx_.get(), -1, ctx_->start_time == AV_NOPTS_VALUE ? 0 : ctx_->start_time,
                          AVSEEK_FLAG_BACKWARD);
    }
    thread_ = std::thread([this] {
        foundation::name_this_thread("media-demux");
        run();
    });
}

bool ReaderSession::alone() const
{
    return std::count_if(channels_.begin(), channels_.end(), [](const Channel& ch) { return !ch.ended; }) <= 1;
}

bool ReaderSession::wants_more() const
{
    const bool lone = alone();
    for (const Channel& ch : channels_)
        if (!ch.ended && !holds_enough(ch.packets.size(), ch.bytes, lone))
            return true;
    return false;
}

bool ReaderSession::needs_refill() const
{
    const bool lone = alone();
    for (const Channel& ch : channels_)
        if (!ch.ended && wants_refill(ch.packets.size(), ch.bytes, lone))
            return true;
    return false;
}

void ReaderSession::wake_consumers()
{
    for (Channel& ch : channels_)
        ch.data_cv.notify_all();
}

void ReaderSession::run()
{
    av::PacketPtr pkt(av_packet_alloc());
    if (!pkt) {
        fail(translated("读取文件时内存不足。"), AVERROR(ENOMEM));
        return;
    }
    while (!stop_) {
        {
            std::unique_lock lock(mutex_);
            if (!wants_more()) {
                demuxer_waiting_ = true;
                space_cv_.wait(lock, [this] { return stop_ || needs_refill(); });
                demuxer_waiting_ = false;
            }
            if (stop_)
                return;
        }
        const int rc = av_read_frame(ctx_.get(), pkt.get());
        if (rc == AVERROR_EOF || (rc < 0 && ctx_->pb && avio_feof(ctx_->pb) && rc != AVERROR_EXIT)) {
            if (source_cut_short(ctx_.get(), path_, streams_read(), range_)) {
                fail(translated("文件“%1”在媒体数据结束之前就结束了：文件不完整。")
                         .arg(QFileInfo(path_).fileName()),
                     AVERROR_EOF);
                return;
            }
            end_all_channels();
            return;
        }
        if (rc < 0) {
            if (!stop_)
                fail(QStringLiteral("Reading \"%1\" failed: %2.")
                         .arg(QFileInfo(path_).fileName(), QString::fromStdString(av::error_text(rc))),
                     rc);
            return;
        }
        const bool more = route(pkt.get());
        av_packet_unref(pkt.get());
        if (!more)
            return;
    }
}

bool ReaderSession::route(AVPacket* pkt)
{
    const AVStream* st = ctx_->streams[pkt->stream_index];
    const int64_t end = stream_ts(range_.end(), st);
    // Decode order: once a packet's decoding time reaches the end, no later packet can
    // show anything before it.
    const int64_t ts = pkt->dts != AV_NOPTS_VALUE ? pkt->dts : pkt->pts;
    const bool past_end = range_.end().is_numeric() && ts != AV_NOPTS_VALUE && ts >= end;
    bool any_open = false;
    bool out_of_memory = false;
    {
        std::lock_guard lock(mutex_);
        for (Channel& ch : channels_) {
            if (ch.ended)
                continue;
            for (size_t i = 0; i < ch.streams.size(); ++i) {
                if (ch.streams[i] != pkt->stream_index || ch.stream_done[i])
                    continue;
                if (past_end) {
                    ch.stream_done[i] = true;
                } else if (AVPacket* copy = av_packet_clone(pkt)) {
                    ch.packets.emplace_back(copy);
                    ch.bytes += static_cast<size_t>(copy->size);
                } else {
                    // A packet that cannot be kept would be a silent gap in the output.
                    out_of_memory = true;
                }
            }
            ch.ended = std::all_of(ch.stream_done.begin(), ch.stream_done.end(), [](bool d) { return d; });
            any_open = any_open || !ch.ended;
            if (ch.consumer_waiting && (ch.ended || !ch.packets.empty()))
                ch.data_cv.notify_one();
        }
    }
    if (out_of_memory) {
        fail(translated("读取文件时内存不足。"), AVERROR(ENOMEM));
        return false;
    }
    return any_open;
}

void ReaderSession::end_all_channels()
{
    std::lock_guard lock(mutex_);
    for (Channel& ch : channels_)
        ch.ended = true;
    wake_consumers();
}

std::vector<int> ReaderSession::streams_read() const
{
    std::vector<int> streams;
    for (unsigned i = 0; i < ctx_->nb_streams; ++i)
        if (ctx_->streams[i]->discard != AVDISCARD_ALL)
            streams.push_back(int(i));
    return streams;
}

ReaderSession::Pop ReaderSession::pop(int channel, av::PacketPtr& packet)
{
    std::unique_lock lock(mutex_);
    if (channel < 0 || channel >= static_cast<int>(channels_.size()))
        return Pop::Stopped;
    Channel& ch = channels_[channel];
    const auto ready = [&] { return stop_ || ch.closed || !ch.packets.empty() || ch.ended; };
    if (!ready()) {
        ch.consumer_waiting = true;
        wait_blocking(lock, ch.data_cv, ready);
        ch.consumer_waiting = false;
    }
    if (stop_ || ch.closed)
        return Pop::Stopped;
    if (ch.packets.empty())
        return Pop::End;
    packet = std::move(ch.packets.front());
    ch.packets.pop_front();
    ch.bytes -= static_cast<size_t>(packet->size);
    if (demuxer_waiting_ && wants_refill(ch.packets.size(), ch.bytes, alone()))
        space_cv_.notify_one();
    return Pop::Packet;
}

void ReaderSession::close_channel(int channel)
{
    {
        std::lock_guard lock(mutex_);
        if (channel < 0 || channel >= static_cast<int>(channels_.size()))
            return;
        channels_[channel].closed = true;
        channels_[channel].ended = true;
        channels_[channel].packets.clear();
        channels_[channel].bytes = 0;
        channels_[channel].data_cv.notify_all();
    }
    space_cv_.notify_all();
}

void ReaderSession::output_finished()
{
    std::lock_guard lock(mutex_);
    if (++outputs_finished_ >= static_cast<int>(channels_.size())) {
        auto reading = AssetReader::Status::Reading;
        status_.compare_exchange_strong(reading, AssetReader::Status::Completed);
    }
}

void ReaderSession::fail(const QString& description, int code)
{
    {
        std::lock_guard lock(mutex_);
        auto current = status_.load();
        do {
            if (current != AssetReader::Status::Reading && current != AssetReader::Status::Unknown)
                return;
        } while (!status_.compare_exchange_weak(current, AssetReader::Status::Failed));
        error_ = Error{QStringLiteral("media.reader"), code, description};
        std::printf("Reader failed: %s\n", description.toUtf8().constData());
        std::fflush(stdout);
    }
    stop();
}

void ReaderSession::decoding_failed(const char* media, int code, const QString& what)
{
    fail(translated("解码“%2”的%1失败：%3。")
             .arg(std::string_view(media) == "video" ? translated("视频") : translated("音频"), QFileInfo(path_).fileName(),
                  what.isEmpty() ? QString::fromStdString(av::error_text(code)) : what),
         code);
}

void ReaderSession::cancel()
{
    auto reading = AssetReader::Status::Reading;
    if (status_.compare_exchange_strong(reading, AssetReader::Status::Cancelled))
        stop();
}

void ReaderSession::stop()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        for (Channel& ch : channels_) {
            ch.packets.clear();
            ch.bytes = 0;
        }
        wake_consumers();
    }
    space_cv_.notify_all();
}

void ReaderSession::join()
{
    std::lock_guard lock(join_mutex_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void ReaderSession::shutdown()
{
    stop();
    join();
}

void ReaderSession::release()
{
    shutdown();
    std::lock_guard lock(mutex_);
    for (Channel& ch : channels_) {
        ch.packets.clear();
        ch.bytes = 0;
    }
    ctx_.reset();
    released_ = true;
}

std::optional<Error> ReaderSession::error() const
{
    std::lock_guard lock(mutex_);
    return error_;
}

}  // namespace media
