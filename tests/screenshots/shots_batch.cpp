#include <QMessageBox>

#include "app/settings/setup_ns_view_controller.h"
#include "app/shell/main_window.h"
#include "app/table/items_model.h"
#include "app/table/view_controller.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"
#include "shots.h"
#include "support/support.h"

namespace {

// The alert the list pane shows; the window goes with it.
QWidget* alert_of(MainWindow* window)
{
    auto* box = window->findChild<QMessageBox*>();
    QObject::connect(box, &QObject::destroyed, window, &QObject::deleteLater);
    return box;
}

// Three rows of which two failed.
QWidget* failure_alert()
{
    auto* window = new MainWindow;
    ViewController* list = window->split()->list_pane();
    int status = 4;
    for (const char* file : {"h264_aac.mp4", "long.mp4", "双引号\"名字 ü.mp4"}) {
        auto row = std::make_shared<Run_task_obj>(QUrl::fromLocalFile(QString::fromStdString(testsupport::fixture(file))));
        row->out_Ex->status = status;
        status = status == 4 ? 3 : 4;
        list->items_model->append(row);
    }
    list->show_failed_alert();
    return alert_of(window);
}

// Stop while a row converts.
QWidget* stop_alert()
{
    auto* window = new MainWindow;
    ViewController* list = window->split()->list_pane();
    list->is_run = true;
    list->stop_run();
    list->is_run = false;
    return alert_of(window);
}

// Start with an output folder that has gone.
QWidget* folder_alert()
{
    auto* window = new MainWindow;
    window->split()->settings_column()->set_out_path_url(QUrl::fromLocalFile("/media/usb-disk/Converted"));
    window->split()->list_pane()->start_run();
    return alert_of(window);
}

const shots::Registrar failure("batch_failure_alert", failure_alert);
const shots::Registrar stop("batch_stop_alert", stop_alert);
const shots::Registrar folder("batch_folder_alert", folder_alert);

}  // namespace
