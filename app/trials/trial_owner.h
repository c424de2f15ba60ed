#pragma once

#include <QUrl>
#include <atomic>
#include <functional>
#include <memory>

#include "app/table/delegate_bridge.h"
#include "platform/media/time.h"

class Run_task_obj;

// What a trial job (a preview's sample, a size estimate's trial) holds as its delegate.
// It owns the job, the preview's private copy row and the trial's temporary file. The job
// holds it until its completion and the window until it closes, so it goes away once both
// are done, always on the main thread; then it removes the temporary file. Its window is
// reached only on the main queue, through the bridge's guarded pointer. While the job runs it
// is listed among the running jobs, which the orderly quit cancels and waits for.
class TrialOwner : public DelegateBridge, public std::enable_shared_from_this<TrialOwner> {
public:
    TrialOwner(QObject* window, ProgressHandler on_progress, FinishedHandler on_finished);
    ~TrialOwner() override;

    using EngineChosen = std::function<void(bool use_ffmpeg)>;

    // Keeps the trial, a job of the row's source, makes it a trial with this owner as delegate
    // and starts it over the range, on the engine trial_uses_ffmpeg chooses from the row's job.
    // While the row's compatibility answer is still to come, the choice waits for it, at most
    // 10 s, then takes what is known: a source the pipeline cannot read goes to ffmpeg. The
    // main thread does not wait meanwhile; a window closed before starts nothing. on_chosen
    // hears of the engine right before the start. Main thread.
    static void start_after_answer(const std::shared_ptr<TrialOwner>& self, std::shared_ptr<OneExporter> row_job,
                                   std::shared_ptr<OneExporter> trial, const media::TimeRange& range,
                                   EngineChosen on_chosen = nullptr);
    // The window went away: stops the trial when it still runs, or keeps it from starting.
    // Main thread.
    void cancel();
    bool is_running() const { return started_ && !finished_; }

    // Clears the job's reference to this owner at once, on the job's thread; the window and
    // the list of running jobs hear of the end on the main queue.
    void export_finished(const QUrl& url) override;

    std::shared_ptr<Run_task_obj> copy_row;
    std::shared_ptr<OneExporter> job;

private:
    // The engine is chosen before: the trial's own compatibility answer may still come and
    // rewrite its flag at any moment.
    static void start(const std::shared_ptr<TrialOwner>& self, std::shared_ptr<OneExporter> trial,
                      const media::TimeRange& range, bool use_ffmpeg);
    // Runs the start that waits for the row's answer, once. Main thread.
    void start_pending();

    std::function<void()> pending_start_;  // main thread only
    std::atomic<bool> started_{false};
    std::atomic<bool> finished_{false};
};

// The engine of a trial of the row's job: the row's own engine, or ffmpeg when the trial's
// preset asks for it. Sets the trial's flag to it, and its override to the row's, so that its
// own compatibility answer keeps a choice made for the row.
bool trial_uses_ffmpeg(const OneExporter& row_job, OneExporter& trial);

// Deletes a trial's temporary file when there is one.
void remove_trial_file(const QUrl& url);

// The part of a source that a trial converts: from zero over the source's duration, cut to
// the limit only when the duration is greater than it.
media::TimeRange trial_range(const media::Time& source_duration, const media::Time& limit);
