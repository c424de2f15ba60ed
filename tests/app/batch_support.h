#pragma once

#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "app/shell/main_window.h"
#include "app/table/open_file_panel.h"
#include "app/table/view_controller.h"
#include "app_env.h"
#include "engine/one_exporter.h"
#include "engine/presets.h"
#include "engine/run_task_obj.h"
#include "platform/dispatch/sync.h"

class QMessageBox;

namespace batchtest {

// An H.264 and AAC MP4 at the source's size: small and quick for tiny fixtures.
My_Prest small_mp4_preset();

// 4K output from a small 12 s source: slow enough on either engine to be caught converting.
My_Prest slow_preset();
// Waits until the row's job has really begun writing.
bool wait_converting(const Run_task_obj& row);

// The real window, its own home, and an output folder chosen in the settings column.
class Window {
public:
    Window();
    ~Window();

    // Takes the panes out of the column, so that each settings read keeps this preset.
    void keep_preset(const My_Prest& preset);
    // A row built from the file (as the add road builds it, without its dialog) and listed.
    std::shared_ptr<Run_task_obj> add_row(const std::string& path);
    // Lists a row whose job the test made.
    void add_row(const std::shared_ptr<Run_task_obj>& row);
    // Pumps until no batch runs; false on time-out.
    bool wait_idle(int seconds = 120);
    QString output(const QString& name) const;

    apptest::AppEnv env;
    testsupport::TempDir out;
    MainWindow window;
    ViewController* list;
};

// The open dialog, answered with the folder the user picked.
class PickedFolder : public OpenFilePanel {
public:
    explicit PickedFolder(QUrl folder) : folder_(std::move(folder)) {}
    std::optional<QList<QUrl>> run(QWidget*) override { return QList<QUrl>{folder_}; }

private:
    QUrl folder_;
};

// A copy of a fixture under a new name in the folder (several rows of the same source).
std::string copy_fixture(const std::string& fixture_name, const std::string& folder, const std::string& name);

// Waits until the platform has answered the job's compatibility question and the answer chose ffmpeg.
bool wait_for_ffmpeg_choice(const OneExporter& job);

// Child processes of this process running the ffmpeg program (zombies included).
int ffmpeg_children();

// A job whose run the test ends: started, it only records; finish() completes it on a thread
// of its own, as an engine would; a cancel completes it as cancelled.
class HeldJob : public OneExporter {
public:
    static std::shared_ptr<HeldJob> make(const QString& path);
    void check_compatibility() override {}
    void start_export(const media::TimeRange& range) override;
    void start_ffmpeg_export(const media::TimeRange& range) override;
    void cancel_export() override;
    // Completes the latest start with this status, from another thread.
    void finish(int final_status);
    // Reports this many progress fractions from another thread, as fast as it can.
    void flood_progress(int reports);
    // Lets a start held by hold_start go on.
    void release_start() { start_gate_.signal(); }

    std::atomic<int> starts{0};
    std::atomic<int> cancels{0};
    std::atomic<bool> running{false};
    // A start waits for release_start(); entered_start tells that it is waiting.
    std::atomic<bool> hold_start{false};
    std::atomic<bool> entered_start{false};
    // A cancel then changes nothing: the run ends only with finish().
    std::atomic<bool> ignore_cancel{false};

private:
    explicit HeldJob(media::AssetRef asset) : OneExporter(std::move(asset)) {}
    std::mutex lock_;
    dispatch::Semaphore start_gate_{0};
};

// The status text that the row's cell shows.
QString status_text(const ViewController& list, const Run_task_obj& row);
// The alerts of the window that are on screen.
QList<QMessageBox*> visible_alerts(const ViewController& list);

// A row of a real file whose job is a HeldJob.
std::shared_ptr<Run_task_obj> held_row(const std::string& path);
inline HeldJob& held(const Run_task_obj& row) { return static_cast<HeldJob&>(*row.out_Ex); }

}  // namespace batchtest
