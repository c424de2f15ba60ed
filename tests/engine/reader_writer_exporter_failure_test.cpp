// Runs of the pipeline that fail or are cancelled: one result each, nothing half-written left.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cstdio>
#include <random>

#include "engine/presets.h"
#include "export_harness.h"
#include "fixture_paths.h"
#include "support/output_probe.h"
#include "support/support.h"

namespace {

using testsupport::pump_until;
using testsupport::TempDir;

// Pumps the main queue a little longer, so that a second report would show up.
void settle(int ms = 100)
{
    pump_until([] { return false; }, std::chrono::milliseconds(ms));
}

bool isFailureOtherThanCancel(const ExportResult& r)
{
    return !r.is_success() && !r.error().is(ReaderWriterExporterError::cancelled);
}

// The conversion most cases here run: H.264 at 320x240 with AAC sound.
std::shared_ptr<ReaderWriterExporter> makeH264Exporter(const QString& source, const QString& out,
                                                       const QString& fileType = AVFileTypeMPEG4)
{
    return makeExporter(source, out, fileType, videoSettings(AVVideoCodecTypeH264, 320, 240), aacSettings());
}

// Runs the exporter to its end and pumps a little longer: exactly one result must come.
// Call it inside ASSERT_NO_FATAL_FAILURE, so that a run without a result ends the test.
void runToTheEnd(const std::shared_ptr<ReaderWriterExporter>& exporter, std::shared_ptr<RunRecord>& record,
                 int seconds = 120)
{
    record = startRecording(exporter);
    ASSERT_TRUE(waitForCompletion(*record, seconds));
    settle();
    EXPECT_EQ(record->completionCount(), 1);
}

// Waits for the report of a cancelled run, and a little longer: exactly one "cancelled" must
// come. Call it inside ASSERT_NO_FATAL_FAILURE.
void expectOneCancelReport(const RunRecord& record)
{
    ASSERT_TRUE(waitForCompletion(record));
    settle(300);
    EXPECT_EQ(record.completionCount(), 1);
    ASSERT_FALSE(record.lastResult().is_success());
    EXPECT_TRUE(record.lastResult().error().is(ReaderWriterExporterError::cancelled));
}

TEST(PipelineFailure, CancelInTheMiddle)
{
    TempDir dir;
    const QString out = QString::fromStdString(dir.file("cancelled 取消.mp4"));
    auto exporter = makeH264Exporter(fixture_path("long.mp4"), out);
    const auto record = startRecording(exporter);
    ASSERT_TRUE(pump_until([&] { return exporter->progress() > 0.2f; }));
    EXPECT_EQ(exporter->exportStatus(), 2);
    // Written under a hidden name until it is finished.
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_EQ(testsupport::entries(dir.path()).size(), 1u);
    exporter->cancelExport();
    ASSERT_NO_FATAL_FAILURE(expectOneCancelReport(*record));
    EXPECT_FALSE(record->completionOffMainThread);
    EXPECT_TRUE(testsupport::entries(dir.path()).empty());
    EXPECT_EQ(exporter->exportStatus(), 0);
    EXPECT_EQ(exporter->progress(), 0.0f);
    EXPECT_EQ(exporter->writer(), nullptr);

    // A cancel after the report reports nothing again.
    exporter->cancelExport();
    settle();
    EXPECT_EQ(record->completionCount(), 1);

    const std::weak_ptr<ReaderWriterExporter> weak = exporter;
    exporter.reset();
    EXPECT_TRUE(pump_until([&] { return weak.expired(); }));
}

// Cancels short runs at random points of their own progress: from the progress handler, on
// the feeding thread, so before the feeding ends; from the main thread, which near the end
// races the finishing of the file; and after the report. Every run reports exactly once, and
// its output is there exactly when it succeeded.
TEST(PipelineFailure, CancelAtRandomMomentsReportsOnce)
{
    TempDir dir;
    const auto configure = [&](int i) {
        return makeExporter(fixture_path("tiny.mp4"),
                            QString::fromStdString(dir.file("run" + std::to_string(i) + ".mp4")), AVFileTypeMPEG4,
                            videoSettings(AVVideoCodecTypeH264, 160, 120), aacSettings());
    };
    std::mt19937 random(20261207);
    std::uniform_real_distribution<float> fraction(0.0f, 1.0f);
    int cancelled = 0, succeeded = 0;
    for (int i = 0; i < 40; ++i) {
        SCOPED_TRACE(i);
        auto exporter = configure(i);
        std::shared_ptr<RunRecord> record;
        const float at = fraction(random);
        if (i % 4 == 0) {
            auto raw = exporter.get();
            record = std::make_shared<RunRecord>();
            exporter->export_(
                nullptr,
                [raw, at](float p) {
                    if (p >= at)
                        raw->cancelExport();
                },
                [record](const ExportResult& r) {
                    std::lock_guard guard(record->lock);
                    ++record->completions;
                    record->result = r;
                });
        } else {
            record = startRecording(exporter);
            // Every fourth run waits for the report, the others for the point or the end.
            const float until = i % 4 == 3 ? 2.0f : i % 4 == 2 ? 1.0f : at;
            pump_until([&] { return exporter->progress() >= until || record->completionCount() > 0; });
            exporter->cancelExport();
        }
        ASSERT_TRUE(waitForCompletion(*record));
        settle(20);
        ASSERT_EQ(record->completionCount(), 1);
        const ExportResult result = record->lastResult();
        const QString out = exporter->outputURL->toLocalFile();
        if (result.is_success()) {
            ++succeeded;
            EXPECT_EQ(result.status(), 3);
            EXPECT_TRUE(QFile::exists(out));
        } else {
            ++cancelled;
            EXPECT_TRUE(result.error().is(ReaderWriterExporterError::cancelled)) << result.error().description().toStdString();
            EXPECT_FALSE(QFile::exists(out));
        }
    }
    std::printf("random cancels: %d cancelled, %d finished first\n", cancelled, succeeded);
    // A cancel in the feeding always stops the run, and one after the report never does.
    EXPECT_GT(cancelled, 0);
    EXPECT_GT(succeeded, 0);
}

// A cancel at the start, in the middle and near the end of a run: one "cancelled" report,
// which comes only once the reader's threads have ended and the unfinished file is gone, also
// when Stop is pressed twice.
TEST(PipelineFailure, ACancelReportsOnceAfterTheRunHasStopped)
{
    const std::vector<std::pair<const char*, float>> moments = {{"start", -1}, {"middle", 0.5f}, {"end", 0.99f}};
    for (const auto& [name, at] : moments) {
        SCOPED_TRACE(name);
        TempDir dir;
        auto exporter = makeH264Exporter(fixture_path("long.mp4"), QString::fromStdString(dir.file("out.mp4")));
        auto record = std::make_shared<RunRecord>();
        std::atomic<int> threadsAtReport{-1};
        ReaderWriterExporter* raw = exporter.get();
        exporter->export_(
            nullptr,
            [raw, at = at](float p) {
                if (at >= 0 && p >= at) {
                    raw->cancelExport();
                    raw->cancelExport();
                }
            },
            [record, &threadsAtReport, &dir](const ExportResult& r) {
                threadsAtReport = testsupport::threads_named("media-decode") + testsupport::threads_named("media-demux");
                EXPECT_TRUE(testsupport::entries(dir.path()).empty());
                std::lock_guard guard(record->lock);
                ++record->completions;
                record->result = r;
            });
        if (at < 0) {
            exporter->cancelExport();
            exporter->cancelExport();
        }
        ASSERT_NO_FATAL_FAILURE(expectOneCancelReport(*record));
        EXPECT_EQ(threadsAtReport, 0);
        EXPECT_TRUE(testsupport::entries(dir.path()).empty());
    }
}

TEST(PipelineFailure, TruncatedSourceFailsAndLeavesNoOutput)
{
    TempDir dir;
    const QString out = QString::fromStdString(dir.file("truncated.mp4"));
    auto exporter = makeH264Exporter(fixture_path("truncated.mp4"), out);
    std::shared_ptr<RunRecord> record;
    ASSERT_NO_FATAL_FAILURE(runToTheEnd(exporter, record));
    EXPECT_TRUE(isFailureOtherThanCancel(record->lastResult()));
    EXPECT_FALSE(QFile::exists(out));
}

TEST(PipelineFailure, ExistingOutputIsNeverTouched)
{
    TempDir dir;
    const QString out = QString::fromStdString(dir.file("exists 已有.mp4"));
    {
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    auto exporter = makeH264Exporter(fixture_path("h264_aac.mp4"), out);
    std::shared_ptr<RunRecord> record;
    ASSERT_NO_FATAL_FAILURE(runToTheEnd(exporter, record));
    EXPECT_TRUE(isFailureOtherThanCancel(record->lastResult()));
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "keep me");
}

TEST(PipelineFailure, WriterThatCannotStartEndsWithItsFailure)
{
    TempDir dir;
    const QString out = QString::fromStdString(dir.file("no such folder/out.mp4"));
    auto exporter = makeH264Exporter(fixture_path("h264_aac.mp4"), out);
    std::shared_ptr<RunRecord> record;
    ASSERT_NO_FATAL_FAILURE(runToTheEnd(exporter, record));
    // The reading side is stopped because the writer failed: still the writer's failure.
    EXPECT_TRUE(isFailureOtherThanCancel(record->lastResult()));
    EXPECT_EQ(exporter->exportStatus(), 4);
}

// The refusal names the codec and the file type as the settings panes do; it blames the codec
// only when the file type cannot hold it.
TEST(PipelineFailure, RefusedVideoSettingsFailInsteadOfDroppingThePicture)
{
    register_file_type_names();
    register_codec_names();
    QVariantMap negativeBitRate = videoSettings(AVVideoCodecTypeH264, 320, 240);
    negativeBitRate.insert(AVVideoCompressionPropertiesKey, QVariantMap{{AVVideoAverageBitRateKey, -5}});
    const std::pair<QVariantMap, QString> cases[] = {
        {videoSettings(AVVideoCodecTypeHEVCWithAlpha, 320, 240),
         QStringLiteral("视频编码 hevcWithAlpha 无法写入 QuickTime(.mov) 文件")},
        {negativeBitRate, QStringLiteral("视频编码 h264 的这些设置无法写入 QuickTime(.mov) 文件")},
    };
    for (const auto& [settings, expected] : cases) {
        SCOPED_TRACE(expected.toStdString());
        TempDir dir;
        const QString out = QString::fromStdString(dir.file("refused.mov"));
        auto exporter = makeExporter(fixture_path("h264_aac.mp4"), out, AVFileTypeQuickTimeMovie, settings, aacSettings());
        testing::internal::CaptureStdout();
        const auto record = startRecording(exporter);
        const bool done = waitForCompletion(*record);
        const std::string log = testing::internal::GetCapturedStdout();
        ASSERT_TRUE(done);
        settle();
        EXPECT_NE(log.find("Unsupported output configuration\n"), std::string::npos);
        EXPECT_EQ(record->completionCount(), 1);
        ASSERT_TRUE(isFailureOtherThanCancel(record->lastResult()));
        EXPECT_EQ(record->lastResult().error().description().toStdString(), expected.toStdString());
        EXPECT_FALSE(QFile::exists(out));
    }
}

// AIFF holds linear PCM only, and not of every bit depth. A file type without a registered
// name goes by the output's extension.
TEST(PipelineFailure, RefusedAudioInputFailsInsteadOfDroppingTheSound)
{
    register_audio_format_names();
    const std::pair<QVariantMap, QString> cases[] = {
        {aacSettings(), QStringLiteral("音频格式 AAC 无法写入 .aiff 文件")},
        {QVariantMap{{AVFormatIDKey, uint(kAudioFormatLinearPCM)}, {AVLinearPCMBitDepthKey, 12}},
         QStringLiteral("音频格式 LinearPCM 的这些设置无法写入 .aiff 文件")},
    };
    for (const auto& [settings, expected] : cases) {
        SCOPED_TRACE(expected.toStdString());
        TempDir dir;
        const QString out = QString::fromStdString(dir.file("sound.aiff"));
        auto exporter = makeExporter(fixture_path("tone.wav"), out, AVFileTypeAIFF, std::nullopt, settings);
        std::shared_ptr<RunRecord> record;
        ASSERT_NO_FATAL_FAILURE(runToTheEnd(exporter, record));
        ASSERT_TRUE(isFailureOtherThanCancel(record->lastResult()));
        EXPECT_EQ(record->lastResult().error().description().toStdString(), expected.toStdString());
        EXPECT_FALSE(QFile::exists(out));
    }
}

TEST(PipelineFailure, SetUpFailuresReportOnceOnTheMainQueue)
{
    TempDir dir;
    // No output URL.
    auto exporter = makeExporter(fixture_path("tiny.mp4"), "", AVFileTypeMPEG4, std::nullopt, std::nullopt);
    exporter->outputURL.reset();
    testing::internal::CaptureStdout();
    auto record = startRecording(exporter);
    bool done = waitForCompletion(*record);
    std::string log = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(done);
    settle();
    EXPECT_EQ(record->completionCount(), 1);
    EXPECT_TRUE(record->lastResult().error().is(ReaderWriterExporterError::setupFailure));
    EXPECT_FALSE(record->completionOffMainThread);
    EXPECT_NE(log.find("ReaderWriterExporter, an asset and output URL are required for encoding\n"), std::string::npos);
    EXPECT_EQ(exporter->writer(), nullptr);

    // No file type, explicitly.
    exporter = makeExporter(fixture_path("tiny.mp4"), QString::fromStdString(dir.file("x.mp4")), AVFileTypeMPEG4, std::nullopt,
                            std::nullopt);
    exporter->outputFileType.reset();
    record = startRecording(exporter);
    ASSERT_TRUE(waitForCompletion(*record));
    EXPECT_TRUE(record->lastResult().error().is(ReaderWriterExporterError::setupFailure));

    // A width without a height: nothing is written.
    const QString out = QString::fromStdString(dir.file("no height.mp4"));
    exporter = makeExporter(fixture_path("tiny.mp4"), out, AVFileTypeMPEG4, QVariantMap{{AVVideoWidthKey, 320}}, std::nullopt);
    testing::internal::CaptureStdout();
    record = startRecording(exporter);
    done = waitForCompletion(*record);
    log = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(done);
    settle();
    EXPECT_EQ(record->completionCount(), 1);
    EXPECT_TRUE(record->lastResult().error().is(ReaderWriterExporterError::setupFailure));
    EXPECT_NE(log.find("ReaderWriterExporter, could not setup with the specified video output configuration\n"),
              std::string::npos);
    EXPECT_FALSE(QFile::exists(out));

    // A file type without a writable container.
    register_file_type_names();
    exporter = makeExporter(fixture_path("tiny.mp4"), QString::fromStdString(dir.file("x.mfx")), AVFileTypeMFX, std::nullopt,
                            std::nullopt);
    record = startRecording(exporter);
    ASSERT_TRUE(waitForCompletion(*record));
    settle();
    EXPECT_EQ(record->completionCount(), 1);
    // The writer's reason, not the general set-up failure, with the file type's name.
    EXPECT_EQ(record->lastResult().error().description().toStdString(), "无法写出 MFX(.mfx) 类型的文件");
}

TEST(PipelineFailure, NonMediaSourceEndsWithOneResult)
{
    TempDir dir;
    for (const char* name : {"random.mp4", "empty.mov", "no_index.mp4"}) {
        SCOPED_TRACE(name);
        const QString out = QString::fromStdString(dir.file(std::string(name) + ".out.mp4"));
        auto exporter = makeH264Exporter(fixture_path(name), out);
        std::shared_ptr<RunRecord> record;
        ASSERT_NO_FATAL_FAILURE(runToTheEnd(exporter, record, 30));
        EXPECT_FALSE(record->lastResult().is_success());
        EXPECT_FALSE(QFile::exists(out));
    }
}

}  // namespace
