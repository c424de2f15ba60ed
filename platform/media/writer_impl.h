#pragma once

// The writer and its inputs, as the writing side of the media layer implements them.

#include <atomic>
#include <deque>
#include <mutex>
#include <utility>

#include "audio_encoder.h"
#include "output_file.h"
#include "output_settings.h"
#include "video_encoder.h"
#include "writer.h"
#include "writer_containers.h"

namespace media::wr {

class WriterImpl;

class InputImpl final : public AssetWriterInput, public std::enable_shared_from_this<InputImpl> {
public:
    InputImpl(MediaType media_type, std::optional<QVariantMap> settings);

    MediaType media_type() const override { return media_type_; }
    std::optional<QVariantMap> output_settings() const override { return settings_; }
    void set_expects_media_data_in_real_time(bool realtime) override { realtime_ = realtime; }
    bool is_ready_for_more_media_data() const override;
    void request_media_data_when_ready(const dispatch::Queue& queue, std::function<void()> block) override;
    bool append_sample_buffer(const SampleBuffer& sample) override;
    void mark_as_finished() override;

    // Used by the writer.
    void attach(const std::shared_ptr<WriterImpl>& writer, size_t index);
    bool is_attached() const;
    bool is_finished() const { return finished_; }
    // Finished without telling the writer (it is finishing itself).
    void set_finished();
    // Schedules the request block when the input is ready and not finished.
    void kick();
    // The writer of this input, when it is attached and still there.
    std::shared_ptr<WriterImpl> writer() const;

private:
    // The writer (when still there) and this input's place in it.
    std::pair<std::shared_ptr<WriterImpl>, size_t> target() const;
    void run_block();
    // A finished input asks no more: the block and what it holds are let go.
    void release_block();

    const MediaType media_type_;
    const std::optional<QVariantMap> settings_;
    std::atomic<bool> realtime_{false};
    std::atomic<bool> finished_{false};

    mutable std::mutex mu_;  // guards the fields below
    std::weak_ptr<WriterImpl> writer_;
    size_t index_ = 0;
    bool attached_ = false;
    std::optional<dispatch::Queue> queue_;
    std::function<void()> block_;
    bool block_pending_ = false;
};

class WriterImpl final : public AssetWriter, public std::enable_shared_from_this<WriterImpl> {
public:
    WriterImpl(QUrl url, FileType type, const Container* container);
    ~WriterImpl() override;

    QUrl output_url() const override { return url_; }
    FileType output_file_type() const override { return type_; }
    bool can_apply_output_settings(const std::optional<QVariantMap>& settings,
                                   const MediaType& media_type) const override;
    bool can_add_input(const AssetWriterInputRef& input) const override;
    void add_input(const AssetWriterInputRef& input) override;
    std::vector<AssetWriterInputRef> inputs() const override;
    void set_should_optimize_for_network_use(bool optimize) override;
    void set_metadata(const std::vector<MetadataItem>& items) override;
    bool start_writing() override;
    void start_session_at_source_time(const Time& t) override;
    void finish_writing(std::function<void()> completion) override;
    void cancel_writing() override;
    Status status() const override { return status_; }
    std::optional<Error> error() const override;
    bool created_output_file() const override { return created_file_; }

    // Used by the inputs.
    bool input_ready(size_t index) const;
    bool append(size_t index, const SampleBuffer& sample);
    void input_finished(size_t index);

private:
    enum class Kind { Video, Audio, Timecode };
    struct Track {
        std::shared_ptr<InputImpl> input;
        Kind kind = Kind::Video;
        VideoSettings video;
        AudioSettings audio;
        std::unique_ptr<VideoEncoder> video_encoder;
        std::unique_ptr<AudioEncoder> audio_encoder;
        bool started = false;    // has its first sample (and its encoder)
        bool flushed = false;    // gives no more packets
        AVRational time_base{0, 1};
        AVRational frame_rate{0, 1};
        int64_t last_pts = INT64_MIN;
        AVStream* stream = nullptr;
        std::deque<PacketPtr> packets;  // encoded, waiting to be interleaved
        double position = -1e300;       // media time reached (none yet: least); guarded by state_mu_
    };

    bool accepts(Kind kind, const std::optional<QVariantMap>& settings, QString* why) const;
    static std::optional<Kind> kind_of(const MediaType& media_type);

    // All of these run with work_mu_ held.
    bool append_video(Track& t, const SampleBuffer& sample, QString* error);
    bool append_audio(Track& t, const SampleBuffer& sample, QString* error);
    bool append_timecode(Track& t, const SampleBuffer& sample, QString* error);
    PacketSink sink_for(Track& t);
    bool flush_track(Track& t, QString* error);
    bool write_header_when_ready(QString* error);
    bool write_interleaved(bool to_the_end, QString* error);
    // Writes the rest and gives the file its name; the reason when that failed.
    std::optional<Error> finish_locked();
    // Closes the finished file and renames it to the output URL, never over another file.
    std::optional<Error> publish_locked();
    void fail_locked(const QString& description);
    void fail_locked(Error error);
    // Frees the muxer and encoders; removes the unfinished file when asked.
    void unpublish_locked();
    void teardown_locked(bool remove_file);
    void set_position(Track& t, double seconds);

    void kick_inputs();
    int64_t to_time_base(const Time& t, AVRational tb) const;

    const QUrl url_;
    const FileType type_;
    const Container* const container_;
    std::atomic<Status> status_{Status::Unknown};
    std::atomic<bool> created_file_{false};

    mutable std::mutex work_mu_;  // encoding and muxing; taken before state_mu_
    std::vector<Track> tracks_;
    std::unique_ptr<OutputFile> file_;  // the unfinished file, under its hidden name
    av::OutputFormatPtr format_;
    bool header_written_ = false;
    bool optimize_for_network_ = false;
    std::vector<MetadataItem> metadata_;
    Time session_start_ = Time::zero();
    std::optional<QString> timecode_;

    mutable std::mutex state_mu_;  // readiness positions, the input list and the error
    std::optional<Error> error_;
};

}  // namespace media::wr
