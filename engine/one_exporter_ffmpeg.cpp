// The ffmpeg path of the conversion job: the argument string, the run and its callbacks.
#include <cmath>

#include "engine/ffmpeg_command.h"
#include "engine/one_exporter.h"
#include "engine/one_exporter_ffmpeg_run.h"
#include "engine/stdout_log.h"
#include "platform/ffkit/session.h"
#include "platform/foundation/files.h"

QString OneExporter::build_ffmpeg_command()
{
    const QString input = raw_asset ? raw_asset->path() : QString();
    const std::optional<QUrl> output = make_output_url();
    out_url_obj = output;
    if (!output)
        return {};
    const auto preset = My_prest_obj.get();
    return ffmpeg_command(input, output->toLocalFile(), preset.get());
}

void OneExporter::start_ffmpeg_export(const media::TimeRange& range)
{
    // The run exists from the first moment, so that a cancel during the set-up reaches it.
    auto run = std::make_shared<FfmpegRun>();
    ffmpeg_run_ = run;
    latest_engine_ = Engine::ffmpeg;
    // A row never shows the reason of an earlier run.
    error_info = std::nullopt;
    QString arguments = build_ffmpeg_command();
    if (arguments.isEmpty()) {
        report_finished(QUrl());
        return;
    }
    if (is_preview_play)
        arguments = with_sample_range(range, arguments);

    if (const auto output = out_url_obj.get()) {
        run->output_path = output->toLocalFile();
        run->output_existed_before = foundation::file_exists(run->output_path);
    }
    status = 2;

    // The callbacks hold the job, so that its one completion always arrives.
    const auto self = shared_from_this();
    const auto session = ffkit::execute_async(
        arguments,
        [self, run](const std::shared_ptr<ffkit::Session>& ended) { self->ffmpeg_complete(*run, ended); },
        [self, run](const ffkit::Log& log) { self->ffmpeg_log(*run, log); },
        [self, run](const ffkit::Statistics& statistics) {
            // After a cancel the row stays at the 0 that cancel_export reported.
            std::unique_lock guard(run->lock);
            if (run->cancel_requested)
                return;
            guard.unlock();
            self->on_ffmpeg_statistics(&statistics);
        });
    const std::optional<int64_t> id = session ? std::optional<int64_t>(session->id()) : std::nullopt;
    ff_sessionId = id;
    bool cancel_now = false;
    {
        std::lock_guard guard(run->lock);
        run->session_id = id;
        cancel_now = run->cancel_requested;
    }
    if (cancel_now && id)
        ffkit::cancel(*id);
    logLine(QStringLiteral("异步开始----- ") + (id ? QString::number(*id) : QStringLiteral("nil")));
}

std::shared_ptr<OneExporter::FfmpegRun> OneExporter::current_ffmpeg_run()
{
    auto run = ffmpeg_run_.get();
    if (!run) {
        run = std::make_shared<FfmpegRun>();
        ffmpeg_run_ = run;
    }
    return run;
}

void OneExporter::on_ffmpeg_complete(const std::shared_ptr<ffkit::Session>& session)
{
    ffmpeg_complete(*current_ffmpeg_run(), session);
}

void OneExporter::on_ffmpeg_log(const ffkit::Log& log) { ffmpeg_log(*current_ffmpeg_run(), log); }

void OneExporter::ffmpeg_complete(FfmpegRun& run, const std::shared_ptr<ffkit::Session>& session)
{
    const auto code = session ? session->return_code() : std::nullopt;
    const bool success = ffkit::ReturnCode::is_success(code);
    const bool cancelled = !success && ffkit::ReturnCode::is_cancel(code);

    if (!success && !cancelled) {
        run.failed = true;
        error_info = std::optional<QString>(
            run.log_slots.empty()
                ? QStringLiteral("ffmpeg 返回码 %1").arg(code ? QString::number(code->value()) : QStringLiteral("nil"))
                : run.log_slots.text());
        logLine(QStringLiteral("错误 ") + error_info.get().value_or(QString()));
    }
    // A failed or cancelled run leaves nothing that looks finished, and nothing that would
    // block a retry; a file that was there before the run is not its to remove.
    if (!success && !run.output_path.isEmpty() && !run.output_existed_before && !run.output_refused &&
        foundation::file_exists(run.output_path))
        foundation::remove_item(run.output_path);

    // Without a source duration no fraction was reported during the run; the end is 1.
    if (success && !(raw_duration.seconds() > 0)) {
        out_progress = 1;
        report_progress(1);
    }
    status = success ? 3 : cancelled ? 5 : 4;

    if (const auto receiver = delegate.get())
        receiver->export_finished(out_url_obj.get().value_or(QUrl()));
    else
        logLine(QStringLiteral("self.delegate为空"));
}

void OneExporter::ffmpeg_log(FfmpegRun& run, const ffkit::Log& log)
{
    if (log.message.isEmpty())
        return;
    run.log_slots.store(log.message);
    if (log.message.contains(QStringLiteral("already exists. Exiting")))
        run.output_refused = true;
    // Messages that come after a failed completion still update its reason.
    if (run.failed && status == 4) {
        error_info = std::optional<QString>(run.log_slots.text());
        logLine(QStringLiteral("错误 ") + error_info.get().value_or(QString()));
    }
}

void OneExporter::on_ffmpeg_statistics(const ffkit::Statistics* statistics)
{
    if (!statistics) {
        logLine(QStringLiteral("没有time"));
        return;
    }
    // A source without a duration (a raw stream) gives no fraction until the run ends.
    const double duration = raw_duration.seconds();
    if (!(duration > 0) || !std::isfinite(duration))
        return;
    const float progress = float(double(statistics->time) / (duration * 1000));
    out_progress = progress;
    report_progress(progress);
}
