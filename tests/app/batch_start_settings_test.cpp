// A batch converts every row with the settings read at its Start. Settings changed while it
// runs, and a preview or a size estimate that reads them, reach only those trials.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QDir>
#include <QMenu>
#include <QMediaPlayer>
#include <QPointer>
#include <QTableView>
#include <gtest/gtest.h>

#include "app/table/items_model.h"
#include "app/trials/calculate_file_size_view_controller.h"
#include "app/trials/video_avplayer_view_controller.h"
#include "platform/media/identifiers.h"
#include "batch_support.h"
#include "settings_panes.h"
#include "support/output_probe.h"

using batchtest::held;
using testsupport::pump_until;

namespace {

enum MenuItem { Preview = 3, Estimate = 4 };

// Opens the row menu of a row from the keyboard and chooses an item, as a user does.
void choose_for_row(ViewController& list, int row, MenuItem item)
{
    list.tableView->setCurrentIndex(list.items_model->index(row, 0));
    list.show_menu_for_current_row();
    QMenu* menu = list.tableView_menu;
    ASSERT_NE(menu, nullptr);
    menu->hide();
    menu->actions().at(item)->trigger();
}

template <typename T>
T* window_of(const ViewController& list)
{
    return list.window()->findChild<T*>();
}

}  // namespace

TEST(BatchStartSettings, SettingsChangedDuringTheBatchReachOnlyThePreviewAndTheEstimate)
{
    batchtest::Window w;
    settingstest::show_active(&w.window);
    Setup_NSViewController* column = w.window.split()->settings_column();
    const settingstest::Panes panes = settingstest::panes_of(column);
    settingstest::choose(panes.video->video_file_type_popup, "QuickTime(.mov)");
    settingstest::choose(panes.video->video_codec_type_popup, "h264");

    // The first row's job is held, so that the settings change while the batch runs; the rows
    // after it convert for real.
    testsupport::TempDir sources;
    const auto first = batchtest::held_row(batchtest::copy_fixture("tiny.mp4", sources.path(), "c0.mp4"));
    w.add_row(first);
    std::vector<std::shared_ptr<Run_task_obj>> rows;
    for (const char* name : {"c1.mp4", "c2.mp4", "c3.mp4"})
        rows.push_back(w.add_row(batchtest::copy_fixture("tiny.mp4", sources.path(), name)));

    settingstest::click(column->start_button);
    ASSERT_TRUE(pump_until([&] { return held(*first).running.load(); }));
    EXPECT_EQ(first->out_Ex->out_url_obj.get().value_or(QUrl()).toLocalFile().toStdString(),
              w.output(QStringLiteral("c0.mov")).toStdString());

    // Another container, another folder, the source folders kept: then an estimate of a row
    // still to come and a preview of the running one.
    settingstest::choose(panes.video->video_file_type_popup, "MPEG-4(.mp4)");
    testsupport::TempDir other;
    column->set_out_path_url(QUrl::fromLocalFile(QString::fromStdString(other.path())));
    settingstest::click(panes.general->is_add_rawpath_button);
    ASSERT_TRUE(panes.general->is_add_rawpath_button->isChecked());

    choose_for_row(*w.list, 2, Estimate);
    QPointer<Calculate_file_size_NSViewController> estimate = window_of<Calculate_file_size_NSViewController>(*w.list);
    ASSERT_NE(estimate, nullptr);
    ASSERT_TRUE(pump_until([&] { return !estimate->info_textfield->text().isEmpty(); }));
    const auto trial = estimate->out_out_Ex_obj();
    ASSERT_NE(trial, nullptr);
    EXPECT_EQ(trial->status, 3);
    ASSERT_NE(trial->My_prest_obj.get(), nullptr);
    EXPECT_EQ(trial->My_prest_obj.get()->fileType, QString(AVFileTypeMPEG4));
    EXPECT_TRUE(trial->out_url_obj.get().value_or(QUrl()).path().endsWith(QStringLiteral(".mp4")));

    choose_for_row(*w.list, 0, Preview);
    QPointer<Video_AVPlayer_ViewController> preview = window_of<Video_AVPlayer_ViewController>(*w.list);
    ASSERT_NE(preview, nullptr);
    ASSERT_TRUE(pump_until([&] { return !preview->player->source().isEmpty(); }));
    const auto sample = probeFile(preview->player->source().toLocalFile());
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->brand, QStringLiteral("isom")) << "the preview's sample is an MPEG-4 file";
    preview->close();
    estimate->close();

    held(*first).finish(3);
    ASSERT_TRUE(w.wait_idle());
    for (const auto& row : rows) {
        SCOPED_TRACE(row->name.toStdString());
        EXPECT_EQ(row->out_Ex->status, 3) << row->out_Ex->error_info.get().value_or(QString()).toStdString();
        const QString output = w.output(row->name + QStringLiteral(".mov"));
        EXPECT_EQ(row->out_Ex->out_url_obj.get().value_or(QUrl()).toLocalFile().toStdString(), output.toStdString());
        const auto probed = probeFile(output);
        ASSERT_TRUE(probed);
        EXPECT_EQ(probed->brand, QStringLiteral("qt  "));
        ASSERT_NE(probed->first(QStringLiteral("video")), nullptr);
        EXPECT_EQ(probed->first(QStringLiteral("video"))->codec, QStringLiteral("h264"));
    }
    EXPECT_TRUE(QDir(QString::fromStdString(other.path())).isEmpty()) << "nothing went into the new folder";
    EXPECT_TRUE(QDir(QString::fromStdString(w.out.path())).entryList({QStringLiteral("*.mp4")}, QDir::Files).isEmpty());
    EXPECT_TRUE(pump_until([&] { return preview.isNull() && estimate.isNull(); }));
}
