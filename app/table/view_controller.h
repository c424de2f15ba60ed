#pragma once

#include <QElapsedTimer>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <atomic>
#include <functional>
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
class QMenu;
class QMessageBox;
class QMimeData;
class QProgressBar;
class QPushButton;
class QTableView;
class AddOrder;
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
class OneExporter;
class vrkSleepDelegate;
struct BatchWorkerContext;

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
    // Every file below the folder, depth first, each folder's entries in the order a file
    // manager lists them: by name in the user's locale, numbers as numbers, any case.
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
    // Settings read: finds the panes again, copies the output folder, the preset and the flag.
    void refresh_setup();
    void update_out_path();
    void update_my_Prest();
    // The preset the panes give now, without keeping it; none when no pane gives one.
    std::optional<My_Prest> panes_prest();
    // The list pane's own Start; reads the settings itself. Ignores its sender.
    void run_stop_action(const QString& sender);
    void start_run() override;
    void stop_run() override;
    // The preset of one row: my_Prest, or the given preset, with the keep-source-size
    // sentinel resolved.
    My_Prest get_task_prest(const Run_task_obj& row) const;
    static My_Prest get_task_prest(const My_Prest& preset, const Run_task_obj& row);
    // A job's progress and completion when the job is not known (main thread).
    void export_progress(float progress);
    void export_finished(const QUrl& url);
    void update_progress_on_main();
    void finish_task_on_main(const std::shared_ptr<OneExporter>& job, const QUrl& url);
    void show_failed_alert();
    void check_request_review();
    // A batch runs: a row converts or the worker of an earlier Start still walks its rows.
    bool batch_running() const;
    // The orderly quit. True when nothing runs any more and the window may go; otherwise it
    // stops the batch, the trial jobs and waits for the adding of files (at most 10 s, stop
    // alert shown), then calls close_again, whose next call here returns true.
    bool ready_to_quit(const std::function<void()>& close_again);
    // The worker and one row, on request_queue; they reach the pane only through the context.
    static void run_tasks_worker(const BatchWorkerContext& context);
    static void run_one_task(const BatchWorkerContext& context, const std::shared_ptr<Run_task_obj>& row);

    // ---- the row context menu (app/trials/) ----
    // The menu comes on a right-click on a row (which leaves the selection alone), and on the
    // menu key or Shift+F10 for the current row. Set up once by the constructor.
    void install_row_menu();
    // Builds the menu for the row at this point of the table's viewport, makes it the table's
    // menu and shows it; outside every row nothing happens.
    void rightMouseDown(const QPoint& viewport_position);
    // The same for the current row, from the keyboard.
    void show_menu_for_current_row();
    // The row the table's menu acts on; -1 when there is none or it has been deleted since.
    int clickedRow() const;
    void tableViewShowSrtItemClicked();
    void tableViewShowXmlItemClicked();
    void tableView_preview_play_ItemClicked();
    void tableView_calculate_file_size_ItemClicked();
    void tableView_calculate_reset_state_runffmpeg_ItemClicked();
    void tableView_reset_state_ItemClicked();
    void preview_play(const std::shared_ptr<Run_task_obj>& row);
    void open_preview_window(const std::shared_ptr<Run_task_obj>& row, std::shared_ptr<My_Prest> preset);
    // The row is being converted: its job is the one the batch waits on, or the batch has
    // marked the row and is about to start it. Retry and reset leave such a row alone.
    bool row_is_running(const Run_task_obj& row) const;
    // The table's menu and the row it was built for.
    QPointer<QMenu> tableView_menu;
    QPersistentModelIndex tableView_clicked;

    // ---- fields ----
    QTableView* tableView = nullptr;
    ItemsModel* items_model = nullptr;
    // Appends the rows of each add to items_model in the order the adds began.
    std::unique_ptr<AddOrder> add_order;
    // The output folder copied from the settings column (a path control that is never shown).
    std::optional<QUrl> out_path_obj;
    std::shared_ptr<Run_task_obj> run_task_obj;
    // Shared with the worker, which may outlive a closing pane for a moment.
    std::shared_ptr<dispatch::Semaphore> sema = std::make_shared<dispatch::Semaphore>(0);
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
    // Written on the main thread, read by the worker (shared with it, like sema).
    std::shared_ptr<std::atomic<bool>> is_cancelExport = std::make_shared<std::atomic<bool>>(false);
    QPointer<QMessageBox> cancelExport_NSAlert;
    std::atomic<bool> is_run{false};
    std::atomic<bool> is_add_rawpath{false};
    DraggableView* draggableview = nullptr;
    My_Image my_image;
    QProgressBar* wj_load = nullptr;
    QLabel* info_out_textfield = nullptr;
    QLabel* drag_imagebutton = nullptr;

private:
    // ---- batch runner state (app/batch/) ----
    friend struct BatchWorkerContext;
    void begin_batch();
    // What a started job reports to: a bridge that hands its progress and completion, with
    // the job, to the main thread.
    std::shared_ptr<vrkSleepDelegate> make_job_delegate(const std::shared_ptr<OneExporter>& job);
    void refresh_running_row();
    void show_stop_alert();
    // The job the worker waits on: Stop cancels it even after its row was deleted, and only
    // its completion releases the worker.
    std::shared_ptr<OneExporter> running_job_;
    QPointer<QMessageBox> failed_alert_;
    QElapsedTimer progress_clock_;
    bool progress_refresh_pending_ = false;
    bool quitting_ = false;
    bool quit_ready_ = false;
};
