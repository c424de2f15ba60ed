// A preview or an estimate opened before the row's compatibility answer has come chooses its
// engine from that answer, without holding up the main thread.
#include <QFileInfo>
#include <QLabel>
#include <QMediaPlayer>
#include <QPointer>
#include <QProgressBar>
#include <gtest/gtest.h>

#include "app/trials/calculate_file_size_view_controller.h"
#include "app/trials/trial_owner.h"
#include "app/trials/trial_windows.h"
#include "app/trials/video_avplayer_view_controller.h"
#include "app_env.h"
#include "engine/job_support.h"
#include "engine/run_task_obj.h"
#include "platform/foundation/files.h"
#include "support/support.h"
#include "trials_support.h"

using testsupport::pump_until;

namespace {

class TrialAnswerWait : public ::testing::Test {
protected:
    void SetUp() override { trialtest::register_names(); }

    // A row of a source the pipeline cannot read, whose job's answer is still to come.
    std::shared_ptr<Run_task_obj> pending_row()
    {
        const QString source = trialtest::fixture_path("clip.mkv");
        job = std::make_shared<jobtest::PendingAnswerJob>(media::Asset::from_path(source));
        if (const auto duration = job->probe_duration())
            job->raw_duration = *duration;
        job->check_compatibility();
        job->My_prest_obj = trialtest::h264_preset();
        auto row = std::make_shared<Run_task_obj>(QUrl::fromLocalFile(source));
        row->out_Ex = job;
        row->set_state(EnumState::read());
        return row;
    }

    apptest::AppEnv env;
    std::shared_ptr<jobtest::PendingAnswerJob> job;
    std::weak_ptr<TrialOwner> owner;
};

// The sample waits, with the event loop running, until the answer "not compatible" comes,
// then converts through ffmpeg and plays a real three-second file.
TEST_F(TrialAnswerWait, PreviewWaitsForTheAnswerThenUsesFfmpeg)
{
    QPointer<Video_AVPlayer_ViewController> window = open_preview_window_for(nullptr, pending_row());
    owner = window->trial_owner();
    const auto sample_job = window->out_run_task_obj()->out_Ex;
    pump_until([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(sample_job->status, 0) << "started before the answer";
    EXPECT_FALSE(sample_job->out_url_obj.get().has_value());

    job->on_compatibility_result(false);
    ASSERT_TRUE(pump_until([&] { return !window->player->source().isEmpty() || trialtest::alert_over(window); }));
    EXPECT_EQ(sample_job->status, 3) << sample_job->error_info.get().value_or(QString()).toStdString();
    EXPECT_TRUE(sample_job->ff_sessionId.get().has_value());
    const QString sample = window->player->source().toLocalFile();
    EXPECT_NEAR(trialtest::probed_duration(sample), 3.0, 0.3);

    window->close();
    ASSERT_TRUE(trialtest::wait_for_owner_gone(owner));
    EXPECT_FALSE(foundation::file_exists(sample));
}

// The estimate's trial likewise; a window closed before the answer starts nothing.
TEST_F(TrialAnswerWait, EstimateWaitsForTheAnswerAndAClosedWindowStartsNothing)
{
    QPointer<Calculate_file_size_NSViewController> window =
        open_estimate_window_for(nullptr, pending_row()->out_Ex, QStringLiteral("clip.mkv"));
    owner = window->trial_owner();
    pump_until([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(window->out_out_Ex_obj(), nullptr) << "started before the answer";
    EXPECT_TRUE(window->wj_load->isVisible());

    job->on_compatibility_result(false);
    ASSERT_TRUE(pump_until([&] { return !window->wj_load->isVisible(); }, std::chrono::seconds(120)));
    const auto trial = window->out_out_Ex_obj();
    ASSERT_NE(trial, nullptr);
    EXPECT_EQ(trial->status, 3) << trial->error_info.get().value_or(QString()).toStdString();
    EXPECT_TRUE(trial->ff_sessionId.get().has_value());
    EXPECT_GT(QFileInfo(trial->out_url_obj.get()->toLocalFile()).size(), 0);
    EXPECT_NE(window->info_textfield->text(), Calculate_file_size_NSViewController::tr("无法估算"));
    window->close();
    ASSERT_TRUE(trialtest::wait_for_owner_gone(owner));

    QPointer<Video_AVPlayer_ViewController> closed = open_preview_window_for(nullptr, pending_row());
    owner = closed->trial_owner();
    const auto sample_job = closed->out_run_task_obj()->out_Ex;
    closed->close();
    ASSERT_TRUE(trialtest::wait_for_owner_gone(owner));
    job->on_compatibility_result(false);
    pump_until([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(sample_job->status, 0);
    EXPECT_FALSE(sample_job->out_url_obj.get().has_value());
}

}  // namespace
