#include <QAbstractButton>
#include <QApplication>
#include <QMediaPlayer>
#include <QPointer>
#include <QProgressBar>
#include <QThread>
#include <gtest/gtest.h>

#include "app/trials/trial_owner.h"
#include "app/trials/trial_windows.h"
#include "app/trials/video_avplayer_view_controller.h"
#include "app_env.h"
#include "engine/job_support.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"
#include "platform/foundation/files.h"
#include "support/support.h"
#include "trials_support.h"

using testsupport::pump_until;

namespace {

class Preview : public ::testing::Test {
protected:
    void SetUp() override { trialtest::register_names(); }

    // Opens the preview of a fixture row whose job holds the preset, as the menu leaves it.
    QPointer<Video_AVPlayer_ViewController> open(const std::string& fixture, std::shared_ptr<My_Prest> preset)
    {
        row = trialtest::fixture_row(fixture);
        row->out_Ex->My_prest_obj = std::move(preset);
        QPointer<Video_AVPlayer_ViewController> window = open_preview_window_for(nullptr, row);
        owner = window->trial_owner();
        return window;
    }

    // The sample's job and output, once the preview plays it.
    QString played_sample(Video_AVPlayer_ViewController& window)
    {
        EXPECT_TRUE(pump_until([&] { return !window.player->source().isEmpty() || trialtest::alert_over(&window); }));
        return window.player->source().toLocalFile();
    }

    apptest::AppEnv env;
    std::shared_ptr<Run_task_obj> row;
    std::weak_ptr<TrialOwner> owner;
};

// The sample is the first ten seconds at most: a 12 s source gives 10 s, a 1 s source all of
// it, a source of exactly 10 s all of it. The player plays the temporary file of the private
// copy's job, and closing the window removes that file.
TEST_F(Preview, ConvertsAtMostTenSecondsAndPlaysTheTemporaryFile)
{
    const struct {
        const char* fixture;
        double seconds;
    } cases[] = {{"long.mp4", 10}, {"tiny.mp4", 1}, {"ten.mov", 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        QPointer<Video_AVPlayer_ViewController> window = open(c.fixture, trialtest::h264_preset());
        EXPECT_EQ(window->objectName(), QStringLiteral("AVPlayer_vc"));
        EXPECT_EQ(window->windowTitle(), row->name);
        EXPECT_TRUE(window->isVisible());

        const auto copy = window->out_run_task_obj();
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, row);
        EXPECT_NE(copy->out_Ex, row->out_Ex);
        EXPECT_EQ(copy->out_Ex->My_prest_obj.get(), row->out_Ex->My_prest_obj.get());
        EXPECT_TRUE(copy->out_Ex->is_preview_play);

        const QString sample = played_sample(*window);
        ASSERT_FALSE(sample.isEmpty());
        EXPECT_EQ(sample, copy->out_Ex->out_url_obj.get()->toLocalFile());
        EXPECT_TRUE(sample.startsWith(foundation::temporary_directory()));
        EXPECT_TRUE(sample.endsWith(QStringLiteral(".mp4")));
        EXPECT_NEAR(trialtest::probed_duration(sample), c.seconds, 0.15);
        EXPECT_FALSE(window->jd_progress->isVisible());
        EXPECT_FALSE(row->out_Ex->out_url_obj.get().has_value()) << "the row's own job is not touched";

        window->close();
        EXPECT_TRUE(pump_until([&] { return window.isNull(); }));
        ASSERT_TRUE(trialtest::wait_for_owner_gone(owner));
        EXPECT_FALSE(foundation::file_exists(sample));
    }
}

TEST(TrialRange, CutsOnlyADurationGreaterThanTheLimit)
{
    const media::Time ten = media::Time::make(6000, 600);
    EXPECT_EQ(trial_range(media::Time::from_seconds(12), ten).duration, ten);
    EXPECT_EQ(trial_range(media::Time::make(6001, 600), ten).duration, ten);
    EXPECT_EQ(trial_range(media::Time::make(10, 1), ten).duration, media::Time::make(10, 1));
    EXPECT_EQ(trial_range(media::Time::from_seconds(0.25), media::Time::make(300, 600)).duration,
              media::Time::from_seconds(0.25));
    EXPECT_EQ(trial_range(media::Time::from_seconds(12), ten).start, media::Time::zero());
}

// A sample that fails shows the critical alert "错误" ("error") with the job's own text; its "OK"
// closes the window, and the window's end removes what the trial left.
TEST_F(Preview, FailedSampleShowsTheJobsTextThenCloses)
{
    QPointer<Video_AVPlayer_ViewController> window = open("tiny.mp4", trialtest::unwritable_preset());
    const auto job = window->out_run_task_obj()->out_Ex;
    ASSERT_TRUE(pump_until([&] { return trialtest::alert_over(window) != nullptr; }));
    QMessageBox* alert = trialtest::alert_over(window);
    EXPECT_EQ(job->status, 4);
    EXPECT_EQ(alert->text(), QStringLiteral("错误"));
    ASSERT_TRUE(job->error_info.get().has_value());
    EXPECT_EQ(alert->informativeText(), *job->error_info.get());
    EXPECT_EQ(alert->icon(), QMessageBox::Critical);
    ASSERT_EQ(alert->buttons().size(), 1);
    EXPECT_EQ(alert->buttons().front()->text(), QStringLiteral("OK"));
    EXPECT_TRUE(window->player->source().isEmpty());

    alert->buttons().front()->click();
    EXPECT_TRUE(pump_until([&] { return window.isNull(); }));
    ASSERT_TRUE(trialtest::wait_for_owner_gone(owner));
}

// Closing the window while the sample converts cancels it: the job ends cancelled, nothing is
// shown for the closed window, and no temporary file stays. On both engines.
TEST_F(Preview, ClosingDuringTheSampleCancelsItAndLeavesNoFile)
{
    for (const bool ffmpeg : {false, true}) {
        SCOPED_TRACE(ffmpeg ? "ffmpeg" : "pipeline");
        auto preset = trialtest::h264_preset();
        preset->is_run_ffmpeg = ffmpeg;
        QPointer<Video_AVPlayer_ViewController> window = open("long.mp4", preset);
        const auto job = window->out_run_task_obj()->out_Ex;
        const QString sample = job->out_url_obj.get()->toLocalFile();
        window->close();
        EXPECT_TRUE(pump_until([&] { return window.isNull(); }));
        ASSERT_TRUE(trialtest::wait_for_owner_gone(owner));
        EXPECT_EQ(job->status, 5);
        EXPECT_FALSE(foundation::file_exists(sample));
        pump_until([] { return false; }, std::chrono::milliseconds(200));
        EXPECT_FALSE(trialtest::any_alert_up());
    }
}

// A row retried with the traditional engine is previewed with ffmpeg too; a preset that asks
// for ffmpeg gets it even when the row's job has not.
TEST_F(Preview, TakesTheEngineOfTheRowOrOfThePreset)
{
    for (const bool from_row : {true, false}) {
        auto preset = trialtest::h264_preset();
        preset->is_run_ffmpeg = !from_row;
        row = trialtest::fixture_row("tiny.mp4");
        row->out_Ex->My_prest_obj = preset;
        if (from_row) {  // as the retry leaves it
            row->out_Ex->let_is_run_ffmpeg = std::optional<bool>(true);
            row->out_Ex->is_run_ffmpeg = true;
        }
        QPointer<Video_AVPlayer_ViewController> window = open_preview_window_for(nullptr, row);
        owner = window->trial_owner();
        const auto job = window->out_run_task_obj()->out_Ex;
        EXPECT_TRUE(job->ff_sessionId.get().has_value()) << "started on the ffmpeg path";
        const QString sample = played_sample(*window);
        EXPECT_FALSE(sample.isEmpty());
        // The sample goes with the window's end, which comes after the test's end unless waited for.
        window->close();
        EXPECT_TRUE(pump_until([&] { return window.isNull(); }));
        ASSERT_TRUE(trialtest::wait_for_owner_gone(owner));
        EXPECT_FALSE(foundation::file_exists(sample));
    }
}

// A row without a job leaves the window empty: nothing is started.
TEST_F(Preview, RowWithoutJobStartsNothing)
{
    row = trialtest::fixture_row("tiny.mp4");
    row->out_Ex.reset();
    QPointer<Video_AVPlayer_ViewController> window = open_preview_window_for(nullptr, row);
    EXPECT_EQ(window->out_run_task_obj(), nullptr);
    EXPECT_FALSE(window->jd_progress->isVisible());
    window->close();
    EXPECT_TRUE(pump_until([&] { return window.isNull(); }));
}

// Twenty previews opened and closed while conversions run, closed at different moments of
// their samples: every window is destroyed on the main thread, each trial ends, and no
// temporary file and no alert stay behind. (Meant for the thread sanitizer above all.)
TEST_F(Preview, OpenAndCloseTwentyTimesDuringConversions)
{
    auto background = trialtest::fixture_row("long.mp4");
    background->out_Ex->My_prest_obj = trialtest::h264_preset();
    auto recorder = std::make_shared<jobtest::Recorder>();
    background->out_Ex->delegate = recorder;
    background->out_Ex->start_export(media::TimeRange::make(media::Time::zero(), media::Time::from_seconds(12)));

    std::vector<std::weak_ptr<TrialOwner>> owners;
    std::vector<QString> samples;
    int destroyed = 0;
    int destroyed_off_main = 0;
    for (int i = 0; i < 20; ++i) {
        auto preset = trialtest::h264_preset();
        preset->is_run_ffmpeg = i % 2 == 1;
        QPointer<Video_AVPlayer_ViewController> window = open(i % 3 == 0 ? "long.mp4" : "tiny.mp4", preset);
        QObject::connect(window, &QObject::destroyed, [&] {
            ++destroyed;
            if (QThread::currentThread() != qApp->thread())
                ++destroyed_off_main;
        });
        owners.push_back(owner);
        samples.push_back(window->out_run_task_obj()->out_Ex->out_url_obj.get()->toLocalFile());
        // Closed at once, after some progress, or once the sample plays.
        if (i % 4 == 1)
            pump_until([&] { return window->jd_progress->isVisible(); }, std::chrono::seconds(5));
        else if (i % 4 == 2)
            played_sample(*window);
        window->close();
    }
    for (const auto& o : owners)
        EXPECT_TRUE(trialtest::wait_for_owner_gone(o));
    EXPECT_TRUE(pump_until([&] { return recorder->finished > 0; }, std::chrono::seconds(120)));
    EXPECT_EQ(destroyed, 20);
    EXPECT_EQ(destroyed_off_main, 0);
    for (const QString& sample : samples)
        EXPECT_FALSE(foundation::file_exists(sample)) << sample.toStdString();
    EXPECT_FALSE(trialtest::any_alert_up());
    EXPECT_EQ(background->out_Ex->status, 3);
    foundation::remove_item(background->out_Ex->out_url_obj.get()->toLocalFile());
}

}  // namespace
