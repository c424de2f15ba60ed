#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QProgressBar>
#include <gtest/gtest.h>
#include <limits>

#include "app/trials/calculate_file_size_view_controller.h"
#include "app/trials/trial_estimate.h"
#include "app/trials/trial_owner.h"
#include "app/trials/trial_windows.h"
#include "app_env.h"
#include "engine/job_support.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"
#include "platform/foundation/files.h"
#include "support/support.h"
#include "trials_support.h"

using testsupport::pump_until;

namespace {

// The trial's size times the source's duration over the trial's length; for a source of at
// least half a second that is twice the size per second of source.
TEST(EstimateOutputSize, ScalesTheTrialToTheWholeSource)
{
    EXPECT_EQ(estimate_output_size(500000, 60, 0.5), 60000000);
    // A source shorter than the trial was converted whole: its size is the estimate.
    EXPECT_EQ(estimate_output_size(1000, 0.25, 0.25), 1000);
    EXPECT_EQ(estimate_output_size(3, 1, 0.5), 6);
    EXPECT_EQ(estimate_output_size(0, 12, 0.5), 0);
    // Truncated toward zero.
    EXPECT_EQ(estimate_output_size(999, 0.7, 0.5), 1398);
}

// No valid duration, an empty trial or a count past the signed 64-bit range give no number.
TEST(EstimateOutputSize, NothingThatIsNotAByteCount)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(estimate_output_size(500000, 0, 0.5));
    EXPECT_FALSE(estimate_output_size(500000, -3, 0.5));
    EXPECT_FALSE(estimate_output_size(500000, nan, 0.5));
    EXPECT_FALSE(estimate_output_size(500000, inf, 0.5));
    EXPECT_FALSE(estimate_output_size(500000, 60, 0));
    EXPECT_FALSE(estimate_output_size(500000, 60, nan));
    EXPECT_FALSE(estimate_output_size(uint64_t(1) << 62, 60, 0.5));
    EXPECT_FALSE(estimate_output_size(std::numeric_limits<uint64_t>::max(), 1, 1));
    EXPECT_TRUE(estimate_output_size(uint64_t(1) << 61, 1, 0.5));  // 2^62 still fits
}

TEST(EstimateOutputSize, TextInDecimalUnits)
{
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(byte_count_text(60000000), QStringLiteral("60.00 MB"));
    EXPECT_EQ(byte_count_text(1500), QStringLiteral("1.50 kB"));
    QLocale::setDefault(QLocale::system());
}

TEST(GetFileSize, SizeOfAFileOrZero)
{
    testsupport::TempDir dir;
    QFile file(QString::fromStdString(dir.file("größe 1.bin")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(12345, 'x'));
    file.close();
    EXPECT_EQ(Calculate_file_size_NSViewController::get_file_size(QUrl::fromLocalFile(file.fileName())), 12345u);
    EXPECT_EQ(Calculate_file_size_NSViewController::get_file_size(QUrl::fromLocalFile(file.fileName() + "x")), 0u);
}

class Estimate : public ::testing::Test {
protected:
    void SetUp() override { trialtest::register_names(); }

    QPointer<Calculate_file_size_NSViewController> open(std::shared_ptr<OneExporter> job)
    {
        QPointer<Calculate_file_size_NSViewController> window =
            open_estimate_window_for(nullptr, std::move(job), QStringLiteral("name"));
        owner = window->trial_owner();
        return window;
    }
    // Waits until the window has stopped its spinner.
    static bool settled(Calculate_file_size_NSViewController& window)
    {
        return pump_until([&] { return !window.wj_load->isVisible(); }, std::chrono::seconds(120));
    }

    apptest::AppEnv env;
    std::weak_ptr<TrialOwner> owner;
};

// The estimate of a real 12 s source is within a quarter of the size of the real conversion
// of the whole source with the same preset, on both engines; the window shows it in decimal
// units and removes its trial file when it closes.
TEST_F(Estimate, WithinAQuarterOfTheRealConversion)
{
    // An intra-frame codec with a steady rate. (How close a half second comes depends on the
    // codec: H.264's first frames cost more than its average, so its trial runs some 20 % high.)
    auto prores = std::make_shared<My_Prest>();
    prores->fileType = AVFileTypeQuickTimeMovie;
    prores->video_outputSettings = {
        {AVVideoCodecKey, QString(AVVideoCodecTypeAppleProRes422)}, {AVVideoWidthKey, 320.0}, {AVVideoHeightKey, 240.0}};
    prores->audio_outputSettings = {{AVFormatIDKey, uint(kAudioFormatLinearPCM)}, {AVLinearPCMBitDepthKey, 16}};
    for (const bool ffmpeg : {false, true}) {
        SCOPED_TRACE(ffmpeg ? "ffmpeg" : "pipeline");
        auto preset = std::make_shared<My_Prest>(*prores);
        preset->is_run_ffmpeg = ffmpeg;
        const auto row = trialtest::fixture_row("long.mp4");
        row->out_Ex->My_prest_obj = preset;

        QPointer<Calculate_file_size_NSViewController> window = open(row->out_Ex);
        EXPECT_EQ(window->objectName(), QStringLiteral("Calculate_file_size"));
        EXPECT_EQ(window->windowTitle(), QStringLiteral("name"));
        EXPECT_TRUE(window->wj_load->isVisible());
        const auto trial = window->out_out_Ex_obj();
        ASSERT_NE(trial, nullptr);
        EXPECT_NE(trial, row->out_Ex);
        EXPECT_EQ(trial->My_prest_obj.get(), preset);
        ASSERT_TRUE(settled(*window));
        ASSERT_EQ(trial->status, 3);
        // The engine that ran (the trial's own compatibility answer may reset its flag after
        // the start): only an ffmpeg run has a session.
        EXPECT_EQ(trial->ff_sessionId.get().has_value(), ffmpeg);
        const QString trial_file = trial->out_url_obj.get()->toLocalFile();
        const double trial_bytes = double(QFileInfo(trial_file).size());
        const int64_t estimate = int64_t(trial_bytes * 12 / 0.5);
        EXPECT_EQ(window->info_textfield->text(), byte_count_text(estimate));

        // The whole source, converted for real with the same preset and engine.
        jobtest::Recorder done;
        auto full = OneExporter::create(media::Asset::from_path(trialtest::fixture_path("long.mp4")));
        full->My_prest_obj = preset;
        full->is_run_ffmpeg = ffmpeg;
        const auto recorder = std::make_shared<jobtest::Recorder>();
        full->delegate = recorder;
        full->is_preview_play = true;
        const auto range = media::TimeRange::make(media::Time::zero(), full->raw_duration);
        ffmpeg ? full->start_ffmpeg_export(range) : full->start_export(range);
        ASSERT_TRUE(trialtest::wait_for_end(*full));
        ASSERT_EQ(full->status, 3);
        const QString full_file = full->out_url_obj.get()->toLocalFile();
        const double real = double(QFileInfo(full_file).size());
        EXPECT_NEAR(double(estimate) / real, 1.0, 0.25) << estimate << " estimated, " << real << " real";
        foundation::remove_item(full_file);

        window->close();
        ASSERT_TRUE(trialtest::wait_for_owner_gone(owner));
        EXPECT_FALSE(foundation::file_exists(trial_file));
    }
}

// Whenever no number comes out, the spinner stops and the window says so: a row without a
// job or without a source, a failed trial, a source without a duration.
TEST_F(Estimate, NoNumberShowsThatItCannotEstimate)
{
    const QString cannot = Calculate_file_size_NSViewController::tr("无法估算");
    {
        QPointer<Calculate_file_size_NSViewController> window = open(nullptr);
        EXPECT_FALSE(window->wj_load->isVisible());
        EXPECT_EQ(window->info_textfield->text(), cannot);
        EXPECT_EQ(window->out_out_Ex_obj(), nullptr);
        window->close();
    }
    {
        QPointer<Calculate_file_size_NSViewController> window = open(std::make_shared<jobtest::QuietJob>(nullptr));
        EXPECT_FALSE(window->wj_load->isVisible());
        EXPECT_EQ(window->info_textfield->text(), cannot);
        window->close();
    }
    for (const char* fixture : {"tiny.mp4", "raw.h264"}) {
        SCOPED_TRACE(fixture);
        const auto row = trialtest::fixture_row(fixture);
        // The picture type cannot be written: the trial fails. The raw stream has no duration.
        row->out_Ex->My_prest_obj =
            std::string(fixture) == "tiny.mp4" ? trialtest::unwritable_preset() : trialtest::h264_preset();
        QPointer<Calculate_file_size_NSViewController> window = open(row->out_Ex);
        ASSERT_TRUE(settled(*window));
        EXPECT_EQ(window->info_textfield->text(), cannot);
        window->close();
        EXPECT_TRUE(trialtest::wait_for_owner_gone(owner));
    }
}

// Closing the window during the trial cancels it; no trial file stays.
TEST_F(Estimate, ClosingDuringTheTrialCancelsIt)
{
    for (const bool ffmpeg : {false, true}) {
        SCOPED_TRACE(ffmpeg ? "ffmpeg" : "pipeline");
        const auto row = trialtest::fixture_row("hd1080.mp4");
        auto preset = trialtest::h264_preset();
        preset->is_run_ffmpeg = ffmpeg;
        row->out_Ex->My_prest_obj = preset;
        QPointer<Calculate_file_size_NSViewController> window = open(row->out_Ex);
        const auto trial = window->out_out_Ex_obj();
        const QString trial_file = trial->out_url_obj.get()->toLocalFile();
        window->close();
        ASSERT_TRUE(trialtest::wait_for_owner_gone(owner));
        EXPECT_EQ(trial->status, 5);
        EXPECT_FALSE(foundation::file_exists(trial_file));
    }
}

}  // namespace
