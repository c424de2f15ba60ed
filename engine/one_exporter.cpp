#include "one_exporter.h"

#include "engine/one_exporter_ffmpeg_run.h"
#include "engine/reader_writer_exporter.h"
#include "engine/run_failure_texts.h"
#include "engine/stdout_log.h"
#include "platform/ffkit/session.h"
#include "platform/foundation/files.h"
#include "platform/media/export_compatibility.h"

std::shared_ptr<OneExporter> OneExporter::create(media::AssetRef asset)
{
    std::shared_ptr<OneExporter> job(new OneExporter(std::move(asset)));
    // Done here rather than in the constructor: the probe is overridable and the
    // compatibility answer needs the job's shared ownership.
    if (const auto duration = job->probe_duration())
        job->raw_duration = *duration;
    job->check_compatibility();
    return job;
}

OneExporter::OneExporter(media::AssetRef asset) : raw_asset(std::move(asset)) {}

OneExporter::~OneExporter() = default;

void OneExporter::report_progress(float progress)
{
    if (const auto receiver = delegate.get())
        receiver->export_progress(progress);
}

void OneExporter::report_finished(const QUrl& url)
{
    if (const auto receiver = delegate.get())
        receiver->export_finished(url);
}

void OneExporter::check_compatibility()
{
    if (!raw_asset) {
        logLine(QStringLiteral("self.raw_asset为nil"));
        return;
    }
    mark_compatibility_pending();
    std::weak_ptr<OneExporter> weak = weak_from_this();
    media::determine_compatibility_of_export_preset(
        QString::fromLatin1(AVAssetExportPresetHighestQuality), raw_asset,
        QString::fromLatin1(AVFileTypeQuickTimeMovie), [weak](bool compatible) {
            if (const auto job = weak.lock())
                job->on_compatibility_result(compatible);
        });
}

void OneExporter::on_compatibility_result(bool compatible)
{
    bool use_ffmpeg = true;
    if (compatible) {
        logLine(QStringLiteral("支持"));
        use_ffmpeg = false;
        if (const auto override_choice = let_is_run_ffmpeg.get()) {
            logLine(QStringLiteral("有硬性指定转码引擎"));
            use_ffmpeg = *override_choice;
        }
    } else {
        logLine(QStringLiteral("不支持"));
    }
    // The answer alone decides, with the user's override: a preset that asks for ffmpeg
    // (audio-only) sends its own run there when that run starts, and the preset of an
    // earlier run, still stored here, must not keep the next run on ffmpeg.
    is_run_ffmpeg = use_ffmpeg;
    std::vector<std::function<void()>> waiters;
    {
        std::lock_guard guard(compatibility_lock_);
        compatibility_pending_ = false;
        waiters.swap(compatibility_waiters_);
    }
    compatibility_answered_.notify_all();
    for (const auto& then : waiters)
        then();
}

void OneExporter::mark_compatibility_pending()
{
    std::lock_guard guard(compatibility_lock_);
    compatibility_pending_ = true;
}

bool OneExporter::wait_for_compatibility(std::chrono::milliseconds bound)
{
    std::unique_lock guard(compatibility_lock_);
    return compatibility_answered_.wait_for(guard, bound, [this] { return !compatibility_pending_; });
}

bool OneExporter::on_compatibility_answer(std::function<void()> then)
{
    std::lock_guard guard(compatibility_lock_);
    if (!compatibility_pending_)
        return false;
    compatibility_waiters_.push_back(std::move(then));
    return true;
}

std::optional<QUrl> OneExporter::make_output_url()
{
    const auto preset = My_prest_obj.get();
    const QString extension = preset ? fileType_extension(preset->fileType) : QStringLiteral("mov");
    QUrl candidate = foundation::appending_path_extension(
        foundation::file_url(foundation::temporary_directory() + foundation::globally_unique_string()),
        extension);
    if (!is_preview_play) {
        if (const auto location = out_url_obj.get())
            candidate = foundation::appending_path_extension(*location, extension);
    }
    if (raw_asset && raw_asset->url().isLocalFile() && candidate.toLocalFile() == raw_asset->path()) {
        cancel_export();
        status = 4;
        logLine(QStringLiteral("文件一样"));
        error_info = std::optional<QString>(same_as_source_text());
        return std::nullopt;
    }
    return candidate;
}

void OneExporter::open_verdict()
{
    std::lock_guard guard(verdict_lock_);
    verdict_taken_ = false;
}

void OneExporter::take_verdict()
{
    std::lock_guard guard(verdict_lock_);
    verdict_taken_ = true;
}

void OneExporter::cancel_export()
{
    std::lock_guard verdict(verdict_lock_);
    // The run has ended, or its completion is on its way: its outcome stands.
    if (verdict_taken_)
        return;
    Engine engine = latest_engine_;
    if (engine == Engine::none)
        engine = is_run_ffmpeg ? Engine::ffmpeg : Engine::pipeline;
    if (engine == Engine::ffmpeg) {
        std::optional<int64_t> id = ff_sessionId.get();
        if (const auto run = ffmpeg_run_.get()) {
            std::lock_guard guard(run->lock);
            // The output is removed anyway: no waiting for ffmpeg to finish the file. When
            // ffmpeg has exited already, its completion is on its way with its own outcome.
            if (run->session_id && !ffkit::abort(*run->session_id))
                return;
            // A start that has not got its session yet cancels it as soon as it has.
            run->cancel_requested = true;
        } else if (id) {
            ffkit::abort(*id);
        }
    } else if (const auto pipeline = out_ReaderWriterExporter.get()) {
        if (!pipeline->cancelExport())
            return;
        if (!is_preview_play)
            status = 5;
    }
    out_progress = 0;
    report_progress(0);
}
