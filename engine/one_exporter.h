#pragma once

#include <QString>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "engine/guarded.h"
#include "engine/presets.h"
#include "platform/media/asset.h"
#include "platform/media/time.h"
#include "platform/media/writer.h"

class ReaderWriterExporter;
struct ExportResult;
namespace ffkit {
class Session;
struct Log;
struct Statistics;
}  // namespace ffkit

// Receiver of a job's progress and of one completion per start.
class vrkSleepDelegate {
public:
    virtual ~vrkSleepDelegate() = default;
    virtual void export_progress(float progress) = 0;
    virtual void export_unused() {}
    virtual void export_finished(const QUrl& url) = 0;
};

// The conversion job of one source file, through the pipeline or an ffmpeg command line.
class OneExporter : public std::enable_shared_from_this<OneExporter> {
public:
    // Builds the job: probes the duration and asks the compatibility question.
    static std::shared_ptr<OneExporter> create(media::AssetRef asset);
    virtual ~OneExporter();

    virtual void check_compatibility();
    // How long a start waits for a compatibility answer still to come before it chooses its
    // engine from what is known.
    static constexpr std::chrono::seconds kCompatibilityAnswerBound{10};
    // Waits, at most `bound`, for a compatibility answer that is still to come, so that a start
    // chooses its engine from the answer; false when the bound passed without one. Never call
    // it on the main thread.
    virtual bool wait_for_compatibility(std::chrono::milliseconds bound);
    // Keeps `then` to run, on the answering thread, once the pending compatibility answer has
    // come; false, keeping nothing, when no answer is pending. For the main thread, which
    // must not wait.
    bool on_compatibility_answer(std::function<void()> then);
    virtual std::optional<media::Time> probe_duration();
    static std::optional<QString> parse_ffprobe_duration(const std::optional<QString>& text);
    virtual std::optional<QUrl> make_output_url();
    virtual void start_export(const media::TimeRange& range);
    virtual void cancel_export();
    virtual void start_ffmpeg_export(const media::TimeRange& range);
    virtual QString build_ffmpeg_command();

    // Handlers given to the engines.
    void on_compatibility_result(bool compatible);
    void on_session_exporter_progress(float progress);
    void on_session_exporter_complete(const ExportResult& result);
    void on_ffmpeg_complete(const std::shared_ptr<ffkit::Session>& session);
    void on_ffmpeg_log(const ffkit::Log& log);
    void on_ffmpeg_statistics(const ffkit::Statistics* statistics);

    // Fields. Each single read and write of a Guarded or atomic field is atomic; the others
    // are fixed when the job is built (or set by its creator before the first start) and
    // only read afterwards.
    Guarded<std::shared_ptr<vrkSleepDelegate>> delegate;
    media::AssetRef raw_asset;                     // fixed after construction
    media::Time raw_duration = media::Time::make(0, 600);  // set once by create()
    int64_t customize_Export_width = 0;            // set before a start, read by it
    int64_t customize_Export_height = 0;           // set before a start, read by it
    media::VideoCodecType customize_Export_AVVideoCodecType = AVVideoCodecTypeH264;  // likewise
    Guarded<std::optional<media::TimeRange>> timeRange;
    std::atomic<float> out_progress{0};
    std::atomic<int> status{0};
    std::atomic<bool> is_preview_play{false};
    Guarded<std::shared_ptr<ReaderWriterExporter>> out_ReaderWriterExporter;
    std::vector<media::MetadataItem> metadata;     // set before a start, read by it
    Guarded<std::shared_ptr<My_Prest>> My_prest_obj;
    Guarded<std::optional<QUrl>> out_url_obj;
    std::atomic<bool> is_run_ffmpeg{false};
    Guarded<std::optional<bool>> let_is_run_ffmpeg;
    Guarded<std::optional<int64_t>> ff_sessionId;
    Guarded<std::optional<QString>> error_info;

protected:
    explicit OneExporter(media::AssetRef asset);
    // Notes that a compatibility answer is on its way; on_compatibility_result clears it.
    void mark_compatibility_pending();

private:
    struct FfmpegRun;
    enum class Engine { none, pipeline, ffmpeg };

    void report_progress(float progress);
    void report_finished(const QUrl& url);
    std::shared_ptr<FfmpegRun> current_ffmpeg_run();
    void ffmpeg_complete(FfmpegRun& run, const std::shared_ptr<ffkit::Session>& session);
    void ffmpeg_log(FfmpegRun& run, const ffkit::Log& log);
    void ffmpeg_statistics(FfmpegRun& run, const ffkit::Statistics* statistics);
    // Ends an ffmpeg start that cannot run: failed with the reason, one export_finished.
    void fail_before_start(const QString& reason);
    // A start opens its outcome; the one path that reports the run takes it, after which a
    // cancel changes nothing.
    void open_verdict();
    void take_verdict();

    // The engine of the latest start, which cancel_export acts on.
    std::atomic<Engine> latest_engine_{Engine::none};
    // Whether the latest start's outcome is taken. A cancel holds the lock until it has
    // reported, so that a completion on another thread never comes before the cancel's report.
    std::mutex verdict_lock_;
    bool verdict_taken_ = false;
    Guarded<std::shared_ptr<FfmpegRun>> ffmpeg_run_;
    // Whether the compatibility answer is still to come, guarded by compatibility_lock_.
    std::mutex compatibility_lock_;
    std::condition_variable compatibility_answered_;
    bool compatibility_pending_ = false;
    std::vector<std::function<void()>> compatibility_waiters_;
};
