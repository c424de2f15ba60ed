// Stop, the stop alert, the failure alert, and the completions that must not release the worker.
#include <QLabel>
#include <QMessageBox>
#include <QItemSelectionModel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <cstdio>
#include <gtest/gtest.h>

#include "app/settings/setup_ns_view_controller.h"
#include "app/table/delegate_bridge.h"
#include "app/table/items_model.h"
#include "batch_support.h"
#include "engine/reader_writer_exporter.h"
#include "support/output_probe.h"

using batchtest::held;
using batchtest::held_row;
using batchtest::HeldJob;

namespace {

// A window with three rows whose jobs the test ends.
struct HeldBatch {
    HeldBatch()
    {
        w.keep_preset(batchtest::small_mp4_preset());
        for (const char* name : {"tiny.mp4", "h264_aac.mp4", "video_only.mp4"}) {
            rows.push_back(held_row(testsupport::fixture(name)));
            w.add_row(rows.back());
        }
    }
    HeldJob& job(int i) { return held(*rows[i]); }
    bool wait_running(int i)
    {
        return testsupport::pump_until([&] { return job(i).running.load(); });
    }
    // Lets the rows from this one on run to a successful end, one after the other.
    void run_out(int from)
    {
        for (int i = from; i < int(rows.size()); ++i) {
            ASSERT_TRUE(wait_running(i)) << "row " << i;
            job(i).finish(3);
        }
        ASSERT_TRUE(w.wait_idle());
    }
    void settle() { testsupport::pump_until([] { return false; }, std::chrono::milliseconds(150)); }

    batchtest::Window w;
    std::vector<std::shared_ptr<Run_task_obj>> rows;
};

}  // namespace

// Stop cancels the running row once and holds the stop alert until its completion; the row
// reads "取消", the rows after it are untouched, and a new Start converts them.
TEST(BatchStop, StopCancelsTheRunningRowAndANewStartGoesOn)
{
    HeldBatch b;
    b.w.window.split()->settings_column()->start_button->click();
    ASSERT_TRUE(b.wait_running(0));
    EXPECT_TRUE(b.w.list->wj_load->isVisibleTo(b.w.list));

    b.w.window.split()->settings_column()->stop_button->click();
    EXPECT_EQ(b.job(0).cancels, 1);
    ASSERT_TRUE(b.w.wait_idle());
    EXPECT_TRUE(testsupport::pump_until(
        [&] { return batchtest::status_text(*b.w.list, *b.rows[0]) == QStringLiteral("取消"); }));
    b.settle();
    EXPECT_EQ(b.rows[0]->out_Ex->status, 5);
    EXPECT_EQ(batchtest::status_text(*b.w.list, *b.rows[0]), QStringLiteral("取消"));
    for (int i : {1, 2}) {
        EXPECT_EQ(b.job(i).starts, 0);
        EXPECT_EQ(b.rows[i]->state_obj.kind(), EnumState::Case::read);
        EXPECT_EQ(batchtest::status_text(*b.w.list, *b.rows[i]), QStringLiteral("就绪"));
    }
    EXPECT_TRUE(batchtest::visible_alerts(*b.w.list).isEmpty());
    EXPECT_EQ(b.w.list->cancelExport_NSAlert, nullptr);
    EXPECT_FALSE(b.w.list->wj_load->isVisibleTo(b.w.list));
    EXPECT_EQ(b.job(0).cancels, 1);

    b.w.list->start_run();
    b.run_out(1);
    EXPECT_EQ(b.job(0).starts, 1);
}

// The stop alert is up while the cancel is under way; "OK" ends it early: the row no longer
// counts as running, yet Start is refused until the completion has come and the worker ended.
TEST(BatchStop, StopAlertAndItsOkBeforeTheCompletion)
{
    HeldBatch b;
    b.job(0).ignore_cancel = true;
    b.w.list->start_run();
    ASSERT_TRUE(b.wait_running(0));
    b.w.list->stop_run();
    QMessageBox* alert = b.w.list->cancelExport_NSAlert;
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->text(), QStringLiteral("正在停止"));
    EXPECT_EQ(alert->informativeText(), QStringLiteral("请等待。。。"));
    ASSERT_EQ(alert->buttons().size(), 1);
    EXPECT_EQ(alert->buttons()[0]->text(), QStringLiteral("OK"));
    // A second Stop shows no second alert.
    b.w.list->stop_run();
    EXPECT_EQ(batchtest::visible_alerts(*b.w.list).size(), 1);

    alert->buttons()[0]->click();
    EXPECT_TRUE(testsupport::pump_until([&] { return b.w.list->cancelExport_NSAlert == nullptr; }));
    EXPECT_FALSE(b.w.list->is_run);
    EXPECT_FALSE(b.w.list->wj_load->isVisibleTo(b.w.list));
    testing::internal::CaptureStdout();
    b.w.list->start_run();
    EXPECT_NE(testing::internal::GetCapturedStdout().find("在运行,del"), std::string::npos);

    b.job(0).finish(5);
    ASSERT_TRUE(b.w.wait_idle());
    EXPECT_EQ(b.job(1).starts, 0);
    b.w.list->start_run();
    b.run_out(1);
}

// Stop while nothing runs does nothing: no alert, no cancel flag, the next Start runs all rows.
TEST(BatchStop, StopWhileIdleDoesNothing)
{
    HeldBatch b;
    b.w.list->stop_run();
    EXPECT_FALSE(*b.w.list->is_cancelExport);
    EXPECT_TRUE(batchtest::visible_alerts(*b.w.list).isEmpty());
    b.w.list->start_run();
    b.run_out(0);
}

// A Stop that comes after the row was marked running but before its job started: the worker
// cancels the job right after starting it, instead of letting it convert in full, and takes
// no further row.
TEST(BatchStop, StopBeforeTheJobHasStarted)
{
    HeldBatch b;
    b.job(0).hold_start = true;
    b.w.list->start_run();
    ASSERT_TRUE(testsupport::pump_until([&] { return b.job(0).entered_start.load(); }));
    ASSERT_TRUE(b.w.list->is_run);
    b.w.list->stop_run();
    ASSERT_NE(b.w.list->cancelExport_NSAlert, nullptr);
    b.job(0).release_start();
    ASSERT_TRUE(b.w.wait_idle());
    EXPECT_EQ(b.rows[0]->out_Ex->status, 5);
    EXPECT_EQ(b.job(0).cancels, 2);
    EXPECT_EQ(b.job(1).starts, 0);
    EXPECT_EQ(b.w.list->cancelExport_NSAlert, nullptr);
}

// Deleting rows clears the list pane's current row, but Stop still cancels the conversion the
// worker waits on.
TEST(BatchStop, StopAfterTheRunningRowWasDeleted)
{
    HeldBatch b;
    b.w.list->start_run();
    ASSERT_TRUE(b.wait_running(0));
    b.w.list->tableView->selectRow(0);
    b.w.list->del_cl();
    EXPECT_EQ(b.w.list->run_task_obj, nullptr);
    EXPECT_EQ(b.w.list->items().size(), 2);
    b.w.list->stop_run();
    EXPECT_EQ(b.job(0).cancels, 1);
    ASSERT_TRUE(b.w.wait_idle());
    EXPECT_EQ(b.rows[0]->out_Ex->status, 5);
    EXPECT_EQ(b.job(1).starts, 0);
}

// Rows removed while the batch runs are not converted when their turn comes: their output and
// their failure would show nowhere. The running row that is removed goes on to its end.
TEST(BatchStop, RowsRemovedDuringTheBatchAreNotConverted)
{
    HeldBatch b;
    b.w.list->start_run();
    ASSERT_TRUE(b.wait_running(0));
    QItemSelectionModel* selection = b.w.list->tableView->selectionModel();
    for (int i : {0, 2})
        selection->select(b.w.list->items_model->index(i, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    b.w.list->del_cl();
    ASSERT_EQ(b.w.list->items(), QList<std::shared_ptr<Run_task_obj>>({b.rows[1]}));
    b.settle();
    EXPECT_TRUE(b.job(0).running);
    EXPECT_EQ(b.job(0).cancels, 0);

    b.job(0).finish(3);
    ASSERT_TRUE(b.wait_running(1));
    b.job(1).finish(3);
    ASSERT_TRUE(b.w.wait_idle());
    EXPECT_EQ(b.rows[0]->out_Ex->status, 3);
    EXPECT_EQ(b.job(2).starts, 0);
    EXPECT_EQ(b.rows[2]->out_Ex->status, 0);
    EXPECT_EQ(b.rows[2]->state_obj.kind(), EnumState::Case::read);
}

// Only the completion of the job the worker waits on releases it: a completion that reaches
// the list pane from elsewhere changes nothing of the running batch.
TEST(BatchStop, AStrayCompletionDoesNotReleaseTheWorker)
{
    HeldBatch b;
    b.w.list->start_run();
    ASSERT_TRUE(b.wait_running(0));
    b.w.list->sleep_delegate->export_finished(QUrl::fromLocalFile(QStringLiteral("/elsewhere.mov")));
    b.w.list->export_finished(QUrl());
    b.settle();
    EXPECT_TRUE(b.w.list->is_run);
    EXPECT_TRUE(b.job(0).running);
    EXPECT_EQ(b.job(1).starts, 0);
    b.job(0).finish(3);
    b.run_out(1);
}

// The failure alert comes once the last row of the batch has completed and lists exactly the
// failed rows' sources, in table order; a later alert replaces the one shown.
TEST(BatchStop, FailureAlertListsTheFailedRowsOnce)
{
    HeldBatch b;
    b.w.list->start_run();
    ASSERT_TRUE(b.wait_running(0));
    b.job(0).finish(4);
    ASSERT_TRUE(b.wait_running(1));
    b.settle();
    EXPECT_TRUE(batchtest::visible_alerts(*b.w.list).isEmpty()) << "rows still wait";
    b.job(1).finish(3);
    ASSERT_TRUE(b.wait_running(2));
    b.job(2).finish(4);
    ASSERT_TRUE(b.w.wait_idle());
    ASSERT_TRUE(testsupport::pump_until([&] { return !batchtest::visible_alerts(*b.w.list).isEmpty(); }));
    b.settle();

    const QList<QMessageBox*> shown = batchtest::visible_alerts(*b.w.list);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0]->text(), QStringLiteral("以下文件转换失败，请尝试用传统引擎,再转换一次"));
    EXPECT_EQ(shown[0]->informativeText(), b.rows[0]->in_file_obj.toLocalFile() + u'\n' +
                                               b.rows[2]->in_file_obj.toLocalFile() + u'\n');

    b.w.list->show_failed_alert();
    b.settle();
    EXPECT_EQ(batchtest::visible_alerts(*b.w.list).size(), 1);
}

// A flood of progress reports refreshes the running row at most every 100 ms; the completion
// is shown at once.
TEST(BatchStop, ProgressIsCoalesced)
{
    HeldBatch b;
    b.w.list->start_run();
    ASSERT_TRUE(b.wait_running(0));
    b.settle();
    int row_refreshes = 0;
    QObject::connect(b.w.list->items_model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& top, const QModelIndex& bottom) {
                         if (top.row() == 0 && bottom.row() == 0)
                             ++row_refreshes;
                     });
    QElapsedTimer clock;
    clock.start();
    b.job(0).flood_progress(5000);
    ASSERT_TRUE(testsupport::pump_until([&] { return b.rows[0]->out_Ex->out_progress == 1.0f; }));
    b.settle();
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(row_refreshes, 1);
    EXPECT_LE(row_refreshes, elapsed / 100 + 2) << elapsed << " ms";
    EXPECT_EQ(batchtest::status_text(*b.w.list, *b.rows[0]), QStringLiteral("进行中 100.00 %"));
    EXPECT_EQ(b.w.list->info_out_textfield->text(), QStringLiteral("1/3"));
    b.w.list->stop_run();
    ASSERT_TRUE(b.w.wait_idle());
}

// Stop pressed as a real conversion finishes its file, before its completion has come: the
// row stays done with its whole output, and the failures of this batch and of the next one
// still raise the failure alert.
TEST(BatchStop, AStopAsARowCompletesLeavesItDoneAndFailuresStillAlert)
{
    batchtest::Window w;
    w.keep_preset(batchtest::small_mp4_preset());
    testsupport::TempDir sources;
    const auto failed = w.add_row(batchtest::copy_fixture("truncated.mp4", sources.path(), "cut.mp4"));
    const auto done = w.add_row(testsupport::fixture("h264_aac.mp4"));
    ASSERT_FALSE(done->out_Ex->is_run_ffmpeg);
    w.window.split()->settings_column()->start_button->click();
    ASSERT_TRUE(testsupport::pump_until([&] {
        const auto pipeline = done->out_Ex->out_ReaderWriterExporter.get();
        const auto writer = pipeline ? pipeline->writer() : nullptr;
        return writer && writer->status() == media::AssetWriter::Status::Completed;
    }));
    // Almost always before the row's completion; a Stop after it must change nothing either.
    if (done->out_Ex->status != 2)
        std::printf("the completion came before the Stop\n");
    w.window.split()->settings_column()->stop_button->click();
    ASSERT_TRUE(w.wait_idle());
    testsupport::pump_until([] { return false; }, std::chrono::milliseconds(200));

    EXPECT_EQ(done->out_Ex->status, 3);
    EXPECT_EQ(batchtest::status_text(*w.list, *done), QStringLiteral("完成"));
    const auto probed = probeFile(w.output(QStringLiteral("h264_aac.mp4")));
    ASSERT_TRUE(probed);
    EXPECT_EQ(probed->streams.size(), 2u);
    EXPECT_NEAR(probed->duration, 3.0, 0.1);
    EXPECT_EQ(failed->out_Ex->status, 4);
    const QString first = failed->in_file_obj.toLocalFile() + u'\n';
    QList<QMessageBox*> shown = batchtest::visible_alerts(*w.list);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0]->text(), QStringLiteral("以下文件转换失败，请尝试用传统引擎,再转换一次"));
    EXPECT_EQ(shown[0]->informativeText(), first);

    const auto next = w.add_row(batchtest::copy_fixture("truncated.mp4", sources.path(), "cut again.mp4"));
    w.list->start_run();
    ASSERT_TRUE(w.wait_idle());
    ASSERT_TRUE(testsupport::pump_until([&] {
        shown = batchtest::visible_alerts(*w.list);
        return shown.size() == 1 && shown[0]->informativeText() != first;
    }));
    EXPECT_EQ(shown[0]->informativeText(), first + next->in_file_obj.toLocalFile() + u'\n');
    EXPECT_EQ(done->out_Ex->status, 3);
}
