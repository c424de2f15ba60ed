#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <atomic>
#include <memory>
#include <optional>
#include <utility>

#include "app/settings/view_controller_delegate.h"
#include "app/table/draggable_view.h"
#include "engine/my_image.h"
#include "engine/presets.h"
#include "platform/dispatch/queue.h"
#include "platform/dispatch/sync.h"

class QLabel;
class QMessageBox;
class QMimeData;
class QProgressBar;
class QPushButton;
class QTableView;
class DelegateBridge;
class ItemsModel;
class OpenFilePanel;
class Run_task_obj;
struct AddFilesWork;
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
class ViewController : public QWidget, public ViewController_Delegate, public Dadodi_DestinationViewDelegate {
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

    // ---- table / adding files (app/table/) ----
    // The status text of a row's job and its icon (none for an unknown status).
    std::pair<QString, std::optional<QImage>> get_state_text_icon(int status, const Run_task_obj& row) const;
    // The add button: the open dialog, then add_file_urls.
    void add_cl();
    // The chosen files and folders, in the dialog's order; none when cancelled.
    std::optional<QList<QUrl>> open_file_panel();
    void drag_files_in(const QMimeData* pasteboard) override;
    // Expands folders, classifies, starts building the accepted rows, reports the refused.
    void add_file_urls(const QList<QUrl>& urls);
    // Every file below the folder, depth first, in the file system's order.
    static QStringList get_all_file_paths(const QString& folder);
    static QString get_mime_type(const QString& path);
    static bool is_supported_file(const QUrl& url);
    void start_add_files(const QList<QUrl>& urls);
    // Runs on queue_add_file: builds the rows and hands them to the main queue in order.
    static void add_files_worker(const AddFilesWork& work);
    void show_import_failed_alert(const QList<QUrl>& refused);
    // The delete button and key: removes the selected rows.
    void del_cl();
    // The open dialog; tests put their own in.
    std::unique_ptr<OpenFilePanel> open_panel;
    // What every row's job holds as its delegate: a bridge to export_progress/export_finished.
    std::shared_ptr<DelegateBridge> sleep_delegate;
    QPushButton* add_button = nullptr;
    QPushButton* del_button = nullptr;

    // ---- the batch runner (app/batch/) ----
    void start_run() override;
    void stop_run() override;
    // A job's progress and completion, on the main thread (through sleep_delegate).
    void export_progress(float progress);
    void export_finished(const QUrl& url);

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
    DraggableView* draggableview = nullptr;
    My_Image my_image;
    QProgressBar* wj_load = nullptr;
    QLabel* info_out_textfield = nullptr;
    QLabel* drag_imagebutton = nullptr;
};
