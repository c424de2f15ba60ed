#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/foundation/threads.h"
#include "frame_renderer.h"
#include "output_port.h"
#include "reader.h"
#include "texts.h"

namespace media {

namespace {

// Rendered frames waiting for the consumer: one is enough to keep decoding and encoding
// apart, and every frame more is a whole picture held in memory.
constexpr size_t kReadAhead = 1;

// Upright at the track's own size, one frame per frame of the track.
VideoCompositionRef default_composition(const AssetTrack& track)
{
    auto comp = std::make_shared<VideoComposition>();
    comp->frame_duration = track.min_frame_duration;
    const AffineTransform& t = track.preferred_transform;
    const Rect box = t.apply(Rect{{0, 0}, track.natural_size});
    // A turn never makes the picture much larger; a crafted matrix that does would make
    // every frame a huge canvas, so the stored size is used instead.
    const double limit = 2 * (track.natural_size.width + track.natural_size.height);
    comp->render_size = box.size.width <= limit && box.size.height <= limit ? box.size : track.natural_size;
    auto layer = VideoCompositionLayerInstruction::for_track(track);
    layer->set_transform(t, Time::zero());
    auto instruction = std::make_shared<VideoCompositionInstruction>();
    instruction->time_range = TimeRange::everything();
    instruction->layer_instructions.push_back(layer);
    comp->instructions.push_back(instruction);
    return comp;
}

class VideoCompositionOutputImpl final : public AssetReaderVideoCompositionOutput, public OutputPort {
public:
    explicit VideoCompositionOutputImpl(std::vector<AssetTrackRef> tracks) : tracks_(std::move(tracks)) {}

    ~VideoCompositionOutputImpl() override
    {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        cv_.notify_all();
        if (session_)
            session_->close_channel(channel_);
        join();
    }

    MediaType media_type() const override { return AVMediaTypeVideo; }

    void set_video_composition(const VideoCompositionRef& composition) override
    {
        std::lock_guard lock(mutex_);
        if (!session_)
            composition_ = composition;
    }
    VideoCompositionRef video_composition() const override
    {
        std::lock_guard lock(mutex_);
        return composition_;
    }

    std::vector<AssetTrackRef> source_tracks() const override
    {
        const AssetTrackRef t = chosen_track();
        return t ? std::vector<AssetTrackRef>{t} : std::vector<AssetTrackRef>{};
    }

    bool attach(const std::shared_ptr<ReaderSession>& session, int channel, QString* error) override
    {
        track_ = chosen_track();
        AVStream* st = session->format()->streams[track_->stream_index];
        decoder_ = av::open_decoder(st, 0, error);
        std::lock_guard lock(mutex_);
        session_ = session;
        channel_ = channel;
        if (!decoder_)
            return false;
        if (!composition_)
            composition_ = default_composition(*track_);
        layer_ = find_layer(*composition_);
        // Transforms work on the picture as seen; decoded frames hold its stored pixels.
        const int stored_width = st->codecpar->width;
        stretch_ = stored_width > 0 && track_->natural_size.width > 0 ? track_->natural_size.width / stored_width : 1;
        const Size size = composition_->render_size;
        const bool finite = std::isfinite(size.width) && std::isfinite(size.height) && size.width >= 1 &&
                            size.height >= 1 && size.width <= 16384 && size.height <= 16384;
        // A size no picture can have (from a crafted file or a broken composition): the
        // stored picture's size, within bounds.
        const Size fallback{std::clamp(track_->natural_size.width, 2.0, 16384.0),
                            std::clamp(track_->natural_size.height, 2.0, 16384.0)};
        const Size render_size = finite ? size : fallback;
        const int width = static_cast<int>(std::lround(render_size.width));
        const int height = static_cast<int>(std::lround(render_size.height));
        renderer_ = std::make_unique<FrameRenderer>(width, height);
        auto fd = std::make_shared<FormatDescription>();
        fd->media_type = AVMediaTypeVideo;
        fd->media_subtype = fourcc("y420");
        fd->width = width;
        fd->height = height;
        format_ = fd;
        return true;
    }

    void begin() override
    {
        worker_ = std::thread([this] {
            foundation::name_this_thread("media-decode");
            decode_loop();
        });
    }

    void wake() override
    {
        // Taking the lock orders the wake after the stop that the waits look for.
        std::lock_guard lock(mutex_);
        cv_.notify_all();
    }

    void join() override
    {
        std::lock_guard lock(join_mutex_);
        if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id())
            worker_.join();
    }

    void release() override
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
        queue_.clear();
        renderer_.reset();
        decoder_.reset();
    }

    SampleBufferRef copy_next_sample_buffer() override
    {
        std::unique_lock lock(mutex_);
        if (!session_ || finished_)
            return nullptr;
        const auto ready = [this] { return !queue_.empty() || worker_done_ || session_->stopped(); };
        wait_blocking(lock, cv_, ready);
        if (session_->stopped() && session_->status() != AssetReader::Status::Completed)
            return nullptr;
        if (queue_.empty()) {
            if (!finished_ && session_->status() == AssetReader::Status::Reading) {
                finished_ = true;
                lock.unlock();
                session_->output_finished();
            }
            return nullptr;
        }
        SampleBufferRef s = std::move(queue_.front());
        queue_.pop_front();
        cv_.notify_all();
        return s;
    }

private:
    AssetTrackRef chosen_track() const
    {
        // The track of the composition's first layer, else the first video track given.
        std::lock_guard lock(mutex_);
        if (composition_)
            for (const auto& instruction : composition_->instructions)
                for (const auto& layer : instruction->layer_instructions)
                    for (const auto& t : tracks_)
                        if (t && layer && t->track_id == layer->track_id)
                            return t;
        for (const auto& t : tracks_)
            if (t && t->media_type == AVMediaTypeVideo)
                return t;
        return nullptr;
    }

    std::shared_ptr<VideoCompositionLayerInstruction> find_layer(const VideoComposition& comp) const
    {
        for (const auto& instruction : comp.instructions)
            for (const auto& layer : instruction->layer_instructions)
                if (layer && layer->track_id == track_->track_id)
                    return layer;
        return nullptr;
    }

    // Waits for room in the queue; false when the output is going away. A frame is drawn
    // only once there is room for it, so no finished canvas waits outside the queue.
    bool wait_for_room()
    {
        std::unique_lock lock(mutex_);
        const auto room = [this] { return queue_.size() < kReadAhead || quit_ || session_->stopped(); };
        // A cancel wakes this wait; a failure of the session does not signal this output's
        // condition: look again now and then, so that the decoder thread ends with its run
        // and not only when the output is destroyed.
        while (!cv_.wait_for(lock, std::chrono::milliseconds(50), room)) {
        }
        return !quit_ && !session_->stopped();
    }

    // Only this output's worker adds to the queue: the room it waited for is still there.
    bool push(SampleBufferRef sample)
    {
        std::lock_guard lock(mutex_);
        if (quit_ || session_->stopped())
            return false;
        queue_.push_back(std::move(sample));
        cv_.notify_all();
        return true;
    }

    // Renders one decoded frame when it lies in the range and on the frame grid.
    bool deliver(AVFrame* frame)
    {
        const AVStream* st = session_->format()->streams[track_->stream_index];
        const Time pts = session_->media_time(frame->best_effort_timestamp, st);
        const TimeRange range = session_->range();
        if (pts.is_numeric() && (pts < range.start || pts >= range.end()))
            return true;
        const Time frame_duration = composition_->frame_duration;
        // A source faster than the composition's rate gives up the frames in between.
        if (last_pts_.is_numeric() && pts.is_numeric() && frame_duration.is_numeric() &&
            frame_duration.value > 0 && (pts - last_pts_).seconds() < 0.75 * frame_duration.seconds())
            return true;
        const Time at = pts.is_numeric() ? pts : (last_pts_.is_numeric() ? last_pts_ + frame_duration : Time::zero());
        AffineTransform t = layer_ ? layer_->transform_at(at) : AffineTransform{};
        if (stretch_ != 1)
            t = t.scaled(stretch_, 1);
        if (!wait_for_room())
            return false;
        QString error;
        PixelBufferRef picture = renderer_->render(frame, t, &error);
        if (!picture) {
            session_->decoding_failed("video", AVERROR(ENOMEM), error);
            return false;
        }
        auto sample = std::make_shared<SampleBuffer>();
        sample->presentation_time = at;
        const Time own = av::to_time(frame->pkt_duration, st->time_base);
        sample->duration = frame_duration.is_numeric() ? frame_duration : own;
        sample->format_description = format_;
        sample->image_buffer = std::move(picture);
        sample->num_samples = 1;
        last_pts_ = at;
        return push(std::move(sample));
    }

    // Receives every frame the decoder has; false when the reading must stop.
    bool drain()
    {
        av::FramePtr frame(av_frame_alloc());
        if (!frame) {
            session_->decoding_failed("video", AVERROR(ENOMEM));
            return false;
        }
        while (true) {
            const int rc = avcodec_receive_frame(decoder_.get(), frame.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
                return true;
            if (rc < 0) {
                session_->decoding_failed("video", rc);
                return false;
            }
            const bool ok = deliver(frame.get());
            av_frame_unref(frame.get());
            if (!ok)
                return false;
        }
    }

    void decode_loop()
    {
        av::PacketPtr pkt;
        bool ok = true;
        while (ok) {
            const auto got = session_->pop(channel_, pkt);
            if (got == ReaderSession::Pop::Stopped) {
                ok = false;
                break;
            }
            if (got == ReaderSession::Pop::End)
                break;
            int rc = avcodec_send_packet(decoder_.get(), pkt.get());
            if (rc == AVERROR(EAGAIN)) {
                ok = drain();
                rc = ok ? avcodec_send_packet(decoder_.get(), pkt.get()) : 0;
            }
            if (rc < 0 && rc != AVERROR_INVALIDDATA) {
                session_->decoding_failed("video", rc);
                ok = false;
            } else if (rc == AVERROR_INVALIDDATA && ++bad_packets_ > ReaderSession::kToleratedDamage) {
                session_->decoding_failed("video", rc, translated("数据已损坏"));
                ok = false;
            }
            ok = ok && drain();
        }
        if (ok) {
            avcodec_send_packet(decoder_.get(), nullptr);
            drain();
        }
        std::lock_guard lock(mutex_);
        worker_done_ = true;
        cv_.notify_all();
    }

    std::vector<AssetTrackRef> tracks_;
    AssetTrackRef track_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    VideoCompositionRef composition_;
    std::shared_ptr<VideoCompositionLayerInstruction> layer_;
    double stretch_ = 1;  // display width over stored width
    FormatDescriptionRef format_;
    std::unique_ptr<FrameRenderer> renderer_;
    std::shared_ptr<ReaderSession> session_;
    int channel_ = -1;
    av::CodecPtr decoder_;
    std::deque<SampleBufferRef> queue_;
    Time last_pts_ = Time::invalid();
    int bad_packets_ = 0;
    bool worker_done_ = false;
    bool finished_ = false;
    bool quit_ = false;
    std::mutex join_mutex_;  // a join on cancel and the one on destruction
    std::thread worker_;
};

}  // namespace

std::shared_ptr<AssetReaderVideoCompositionOutput> AssetReaderVideoCompositionOutput::create(
    const std::vector<AssetTrackRef>& tracks, const std::optional<QVariantMap>&)
{
    // Decoding settings only choose the decoded format, which is fixed here (YUV 4:2:0).
    return std::make_shared<VideoCompositionOutputImpl>(tracks);
}

}  // namespace media
