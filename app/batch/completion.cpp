// A started job's progress and completion on the main thread, and the failure alert.
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>

#include "app/shell/alerts.h"
#include "app/shell/localized.h"
#include "app/table/delegate_bridge.h"
#include "app/table/items_model.h"
#include "app/table/view_controller.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"
#include "engine/stdout_log.h"

namespace {

// The pipeline reports every frame; the running row and the label are refreshed at most this
// often, so that the main thread stays free. A completion is shown at once.
constexpr qint64 kProgressRefreshMs = 100;

}  // namespace

std::shared_ptr<vrkSleepDelegate> ViewController::make_job_delegate(const std::shared_ptr<OneExporter>& job)
{
    // The job holds its delegate, so the bridge holds the job only weakly.
    const std::weak_ptr<OneExporter> weak = job;
    return std::make_shared<DelegateBridge>(
        this, [this](float) { update_progress_on_main(); },
        [this, weak](const QUrl& url) { finish_task_on_main(weak.lock(), url); });
}

void ViewController::export_progress(float) { update_progress_on_main(); }

void ViewController::export_finished(const QUrl& url) { finish_task_on_main(nullptr, url); }

void ViewController::update_progress_on_main()
{
    if (progress_refresh_pending_)
        return;
    const qint64 since = progress_clock_.isValid() ? progress_clock_.elapsed() : kProgressRefreshMs;
    if (since >= kProgressRefreshMs) {
        refresh_running_row();
        return;
    }
    progress_refresh_pending_ = true;
    QTimer::singleShot(kProgressRefreshMs - since, this, [this] {
        progress_refresh_pending_ = false;
        refresh_running_row();
    });
}

void ViewController::refresh_running_row()
{
    progress_clock_.start();
    const int position = items_model->index_of(run_task_obj.get());
    items_model->reload_row(position);
    update_info_out_label(std::max(0, position), items().size());
}

void ViewController::finish_task_on_main(const std::shared_ptr<OneExporter>& job, const QUrl& url)
{
    logLine(QStringLiteral("完成时 ") + url.toString());
    // Only the completion of the job the worker waits on ends the running row; any other
    // (a job started elsewhere) just shows its row's new state.
    if (!job || job != running_job_) {
        items_model->reload();
        return;
    }
    running_job_.reset();
    if (QMessageBox* alert = cancelExport_NSAlert) {
        cancelExport_NSAlert = nullptr;
        alert->close();
    }
    items_model->reload();
    is_run = false;
    wj_load->hide();
    sema->signal();
    show_failed_alert();
}

void ViewController::show_failed_alert()
{
    QString failed;
    for (const std::shared_ptr<Run_task_obj>& row : items()) {
        if (!row->out_Ex)
            continue;
        const int status = row->out_Ex->status;
        // A row still waiting for its turn: the batch has not ended yet.
        if (status == 0)
            return;
        if (status == 4)
            failed += row->in_file_obj.toLocalFile() + QLatin1Char('\n');
    }
    if (failed.isEmpty())
        return;
    // One failure alert at a time: a newer list replaces the one shown.
    if (failed_alert_)
        failed_alert_->close();
    failed_alert_ = alerts::show_information(this, L("以下文件转换失败，请尝试用传统引擎,再转换一次"), failed);
}
