// Quitting while a row converts: the window waits for the cancelled conversion, and nothing
// is left behind, neither a partial output nor an ffmpeg process.
#include <QDir>
#include <QMessageBox>
#include <gtest/gtest.h>

#include "app/batch/running_jobs.h"
#include "app/table/items_model.h"
#include "batch_support.h"

namespace {

QStringList folder_entries(const std::string& folder)
{
    return QDir(QString::fromStdString(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

void quit_during_conversion(const char* fixture, bool ffmpeg_path)
{
    batchtest::Window w;
    w.keep_preset(batchtest::slow_preset());
    const auto row = w.add_row(testsupport::fixture(fixture));
    if (ffmpeg_path) {
        ASSERT_TRUE(batchtest::wait_for_ffmpeg_choice(*row->out_Ex));
    }
    w.window.show();
    w.list->start_run();
    ASSERT_TRUE(batchtest::wait_converting(*row));
    EXPECT_EQ(batchtest::ffmpeg_children(), ffmpeg_path ? 1 : 0);

    EXPECT_FALSE(w.window.close()) << "the window waits for the conversion";
    EXPECT_TRUE(w.window.isVisible());
    ASSERT_NE(w.list->cancelExport_NSAlert, nullptr);
    ASSERT_TRUE(testsupport::pump_until([&] { return !w.window.isVisible(); }));
    EXPECT_FALSE(w.list->batch_running());
    EXPECT_EQ(row->out_Ex->status, 5);
    EXPECT_EQ(batchtest::ffmpeg_children(), 0);
    EXPECT_EQ(folder_entries(w.out.path()), QStringList()) << "no partial output";
}

}  // namespace

TEST(BatchQuit, QuitDuringAPipelineConversion) { quit_during_conversion("long.mp4", false); }

TEST(BatchQuit, QuitDuringAnFfmpegConversion) { quit_during_conversion("long.mkv", true); }

// With nothing running the window closes at once.
TEST(BatchQuit, QuitWhenIdleClosesAtOnce)
{
    batchtest::Window w;
    w.window.show();
    EXPECT_TRUE(w.window.close());
    EXPECT_FALSE(w.window.isVisible());
}

// A trial job registered by its window is cancelled by the quit, which waits for its owner
// to remove it once its completion has come.
TEST(BatchQuit, QuitCancelsRegisteredTrialJobs)
{
    batchtest::Window w;
    const auto trial = batchtest::HeldJob::make(QString::fromStdString(testsupport::fixture("tiny.mp4")));
    trial->start_export(media::TimeRange{});
    running_jobs::add(trial);
    w.window.show();
    EXPECT_FALSE(w.window.close());
    EXPECT_EQ(trial->cancels, 1);
    testsupport::pump_until([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_TRUE(w.window.isVisible()) << "the trial's owner has not seen its completion yet";
    running_jobs::remove(trial.get());
    ASSERT_TRUE(testsupport::pump_until([&] { return !w.window.isVisible(); }));
}

// A conversion that does not end when cancelled holds the quit for 10 s; the window then
// closes and the worker ends too, and the late completion changes nothing.
TEST(BatchQuit, QuitGivesUpWaitingAfterTenSeconds)
{
    batchtest::Window w;
    w.keep_preset(batchtest::small_mp4_preset());
    const auto row = batchtest::held_row(testsupport::fixture("tiny.mp4"));
    batchtest::held(*row).ignore_cancel = true;
    w.add_row(row);
    w.window.show();
    w.list->start_run();
    ASSERT_TRUE(testsupport::pump_until([&] { return batchtest::held(*row).running.load(); }));
    EXPECT_FALSE(w.window.close());
    testsupport::pump_until([] { return false; }, std::chrono::seconds(8));
    EXPECT_TRUE(w.window.isVisible());
    ASSERT_TRUE(testsupport::pump_until([&] { return !w.window.isVisible(); }));
    ASSERT_TRUE(w.wait_idle());
    batchtest::held(*row).finish(5);
    testsupport::pump_until([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_FALSE(w.list->batch_running());
}
