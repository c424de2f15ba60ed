#include "app/trials/trial_windows.h"

#include <QGuiApplication>
#include <QScreen>

#include "app/trials/calculate_file_size_view_controller.h"
#include "app/trials/video_avplayer_view_controller.h"
#include "engine/run_task_obj.h"

namespace {

void make_window(QWidget* window, const QString& title)
{
    window->setWindowFlag(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(title);
}

void centre_and_show(QWidget* window, QWidget* parent)
{
    window->adjustSize();
    const QRect area = parent ? parent->window()->frameGeometry()
                              : QGuiApplication::primaryScreen()->availableGeometry();
    window->move(area.center() - window->rect().center());
    window->show();
}

}  // namespace

Video_AVPlayer_ViewController* open_preview_window_for(QWidget* parent, std::shared_ptr<Run_task_obj> row,
                                                       std::shared_ptr<My_Prest> preset)
{
    auto* controller = new Video_AVPlayer_ViewController(parent ? parent->window() : nullptr);
    make_window(controller, row ? row->name : QString());
    controller->run_task_obj = std::move(row);
    controller->My_prest_obj = std::move(preset);
    controller->viewDidLoad();
    centre_and_show(controller, parent);
    return controller;
}

Calculate_file_size_NSViewController* open_estimate_window_for(QWidget* parent, std::shared_ptr<OneExporter> row_job,
                                                               const QString& title, std::shared_ptr<My_Prest> preset)
{
    auto* controller = new Calculate_file_size_NSViewController(parent ? parent->window() : nullptr);
    make_window(controller, title);
    controller->in_out_Ex_obj = std::move(row_job);
    controller->My_prest_obj = std::move(preset);
    controller->viewDidLoad();
    centre_and_show(controller, parent);
    return controller;
}
