#include "app/trials/trial_owner.h"

#include "app/batch/running_jobs.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"
#include "engine/stdout_log.h"
#include "platform/dispatch/queue.h"
#include "platform/foundation/files.h"

TrialOwner::TrialOwner(QObject* window, ProgressHandler on_progress, FinishedHandler on_finished)
    : DelegateBridge(window, std::move(on_progress), std::move(on_finished))
{
}

TrialOwner::~TrialOwner()
{
    if (job) {
        if (const auto url = job->out_url_obj.get())
            remove_trial_file(*url);
    }
}

void TrialOwner::start_after_answer(const std::shared_ptr<TrialOwner>& self, std::shared_ptr<OneExporter> row_job,
                                    std::shared_ptr<OneExporter> trial, const media::TimeRange& range,
                                    EngineChosen on_chosen)
{
    const std::weak_ptr<TrialOwner> weak = self;
    // Holds no owner: a closed window's owner goes, and with it the start.
    self->pending_start_ = [weak, row_job, trial = std::move(trial), range, on_chosen = std::move(on_chosen)] {
        const auto owner = weak.lock();
        if (!owner)
            return;
        const bool use_ffmpeg = trial_uses_ffmpeg(*row_job, *trial);
        if (on_chosen)
            on_chosen(use_ffmpeg);
        start(owner, trial, range, use_ffmpeg);
    };
    const auto start_pending = [weak] {
        if (const auto owner = weak.lock())
            owner->start_pending();
    };
    if (!row_job->on_compatibility_answer([start_pending] { dispatch::Queue::main().async(start_pending); })) {
        self->start_pending();
        return;
    }
    dispatch::Queue::main().after(OneExporter::kCompatibilityAnswerBound, start_pending);
}

void TrialOwner::start_pending()
{
    if (!pending_start_)
        return;
    const auto start_now = std::move(pending_start_);
    pending_start_ = nullptr;
    start_now();
}

void TrialOwner::start(const std::shared_ptr<TrialOwner>& self, std::shared_ptr<OneExporter> trial,
                       const media::TimeRange& range, bool use_ffmpeg)
{
    self->job = std::move(trial);
    OneExporter& job = *self->job;
    job.delegate = std::shared_ptr<vrkSleepDelegate>(self);
    job.is_preview_play = true;
    self->started_ = true;
    running_jobs::add(self->job);
    if (use_ffmpeg)
        job.start_ffmpeg_export(range);
    else
        job.start_export(range);
}

void TrialOwner::cancel()
{
    pending_start_ = nullptr;
    if (is_running())
        job->cancel_export();
}

void TrialOwner::export_finished(const QUrl& url)
{
    finished_ = true;
    if (job)
        job->delegate = nullptr;
    DelegateBridge::export_finished(url);
    // The owner's last reference of the job's side goes on the main thread, after the window
    // has seen the end: a closed window's owner removes its file there, before the list of
    // running jobs, which a quit waits on, lets go of the job.
    dispatch::Queue::main().async([self = shared_from_this()]() mutable {
        const OneExporter* ended = self->job.get();
        self.reset();
        running_jobs::remove(ended);
    });
}

bool trial_uses_ffmpeg(const OneExporter& row_job, OneExporter& trial)
{
    trial.let_is_run_ffmpeg = row_job.let_is_run_ffmpeg.get();
    const auto preset = trial.My_prest_obj.get();
    const bool use_ffmpeg = row_job.is_run_ffmpeg || (preset && preset->is_run_ffmpeg);
    trial.is_run_ffmpeg = use_ffmpeg;
    return use_ffmpeg;
}

void remove_trial_file(const QUrl& url)
{
    const QString path = url.toLocalFile();
    if (path.isEmpty() || !foundation::file_exists(path))
        return;
    if (foundation::remove_item(path))
        logLine(QStringLiteral("删除 ") + path);
    else
        logLine(QStringLiteral("creat false"));
}

media::TimeRange trial_range(const media::Time& source_duration, const media::Time& limit)
{
    return media::TimeRange::make(media::Time::zero(), source_duration > limit ? limit : source_duration);
}
