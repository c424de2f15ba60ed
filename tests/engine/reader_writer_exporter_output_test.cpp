// End-to-end runs of the pipeline on generated media; the outputs are checked by decoding.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <algorithm>
#include <cmath>

#include "export_harness.h"
#include "fixture_paths.h"
#include "support/output_probe.h"
#include "support/support.h"

namespace {

using testsupport::TempDir;

ProbedFile exportAndProbe(const std::shared_ptr<ReaderWriterExporter>& exporter)
{
    const auto record = startRecording(exporter);
    EXPECT_TRUE(waitForCompletion(*record));
    EXPECT_EQ(record->completionCount(), 1);
    const ExportResult result = record->lastResult();
    EXPECT_TRUE(result.is_success()) << (result.is_success() ? "" : result.error().description().toStdString());
    if (result.is_success()) {
        EXPECT_EQ(result.status(), 3);
    }
    EXPECT_EQ(exporter->exportStatus(), 3);
    const auto probed = probeFile(exporter->outputURL->toLocalFile());
    EXPECT_TRUE(probed.has_value());
    return probed.value_or(ProbedFile{});
}

TEST(PipelineOutput, VideoCodecsAndContainers)
{
    struct Case {
        const char* fileType;
        const char* codec;
        const char* name;
        const char* tag;
        const char* extension;
    };
    const Case cases[] = {
        {AVFileTypeQuickTimeMovie, AVVideoCodecTypeH264, "h264", "avc1", "mov"},
        {AVFileTypeQuickTimeMovie, AVVideoCodecTypeHEVC, "hevc", "hvc1", "mov"},
        {AVFileTypeQuickTimeMovie, AVVideoCodecTypeAppleProRes422, "prores", "apcn", "mov"},
        {AVFileTypeQuickTimeMovie, AVVideoCodecTypeAppleProRes4444, "prores", "ap4h", "mov"},
        {AVFileTypeQuickTimeMovie, AVVideoCodecTypeJPEG, "mjpeg", "jpeg", "mov"},
        {AVFileTypeMPEG4, AVVideoCodecTypeH264, "h264", "avc1", "mp4"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        const QString out = QString::fromStdString(dir.file(std::string("out ") + c.tag + "." + c.extension));
        const ProbedFile f = exportAndProbe(
            makeExporter(fixture_path("h264_aac.mp4"), out, c.fileType, videoSettings(c.codec, 160, 120), aacSettings()));
        ASSERT_EQ(f.count("video"), 1);
        const ProbedStream& v = *f.first("video");
        EXPECT_EQ(v.codec, c.name);
        EXPECT_EQ(v.tag, c.tag);
        EXPECT_EQ(v.width, 160);
        EXPECT_EQ(v.height, 120);
        EXPECT_NEAR(v.packets, 75, 1);
        EXPECT_NEAR(f.duration, 3.0, 0.1);
        ASSERT_EQ(f.count("audio"), 1);
        EXPECT_EQ(f.first("audio")->codec, "aac");
        EXPECT_NEAR(f.first("audio")->duration, 3.0, 0.1);
    }
}

// Sources of other codecs and frame timings keep every frame and their length.
TEST(PipelineOutput, SourceCodecsAndFrameTimings)
{
    TempDir dir;
    for (const char* name : {"hevc.mp4", "prores.mov", "bframes.mp4", "ntsc.mp4", "two_audio.mov"}) {
        SCOPED_TRACE(name);
        const auto source = probeFile(fixture_path(name));
        ASSERT_TRUE(source && source->first("video"));
        const QString out = QString::fromStdString(dir.file(std::string(name) + ".mp4"));
        const ProbedFile f = exportAndProbe(makeExporter(fixture_path(name), out, AVFileTypeMPEG4,
                                                         videoSettings(AVVideoCodecTypeH264, 320, 240), aacSettings()));
        ASSERT_EQ(f.count("video"), 1);
        EXPECT_EQ(f.first("video")->packets, source->first("video")->packets);
        EXPECT_NEAR(f.first("video")->duration, source->first("video")->duration, 0.05);
        // Several audio tracks are mixed into one.
        EXPECT_EQ(f.count("audio"), source->count("audio") ? 1 : 0);
    }
}

TEST(PipelineOutput, AudioFormats)
{
    TempDir dir;
    const QString aac = QString::fromStdString(dir.file("音频 aac.mp4"));
    ProbedFile f = exportAndProbe(makeExporter(fixture_path("audio.m4a"), aac, AVFileTypeMPEG4, std::nullopt, aacSettings()));
    ASSERT_EQ(f.count("audio"), 1);
    EXPECT_EQ(f.count("video"), 0);
    EXPECT_EQ(f.first("audio")->codec, "aac");
    EXPECT_EQ(f.first("audio")->sampleRate, 44100);
    EXPECT_NEAR(f.duration, 3.0, 0.1);

    const QString pcm = QString::fromStdString(dir.file("pcm.mov"));
    f = exportAndProbe(
        makeExporter(fixture_path("h264_aac.mp4"), pcm, AVFileTypeQuickTimeMovie, videoSettings(AVVideoCodecTypeH264, 320, 240),
                     linearPCMSettings()));
    ASSERT_EQ(f.count("audio"), 1);
    EXPECT_EQ(f.first("audio")->codec, "pcm_s16le");
    EXPECT_EQ(f.first("audio")->channels, 1);
    EXPECT_NEAR(f.first("audio")->duration, 3.0, 0.1);
}

// Mean absolute difference of the RGB values of two equally sized areas.
double meanDifference(const QImage& a, QPoint aOrigin, const QImage& b, QPoint bOrigin, QSize size)
{
    double sum = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const QRgb p = a.pixel(aOrigin + QPoint(x, y));
            const QRgb q = b.pixel(bOrigin + QPoint(x, y));
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * size.width() * size.height());
}

double meanBrightness(const QImage& image, QRect area)
{
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            sum += qGray(image.pixel(x, y));
    return sum / (area.width() * area.height());
}

// Converts the fixture to an H.264 movie of the size with the scaling mode ("" for none),
// checks that its video has that size and gives its first picture.
QImage convertedFirstFrame(const TempDir& dir, const std::string& fixture, const char* mode, QSize size,
                           const std::optional<QVariantMap>& audio)
{
    QVariantMap settings = videoSettings(AVVideoCodecTypeH264, size.width(), size.height());
    if (*mode)
        settings.insert(AVVideoScalingModeKey, QString(mode));
    const QString out = QString::fromStdString(dir.file(fixture + mode + ".mov"));
    const ProbedFile f =
        exportAndProbe(makeExporter(fixture_path(fixture), out, AVFileTypeQuickTimeMovie, settings, audio));
    EXPECT_EQ(f.count("video"), 1);
    if (const auto* video = f.first("video")) {
        EXPECT_EQ(QSize(video->width, video->height), size);
    }
    return decodeFirstFrame(out);
}

// The application's presets ask for aspect fill; the picture must come out the same with any
// scaling mode, since the composition has fitted it already.
TEST(PipelineOutput, QuarterTurnedSourceComesOutUprightAndPillarboxed)
{
    TempDir dir;
    const QImage reference = decodeFirstFrame(fixture_path("rot90.mov"), 180, 240);
    ASSERT_EQ(reference.size(), QSize(180, 240));
    for (const char* mode : {"", AVVideoScalingModeResizeAspectFill, AVVideoScalingModeResizeAspect}) {
        SCOPED_TRACE(mode);
        // The stored 320x240 picture stands up as 240x320 and fits as 180x240, centred: bars
        // of 70 pixels on the left and the right.
        const QImage frame = convertedFirstFrame(dir, "rot90.mov", mode, QSize(320, 240), aacSettings());
        ASSERT_EQ(frame.size(), QSize(320, 240));
        EXPECT_LT(meanBrightness(frame, QRect(0, 0, 66, 240)), 8);
        EXPECT_LT(meanBrightness(frame, QRect(254, 0, 66, 240)), 8);
        EXPECT_LT(meanDifference(frame, {76, 4}, reference, {6, 4}, {168, 232}), 12);
        // The picture turned the other way round would not match.
        const QImage mirrored = reference.mirrored(true, true);
        EXPECT_GT(meanDifference(frame, {76, 4}, mirrored, {6, 4}, {168, 232}), 30);
    }
}

TEST(PipelineOutput, HalfTurnedSourceComesOutUpright)
{
    TempDir dir;
    const QString out = QString::fromStdString(dir.file("half.mov"));
    exportAndProbe(makeExporter(fixture_path("rot180.mov"), out, AVFileTypeQuickTimeMovie,
                                videoSettings(AVVideoCodecTypeH264, 320, 240), std::nullopt));
    const QImage frame = decodeFirstFrame(out);
    const QImage reference = decodeFirstFrame(fixture_path("rot180.mov"));
    ASSERT_EQ(frame.size(), QSize(320, 240));
    ASSERT_EQ(reference.size(), QSize(320, 240));
    EXPECT_LT(meanDifference(frame, {4, 4}, reference, {4, 4}, {312, 232}), 10);
}

// Stored 720x576 with a 16:9 pixel aspect: the picture is seen, and comes out, 1024x576.
TEST(PipelineOutput, NonSquarePixelsKeepTheirShape)
{
    TempDir dir;
    const QString out = QString::fromStdString(dir.file("wide.mov"));
    const ProbedFile f = exportAndProbe(makeExporter(fixture_path("sar169.mp4"), out, AVFileTypeQuickTimeMovie,
                                                     videoSettings(AVVideoCodecTypeH264, 1024, 576), std::nullopt));
    ASSERT_EQ(f.count("video"), 1);
    EXPECT_EQ(f.first("video")->width, 1024);
    EXPECT_EQ(f.first("video")->height, 576);
    const QImage frame = decodeFirstFrame(out);
    const QImage reference = decodeFirstFrame(fixture_path("sar169.mp4"), 1024, 576);
    ASSERT_EQ(frame.size(), QSize(1024, 576));
    ASSERT_EQ(reference.size(), QSize(1024, 576));
    // The picture fills the frame edge to edge: no bars where a 720-wide picture would end.
    EXPECT_GT(meanBrightness(frame, QRect(0, 0, 100, 576)), 40);
    EXPECT_GT(meanBrightness(frame, QRect(924, 0, 100, 576)), 40);
    EXPECT_LT(meanDifference(frame, {4, 4}, reference, {4, 4}, {1016, 568}), 10);
}

// The same source turned a quarter is seen, and comes out, 576x1024: stretched to its display
// shape, then turned, with any scaling mode.
TEST(PipelineOutput, NonSquarePixelsOfATurnedSourceKeepTheirShape)
{
    TempDir dir;
    const QImage reference = decodeFirstFrame(fixture_path("sar169_rot90.mov"), 576, 1024);
    ASSERT_EQ(reference.size(), QSize(576, 1024));
    for (const char* mode : {"", AVVideoScalingModeResizeAspectFill}) {
        SCOPED_TRACE(mode);
        const QImage frame = convertedFirstFrame(dir, "sar169_rot90.mov", mode, QSize(576, 1024), std::nullopt);
        ASSERT_EQ(frame.size(), QSize(576, 1024));
        // Edge to edge: no bars where a picture squeezed to 720 stored rows would end.
        EXPECT_GT(meanBrightness(frame, QRect(0, 0, 576, 100)), 40);
        EXPECT_GT(meanBrightness(frame, QRect(0, 924, 576, 100)), 40);
        EXPECT_LT(meanDifference(frame, {4, 4}, reference, {4, 4}, {568, 1016}), 10);
    }
}

bool hasTimecode(const ProbedFile& f, const QString& timecode)
{
    return std::any_of(f.streams.begin(), f.streams.end(), [&](const ProbedStream& s) { return s.timecode == timecode; });
}

TEST(PipelineOutput, TimecodeTrackKeepsItsStart)
{
    TempDir dir;
    const QString out = QString::fromStdString(dir.file("timecode.mov"));
    testing::internal::CaptureStdout();
    ProbedFile f = exportAndProbe(makeExporter(fixture_path("tc.mov"), out, AVFileTypeQuickTimeMovie,
                                               videoSettings(AVVideoCodecTypeH264, 320, 240), aacSettings()));
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("有时间轨道\n能bun添加 com.apple.quicktime-movie\n能添加\n"), std::string::npos) << log;
    EXPECT_NE(log.find("数据读取写入\ntrue 写入时间\ntimecodeFrame: 90000\n"), std::string::npos) << log;
    EXPECT_TRUE(hasTimecode(f, "01:00:00:00"));
    EXPECT_EQ(f.count("video"), 1);
    EXPECT_EQ(f.count("audio"), 1);

    // Drop-frame timecode keeps its start too.
    f = exportAndProbe(makeExporter(fixture_path("tc_ntsc.mov"), QString::fromStdString(dir.file("ntsc.mov")),
                                    AVFileTypeQuickTimeMovie, videoSettings(AVVideoCodecTypeH264, 320, 240),
                                    std::nullopt));
    EXPECT_TRUE(hasTimecode(f, "00:59:59;28"));
}

TEST(PipelineOutput, TimeRangeOfOneSecond)
{
    TempDir dir;
    const QString out = QString::fromStdString(dir.file("range.mp4"));
    auto exporter = makeExporter(fixture_path("long.mp4"), out, AVFileTypeMPEG4, videoSettings(AVVideoCodecTypeH264, 320, 240),
                                 aacSettings());
    exporter->timeRange = media::TimeRange::make(media::Time::make(2400, 600), media::Time::make(600, 600));
    const ProbedFile f = exportAndProbe(exporter);
    EXPECT_NEAR(f.duration, 1.0, 0.1);
    ASSERT_EQ(f.count("video"), 1);
    EXPECT_NEAR(f.first("video")->packets, 25, 1);
    EXPECT_NEAR(f.first("video")->duration, 1.0, 0.1);
}

TEST(PipelineOutput, ProgressPerVideoSampleOnTheInputQueue)
{
    TempDir dir;
    auto exporter = makeExporter(fixture_path("h264_aac.mp4"), QString::fromStdString(dir.file("p.mp4")), AVFileTypeMPEG4,
                                 videoSettings(AVVideoCodecTypeH264, 160, 120), aacSettings());
    EXPECT_EQ(exporter->exportStatus(), 0);
    EXPECT_EQ(exporter->progress(), 0.0f);
    // The observer stays registered with the exporter, so it owns what it writes to.
    auto observed = std::make_shared<std::vector<float>>();
    exporter->add_progress_observer([observed, e = exporter.get()](float p) {
        // Observers see the stored value.
        EXPECT_EQ(e->progress(), p);
        observed->push_back(p);
    });
    const auto record = startRecording(exporter);
    ASSERT_TRUE(waitForCompletion(*record));
    ASSERT_TRUE(record->lastResult().is_success());
    const std::vector<float> progress = record->progressValues();
    // One per video sample, and the sound's once it outlasts the picture.
    EXPECT_GE(progress.size(), 75u);
    EXPECT_EQ(*observed, progress);
    EXPECT_FALSE(record->progressOnMainThread);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 0.0f);
    // The last sample starts one frame before the end.
    EXPECT_NEAR(progress.back(), 1.0f, 1.0f / 75 + 1e-4);
    EXPECT_EQ(exporter->progress(), progress.back());

    // Once the run has reported, nothing of it keeps the exporter alive.
    const std::weak_ptr<ReaderWriterExporter> weak = exporter;
    exporter.reset();
    EXPECT_TRUE(testsupport::pump_until([&] { return weak.expired(); }));
}

TEST(PipelineOutput, SourcesWithOneKindOfTrack)
{
    TempDir dir;
    // Audio only: no video output; the sound tells the progress, and the result comes.
    auto exporter = makeExporter(fixture_path("tone.wav"), QString::fromStdString(dir.file("tone.mp4")), AVFileTypeMPEG4,
                                 videoSettings(AVVideoCodecTypeH264, 320, 240), aacSettings());
    auto record = startRecording(exporter);
    ASSERT_TRUE(waitForCompletion(*record));
    ASSERT_TRUE(record->lastResult().is_success());
    ASSERT_FALSE(record->progressValues().empty());
    EXPECT_NEAR(record->progressValues().back(), 1.0f, 0.05f);
    auto f = probeFile(exporter->outputURL->toLocalFile());
    ASSERT_TRUE(f);
    EXPECT_EQ(f->count("video"), 0);
    ASSERT_EQ(f->count("audio"), 1);
    EXPECT_NEAR(f->duration, 2.0, 0.1);

    const ProbedFile v = exportAndProbe(makeExporter(fixture_path("video_only.mp4"), QString::fromStdString(dir.file("v.mp4")),
                                                     AVFileTypeMPEG4, videoSettings(AVVideoCodecTypeH264, 320, 240),
                                                     aacSettings()));
    EXPECT_EQ(v.count("audio"), 0);
    ASSERT_EQ(v.count("video"), 1);
    EXPECT_NEAR(v.first("video")->packets, 75, 1);
}

TEST(PipelineOutput, MissingCodecDefaultsToH264)
{
    TempDir dir;
    QVariantMap settings = videoSettings(AVVideoCodecTypeHEVC, 160, 120);
    settings.remove(AVVideoCodecKey);
    auto exporter = makeExporter(fixture_path("tiny.mp4"), QString::fromStdString(dir.file("default.mp4")), AVFileTypeMPEG4,
                                 settings, aacSettings());
    testing::internal::CaptureStdout();
    const ProbedFile f = exportAndProbe(exporter);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("ReaderWriterExporter, warning a video output configuration codec wasn't specified\n"),
              std::string::npos);
    EXPECT_EQ(exporter->videoOutputConfiguration->value(AVVideoCodecKey).toString(), AVVideoCodecTypeH264);
    ASSERT_EQ(f.count("video"), 1);
    EXPECT_EQ(f.first("video")->codec, "h264");
}

}  // namespace
