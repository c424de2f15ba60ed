#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "engine/ffmpeg_log_slots.h"
#include "engine/one_exporter.h"
#include "fixture_paths.h"
#include "job_support.h"
#include "platform/ffkit/statistics.h"
#include "platform/foundation/files.h"
#include "support/support.h"

using jobtest::quiet_job;
using jobtest::Recorder;

namespace {

std::shared_ptr<My_Prest> preset_of(const char* file_type, bool ffmpeg = false)
{
    auto preset = std::make_shared<My_Prest>();
    preset->fileType = file_type;
    preset->is_run_ffmpeg = ffmpeg;
    return preset;
}

class OneExporterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { register_file_type_names(); }
};

}  // namespace

TEST_F(OneExporterTest, ParsesTheDurationOfRealProbeOutputAndTheGreedyLine)
{
    const auto probed = testsupport::run_program({"ffprobe", "-v", "error", "-print_format", "json", "-show_format",
                                                  "-show_streams", fixture_path("h264_aac.mp4").toStdString()});
    ASSERT_TRUE(probed);
    const QString output = QString::fromStdString(*probed);
    EXPECT_EQ(OneExporter::parse_ffprobe_duration(output), "3.000000");

    EXPECT_EQ(OneExporter::parse_ffprobe_duration(QString("{\n  \"duration\": \"12.345000\",\n  \"size\": \"1\"\n}")),
              "12.345000");
    // Greedy within the line: the match runs to the line's last double quote.
    EXPECT_EQ(OneExporter::parse_ffprobe_duration(QString("\"duration\": \"1.5\", \"bit_rate\": \"100\"")),
              "1.5, bit_rate: 100");
    EXPECT_EQ(OneExporter::parse_ffprobe_duration(QString("  \"duration\": \"N/A\"")), "N/A");
    EXPECT_EQ(OneExporter::parse_ffprobe_duration(QString("{\n\"format\": {\n}\n}")), std::nullopt);
    EXPECT_EQ(OneExporter::parse_ffprobe_duration(std::nullopt), std::nullopt);
}

TEST_F(OneExporterTest, ProbedDurationAtTimescale600OrZero)
{
    const auto movie = OneExporter::create(media::Asset::from_path(fixture_path("h264_aac.mp4")));
    EXPECT_EQ(movie->raw_duration.value, 1800);
    EXPECT_EQ(movie->raw_duration.timescale, 600);
    for (const char* name : {"raw.h264", "random.mp4", "empty.mov"}) {
        const auto job = OneExporter::create(media::Asset::from_path(fixture_path(name)));
        EXPECT_EQ(job->raw_duration.value, 0) << name;
        EXPECT_EQ(job->raw_duration.seconds(), 0) << name;
    }
}

TEST_F(OneExporterTest, LogSlotsGiveTheLastTwoMessagesInTheOrderTheyCame)
{
    FfmpegLogSlots log_slots;
    EXPECT_EQ(log_slots.text(), "");
    log_slots.store("m1");
    EXPECT_EQ(log_slots.text(), "m1");
    log_slots.store("m2");
    EXPECT_EQ(log_slots.text(), "m1\nm2");
    log_slots.store("m3");
    EXPECT_EQ(log_slots.text(), "m2\nm3");
    log_slots.store("m4");
    EXPECT_EQ(log_slots.text(), "m3\nm4");
}

TEST_F(OneExporterTest, AFailedRunTellsWhyBeforeAndAfterItsCompletion)
{
    const auto job = quiet_job(fixture_path("h264_aac.mp4"));
    job->error_info = std::optional<QString>("an earlier failure");
    for (const char* message : {"m1", "m2", "m3"})
        job->on_ffmpeg_log(ffkit::Log{1, message, std::nullopt});
    EXPECT_EQ(job->error_info.get(), "an earlier failure");
    job->on_ffmpeg_complete(nullptr);  // no session: a failure
    EXPECT_EQ(job->status, 4);
    EXPECT_EQ(job->error_info.get(), "m2\nm3");
    job->on_ffmpeg_log(ffkit::Log{1, "m4", std::nullopt});
    EXPECT_EQ(job->error_info.get(), "m3\nm4");
}

TEST_F(OneExporterTest, EngineChoice)
{
    for (bool compatible : {true, false}) {
        for (std::optional<bool> override_choice : {std::optional<bool>(), std::optional<bool>(true),
                                                    std::optional<bool>(false)}) {
            for (bool preset_asks : {false, true}) {
                const auto job = quiet_job(fixture_path("h264_aac.mp4"));
                job->My_prest_obj = preset_of(AVFileTypeQuickTimeMovie, preset_asks);
                job->let_is_run_ffmpeg = override_choice;
                // The preset of an earlier run is still stored, and its start set the flag; the
                // answer alone decides again (the next start adds its own preset's wish).
                job->is_run_ffmpeg = preset_asks;
                job->on_compatibility_result(compatible);
                const bool expected = !compatible || override_choice.value_or(false);
                EXPECT_EQ(job->is_run_ffmpeg, expected)
                    << "compatible " << compatible << " override " << override_choice.value_or(-1) << " preset "
                    << preset_asks;
            }
        }
    }
}

TEST_F(OneExporterTest, TheRealAnswerChoosesThePipelineOrFfmpeg)
{
    const auto compatible = OneExporter::create(media::Asset::from_path(fixture_path("h264_aac.mp4")));
    // Whenever the first answer came, the one asked for now comes after this.
    compatible->is_run_ffmpeg = true;
    compatible->check_compatibility();
    const auto incompatible = OneExporter::create(media::Asset::from_path(fixture_path("clip.mkv")));
    EXPECT_TRUE(testsupport::pump_until([&] { return !compatible->is_run_ffmpeg && incompatible->is_run_ffmpeg; }));
}

// A job that has asked its question and whose answer the test gives.
class PendingAnswerJob : public jobtest::QuietJob {
public:
    using QuietJob::QuietJob;
    void check_compatibility() override { mark_compatibility_pending(); }
};

TEST_F(OneExporterTest, WaitingForTheCompatibilityAnswer)
{
    // The real answer, from the platform's thread: once the wait returns, the choice is made.
    const auto incompatible = OneExporter::create(media::Asset::from_path(fixture_path("clip.mkv")));
    EXPECT_TRUE(incompatible->wait_for_compatibility(std::chrono::seconds(120)));
    EXPECT_TRUE(incompatible->is_run_ffmpeg);

    // A job never asked has nothing to wait for.
    EXPECT_TRUE(quiet_job(fixture_path("clip.mkv"))->wait_for_compatibility(std::chrono::milliseconds(0)));

    // An answer held back: the bound passes without it, and the answer ends the wait.
    const auto held = std::make_shared<PendingAnswerJob>(media::Asset::from_path(fixture_path("clip.mkv")));
    held->check_compatibility();
    EXPECT_FALSE(held->wait_for_compatibility(std::chrono::milliseconds(0)));
    held->on_compatibility_result(false);
    EXPECT_TRUE(held->wait_for_compatibility(std::chrono::milliseconds(0)));
    EXPECT_TRUE(held->is_run_ffmpeg);
}

TEST_F(OneExporterTest, OutputOnTheSourceIsRefused)
{
    testsupport::TempDir dir;
    const QString source = QString::fromStdString(dir.file("a.mov"));
    ASSERT_TRUE(QFile::copy(fixture_path("h264_aac.mp4"), source));
    const auto recorder = std::make_shared<Recorder>();
    const auto job = quiet_job(source);
    job->delegate = recorder;
    job->My_prest_obj = preset_of(AVFileTypeQuickTimeMovie);
    for (bool ffmpeg : {true, false}) {
        job->out_url_obj = std::optional<QUrl>(QUrl::fromLocalFile(QString::fromStdString(dir.file("a"))));
        job->status = 0;
        const int before = recorder->finished;
        if (ffmpeg)
            job->start_ffmpeg_export(media::TimeRange::make(media::Time::zero(), media::Time::from_seconds(3)));
        else
            job->start_export(media::TimeRange::make(media::Time::zero(), media::Time::from_seconds(3)));
        EXPECT_EQ(recorder->finished, before + 1);
        EXPECT_TRUE(recorder->last_url().isEmpty());
        EXPECT_EQ(job->status, 4);
        EXPECT_EQ(job->error_info.get(), "文件一样");
        EXPECT_EQ(job->out_url_obj.get(), std::nullopt);
    }
    EXPECT_EQ(QFileInfo(source).size(), QFileInfo(fixture_path("h264_aac.mp4")).size());
}

TEST_F(OneExporterTest, OutputNames)
{
    const auto job = quiet_job(fixture_path("h264_aac.mp4"));
    const QString temporary = foundation::temporary_directory();

    // No preset: mov; no location: a unique name in the temporary directory.
    auto url = job->make_output_url();
    ASSERT_TRUE(url);
    EXPECT_TRUE(url->toLocalFile().startsWith(temporary));
    EXPECT_TRUE(url->toLocalFile().endsWith(".mov"));

    job->out_url_obj = std::optional<QUrl>(QUrl::fromLocalFile("/out/a"));
    job->My_prest_obj = preset_of(AVFileTypeWAVE);
    EXPECT_EQ(job->make_output_url(), QUrl::fromLocalFile("/out/a.wav"));
    job->My_prest_obj = preset_of("org.example.nothing");
    EXPECT_EQ(job->make_output_url(), QUrl::fromLocalFile("/out/a"));

    // Two starts without naming in between carry the extension twice.
    job->My_prest_obj = preset_of(AVFileTypeQuickTimeMovie);
    job->build_ffmpeg_command();
    job->build_ffmpeg_command();
    EXPECT_EQ(job->out_url_obj.get(), QUrl::fromLocalFile("/out/a.mov.mov"));

    // A preview ignores the location and names a new file each time.
    job->is_preview_play = true;
    const auto first = job->make_output_url();
    const auto second = job->make_output_url();
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    for (const auto& preview : {*first, *second}) {
        EXPECT_TRUE(preview.toLocalFile().startsWith(temporary));
        EXPECT_TRUE(preview.toLocalFile().endsWith(".mov"));
    }

    // Where TMPDIR names no folder, a preview goes to the system's temporary folder, not to
    // the root.
    testsupport::TempDir folder;
    const testsupport::ScopedEnvironment tmpdir("TMPDIR", folder.file("not there"));
    const auto preview = job->make_output_url();
    ASSERT_TRUE(preview);
    const QString preview_folder = QFileInfo(preview->toLocalFile()).path();
    EXPECT_NE(preview_folder.toStdString(), "/");
    EXPECT_TRUE(foundation::is_directory(preview_folder)) << preview_folder.toStdString();
}

TEST_F(OneExporterTest, StatisticsFractionAndNoFractionWithoutADuration)
{
    const auto recorder = std::make_shared<Recorder>();
    const auto job = quiet_job(fixture_path("h264_aac.mp4"));
    job->delegate = recorder;
    job->raw_duration = media::Time::from_seconds(100);
    ffkit::Statistics statistics;
    statistics.time = 10000;
    job->on_ffmpeg_statistics(&statistics);
    EXPECT_FLOAT_EQ(job->out_progress, 0.1f);
    job->on_ffmpeg_statistics(nullptr);
    EXPECT_EQ(recorder->progress(), std::vector<float>({0.1f}));

    job->raw_duration = media::Time::make(0, 600);
    job->out_progress = 0;
    job->on_ffmpeg_statistics(&statistics);
    EXPECT_EQ(job->out_progress, 0);
    EXPECT_EQ(recorder->progress().size(), 1u);
}
