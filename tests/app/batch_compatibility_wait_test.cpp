// The batch worker chooses a row's engine from its compatibility answer, however late it comes.
#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <gtest/gtest.h>

#include "app/settings/setup_ns_view_controller.h"
#include "app/table/items_model.h"
#include "batch_support.h"
#include "engine/job_support.h"
#include "support/output_probe.h"

namespace {

// A real conversion job whose compatibility answer the test gives; it notes where the worker
// got to and which engine it started.
class LateAnswerJob : public jobtest::PendingAnswerJob {
public:
    explicit LateAnswerJob(media::AssetRef asset) : PendingAnswerJob(std::move(asset)) {}
    bool wait_for_compatibility(std::chrono::milliseconds bound) override
    {
        waiting = true;
        return OneExporter::wait_for_compatibility(bound);
    }
    void start_export(const media::TimeRange& range) override
    {
        ++pipeline_starts;
        OneExporter::start_export(range);
    }
    void start_ffmpeg_export(const media::TimeRange& range) override
    {
        ++ffmpeg_starts;
        OneExporter::start_ffmpeg_export(range);
    }

    std::atomic<bool> waiting{false};
    std::atomic<int> pipeline_starts{0};
    std::atomic<int> ffmpeg_starts{0};
};

// Start, then Stop while the worker waits for the job's answer, which then comes (compatible):
// nothing starts.
void stop_during_the_wait(batchtest::Window& w, LateAnswerJob& job)
{
    Setup_NSViewController* column = w.window.split()->settings_column();
    column->start_button->click();
    ASSERT_TRUE(testsupport::pump_until([&] { return job.waiting.load(); }));
    column->stop_button->click();
    job.on_compatibility_result(true);
    ASSERT_TRUE(w.wait_idle());
    EXPECT_EQ(job.pipeline_starts + job.ffmpeg_starts, 0);
}

// A row of the fixture whose job waits for an answer that the test gives.
std::pair<std::shared_ptr<Run_task_obj>, std::shared_ptr<LateAnswerJob>> late_answer_row(const std::string& fixture)
{
    const std::string source = testsupport::fixture(fixture);
    auto job = std::make_shared<LateAnswerJob>(media::Asset::from_path(QString::fromStdString(source)));
    if (const auto duration = job->probe_duration())
        job->raw_duration = *duration;
    job->check_compatibility();
    auto row = std::make_shared<Run_task_obj>(QUrl::fromLocalFile(QString::fromStdString(source)));
    row->out_Ex = job;
    row->set_state(EnumState::read());
    return {row, job};
}

}  // namespace

// A source the pipeline cannot read, started before the platform has answered: the worker
// waits for the answer and converts the row through ffmpeg instead of failing it.
TEST(BatchCompatibilityWait, ALateNotCompatibleAnswerStillChoosesFfmpeg)
{
    batchtest::Window w;
    w.keep_preset(batchtest::small_mp4_preset());
    const auto [row, job] = late_answer_row("clip.mkv");
    w.add_row(row);

    w.window.split()->settings_column()->start_button->click();
    ASSERT_TRUE(testsupport::pump_until([&] { return job->waiting || job->pipeline_starts + job->ffmpeg_starts > 0; }));
    job->on_compatibility_result(false);
    ASSERT_TRUE(w.wait_idle(120));

    EXPECT_EQ(job->pipeline_starts, 0);
    EXPECT_EQ(job->ffmpeg_starts, 1);
    EXPECT_EQ(job->status, 3) << job->error_info.get().value_or(QString()).toStdString();
    EXPECT_EQ(batchtest::status_text(*w.list, *row), QStringLiteral("完成"));
    const auto probed = probeFile(w.output(QStringLiteral("clip.mp4")));
    ASSERT_TRUE(probed);
    ASSERT_NE(probed->first("video"), nullptr);
    EXPECT_EQ(probed->first("video")->codec, "h264");
    EXPECT_NEAR(probed->duration, 3.0, 0.3);
}

// Stop while the worker waits for a row's answer: the row is not started and is ready again,
// and the next Start converts it.
TEST(BatchCompatibilityWait, StopDuringTheWaitLeavesTheRowReady)
{
    batchtest::Window w;
    w.keep_preset(batchtest::small_mp4_preset());
    const auto [row, job] = late_answer_row("tiny.mp4");
    w.add_row(row);
    Setup_NSViewController* column = w.window.split()->settings_column();

    ASSERT_NO_FATAL_FAILURE(stop_during_the_wait(w, *job));
    EXPECT_EQ(job->status, 0);
    EXPECT_EQ(row->state_obj.kind(), EnumState::Case::read);
    EXPECT_EQ(batchtest::status_text(*w.list, *row), QStringLiteral("就绪"));

    column->start_button->click();
    ASSERT_TRUE(w.wait_idle());
    EXPECT_EQ(job->pipeline_starts, 1);
    EXPECT_EQ(job->status, 3) << job->error_info.get().value_or(QString()).toStdString();
    EXPECT_TRUE(probeFile(w.output(QStringLiteral("tiny.mp4"))));
}

// An audio-only Start stopped while the worker waits for the answer leaves no engine choice on
// the row: the next Start with a movie preset converts it on the pipeline.
TEST(BatchCompatibilityWait, AStoppedAudioOnlyStartLeavesTheEngineToTheAnswer)
{
    batchtest::Window w;
    My_Prest audio_only;
    audio_only.fileType = AVFileTypeWAVE;
    audio_only.is_run_ffmpeg = true;
    w.keep_preset(audio_only);
    const auto [row, job] = late_answer_row("tiny.mp4");
    w.add_row(row);
    Setup_NSViewController* column = w.window.split()->settings_column();

    ASSERT_NO_FATAL_FAILURE(stop_during_the_wait(w, *job));
    EXPECT_EQ(row->state_obj.kind(), EnumState::Case::read);
    EXPECT_FALSE(job->is_run_ffmpeg) << "the answer chose the pipeline and nothing started since";

    w.keep_preset(batchtest::small_mp4_preset());
    column->start_button->click();
    ASSERT_TRUE(w.wait_idle());
    EXPECT_EQ(job->ffmpeg_starts, 0);
    EXPECT_EQ(job->pipeline_starts, 1);
    EXPECT_EQ(job->status, 3) << job->error_info.get().value_or(QString()).toStdString();
    EXPECT_TRUE(probeFile(w.output(QStringLiteral("tiny.mp4"))));
}

// A row removed from the table while the worker waits for its answer is not converted; the
// row after it is.
TEST(BatchCompatibilityWait, ARowRemovedDuringTheWaitIsNotConverted)
{
    batchtest::Window w;
    w.keep_preset(batchtest::small_mp4_preset());
    const auto [row, job] = late_answer_row("tiny.mp4");
    w.add_row(row);
    const auto next = w.add_row(testsupport::fixture("h264_aac.mp4"));

    w.window.split()->settings_column()->start_button->click();
    ASSERT_TRUE(testsupport::pump_until([&] { return job->waiting.load(); }));
    w.list->tableView->selectRow(0);
    w.list->del_button->click();
    ASSERT_EQ(w.list->items(), QList<std::shared_ptr<Run_task_obj>>({next}));
    job->on_compatibility_result(true);
    ASSERT_TRUE(w.wait_idle());

    EXPECT_EQ(job->pipeline_starts + job->ffmpeg_starts, 0);
    EXPECT_EQ(job->status, 0);
    EXPECT_FALSE(QFile::exists(w.output(QStringLiteral("tiny.mp4"))));
    EXPECT_EQ(next->out_Ex->status, 3) << next->out_Ex->error_info.get().value_or(QString()).toStdString();
    EXPECT_TRUE(probeFile(w.output(QStringLiteral("h264_aac.mp4"))));
}
