#pragma once

// The shared state of one reading: the demuxer, its thread, and one packet channel per
// attached output. Outputs pull packets from their channel; the demuxer thread keeps the
// channels filled, waiting only while every channel that still needs data holds enough.
// Both sides are woken in batches, not for every packet: the demuxer once a channel has
// drained to half its depth, a consumer only when it waits on an empty channel.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "error.h"
#include "libav.h"
#include "platform/dispatch/sync.h"
#include "reader.h"

namespace media {

// Waits on cv until ready(); a consumer on a pool thread lets the pool start another
// while it waits.
template <class Ready>
void wait_blocking(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, Ready ready)
{
    if (ready())
        return;
    lock.unlock();
    dispatch::BlockingScope blocking;
    lock.lock();
    cv.wait(lock, ready);
}

class ReaderSession {
public:
    ReaderSession(av::FormatPtr ctx, QString path);
    ~ReaderSession();
    ReaderSession(const ReaderSession&) = delete;
    ReaderSession& operator=(const ReaderSession&) = delete;

    AVFormatContext* format() const { return ctx_.get(); }
    const QString& path() const { return path_; }

    // Before start(): the range, and a channel for the given streams (its number).
    void set_range(const TimeRange& range) { range_ = range; }
    const TimeRange& range() const { return range_; }
    int add_channel(const std::vector<int>& stream_indices);

    // Seeks to the start of the range and starts the demuxer thread; status becomes Reading.
    void start();

    enum class Pop { Packet, End, Stopped };
    // Blocks until the channel has a packet, has ended, or the reading stopped.
    Pop pop(int channel, av::PacketPtr& packet);

    // Stream timestamps on the asset's timeline (the file's start at zero).
    Time media_time(int64_t ts, const AVStream* st) const;
    int64_t stream_ts(const Time& t, const AVStream* st) const;

    // The output of the channel went away: its packets are dropped and its waits end.
    void close_channel(int channel);
    // An output returned its last sample; the reading completes when all have.
    void output_finished();
    // Ends the reading (or a start that could not begin) as failed, the first failure
    // winning, or as cancelled.
    void fail(const QString& description, int code = -1);
    // A decoder of an output failed: the reading fails, naming the media ("video", "audio")
    // and what went wrong (the library's text for code when nothing is given).
    void decoding_failed(const char* media, int code, const QString& what = {});
    // A few damaged packets are concealed by a decoder; more mean a broken file.
    static constexpr int kToleratedDamage = 8;
    void cancel();
    // Waits for the demuxer thread to end; the reading has stopped or ended.
    void join();
    // Stops the demuxer without changing the status (the reader went away).
    void shutdown();
    // Stops the demuxer and frees it with the packets it read; the status stays.
    void release();
    bool released() const { return released_; }

    AssetReader::Status status() const { return status_.load(); }
    std::optional<Error> error() const;
    bool stopped() const { return stop_.load(); }

private:
    struct Channel {
        std::vector<int> streams;
        std::vector<bool> stream_done;  // per entry of streams: past the range's end
        std::deque<av::PacketPtr> packets;
        size_t bytes = 0;  // of the packets' data
        bool ended = false;
        bool closed = false;
        bool consumer_waiting = false;
        std::condition_variable data_cv;  // its consumer waits for packets
    };

    void run();
    bool route(AVPacket* pkt);  // false once every channel has ended
    bool alone() const;  // at most one channel still open
    bool wants_more() const;
    bool needs_refill() const;  // a channel has drained far enough to wake the demuxer
    void wake_consumers();
    void end_all_channels();
    std::vector<int> streams_read() const;
    void stop();

    av::FormatPtr ctx_;
    QString path_;
    TimeRange range_ = TimeRange::everything();
    int64_t start_offset_us_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable space_cv_;  // the demuxer waits for room
    bool demuxer_waiting_ = false;
    std::deque<Channel> channels_;  // a deque: channels never move
    int outputs_finished_ = 0;
    std::optional<Error> error_;
    std::atomic<AssetReader::Status> status_{AssetReader::Status::Unknown};
    std::atomic<bool> stop_{false};
    std::mutex join_mutex_;  // a join on cancel and the one on destruction
    std::thread thread_;
    std::atomic<bool> released_{false};
};

}  // namespace media
