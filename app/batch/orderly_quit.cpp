// Quitting while work runs: the batch and the trial jobs are cancelled and their completions
// awaited on the event loop, so that their partial outputs are removed and no ffmpeg child is
// left; files being added are awaited. After 10 s the window goes regardless.
#include <QTimer>
#include <chrono>

#include "app/batch/running_jobs.h"
#include "app/table/view_controller.h"
#include "engine/one_exporter.h"
#include "engine/stdout_log.h"

namespace {

constexpr std::chrono::milliseconds kQuitPatience{10000};
constexpr std::chrono::milliseconds kQuitPoll{20};

}  // namespace

bool ViewController::ready_to_quit(const std::function<void()>& close_again)
{
    const auto idle = [this] {
        return !batch_running() && running_jobs::empty() && group_add_file.wait_for(std::chrono::milliseconds(0));
    };
    if (quit_ready_ || idle())
        return true;
    if (quitting_)
        return false;
    quitting_ = true;
    logLine(QStringLiteral("quit: stopping the running work"));
    *is_cancelExport = true;
    if (running_job_) {
        running_job_->cancel_export();
        show_stop_alert();
    }
    for (const std::shared_ptr<OneExporter>& job : running_jobs::all())
        job->cancel_export();

    const auto deadline = std::chrono::steady_clock::now() + kQuitPatience;
    auto* poll = new QTimer(this);
    poll->setInterval(kQuitPoll);
    connect(poll, &QTimer::timeout, this, [this, poll, idle, deadline, close_again] {
        const bool timed_out = std::chrono::steady_clock::now() >= deadline;
        if (!idle() && !timed_out)
            return;
        poll->deleteLater();
        if (timed_out) {
            logLine(QStringLiteral("quit: work still running after 10 s; quitting anyway"));
            // A worker still waiting for a completion that did not come ends now; that
            // completion, should it come later, no longer counts.
            if (running_job_) {
                running_job_.reset();
                is_run = false;
                sema->signal();
            }
        }
        quitting_ = false;
        quit_ready_ = true;
        close_again();
    });
    poll->start();
    return false;
}
