// A finished run gives back what it opened: a batch of many rows, and previews and estimates
// opened one after another, leave the process with the threads it had before them and with no
// demuxer, codec, scaler or resampler of the media layer still open.
#include <QMediaPlayer>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/settings/setup_ns_view_controller.h"
#include "app/trials/calculate_file_size_view_controller.h"
#include "app/trials/trial_windows.h"
#include "app/trials/video_avplayer_view_controller.h"
#include "batch_support.h"
#include "census/libav_census.h"
#include "trials_support.h"

using testsupport::pump_until;

namespace {

constexpr int kRows = 10;

// Waits until the process is back to at most `threads` threads with no context open. The
// pool's idle workers end after a few seconds, so the wait is generous.
void expect_settled(const char* phase, int threads)
{
    const bool settled = pump_until(
        [&] { return testsupport::thread_count() <= threads && census::libav_contexts().none(); }, std::chrono::seconds(60));
    EXPECT_TRUE(settled) << phase << ": " << testsupport::thread_count() << " threads (" << threads << " before), open "
                         << census::libav_contexts().text();
}

class RunLifetime : public ::testing::Test {
protected:
    void SetUp() override { w.window.show(); }

    // Adds kRows copies of the fixture through the add button, as a user picks a folder; their
    // names start with the prefix, so that the outputs of two folders do not meet.
    std::vector<std::shared_ptr<Run_task_obj>> add_copies(const std::string& fixture, const std::string& prefix,
                                                          const std::string& extension)
    {
        const testsupport::TempDir& picked = *sources.emplace_back(std::make_unique<testsupport::TempDir>());
        for (int i = 0; i < kRows; ++i)
            batchtest::copy_fixture(fixture, picked.path(), prefix + " " + std::to_string(i) + extension);
        const qsizetype before = w.list->items().size();
        w.list->open_panel =
            std::make_unique<batchtest::PickedFolder>(QUrl::fromLocalFile(QString::fromStdString(picked.path())));
        w.list->add_button->click();
        EXPECT_TRUE(pump_until([&] { return w.list->items().size() == before + kRows && w.list->wj_load->isHidden(); }));
        const auto items = w.list->items();
        return {items.end() - kRows, items.end()};
    }

    void start_and_finish(const std::vector<std::shared_ptr<Run_task_obj>>& rows)
    {
        w.window.split()->settings_column()->start_button->click();
        ASSERT_TRUE(pump_until([&] { return !w.list->batch_running(); }, std::chrono::seconds(180)));
        for (const auto& row : rows)
            EXPECT_EQ(row->out_Ex->status, 3) << row->out_Ex->error_info.get().value_or(QString()).toStdString();
    }

    void preview(const std::shared_ptr<Run_task_obj>& row)
    {
        QPointer<Video_AVPlayer_ViewController> window = open_preview_window_for(&w.window, row);
        const std::weak_ptr<TrialOwner> owner = window->trial_owner();
        EXPECT_TRUE(pump_until([&] { return !window->player->source().isEmpty(); }));
        window->close();
        EXPECT_TRUE(trialtest::wait_for_owner_gone(owner));
    }

    void estimate(const std::shared_ptr<Run_task_obj>& row)
    {
        QPointer<Calculate_file_size_NSViewController> window =
            open_estimate_window_for(&w.window, row->out_Ex, row->name);
        const std::weak_ptr<TrialOwner> owner = window->trial_owner();
        EXPECT_TRUE(pump_until([&] { return !window->wj_load->isVisible(); }, std::chrono::seconds(60)));
        window->close();
        EXPECT_TRUE(trialtest::wait_for_owner_gone(owner));
    }

    std::vector<std::unique_ptr<testsupport::TempDir>> sources;
    batchtest::Window w;
};

TEST_F(RunLifetime, FinishedRunsGiveBackTheirThreadsAndCodecs)
{
    // The window's own start-up threads are there before anything is measured.
    ASSERT_TRUE(pump_until([] { return census::libav_contexts().none(); }));
    testsupport::start_first_pool_thread();

    int threads = testsupport::thread_count();
    const auto pipeline_rows = add_copies("h264_aac.mp4", "pipeline", ".mp4");
    expect_settled("adding rows (thumbnails, probes)", threads);

    threads = testsupport::thread_count();
    start_and_finish(pipeline_rows);
    expect_settled("ten rows on the pipeline", threads);

    threads = testsupport::thread_count();
    const auto ffmpeg_rows = add_copies("clip.mkv", "ffmpeg", ".mkv");
    for (const auto& row : ffmpeg_rows)
        ASSERT_TRUE(batchtest::wait_for_ffmpeg_choice(*row->out_Ex));
    start_and_finish(ffmpeg_rows);
    expect_settled("ten rows on the ffmpeg path", threads);
    EXPECT_EQ(batchtest::ffmpeg_children(), 0);

    // The player's libraries start threads of their own once, at their first use, and keep
    // them for the process: one preview before the count leaves only what each one costs.
    preview(pipeline_rows.front());
    threads = testsupport::thread_count();
    for (int i = 0; i < kRows; ++i)
        preview(i % 2 ? ffmpeg_rows[size_t(i)] : pipeline_rows[size_t(i)]);
    expect_settled("ten previews", threads);

    threads = testsupport::thread_count();
    for (int i = 0; i < kRows; ++i)
        estimate(i % 2 ? ffmpeg_rows[size_t(i)] : pipeline_rows[size_t(i)]);
    expect_settled("ten estimates", threads);
}

}  // namespace
