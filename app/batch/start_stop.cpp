// Start and Stop of a batch, and the stop alert.
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressBar>
#include <unistd.h>

#include "app/batch/batch_worker_context.h"
#include "app/shell/alerts.h"
#include "app/shell/localized.h"
#include "app/table/items_model.h"
#include "engine/one_exporter.h"
#include "engine/stdout_log.h"

namespace {

// Outputs go only into a folder that is there and takes new files: without one they would
// land relative to the working directory, or every row would fail with an obscure error.
bool usable_output_folder(const std::optional<QUrl>& folder)
{
    if (!folder || !folder->isLocalFile())
        return false;
    const QString path = folder->toLocalFile();
    return QFileInfo(path).isDir() && ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}

}  // namespace

bool ViewController::batch_running() const
{
    return is_run || !group.wait_for(std::chrono::milliseconds(0));
}

void ViewController::start_run()
{
    refresh_setup();
    begin_batch();
}

void ViewController::run_stop_action(const QString&)
{
    // Every Start works with the settings as they are now.
    if (!batch_running())
        refresh_setup();
    begin_batch();
}

void ViewController::begin_batch()
{
    if (batch_running()) {
        logLine(QStringLiteral("在运行,del"));
        return;
    }
    if (!usable_output_folder(out_path_obj)) {
        alerts::show_critical(this, L("输出文件夹不可用"), out_path_obj ? out_path_obj->toLocalFile() : QString());
        return;
    }
    *is_cancelExport = false;
    check_request_review();
    group.async(queue, [context = BatchWorkerContext(*this)] { run_tasks_worker(context); });
    // Once the worker has ended, the table shows where every row stands.
    group.notify(dispatch::Queue::main(), [self = QPointer<ViewController>(this)] {
        if (self)
            self->items_model->reload();
    });
}

void ViewController::stop_run()
{
    if (!is_run) {
        // Between two rows no job runs, but the worker must still not take the next one.
        if (batch_running())
            *is_cancelExport = true;
        return;
    }
    *is_cancelExport = true;
    if (running_job_)
        running_job_->cancel_export();
    show_stop_alert();
}

void ViewController::show_stop_alert()
{
    if (cancelExport_NSAlert)
        return;
    QMessageBox* alert = alerts::show_information(this, L("正在停止"), L("请等待。。。"));
    cancelExport_NSAlert = alert;
    // Ended by the completion or by "OK": the row no longer counts as running; the worker
    // still waits for the completion before it ends, and until then Start is refused.
    connect(alert, &QMessageBox::finished, this, [this, alert] {
        if (cancelExport_NSAlert == alert)
            cancelExport_NSAlert = nullptr;
        is_run = false;
        wj_load->hide();
    });
}
