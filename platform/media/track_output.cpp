#include <cstdio>

#include "output_port.h"
#include "reader.h"

namespace media {

namespace {

// The stored samples of one track, unchanged, within the reader's time range.
class TrackOutput final : public AssetReaderTrackOutput, public OutputPort {
public:
    explicit TrackOutput(AssetTrackRef track) : track_(std::move(track)) {}

    MediaType media_type() const override { return track_->media_type; }
    std::vector<AssetTrackRef> source_tracks() const override { return {track_}; }

    bool attach(const std::shared_ptr<ReaderSession>& session, int channel, QString*) override
    {
        session_ = session;
        channel_ = channel;
        return true;
    }

    void release() override { done_ = true; }

    SampleBufferRef copy_next_sample_buffer() override
    {
        if (!session_ || done_)
            return nullptr;
        const AVStream* st = session_->format()->streams[track_->stream_index];
        const TimeRange range = session_->range();
        av::PacketPtr pkt;
        while (true) {
            const auto got = session_->pop(channel_, pkt);
            if (got == ReaderSession::Pop::Stopped)
                return nullptr;
            if (got == ReaderSession::Pop::End) {
                done_ = true;
                session_->output_finished();
                return nullptr;
            }
            const Time pts = session_->media_time(pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts, st);
            const Time duration = av::to_time(pkt->duration, st->time_base);
            // Keep samples that overlap the range (a timecode sample spans the whole track).
            if (pts.is_numeric()) {
                const Time sample_end = duration.is_numeric() && duration.value > 0 ? pts + duration : pts;
                if (pts >= range.end() || (sample_end <= range.start && !(pts == range.start)))
                    continue;
            }
            auto sample = std::make_shared<SampleBuffer>();
            sample->presentation_time = pts;
            sample->duration = duration;
            sample->format_description = track_->format_descriptions.empty()
                                             ? nullptr
                                             : track_->format_descriptions.front();
            sample->data_packet = share_packet(pkt.release());
            sample->num_samples = 1;
            return sample;
        }
    }

private:
    AssetTrackRef track_;
    std::shared_ptr<ReaderSession> session_;
    int channel_ = -1;
    bool done_ = false;
};

}  // namespace

std::shared_ptr<AssetReaderTrackOutput> AssetReaderTrackOutput::create(
    const AssetTrackRef& track, const std::optional<QVariantMap>& output_settings)
{
    if (!track)
        return nullptr;
    if (output_settings) {
        // Only stored samples are offered; decoding goes through the other outputs.
        std::printf("AssetReaderTrackOutput: output settings are not supported\n");
        return nullptr;
    }
    return std::make_shared<TrackOutput>(track);
}

}  // namespace media
