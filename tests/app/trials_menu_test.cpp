// The row context menu through the window as a user drives it: right-clicks, the menu keys,
// the items, and what each one does to the rows, the desktop and the trial windows.
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMediaPlayer>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include "app/settings/setup_ns_view_controller.h"
#include "app/table/items_model.h"
#include "app/trials/calculate_file_size_view_controller.h"
#include "app/trials/trial_owner.h"
#include "app/trials/video_avplayer_view_controller.h"
#include "batch_support.h"
#include "platform/desktop/services.h"
#include "platform/foundation/files.h"
#include "settings_panes.h"
#include "support/output_probe.h"
#include "trials_support.h"

using batchtest::held;
using batchtest::held_row;
using testsupport::pump_until;

namespace {

const char* const kTitles[] = {"在访达显示源文件", "在访达显示输出文件", "", "预览输出文件(10s)", "估算文件大小",
                               "", "转换失败,尝试用传统引擎", "重置状态"};
enum Item { ShowSource = 0, ShowOutput = 1, Preview = 3, Estimate = 4, Retry = 6, Reset = 7 };

// Records what the file manager was asked to show.
class RecordingDesktop : public desktop::Services {
public:
    RecordingDesktop() { desktop::set_services(this); }
    ~RecordingDesktop() override { desktop::set_services(nullptr); }
    void reveal(const QUrl& url) override { revealed << url; }
    bool open_url(const QUrl&) override { return true; }
    QList<QUrl> revealed;
};

// A job that only notes, in a list shared by the rows, that its compatibility was asked again.
class NotingJob : public OneExporter {
public:
    NotingJob(const QString& path, std::vector<int>* asked, int tag)
        : OneExporter(media::Asset::from_path(path)), asked_(asked), tag_(tag)
    {
    }
    void check_compatibility() override { asked_->push_back(tag_); }

private:
    std::vector<int>* asked_;
    int tag_;
};

class RowMenu : public ::testing::Test {
protected:
    RowMenu()
    {
        w.window.resize(1000, 700);
        w.window.show();
    }

    QPoint row_point(int row) const
    {
        return w.list->tableView->visualRect(w.list->items_model->index(row, 0)).center();
    }
    // A right-click at a point of the table: the press, the menu event and the release.
    QMenu* right_click_at(const QPoint& point)
    {
        QWidget* viewport = w.list->tableView->viewport();
        const QPoint global = viewport->mapToGlobal(point);
        QMouseEvent press(QEvent::MouseButtonPress, point, global, Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &press);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, point, global);
        QApplication::sendEvent(viewport, &menu);
        QMouseEvent release(QEvent::MouseButtonRelease, point, global, Qt::RightButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &release);
        return w.list->tableView_menu;
    }
    QMenu* right_click(int row) { return right_click_at(row_point(row)); }
    // Chooses an item of the menu that is up.
    static void choose(QMenu* menu, Item item)
    {
        ASSERT_NE(menu, nullptr);
        QAction* action = menu->actions().at(item);
        ASSERT_TRUE(action->isEnabled());
        menu->hide();
        action->trigger();
    }
    void select_rows(std::initializer_list<int> rows)
    {
        QItemSelectionModel* selection = w.list->tableView->selectionModel();
        selection->clearSelection();
        for (int row : rows)
            selection->select(w.list->items_model->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QList<int> selected_rows() const
    {
        QList<int> rows;
        for (const QModelIndex& index : w.list->tableView->selectionModel()->selectedRows())
            rows << index.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    // Rows whose jobs note each compatibility question, all of them failed as a run leaves them.
    std::vector<std::shared_ptr<Run_task_obj>> noting_rows(int count)
    {
        std::vector<std::shared_ptr<Run_task_obj>> rows;
        const QString path = trialtest::fixture_path("tiny.mp4");
        for (int i = 0; i < count; ++i) {
            auto row = std::make_shared<Run_task_obj>(QUrl::fromLocalFile(path));
            row->out_Ex = std::make_shared<NotingJob>(path, &asked, i);
            row->set_state(EnumState::conversion(0));
            row->out_Ex->status = 4;
            w.add_row(row);
            rows.push_back(row);
        }
        return rows;
    }
    template <typename T>
    static T* open_window()
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<T*>(widget); window && window->isVisible())
                return window;
        return nullptr;
    }

    batchtest::Window w;
    std::vector<int> asked;
};

// Six items and two separators in their order, enabled for a row that has been converted;
// a right-click leaves the selection alone and the menu acts on the clicked row.
TEST_F(RowMenu, TitlesAndOrderForTheClickedRow)
{
    w.keep_preset(batchtest::small_mp4_preset());
    w.add_row(testsupport::fixture("tiny.mp4"));
    const auto converted = w.add_row(testsupport::fixture("h264_aac.mp4"));
    w.window.split()->settings_column()->start_button->click();
    ASSERT_TRUE(w.wait_idle());
    ASSERT_EQ(converted->out_Ex->status, 3);
    select_rows({0});

    QMenu* menu = right_click(1);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(w.list->clickedRow(), 1);
    EXPECT_EQ(selected_rows(), QList<int>{0});
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 8);
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(actions[i]->isSeparator(), i == 2 || i == 5);
        if (!actions[i]->isSeparator()) {
            EXPECT_EQ(actions[i]->text(), QString::fromUtf8(kTitles[i]));
            EXPECT_TRUE(actions[i]->isEnabled());
            EXPECT_TRUE(actions[i]->shortcut().isEmpty());
        }
    }
    menu->hide();
}

// A right-click outside every row builds no menu and leaves the earlier one installed.
TEST_F(RowMenu, RightClickOutsideRowsBuildsNothing)
{
    const auto rows = noting_rows(2);
    EXPECT_EQ(right_click_at(QPoint(20, w.list->tableView->viewport()->height() - 5)), nullptr);
    QMenu* menu = right_click(0);
    ASSERT_NE(menu, nullptr);
    menu->hide();
    EXPECT_EQ(right_click_at(QPoint(20, w.list->tableView->viewport()->height() - 5)), menu);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(w.list->findChildren<QMenu*>().size(), 1);
}

// The menu key and Shift+F10 open the menu of the current row; without one nothing opens.
TEST_F(RowMenu, KeyboardOpensTheMenuOfTheCurrentRow)
{
    const auto rows = noting_rows(3);
    QTableView* table = w.list->tableView;
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Menu);
    EXPECT_EQ(w.list->tableView_menu, nullptr);

    table->setCurrentIndex(w.list->items_model->index(2, 0));
    QTest::keyClick(table, Qt::Key_Menu);
    ASSERT_NE(w.list->tableView_menu, nullptr);
    EXPECT_TRUE(w.list->tableView_menu->isVisible());
    EXPECT_EQ(w.list->clickedRow(), 2);
    w.list->tableView_menu->hide();

    table->setCurrentIndex(w.list->items_model->index(1, 0));
    QTest::keyClick(table, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(w.list->clickedRow(), 1);
    // The current row is selected too, so it is reset as selected and as clicked.
    choose(w.list->tableView_menu, Reset);
    EXPECT_EQ(asked, (std::vector<int>{1, 1}));
}

// Reset takes the selected rows in ascending order, then the clicked row (twice when it is
// selected too); each becomes ready with its job not started. Other rows stay as they were.
TEST_F(RowMenu, ResetTakesTheSelectedRowsThenTheClickedOne)
{
    const auto rows = noting_rows(6);
    select_rows({3, 1});
    choose(right_click(5), Reset);
    EXPECT_EQ(asked, (std::vector<int>{1, 3, 5}));
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const bool reset = i == 1 || i == 3 || i == 5;
        EXPECT_EQ(rows[i]->state_obj.kind(), reset ? EnumState::Case::read : EnumState::Case::conversion);
        EXPECT_EQ(rows[i]->out_Ex->status, reset ? 0 : 4);
    }
    EXPECT_EQ(selected_rows(), (QList<int>{1, 3}));

    asked.clear();
    choose(right_click(3), Reset);
    EXPECT_EQ(asked, (std::vector<int>{1, 3, 3}));
}

// Retry chooses ffmpeg at once; the override outlives a reset; the next Start converts the
// row with ffmpeg, even when it comes before the compatibility answer.
TEST_F(RowMenu, RetryThenResetThenStartConvertsWithFfmpeg)
{
    w.keep_preset(batchtest::small_mp4_preset());
    const auto row = w.add_row(testsupport::fixture("h264_aac.mp4"));
    // As a failed pipeline run leaves the row.
    row->set_state(EnumState::conversion(0));
    row->out_Ex->status = 4;
    row->out_Ex->is_run_ffmpeg = false;

    choose(right_click(0), Retry);
    EXPECT_TRUE(row->out_Ex->is_run_ffmpeg);
    EXPECT_EQ(row->out_Ex->let_is_run_ffmpeg.get(), std::optional<bool>(true));
    EXPECT_EQ(row->out_Ex->status, 0);
    EXPECT_EQ(row->state_obj.kind(), EnumState::Case::read);
    EXPECT_EQ(batchtest::status_text(*w.list, *row), QStringLiteral("就绪"));

    choose(right_click(0), Reset);
    EXPECT_EQ(row->out_Ex->let_is_run_ffmpeg.get(), std::optional<bool>(true));
    w.window.split()->settings_column()->start_button->click();
    ASSERT_TRUE(w.wait_idle());
    EXPECT_EQ(row->out_Ex->status, 3);
    EXPECT_TRUE(row->out_Ex->ff_sessionId.get().has_value()) << "converted on the ffmpeg path";
    EXPECT_FALSE(row->out_Ex->out_ReaderWriterExporter.get()) << "the pipeline never ran";
    EXPECT_TRUE(foundation::file_exists(w.output(QStringLiteral("h264_aac.mp4"))));
}

// Pumps until the job's compatibility question, asked when the row was added or reset, has
// its answer.
bool answered(OneExporter& job)
{
    return pump_until([&] { return !job.on_compatibility_answer([] {}); });
}

// Whether the row's latest run went through the pipeline and wrote what the audio pane asks
// for (48 kHz stereo), not the source's own mono 44.1 kHz as the ffmpeg command keeps it.
void expect_pipeline_output(const Run_task_obj& row, std::optional<int64_t> ffmpeg_session)
{
    EXPECT_EQ(row.out_Ex->status, 3) << row.out_Ex->error_info.get().value_or("").toStdString();
    EXPECT_EQ(row.out_Ex->ff_sessionId.get(), ffmpeg_session) << "another ffmpeg run";
    EXPECT_TRUE(row.out_Ex->out_ReaderWriterExporter.get()) << "the pipeline never ran";
    const auto probed = probeFile(row.out_Ex->out_url_obj.get().value_or(QUrl()).toLocalFile());
    ASSERT_TRUE(probed);
    EXPECT_EQ(probed->count("video"), 1);
    ASSERT_EQ(probed->count("audio"), 1);
    EXPECT_EQ(probed->first("audio")->sampleRate, 48000);
    EXPECT_EQ(probed->first("audio")->channels, 2);
}

// An audio-only run goes through ffmpeg; a Reset asks again, the answer (compatible) decides,
// and the next Start with the video settings converts on the pipeline.
TEST_F(RowMenu, AudioOnlyRunThenResetThenAVideoStartTakesThePipeline)
{
    settingstest::show_active(&w.window);
    const settingstest::Panes panes = settingstest::panes_of(w.window.split()->settings_column());
    settingstest::click(panes.only_audio->only_out_audio_button);
    settingstest::choose(panes.only_audio->audio_file_type_PopUpButton, "WAV");
    const auto row = w.add_row(testsupport::fixture("tiny.mp4"));
    settingstest::click(w.window.split()->settings_column()->start_button);
    ASSERT_TRUE(w.wait_idle());
    ASSERT_EQ(row->out_Ex->status, 3) << row->out_Ex->error_info.get().value_or("").toStdString();
    const std::optional<int64_t> audio_run = row->out_Ex->ff_sessionId.get();
    ASSERT_TRUE(audio_run) << "the audio-only run went through ffmpeg";
    EXPECT_TRUE(foundation::file_exists(w.output(QStringLiteral("tiny.wav"))));

    settingstest::click(panes.only_audio->only_out_audio_button);
    ASSERT_FALSE(panes.only_audio->only_out_audio_button->isChecked());
    choose(right_click(0), Reset);
    ASSERT_TRUE(answered(*row->out_Ex));
    settingstest::click(w.window.split()->settings_column()->start_button);
    ASSERT_TRUE(w.wait_idle());
    expect_pipeline_output(*row, audio_run);
}

// A preview with the audio-only settings goes through ffmpeg; it leaves the row's engine to
// the compatibility answer, so a Start with the video settings converts on the pipeline.
TEST_F(RowMenu, AnAudioOnlyPreviewLeavesTheRowOnThePipeline)
{
    settingstest::show_active(&w.window);
    const settingstest::Panes panes = settingstest::panes_of(w.window.split()->settings_column());
    const auto row = w.add_row(testsupport::fixture("tiny.mp4"));
    ASSERT_TRUE(answered(*row->out_Ex));
    settingstest::click(panes.only_audio->only_out_audio_button);
    settingstest::choose(panes.only_audio->audio_file_type_PopUpButton, "WAV");

    choose(right_click(0), Preview);
    QPointer<Video_AVPlayer_ViewController> preview = open_window<Video_AVPlayer_ViewController>();
    ASSERT_NE(preview, nullptr);
    ASSERT_TRUE(pump_until([&] { return !preview->player->source().isEmpty(); }));
    EXPECT_TRUE(preview->out_run_task_obj()->out_Ex->ff_sessionId.get()) << "the preview went through ffmpeg";
    preview->close();
    ASSERT_TRUE(pump_until([&] { return preview.isNull(); }));

    settingstest::click(panes.only_audio->only_out_audio_button);
    settingstest::click(w.window.split()->settings_column()->start_button);
    ASSERT_TRUE(w.wait_idle());
    expect_pipeline_output(*row, std::nullopt);
}

// Show source reveals the source; show output is disabled and does nothing until the row has
// an output file, then reveals it.
TEST_F(RowMenu, ShowSourceAndOutputInTheFileManager)
{
    RecordingDesktop desktop;
    w.keep_preset(batchtest::small_mp4_preset());
    const auto row = w.add_row(testsupport::fixture("tiny.mp4"));

    QMenu* menu = right_click(0);
    EXPECT_FALSE(menu->actions().at(ShowOutput)->isEnabled());
    w.list->tableViewShowXmlItemClicked();
    EXPECT_TRUE(desktop.revealed.isEmpty());
    choose(menu, ShowSource);
    EXPECT_EQ(desktop.revealed, QList<QUrl>{QUrl::fromLocalFile(trialtest::fixture_path("tiny.mp4"))});

    w.window.split()->settings_column()->start_button->click();
    ASSERT_TRUE(w.wait_idle());
    desktop.revealed.clear();
    choose(right_click(0), ShowOutput);
    EXPECT_EQ(desktop.revealed, QList<QUrl>{QUrl::fromLocalFile(w.output(QStringLiteral("tiny.mp4")))});
}

// A row without a job: no estimate, no output; its preview opens an empty window.
TEST_F(RowMenu, RowWithoutJob)
{
    w.keep_preset(batchtest::small_mp4_preset());
    const auto row = w.add_row(testsupport::fixture("tiny.mp4"));
    row->out_Ex.reset();
    QMenu* menu = right_click(0);
    EXPECT_FALSE(menu->actions().at(Estimate)->isEnabled());
    EXPECT_FALSE(menu->actions().at(ShowOutput)->isEnabled());
    EXPECT_TRUE(menu->actions().at(Retry)->isEnabled());
    w.list->tableView_calculate_file_size_ItemClicked();
    EXPECT_EQ(open_window<Calculate_file_size_NSViewController>(), nullptr);

    choose(menu, Preview);
    QPointer<Video_AVPlayer_ViewController> preview = open_window<Video_AVPlayer_ViewController>();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("tiny"));
    EXPECT_EQ(preview->out_run_task_obj(), nullptr);
    preview->close();
    EXPECT_TRUE(pump_until([&] { return preview.isNull(); }));
}

// While a row converts, retry and reset are disabled for it and a reset of a selection that
// holds it leaves it converting; its completion then ends it as usual.
TEST_F(RowMenu, TheConvertingRowIsNeitherResetNorRetried)
{
    w.keep_preset(batchtest::small_mp4_preset());
    std::vector<std::shared_ptr<Run_task_obj>> rows;
    for (const char* name : {"tiny.mp4", "h264_aac.mp4"}) {
        rows.push_back(held_row(testsupport::fixture(name)));
        w.add_row(rows.back());
    }
    rows[1]->set_state(EnumState::conversion(0));
    rows[1]->out_Ex->status = 4;
    w.window.split()->settings_column()->start_button->click();
    ASSERT_TRUE(pump_until([&] { return held(*rows[0]).running.load(); }));

    QMenu* menu = right_click(0);
    EXPECT_FALSE(menu->actions().at(Retry)->isEnabled());
    EXPECT_FALSE(menu->actions().at(Reset)->isEnabled());
    menu->hide();
    w.list->tableView_calculate_reset_state_runffmpeg_ItemClicked();
    EXPECT_FALSE(rows[0]->out_Ex->let_is_run_ffmpeg.get().has_value());

    select_rows({0, 1});
    choose(right_click(1), Reset);
    EXPECT_EQ(rows[0]->state_obj.kind(), EnumState::Case::conversion);
    EXPECT_EQ(rows[0]->out_Ex->status, 2);
    EXPECT_EQ(rows[1]->state_obj.kind(), EnumState::Case::read);
    EXPECT_EQ(rows[1]->out_Ex->status, 0);

    // The batch goes on with the row made ready meanwhile; at its end the failure is listed.
    held(*rows[0]).finish(4);
    ASSERT_TRUE(pump_until([&] { return held(*rows[1]).running.load(); }));
    held(*rows[1]).finish(3);
    ASSERT_TRUE(w.wait_idle());
    EXPECT_EQ(rows[0]->out_Ex->status, 4);
    EXPECT_TRUE(pump_until([&] { return batchtest::visible_alerts(*w.list).size() == 1; }))
        << "the failure alert comes";
}

// Preview and estimate read the panes first: a size just typed into the video pane is in the
// preview's sample and in the estimate's trial. The row's job keeps the preset it had.
TEST_F(RowMenu, PreviewAndEstimateUseTheSettingsJustChanged)
{
    const auto row = w.add_row(testsupport::fixture("h264_aac.mp4"));
    const auto row_preset = row->out_Ex->My_prest_obj.get();
    Video_setup_ViewController* video = w.list->video_setup_vc;
    ASSERT_NE(video, nullptr);
    settingstest::click(video->custom_size_radio_button);
    settingstest::type_into(video->size_w_textfield, QStringLiteral("160"));
    settingstest::confirm(video->size_w_textfield);
    settingstest::type_into(video->size_h_textfield, QStringLiteral("96"));
    settingstest::confirm(video->size_h_textfield);

    choose(right_click(0), Preview);
    QPointer<Video_AVPlayer_ViewController> preview = open_window<Video_AVPlayer_ViewController>();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("h264_aac"));
    const auto preset = preview->out_run_task_obj()->out_Ex->My_prest_obj.get();
    ASSERT_NE(preset, nullptr);
    EXPECT_EQ(preset->video_outputSettings.value(AVVideoWidthKey).toDouble(), 160);
    EXPECT_EQ(preset->video_outputSettings.value(AVVideoHeightKey).toDouble(), 96);
    ASSERT_TRUE(pump_until([&] { return !preview->player->source().isEmpty(); }));
    const auto sample = probeFile(preview->player->source().toLocalFile());
    ASSERT_TRUE(sample);
    ASSERT_NE(sample->first(QStringLiteral("video")), nullptr);
    EXPECT_EQ(sample->first(QStringLiteral("video"))->width, 160);
    EXPECT_EQ(sample->first(QStringLiteral("video"))->height, 96);
    preview->close();

    settingstest::type_into(video->size_w_textfield, QStringLiteral("128"));
    settingstest::confirm(video->size_w_textfield);
    choose(right_click(0), Estimate);
    QPointer<Calculate_file_size_NSViewController> estimate = open_window<Calculate_file_size_NSViewController>();
    ASSERT_NE(estimate, nullptr);
    EXPECT_EQ(estimate->windowTitle(), QStringLiteral("h264_aac"));
    EXPECT_EQ(estimate->in_out_Ex_obj, row->out_Ex);
    const auto trial_preset = estimate->out_out_Ex_obj()->My_prest_obj.get();
    ASSERT_NE(trial_preset, nullptr);
    EXPECT_EQ(trial_preset->video_outputSettings.value(AVVideoWidthKey).toDouble(), 128);
    EXPECT_EQ(trial_preset->video_outputSettings.value(AVVideoHeightKey).toDouble(), 96);
    EXPECT_EQ(row->out_Ex->My_prest_obj.get(), row_preset);
    EXPECT_TRUE(pump_until([&] { return !estimate->info_textfield->text().isEmpty(); }));
    estimate->close();
    EXPECT_TRUE(pump_until([&] { return preview.isNull() && estimate.isNull(); }));
}

}  // namespace

namespace {

// Quitting while a preview and an estimate convert: the quit cancels both trials and waits
// for them; no alert comes, and once the windows have gone no trial file is left.
TEST(TrialsQuit, QuitCancelsTheTrials)
{
    std::weak_ptr<TrialOwner> owners[2];
    std::shared_ptr<OneExporter> jobs[2];
    QString files[2];
    {
        batchtest::Window w;
        w.keep_preset(batchtest::slow_preset());
        const auto row = w.add_row(testsupport::fixture("long.mp4"));
        w.window.show();
        w.list->tableView->setCurrentIndex(w.list->items_model->index(0, 0));
        w.list->show_menu_for_current_row();
        QMenu* menu = w.list->tableView_menu;
        ASSERT_NE(menu, nullptr);
        menu->hide();
        menu->actions().at(Preview)->trigger();
        menu->actions().at(Estimate)->trigger();
        const auto preview = w.list->window()->findChild<Video_AVPlayer_ViewController*>();
        const auto estimate = w.list->window()->findChild<Calculate_file_size_NSViewController*>();
        ASSERT_TRUE(preview && estimate);
        owners[0] = preview->trial_owner();
        owners[1] = estimate->trial_owner();
        jobs[0] = preview->out_run_task_obj()->out_Ex;
        jobs[1] = estimate->out_out_Ex_obj();
        for (int i : {0, 1})
            files[i] = jobs[i]->out_url_obj.get()->toLocalFile();

        EXPECT_FALSE(w.window.close()) << "the window waits for the trials";
        ASSERT_TRUE(pump_until([&] { return !w.window.isVisible(); }));
        for (int i : {0, 1})
            EXPECT_EQ(jobs[i]->status, 5);
        EXPECT_FALSE(trialtest::any_alert_up());
    }
    for (int i : {0, 1}) {
        EXPECT_TRUE(trialtest::wait_for_owner_gone(owners[i]));
        EXPECT_FALSE(foundation::file_exists(files[i]));
    }
}

}  // namespace
