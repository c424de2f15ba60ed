#include <QItemSelectionModel>
#include <QMessageBox>
#include <QTableView>

#include "app/shell/main_window.h"
#include "app/table/items_model.h"
#include "app/table/view_controller.h"
#include "engine/one_exporter.h"
#include "engine/run_failure_texts.h"
#include "engine/run_task_obj.h"
#include "shots.h"
#include "support/support.h"

namespace {

ViewController* list_of(MainWindow* window) { return window->split()->list_pane(); }

QUrl fixture_url(const char* name) { return QUrl::fromLocalFile(QString::fromStdString(testsupport::fixture(name))); }

// One row in each status of its job, the running one selected.
QWidget* rows_in_every_status()
{
    auto* window = new MainWindow;
    ViewController* list = list_of(window);
    const char* files[] = {"h264_aac.mp4", "hd1080_rot90.mov", "long.mp4", "audio.m4a", "双引号\"名字 ü.mp4", "tc.mov"};
    int status = 0;
    for (const char* file : files) {
        auto row = std::make_shared<Run_task_obj>(fixture_url(file));
        row->set_state(EnumState::read());
        row->out_Ex->status = status;
        row->out_Ex->out_progress = status == 2 ? 0.4213f : status == 5 ? 0.7f : status == 3 ? 1.0f : 0.0f;
        if (status == 4)
            row->out_Ex->error_info = std::optional<QString>(existing_output_text());
        list->items_model->append(row);
        ++status;
    }
    list->run_task_obj = list->items_model->at(2);
    list->tableView->selectionModel()->select(list->items_model->index(2, 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return window;
}

// Failed rows with the causes a user meets, beside a ready and a running row, in a window
// of the given width: the status column takes what the window has to spare.
QWidget* failed_rows(int width)
{
    auto* window = new MainWindow;
    window->resize(width, 860);
    ViewController* list = list_of(window);
    const struct {
        const char* file;
        int status;
        QString failure;
    } rows[] = {
        {"h264_aac.mp4", 0, {}},
        {"long.mp4", 2, {}},
        {"tc.mov", 4, existing_output_text()},
        {"hd1080_rot90.mov", 4, truncated_source_text(3.2, 12.0)},
        {"audio.m4a", 4, unwritable_codec_text(QStringLiteral("hvc1"))},
        {"双引号\"名字 ü.mp4", 4,
         QStringLiteral("[mp4 @ 0x5581] Could not write header (incorrect codec parameters ?): Invalid argument")},
        {"plain.mov", 4, ffmpeg_return_code_text(QStringLiteral("1"))},
        // ffmpeg's last two messages, one per line.
        {"audio.m4a", 4,
         QStringLiteral("Error opening output files: Permission denied\n"
                        "/home/user/Videos/Converted/Holiday 2023 with the family/IMG_2041 (edited).mp4: "
                        "Permission denied")},
        // A Chinese file name within ffmpeg's messages: glyphs of a fallback font in a line.
        {"假期 spring trip.mp4", 4,
         QStringLiteral("Error opening input file /home/user/视频/假期 spring trip.mp4.\n"
                        "/home/user/视频/假期 spring trip.mp4: Invalid data found when processing input")},
    };
    for (const auto& r : rows) {
        auto row = std::make_shared<Run_task_obj>(fixture_url(r.file));
        row->set_state(EnumState::read());
        row->out_Ex->status = r.status;
        row->out_Ex->out_progress = r.status == 2 ? 0.4213f : 0.0f;
        if (!r.failure.isEmpty())
            row->out_Ex->error_info = std::optional<QString>(r.failure);
        list->items_model->append(row);
    }
    return window;
}

// The empty table with its drop hint.
QWidget* empty_table() { return new MainWindow; }

// The alert for files that could not be added.
QWidget* import_alert()
{
    auto* window = new MainWindow;
    ViewController* list = list_of(window);
    list->show_import_failed_alert({QUrl::fromLocalFile("/home/user/Videos/notes.txt"),
                                    QUrl::fromLocalFile("/home/user/Videos/.hidden-settings"),
                                    QUrl::fromLocalFile("/home/user/Videos/a pipe.mp4")});
    auto* box = window->findChild<QMessageBox*>();
    QObject::connect(box, &QObject::destroyed, window, &QObject::deleteLater);
    return box;
}

const shots::Registrar rows("table_rows", rows_in_every_status);
const shots::Registrar failed("table_failed_rows", [] { return failed_rows(1100); });
const shots::Registrar failed_wide("table_failed_rows_wide", [] { return failed_rows(1600); });
const shots::Registrar empty("table_empty", empty_table);
const shots::Registrar alert("table_import_alert", import_alert);

}  // namespace
