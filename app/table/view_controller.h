#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <atomic>
#include <memory>
#include <optional>

#include "app/settings/view_controller_delegate.h"
#include "engine/my_image.h"
#include "engine/presets.h"
#include "platform/dispatch/queue.h"
#include "platform/dispatch/sync.h"

class QLabel;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QTableView;
class ItemsModel;
class Run_task_obj;
class Setup_NSViewController;
class Video_setup_ViewController;
class Audio_setup_ViewController;
class Setup_setup_ViewController;
class Only_Audio_setup_ViewController;

// The list pane: the file table and its rows, adding and deleting files, the batch runner and
// the row context menu. One class; its implementation is split by concern:
//   app/table/view_controller.cpp   load, the pane walk, the default preset, the label
//   app/table/...                   the cell, the row painting, adding and deleting files
//   app/batch/...                   settings read, Start, Stop, the worker, the failure alert
//   app/trials/...                  the context menu and its windows
// Everything here is main-thread only unless a comment says otherwise.
class ViewController : public QWidget, public ViewController_Delegate {
    Q_OBJECT
public:
    explicit ViewController(QWidget* parent = nullptr);
    ~ViewController() override;

    // ---- load and table (app/table/view_controller.cpp) ----
    // The load steps that need the window around the pane: the pane walk and the wiring.
    // The main window calls it once the splitter holds both columns.
    void viewDidLoad();
    // Finds the settings column and its panes among the splitter's children.
    void find_panes();
    static My_Prest default_prest();
    void update_info_out_label(int position, qsizetype count);
    const QList<std::shared_ptr<Run_task_obj>>& items() const;

    // ---- the batch runner (app/batch/) ----
    void start_run() override;
    void stop_run() override;

    // ---- fields ----
    QTableView* tableView = nullptr;
    ItemsModel* items_model = nullptr;
    // The output folder copied from the settings column (a path control that is never shown).
    std::optional<QUrl> out_path_obj;
    std::shared_ptr<Run_task_obj> run_task_obj;
    dispatch::Semaphore sema{0};
    dispatch::Group group;
    dispatch::Queue queue = dispatch::Queue::concurrent("request_queue");
    dispatch::Group group_add_file;
    dispatch::Queue queue_add_file = dispatch::Queue::concurrent("request_add_file_queue");
    My_Prest my_Prest;
    QPointer<Video_setup_ViewController> video_setup_vc;
    QPointer<Audio_setup_ViewController> audio_setup_vc;
    QPointer<Setup_setup_ViewController> setup_setup_vc;
    QPointer<Setup_NSViewController> setup_vc;
    QPointer<Only_Audio_setup_ViewController> only_audio_setup_vc;
    // Written on the main thread, read by the worker.
    std::atomic<bool> is_cancelExport{false};
    QPointer<QMessageBox> cancelExport_NSAlert;
    std::atomic<bool> is_run{false};
    std::atomic<bool> is_add_rawpath{false};
    QWidget* draggableview = nullptr;
    My_Image my_image;
    QProgressBar* wj_load = nullptr;
    QLabel* info_out_textfield = nullptr;
    QLabel* drag_imagebutton = nullptr;
};
