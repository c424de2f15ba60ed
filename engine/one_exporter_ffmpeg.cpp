// The ffmpeg path of the conversion job: the argument string, the run and its callbacks.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "engine/ffmpeg_command.h"
#include "engine/ffmpeg_log_messages.h"
#include "engine/ffmpeg_refusals.h"
#include "engine/one_exporter.h"
#include "engine/one_exporter_ffmpeg_run.h"
#include "engine/progress_fraction.h"
#include "engine/run_failure_texts.h"
#include "engine/stdout_log.h"
#include "platform/ffkit/arguments.h"
#include "platform/ffkit/session.h"
#include "platform/foundation/files.h"
#include "platform/foundation/finished_file.h"
#include "platform/media/source_extent.h"

namespace {

QString errno_text(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// The reason of a failed run: the two latest messages at error level or worse, or the two
// latest of all when ffmpeg logged none.
QString failure_text(const FfmpegLogSlots& errors, const FfmpegLogSlots& all)
{
    return errors.empty() ? all.text() : errors.text();
}

// The reason of a run that ended in failure: the signal that ended ffmpeg, the video
// encoder's refusal of the frame size, else what ffmpeg logged last.
QString failure_reason(const std::optional<ffkit::ReturnCode>& code, const FfmpegVideoEncoderRefusal& refusal,
                       const FfmpegLogSlots& errors, const FfmpegLogSlots& all)
{
    if (code && code->signal())
        return ffmpeg_signal_text(*code->signal());
    if (const auto text = refusal.text())
        return *text;
    if (all.empty())
        return ffmpeg_return_code_text(code ? QString::number(code->value()) : QStringLiteral("nil"));
    return failure_text(errors, all);
}

// ffmpeg's log is read line by line and names the paths ffmpeg was given: it is given paths
// without line breaks for the source (the argument after "-i") and for the hidden output (the
// last argument). False when they cannot be made; `paths` then says why.
bool hand_plain_paths(ffkit::PlainPaths& paths, QStringList& argv, const QString& unfinished_path)
{
    const auto input = std::find(argv.begin(), argv.end(), QStringLiteral("-i"));
    if (input != argv.end() && input + 1 != argv.end()) {
        const auto plain = paths.input(input[1]);
        if (!plain)
            return false;
        input[1] = *plain;
    }
    const auto output = paths.output(unfinished_path);
    if (!output)
        return false;
    argv.last() = *output;
    return true;
}

}  // namespace

QString OneExporter::build_ffmpeg_command()
{
    const QString input = raw_asset ? raw_asset->path() : QString();
    const std::optional<QUrl> output = make_output_url();
    out_url_obj = output;
    if (!output)
        return {};
    const auto preset = My_prest_obj.get();
    return ffmpeg_command(input, output->toLocalFile(), preset.get(), raw_asset.get());
}

void OneExporter::start_ffmpeg_export(const media::TimeRange& range)
{
    // The run exists from the first moment, so that a cancel during the set-up reaches it.
    auto run = std::make_shared<FfmpegRun>();
    ffmpeg_run_ = run;
    latest_engine_ = Engine::ffmpeg;
    open_verdict();
    // A row never shows the reason of an earlier run.
    error_info = std::nullopt;
    QString arguments = build_ffmpeg_command();
    if (arguments.isEmpty()) {
        take_verdict();
        report_finished(QUrl());
        return;
    }
    const auto preset = My_prest_obj.get();
    if (const auto refusal = ffmpeg_refusal(preset.get(), raw_asset.get(), out_url_obj.get().value_or(QUrl()))) {
        fail_before_start(*refusal);
        return;
    }
    run->video_refusal.set_up(preset.get());
    if (is_preview_play) {
        arguments = with_sample_range(range, arguments);
        run->range = range;
    }

    // ffmpeg writes under a hidden name beside the output; the output path is the last argument.
    std::optional<QStringList> argv = ffkit::split_arguments(arguments);
    const std::optional<QUrl> output = out_url_obj.get();
    if (!argv || argv->isEmpty() || !output) {
        fail_before_start(unreadable_arguments_text());
        return;
    }
    run->output_path = output->toLocalFile();
    if (foundation::file_exists(run->output_path)) {
        fail_before_start(existing_output_text());
        return;
    }
    run->unfinished_path = foundation::unfinished_file_path(run->output_path);
    if (!hand_plain_paths(run->plain_paths, *argv, run->unfinished_path)) {
        run->plain_paths.remove();
        fail_before_start(run->plain_paths.error());
        return;
    }
    status = 2;

    // The callbacks hold the job, so that its one completion always arrives.
    const auto self = shared_from_this();
    const auto session = ffkit::execute_async(
        *argv,
        [self, run](const std::shared_ptr<ffkit::Session>& ended) { self->ffmpeg_complete(*run, ended); },
        [self, run](const ffkit::Log& log) { self->ffmpeg_log(*run, log); },
        [self, run](const ffkit::Statistics& statistics) {
            // After a cancel the row stays at the 0 that cancel_export reported.
            std::unique_lock guard(run->lock);
            if (run->cancel_requested)
                return;
            guard.unlock();
            self->ffmpeg_statistics(*run, &statistics);
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
        ffkit::abort(*id);
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

void OneExporter::fail_before_start(const QString& reason)
{
    take_verdict();
    status = 4;
    error_info = std::optional<QString>(reason);
    logLine(QStringLiteral("错误 ") + reason);
    report_finished(out_url_obj.get().value_or(QUrl()));
}

void OneExporter::ffmpeg_complete(FfmpegRun& run, const std::shared_ptr<ffkit::Session>& session)
{
    // From here on a cancel changes nothing: the return code is the run's outcome.
    take_verdict();
    // ffmpeg has ended; what follows works on the real paths.
    run.plain_paths.remove();
    const auto code = session ? session->return_code() : std::nullopt;
    bool success = ffkit::ReturnCode::is_success(code);
    const bool cancelled = !success && ffkit::ReturnCode::is_cancel(code);

    std::optional<QString> failure;
    if (!success && !cancelled)
        failure = failure_reason(code, run.video_refusal, run.error_slots, run.log_slots);
    // A source whose data ends early converts only in part, and ffmpeg ends with success all
    // the same: that is no finished file. Told from the files themselves, never from the log,
    // which repeats names and tags.
    if (success && !run.unfinished_path.isEmpty() && raw_asset) {
        if (const auto cut = media::conversion_cut_short(raw_asset->path(), run.unfinished_path, run.range)) {
            success = false;
            failure = cut->bytes_expected > 0 ? truncated_source_size_text(cut->bytes_there, cut->bytes_expected)
                                              : truncated_source_text(cut->converted, cut->expected);
        }
    }
    // The finished file takes its name, never over a file that appeared during the run.
    if (success && !run.unfinished_path.isEmpty()) {
        if (const int rename_error = foundation::rename_without_replacing(run.unfinished_path, run.output_path)) {
            success = false;
            failure = rename_error == EEXIST ? existing_output_text()
                                             : QStringLiteral("%1: %2").arg(run.output_path, errno_text(rename_error));
        }
    }
    // A failed or cancelled run leaves nothing behind; its hidden file is its own.
    if (!success && !run.unfinished_path.isEmpty())
        foundation::remove_item(run.unfinished_path);
    if (failure) {
        run.failed = true;
        error_info = failure;
        logLine(QStringLiteral("错误 ") + *failure);
    }

    // The last statistics fall short of the end (they give the last frame's start, or none
    // without a source duration): a finished file is the whole run.
    if (success) {
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
    // ffmpeg names the links it was given and the hidden file it writes; the user knows the
    // source and the output by their own names.
    QString message = run.plain_paths.real_paths_in(log.message);
    if (!run.unfinished_path.isEmpty())
        message.replace(run.unfinished_path, run.output_path);
    run.video_refusal.note(log);
    message = without_addresses(message);
    run.log_slots.store(message);
    if (log.is_error_or_worse())
        run.error_slots.store(message);
    // Messages that come after a failed completion still update its reason.
    if (run.failed && status == 4) {
        error_info = std::optional<QString>(failure_text(run.error_slots, run.log_slots));
        logLine(QStringLiteral("错误 ") + error_info.get().value_or(QString()));
    }
}

void OneExporter::on_ffmpeg_statistics(const ffkit::Statistics* statistics)
{
    ffmpeg_statistics(*current_ffmpeg_run(), statistics);
}

void OneExporter::ffmpeg_statistics(FfmpegRun& run, const ffkit::Statistics* statistics)
{
    if (!statistics) {
        logLine(QStringLiteral("没有time"));
        return;
    }
    // A source without a duration (a raw stream) gives no fraction until the run ends.
    const double duration = raw_duration.seconds();
    if (!(duration > 0) || !std::isfinite(duration))
        return;
    // ffmpeg reports times below zero at the start of some runs and past the duration at
    // the end; the fraction stays within 0 to 1 and never goes back.
    const float progress = readable_progress(double(statistics->time) / (duration * 1000), run.progress);
    run.progress = progress;
    out_progress = progress;
    report_progress(progress);
}
