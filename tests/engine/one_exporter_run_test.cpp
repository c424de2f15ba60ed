// Conversions through the job, end to end, on generated fixtures and the real ffmpeg.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QFileInfo>
#include <cmath>
#include <cstring>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>

#include "engine/one_exporter.h"
#include "engine/run_failure_texts.h"
#include "fixture_paths.h"
#include "job_support.h"
#include "platform/ffkit/probe.h"
#include "platform/foundation/files.h"
#include "platform/media/export_compatibility.h"
#include "support/output_probe.h"
#include "support/support.h"
#include "support/whole_fixtures.h"

using jobtest::Recorder;
using namespace std::chrono_literals;

namespace {

media::TimeRange seconds(double start, double duration)
{
    return media::TimeRange::make(media::Time::from_seconds(start), media::Time::from_seconds(duration));
}

struct JobRun {
    std::shared_ptr<OneExporter> job;
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
};

JobRun make_job(const QString& source, std::shared_ptr<My_Prest> preset, const std::optional<QString>& output)
{
    JobRun run;
    run.job = OneExporter::create(media::Asset::from_path(source));
    run.job->delegate = run.recorder;
    run.job->My_prest_obj = std::move(preset);
    if (output)
        run.job->out_url_obj = std::optional<QUrl>(QUrl::fromLocalFile(*output));
    return run;
}

bool finished(const JobRun& run, int count = 1)
{
    return testsupport::pump_until([&] { return run.recorder->finished >= count; }, 120s);
}

double seconds_of(const std::optional<QString>& text) { return text ? text->toDouble() : -1; }

class OneExporterRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() { register_file_type_names(); }
    testsupport::TempDir dir;
    QString out(const std::string& name) const { return QString::fromStdString(dir.file(name)); }
};

}  // namespace

TEST_F(OneExporterRun, ConvertsAnMp4IntoAMovie)
{
    const JobRun run = make_job(fixture_path("h264_aac.mp4"), jobtest::movie_preset(), out("a"));
    run.job->start_ffmpeg_export(seconds(0, 3));
    EXPECT_EQ(run.job->status, 2);
    ASSERT_TRUE(finished(run));
    EXPECT_EQ(run.job->status, 3) << run.job->error_info.get().value_or("").toStdString();
    EXPECT_EQ(run.recorder->last_url(), QUrl::fromLocalFile(out("a.mov")));
    ASSERT_FALSE(run.recorder->progress().empty());
    EXPECT_NEAR(run.recorder->progress().back(), 1.0, 0.05);
    EXPECT_NEAR(run.job->out_progress, 1.0, 0.05);

    const auto probe = ffkit::get_media_information(out("a.mov"));
    ASSERT_TRUE(probe.media_information);
    const auto& streams = probe.media_information->streams;
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].codec_name, "h264");
    EXPECT_EQ(streams[0].width, 320);
    EXPECT_EQ(streams[0].height, 240);
    EXPECT_EQ(streams[1].codec_name, "aac");
    EXPECT_NEAR(seconds_of(probe.media_information->duration), 3.0, 0.1);
    EXPECT_TRUE(probe.output.contains("\"nb_frames\": \"75\""));
}

TEST_F(OneExporterRun, TheCodecTableRunsOnThisPlatform)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {AVVideoCodecTypeHEVC, "hevc", "yuv422p10le"},
        {AVVideoCodecTypeAppleProRes422HQ, "prores", "yuv422p10le"},
    };
    for (const auto& [codec, name, pixel_format] : cases) {
        auto preset = jobtest::movie_preset();
        preset->video_outputSettings[AVVideoCodecKey] = QString(codec);
        preset->video_outputSettings[AVVideoCompressionPropertiesKey] =
            QVariantMap{{AVVideoAverageBitRateKey, 400000}};
        const JobRun run = make_job(fixture_path("h264_aac.mp4"), preset, out(codec));
        run.job->start_ffmpeg_export(seconds(0, 3));
        ASSERT_TRUE(finished(run)) << codec;
        EXPECT_EQ(run.job->status, 3) << codec << run.job->error_info.get().value_or("").toStdString();
        const auto probe = ffkit::get_media_information(out(std::string(codec) + ".mov"));
        ASSERT_TRUE(probe.media_information) << codec;
        EXPECT_EQ(probe.media_information->streams.at(0).codec_name, name);
        EXPECT_TRUE(probe.output.contains(QString("\"pix_fmt\": \"%1\"").arg(pixel_format))) << codec;
        EXPECT_TRUE(probe.output.contains("\"nb_frames\": \"75\"")) << codec;
    }
}

TEST_F(OneExporterRun, ConvertsAudioOnlyIntoWave)
{
    const JobRun run = make_job(fixture_path("h264_aac.mp4"), jobtest::wave_preset(), out("b"));
    run.job->start_ffmpeg_export(seconds(0, 3));
    ASSERT_TRUE(finished(run));
    EXPECT_EQ(run.job->status, 3);
    EXPECT_NEAR(run.recorder->progress().back(), 1.0, 0.05);
    const auto probe = ffkit::get_media_information(out("b.wav"));
    ASSERT_TRUE(probe.media_information);
    ASSERT_EQ(probe.media_information->streams.size(), 1u);
    EXPECT_EQ(probe.media_information->streams[0].codec_name, "pcm_s24le");
    EXPECT_NEAR(seconds_of(probe.media_information->duration), 3.0, 0.1);
}

// A cover picture is no video: a movie of sound with a cover holds the sound alone, as the
// pipeline writes it, whatever the container and codec.
TEST_F(OneExporterRun, SoundWithACoverConvertsIntoAMovieWithoutThePicture)
{
    auto mpeg4_hevc = jobtest::movie_preset();
    mpeg4_hevc->fileType = AVFileTypeMPEG4;
    mpeg4_hevc->video_outputSettings[AVVideoCodecKey] = QString(AVVideoCodecTypeHEVC);
    auto prores = jobtest::movie_preset();
    prores->video_outputSettings[AVVideoCodecKey] = QString(AVVideoCodecTypeAppleProRes422);
    const std::pair<const char*, double> sources[] = {{"cover.flac", 3}, {"cover.m4a", 3}, {"cover.mp3", 2}};
    for (const auto& [name, length] : sources) {
        for (const auto& preset : {jobtest::movie_preset(), mpeg4_hevc, prores}) {
            SCOPED_TRACE(std::string(name) + " " + preset->fileType.toStdString() + " " +
                         preset->video_outputSettings.value(AVVideoCodecKey).toString().toStdString());
            testsupport::TempDir folder;
            const JobRun run = make_job(fixture_path(name), preset, QString::fromStdString(folder.file("cover")));
            run.job->start_ffmpeg_export(seconds(0, length));
            ASSERT_TRUE(finished(run));
            EXPECT_EQ(run.job->status, 3) << run.job->error_info.get().value_or("").toStdString();
            const auto probe = probeFile(run.recorder->last_url().toLocalFile());
            ASSERT_TRUE(probe);
            EXPECT_EQ(probe->count("video"), 0);
            ASSERT_EQ(probe->count("audio"), 1);
            EXPECT_EQ(probe->first("audio")->codec, "aac");
            EXPECT_NEAR(probe->duration, length, 0.1);
        }
    }
}

namespace {

// The first sound stream of a file as ffmpeg decodes it, mixed to one channel.
std::vector<qint16> decoded_sound(const QString& path)
{
    const auto out = testsupport::run_program(
        {"ffmpeg", "-v", "error", "-nostdin", "-i", path.toStdString(), "-map", "0:a:0", "-ac", "1", "-f", "s16le", "-"});
    std::vector<qint16> samples(out ? out->size() / 2 : 0);
    if (out)
        std::memcpy(samples.data(), out->data(), samples.size() * 2);
    return samples;
}

// The root mean square of the samples from `from` to `to` seconds.
double level(const std::vector<qint16>& samples, int rate, double from, double to)
{
    const size_t begin = size_t(from * rate), end = std::min(samples.size(), size_t(to * rate));
    double sum = 0;
    for (size_t i = begin; i < end; ++i)
        sum += double(samples[i]) * samples[i];
    return end > begin ? std::sqrt(sum / double(end - begin)) : -1;
}

}  // namespace

// The sound-only files keep the source's timeline: a hole in the sound and a late start stay
// as silence, so that the sound stays in step with the source's picture. Sound without gaps
// keeps every sample.
TEST_F(OneExporterRun, SoundOnlyOutputsKeepTheSourcesTimeline)
{
    // Where the source has sound (loud) and where it has none, in seconds.
    struct Span {
        double from, to;
        bool loud;
    };
    const std::pair<const char*, std::vector<Span>> sources[] = {
        {"gap_audio.mp4", {{0.2, 1.8, true}, {2.2, 3.8, false}, {4.2, 5.8, true}}},
        {"gap_audio.mkv", {{0.2, 1.8, true}, {2.2, 3.8, false}, {4.2, 5.8, true}}},
        {"late_audio.mp4", {{0.2, 1.8, false}, {2.2, 5.8, true}}},
    };
    for (const auto& [name, spans] : sources) {
        for (const auto& preset : {jobtest::wave_preset(), jobtest::mp3_preset()}) {
            SCOPED_TRACE(std::string(name) + " " + preset->fileType.toStdString());
            testsupport::TempDir folder;
            const JobRun run = make_job(fixture_path(name), preset, QString::fromStdString(folder.file("sound")));
            run.job->start_ffmpeg_export(seconds(0, 6));
            ASSERT_TRUE(finished(run));
            EXPECT_EQ(run.job->status, 3) << run.job->error_info.get().value_or("").toStdString();
            const QString output = run.recorder->last_url().toLocalFile();
            const auto probe = probeFile(output);
            ASSERT_TRUE(probe && probe->first("audio"));
            const int rate = probe->first("audio")->sampleRate;
            const std::vector<qint16> samples = decoded_sound(output);
            EXPECT_NEAR(double(samples.size()) / rate, 6.0, 0.1);
            for (const Span& span : spans) {
                const double rms = level(samples, rate, span.from, span.to);
                if (span.loud) {
                    EXPECT_GT(rms, 1000) << span.from;
                } else {
                    EXPECT_LT(rms, 30) << span.from;
                }
            }
        }
    }
    // A preview from the first second for four: the hole is two seconds of silence in it.
    const JobRun preview = make_job(fixture_path("gap_audio.mp4"), jobtest::wave_preset(), std::nullopt);
    preview.job->is_preview_play = true;
    preview.job->start_ffmpeg_export(seconds(1, 4));
    ASSERT_TRUE(finished(preview));
    EXPECT_EQ(preview.job->status, 3) << preview.job->error_info.get().value_or("").toStdString();
    const QString sample = preview.recorder->last_url().toLocalFile();
    const std::vector<qint16> previewed = decoded_sound(sample);
    QFile::remove(sample);
    EXPECT_NEAR(previewed.size() / 44100.0, 4.0, 0.1);
    EXPECT_GT(level(previewed, 44100, 0.2, 0.8), 1000);
    EXPECT_LT(level(previewed, 44100, 1.2, 2.8), 30);
    EXPECT_GT(level(previewed, 44100, 3.2, 3.8), 1000);
    // Without gaps: every sample that the source decodes to, no more.
    for (const char* name : {"tone.wav", "h264_aac.mp4", "tone.mp3"}) {
        SCOPED_TRACE(name);
        testsupport::TempDir folder;
        const JobRun run = make_job(fixture_path(name), jobtest::wave_preset(), QString::fromStdString(folder.file("whole")));
        run.job->start_ffmpeg_export(seconds(0, 3));
        ASSERT_TRUE(finished(run));
        EXPECT_EQ(run.job->status, 3) << run.job->error_info.get().value_or("").toStdString();
        EXPECT_EQ(decoded_sound(run.recorder->last_url().toLocalFile()).size(), decoded_sound(fixture_path(name)).size());
    }
}

TEST_F(OneExporterRun, APreviewConvertsTheRangeIntoTheTemporaryDirectory)
{
    const JobRun run = make_job(fixture_path("long.mp4"), jobtest::movie_preset(), out("ignored"));
    run.job->is_preview_play = true;
    run.job->start_ffmpeg_export(seconds(0, 10));
    ASSERT_TRUE(finished(run));
    EXPECT_EQ(run.job->status, 3);
    const QString output = run.recorder->last_url().toLocalFile();
    EXPECT_TRUE(output.startsWith(foundation::temporary_directory()));
    const auto probe = ffkit::get_media_information(output);
    QFile::remove(output);
    ASSERT_TRUE(probe.media_information);
    EXPECT_NEAR(seconds_of(probe.media_information->duration), 10.0, 0.1);
    // Measured against the whole 12 s source while it runs; the finished sample is whole.
    const std::vector<float> progress = run.recorder->progress();
    ASSERT_GE(progress.size(), 2u);
    EXPECT_NEAR(progress[progress.size() - 2], 10.0 / 12.0, 0.05);
    EXPECT_EQ(progress.back(), 1.0f);
    EXPECT_FALSE(QFileInfo::exists(out("ignored.mov")));
}

namespace {

// What a failure's text must be: the cause, without the memory addresses of ffmpeg's
// components and without the statistics it prints at its end.
void expect_names_cause(const QString& text, const QString& cause)
{
    SCOPED_TRACE(text.toStdString());
    EXPECT_TRUE(text.contains(cause)) << cause.toStdString();
    EXPECT_FALSE(text.contains(QRegularExpression(" @ (0x|\\(nil\\))")));
    for (const char* statistics : {"Qavg", "kb/s", "frame=", "muxing overhead", "vendor_id"})
        EXPECT_FALSE(text.contains(statistics)) << statistics;
}

}  // namespace

TEST_F(OneExporterRun, AFailureNamesItsCause)
{
    auto empty_size = jobtest::movie_preset();
    empty_size->video_outputSettings[AVVideoWidthKey] = 0.0;
    empty_size->video_outputSettings[AVVideoHeightKey] = 5.0;
    const std::tuple<const char*, std::shared_ptr<My_Prest>, const char*> cases[] = {
        {"h264_aac.mp4", empty_size, "Invalid frame size"},
        {"random.mp4", jobtest::movie_preset(), "moov atom not found"},
    };
    for (const auto& [source, preset, cause] : cases) {
        SCOPED_TRACE(source);
        testsupport::TempDir folder;
        const JobRun run = make_job(fixture_path(source), preset, QString::fromStdString(folder.file("bad")));
        run.job->start_ffmpeg_export(seconds(0, 3));
        ASSERT_TRUE(finished(run));
        testsupport::pump_until([] { return false; }, 100ms);
        EXPECT_EQ(run.recorder->finished, 1);
        EXPECT_EQ(run.job->status, 4);
        expect_names_cause(run.job->error_info.get().value_or(""), cause);
        EXPECT_TRUE(testsupport::entries(folder.path()).empty());
    }
}

TEST_F(OneExporterRun, ACancelEndsOnceWithNoOutputLeft)
{
    auto preset = jobtest::movie_preset();
    preset->video_outputSettings.remove(AVVideoWidthKey);
    // At once (ffmpeg is still starting) and while it encodes.
    for (const auto delay : {0ms, 150ms}) {
        const std::string name = "cancelled" + std::to_string(delay.count());
        const JobRun run = make_job(fixture_path("hd1080.mp4"), preset, out(name));
        run.job->start_ffmpeg_export(seconds(0, 1));
        std::this_thread::sleep_for(delay);
        run.job->cancel_export();
        ASSERT_TRUE(finished(run));
        std::this_thread::sleep_for(200ms);
        EXPECT_EQ(run.job->status, 5);
        EXPECT_EQ(run.recorder->finished, 1);
        EXPECT_EQ(run.recorder->progress().back(), 0.0f);
        EXPECT_EQ(run.recorder->progress_after_finish, 0);
        EXPECT_FALSE(QFileInfo::exists(out(name + ".mov")));
        // Cancelling the ended run again changes nothing.
        run.job->cancel_export();
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(run.recorder->finished, 1);
        EXPECT_EQ(run.job->status, 5);
    }
}

TEST_F(OneExporterRun, AFailedRunRemovesItsOwnOutputSoThatARetryWorks)
{
    // The encoder refuses the frame size: ffmpeg creates the file, then fails.
    auto preset = jobtest::movie_preset();
    preset->fileType = AVFileTypeMPEG4;
    preset->set_size(40000, 2);
    const JobRun run = make_job(fixture_path("h264_aac.mp4"), preset, out("retry"));
    run.job->start_ffmpeg_export(seconds(0, 3));
    ASSERT_TRUE(finished(run));
    EXPECT_EQ(run.job->status, 4);
    EXPECT_TRUE(run.job->ff_sessionId.get().has_value()) << "ffmpeg was not started";
    EXPECT_FALSE(QFileInfo::exists(out("retry.mp4")));

    preset->set_size(320, 240);
    run.job->out_url_obj = std::optional<QUrl>(QUrl::fromLocalFile(out("retry")));
    run.job->status = 0;
    run.job->start_ffmpeg_export(seconds(0, 3));
    ASSERT_TRUE(finished(run, 2));
    EXPECT_EQ(run.job->status, 3);
    EXPECT_EQ(run.job->error_info.get(), std::nullopt);
    EXPECT_GT(QFileInfo(out("retry.mp4")).size(), 0);
}

TEST_F(OneExporterRun, AFileThatWasThereIsNeitherOverwrittenNorRemoved)
{
    {
        QFile existing(out("there.mov"));
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("keep me");
    }
    const JobRun run = make_job(fixture_path("h264_aac.mp4"), jobtest::movie_preset(), out("there"));
    run.job->start_ffmpeg_export(seconds(0, 3));
    ASSERT_TRUE(finished(run));
    EXPECT_EQ(run.job->status, 4);
    EXPECT_EQ(run.job->error_info.get(), std::optional<QString>("文件已经存在"));
    QFile existing(out("there.mov"));
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "keep me");
}

TEST_F(OneExporterRun, SourcesWithAnyNameConvert)
{
    for (const std::string name : {"quote'name.mp4", "双引号\"名字 ü.mp4", "-dash.mp4", "with space.mp4"}) {
        const QString target = out("out " + name);
        const JobRun run = make_job(fixture_path(name), jobtest::movie_preset(), target);
        run.job->start_ffmpeg_export(seconds(0, 3));
        ASSERT_TRUE(finished(run)) << name;
        EXPECT_EQ(run.job->status, 3) << name << run.job->error_info.get().value_or("").toStdString();
        const auto probe = ffkit::get_media_information(target + ".mov");
        ASSERT_TRUE(probe.media_information) << name;
        EXPECT_EQ(probe.media_information->streams.size(), 2u);
    }
}

TEST_F(OneExporterRun, ARawStreamReportsNoFractionUntilItEnds)
{
    const JobRun run = make_job(fixture_path("raw.h264"), jobtest::movie_preset(), out("raw"));
    ASSERT_EQ(run.job->raw_duration.seconds(), 0);
    run.job->start_ffmpeg_export(seconds(0, 3));
    ASSERT_TRUE(finished(run));
    EXPECT_EQ(run.job->status, 3);
    EXPECT_EQ(run.recorder->progress(), std::vector<float>({1.0f}));
}

TEST_F(OneExporterRun, ThePipelinePathThroughTheJob)
{
    const JobRun run = make_job(fixture_path("h264_aac.mp4"), jobtest::movie_preset(), out("pipeline"));
    run.job->start_export(seconds(0, 3));
    ASSERT_TRUE(finished(run));
    EXPECT_EQ(run.job->status, 3) << run.job->error_info.get().value_or("").toStdString();
    EXPECT_EQ(run.recorder->last_url(), QUrl::fromLocalFile(out("pipeline.mov")));
    const auto probe = ffkit::get_media_information(out("pipeline.mov"));
    ASSERT_TRUE(probe.media_information);
    ASSERT_EQ(probe.media_information->streams.size(), 2u);
    EXPECT_EQ(probe.media_information->streams[0].codec_name, "h264");
    EXPECT_NEAR(seconds_of(probe.media_information->duration), 3.0, 0.1);
}

TEST_F(OneExporterRun, AnOutputNameTakenDuringTheRunIsNeverReplaced)
{
    for (const bool ffmpeg : {true, false}) {
        SCOPED_TRACE(ffmpeg ? "ffmpeg" : "pipeline");
        testsupport::TempDir folder;
        const QString target = QString::fromStdString(folder.file("taken"));
        const JobRun run = make_job(fixture_path("long.mp4"), jobtest::movie_preset(), target);
        if (ffmpeg)
            run.job->start_ffmpeg_export(seconds(0, 12));
        else
            run.job->start_export(seconds(0, 12));
        // Nothing has the output's name while the run writes; another file takes it then.
        ASSERT_TRUE(testsupport::pump_until([&] { return !testsupport::entries(folder.path()).empty(); }));
        EXPECT_FALSE(QFileInfo::exists(target + ".mov"));
        {
            QFile other(target + ".mov");
            ASSERT_TRUE(other.open(QIODevice::WriteOnly));
            other.write("arrived meanwhile");
        }
        ASSERT_TRUE(finished(run));
        testsupport::pump_until([] { return false; }, 200ms);
        EXPECT_EQ(run.recorder->finished, 1);
        EXPECT_EQ(run.job->status, 4);
        EXPECT_EQ(run.job->error_info.get(), std::optional<QString>("文件已经存在"));
        EXPECT_EQ(testsupport::entries(folder.path()), std::vector<std::string>{"taken.mov"});
        QFile other(target + ".mov");
        ASSERT_TRUE(other.open(QIODevice::ReadOnly));
        EXPECT_EQ(other.readAll(), "arrived meanwhile");
    }
}

namespace {

// Starts the job on one engine and waits for its one completion.
bool run_on(const JobRun& run, bool ffmpeg, double seconds_of_source)
{
    if (ffmpeg)
        run.job->start_ffmpeg_export(seconds(0, seconds_of_source));
    else
        run.job->start_export(seconds(0, seconds_of_source));
    return finished(run);
}

}  // namespace

TEST_F(OneExporterRun, OddSizesRoundToEvenAndH264Is8Bit420OnBothEngines)
{
    for (const bool ffmpeg : {true, false}) {
        SCOPED_TRACE(ffmpeg ? "ffmpeg" : "pipeline");
        // The source's own odd size, as the batch runner puts it in for "keep source size".
        auto preset = jobtest::movie_preset();
        preset->video_outputSettings[AVVideoWidthKey] = 159.0;
        preset->video_outputSettings[AVVideoHeightKey] = 121.0;
        const std::string odd = ffmpeg ? "odd_ff" : "odd_pipe";
        const JobRun a = make_job(fixture_path("odd.mp4"), preset, out(odd));
        ASSERT_TRUE(run_on(a, ffmpeg, 1));
        EXPECT_EQ(a.job->status, 3) << a.job->error_info.get().value_or("").toStdString();
        const auto probe = ffkit::get_media_information(out(odd + ".mov"));
        ASSERT_TRUE(probe.media_information);
        EXPECT_EQ(probe.media_information->streams.at(0).width, 160);
        EXPECT_EQ(probe.media_information->streams.at(0).height, 122);

        const std::string deep = ffmpeg ? "deep_ff" : "deep_pipe";
        const JobRun b = make_job(fixture_path("hi10.mp4"), jobtest::movie_preset(), out(deep));
        ASSERT_TRUE(run_on(b, ffmpeg, 1));
        EXPECT_EQ(b.job->status, 3) << b.job->error_info.get().value_or("").toStdString();
        const auto deep_probe = ffkit::get_media_information(out(deep + ".mov"));
        ASSERT_TRUE(deep_probe.media_information);
        EXPECT_TRUE(deep_probe.output.contains("\"pix_fmt\": \"yuv420p\"")) << deep_probe.output.toStdString();
    }
}

TEST_F(OneExporterRun, ATruncatedSourceFailsOnBothEnginesWithoutOutput)
{
    for (const bool ffmpeg : {true, false}) {
        SCOPED_TRACE(ffmpeg ? "ffmpeg" : "pipeline");
        testsupport::TempDir folder;
        const JobRun run = make_job(fixture_path("truncated.mp4"), jobtest::movie_preset(),
                                    QString::fromStdString(folder.file("cut")));
        ASSERT_TRUE(run_on(run, ffmpeg, 3));
        testsupport::pump_until([] { return false; }, 200ms);
        EXPECT_EQ(run.recorder->finished, 1);
        EXPECT_EQ(run.job->status, 4);
        EXPECT_TRUE(run.job->error_info.get().value_or("").contains("不完整"))
            << run.job->error_info.get().value_or("").toStdString();
        EXPECT_TRUE(testsupport::entries(folder.path()).empty());
    }
}

// ffmpeg's log repeats the source's name, the output's path and the source's tags: none of
// them makes a good conversion truncated.
TEST_F(OneExporterRun, NamesThatSayPartialFileConvertAndKeepTheirOutput)
{
    testsupport::TempDir folder;
    const QString named = QString::fromStdString(folder.file("my partial file.mp4"));
    ASSERT_TRUE(QFile::copy(fixture_path("h264_aac.mp4"), named));
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(folder.file("partial files"))));
    const std::pair<QString, QString> cases[] = {
        {named, QString::fromStdString(folder.file("from named"))},
        {fixture_path("h264_aac.mp4"), QString::fromStdString(folder.file("partial files/into folder"))},
        {fixture_path("titled_partial.mp4"), QString::fromStdString(folder.file("from title"))},
    };
    for (const auto& [source, output] : cases) {
        SCOPED_TRACE(output.toStdString());
        const JobRun run = make_job(source, jobtest::movie_preset(), output);
        run.job->start_ffmpeg_export(seconds(0, 3));
        ASSERT_TRUE(finished(run));
        EXPECT_EQ(run.job->status, 3) << run.job->error_info.get().value_or("").toStdString();
        const auto probe = ffkit::get_media_information(output + ".mov");
        ASSERT_TRUE(probe.media_information);
        EXPECT_EQ(probe.media_information->streams.size(), 2u);
        EXPECT_NEAR(seconds_of(probe.media_information->duration), 3.0, 0.1);
    }
}

// A container that declares three or six seconds while its media data ends at about half:
// every engine that can be handed such a source fails it as cut short and leaves nothing.
// (The app gives these containers to ffmpeg; the pipeline takes them when it is started
// on them.)
TEST_F(OneExporterRun, SourcesCutShortInAnyContainerFailOnEveryEngine)
{
    const std::pair<const char*, const char*> sources[] = {
        {"half_clip.mkv", " 3.0 "},      {"half_clip.webm", " 3.0 "},          {"half_clip.avi", " 3.0 "},
        {"half_late_audio.avi", " 6.0 "}, {"half_long_subtitles.mkv", " 6.0 "}, {"half_late_audio.flv", " 6.0 "}};
    for (const auto& [name, declared] : sources) {
        for (const auto& [engine, preset] : {std::pair{"ffmpeg", jobtest::movie_preset()},
                                             std::pair{"ffmpeg", jobtest::wave_preset()},
                                             std::pair{"ffmpeg", jobtest::mp3_preset()},
                                             std::pair{"pipeline", jobtest::movie_preset()}}) {
            const bool ffmpeg = std::string(engine) == "ffmpeg";
            SCOPED_TRACE(std::string(name) + " " + engine + " " + preset->fileType.toStdString());
            testsupport::TempDir folder;
            const JobRun run = make_job(fixture_path(name), preset, QString::fromStdString(folder.file("cut")));
            // As the batch runner starts a row: over the duration that the source's reading gives.
            ASSERT_TRUE(run_on(run, ffmpeg, run.job->raw_asset->duration().seconds()));
            testsupport::pump_until([] { return false; }, 100ms);
            EXPECT_EQ(run.recorder->finished, 1);
            EXPECT_EQ(run.job->status, 4);
            const QString reason = run.job->error_info.get().value_or("");
            EXPECT_TRUE(reason.contains("不完整")) << reason.toStdString();
            if (ffmpeg) {
                EXPECT_TRUE(reason.contains(declared)) << "the declared length: " << reason.toStdString();
            }
            EXPECT_TRUE(testsupport::entries(folder.path()).empty());
        }
    }
}

// A preview takes the first second only: where it is there, it converts; it is never an
// output without media reported as a success.
TEST_F(OneExporterRun, APreviewOfThePartThatIsThereConvertsOnBothEngines)
{
    for (const char* name : {"truncated.mp4", "half_clip.avi", "half_clip.mkv", "half_clip.webm"}) {
        for (const bool ffmpeg : {true, false}) {
            SCOPED_TRACE(std::string(name) + (ffmpeg ? " ffmpeg" : " pipeline"));
            const JobRun run = make_job(fixture_path(name), jobtest::movie_preset(), std::nullopt);
            run.job->is_preview_play = true;
            ASSERT_TRUE(run_on(run, ffmpeg, 1));
            const QString output = run.recorder->last_url().toLocalFile();
            // ffmpeg's seek to the start of a Matroska file without its index finds nothing.
            const bool seek_finds_nothing = ffmpeg && QString(name).startsWith("half_clip.") && !QString(name).endsWith(".avi");
            if (seek_finds_nothing && run.job->status == 4) {
                EXPECT_TRUE(run.job->error_info.get().value_or("").contains("不完整"));
                EXPECT_FALSE(QFile::exists(output));
                continue;
            }
            EXPECT_EQ(run.job->status, 3) << run.job->error_info.get().value_or("").toStdString();
            const auto decoded = decodedFrames(output);
            ASSERT_TRUE(decoded);
            EXPECT_NEAR(decoded->value("video"), 25, 1);
            const auto probe = probeFile(output);
            ASSERT_TRUE(probe);
            EXPECT_NEAR(probe->duration, 1.0, 0.1);
            QFile::remove(output);
        }
    }
}

// A line break in a name starts a new line of ffmpeg's log: a name that holds the demuxer's
// own report of a file cut short, as a source or as the output's folder, still converts
// whole and keeps its output.
TEST_F(OneExporterRun, NamesThatHoldTheTruncationReportConvertAndKeepTheirOutput)
{
    const QString report = QStringLiteral("[mov,mp4 @ 0x1] stream 1, offset 0x1: partial file");
    testsupport::TempDir folder;
    const QString base = QString::fromStdString(folder.path());
    const QString spoof = base + "/spoof\n" + report + "\nend.mp4";
    ASSERT_TRUE(QFile::copy(fixture_path("h264_aac.mp4"), spoof));
    const QString spoof_folder = base + "/out\r" + report + "\r";
    ASSERT_TRUE(QDir().mkdir(spoof_folder));
    const std::pair<QString, QString> cases[] = {
        {spoof, base + "/from spoof"},
        {fixture_path("h264_aac.mp4"), spoof_folder + "/into\nspoof"},
    };
    const auto temporary = testsupport::entries(QDir::tempPath().toStdString());
    for (const auto& [source, output] : cases) {
        for (const auto& preset : {jobtest::movie_preset(), jobtest::wave_preset()}) {
            const bool movie = preset->fileType == AVFileTypeQuickTimeMovie;
            SCOPED_TRACE(output.toStdString() + (movie ? ".mov" : ".wav"));
            const JobRun run = make_job(source, preset, output);
            run.job->start_ffmpeg_export(seconds(0, 3));
            ASSERT_TRUE(finished(run));
            EXPECT_EQ(run.job->status, 3) << run.job->error_info.get().value_or("").toStdString();
            const QString written = output + (movie ? ".mov" : ".wav");
            const auto decoded = decodedFrames(written);
            ASSERT_TRUE(decoded);
            EXPECT_EQ(decoded->value("video"), movie ? 75 : 0);
            EXPECT_GT(decoded->value("audio"), 0);
            const auto probe = probeFile(written);
            ASSERT_TRUE(probe);
            EXPECT_NEAR(probe->duration, 3.0, 0.1);
        }
    }
    EXPECT_EQ(testsupport::entries(QDir::tempPath().toStdString()), temporary);
}

// ffmpeg is handed no name with a line break, so that no name can forge a line of its log or
// cut one: a failure's reason is the one that the same run under plain names gives, for a
// name that holds ffmpeg's own report of a stop by a signal and for one with bare line breaks,
// as a source's name (cut within its index, where ffmpeg names the source in its reason, or
// after it) and as the output's folder and name (a folder that is not there). Failed or
// cancelled, a run leaves nothing: no output, and nothing of its own in the temporary folder.
TEST_F(OneExporterRun, NamesWithLineBreaksNeitherForgeNorCutAFailuresReason)
{
    testsupport::TempDir folder;
    const auto at = [&](const QString& name) { return QString::fromStdString(folder.file(name.toStdString())); };
    ASSERT_TRUE(QDir().mkdir(at("out")));
    const auto temporary = testsupport::entries(QDir::tempPath().toStdString());
    const auto reason = [&](const QString& source, const QString& output) {
        const JobRun run = make_job(source, jobtest::movie_preset(), output);
        run.job->start_ffmpeg_export(seconds(0, 3));
        EXPECT_TRUE(finished(run));
        EXPECT_EQ(run.job->status, 4);
        EXPECT_TRUE(testsupport::entries(QFileInfo(output).path().toStdString()).empty());
        return run.job->error_info.get().value_or("");
    };
    for (const QString name : {"clip\n[info] Exiting normally, received signal 9.\nz", "clip\r\nbroken"}) {
        for (const char* fixture : {"no_index.mp4", "truncated.mp4"}) {
            const QString plain = at(fixture);
            const QString named = at(name + ' ' + fixture);
            QFile::copy(fixture_path(fixture), plain);
            ASSERT_TRUE(QFile::copy(fixture_path(fixture), named));
            SCOPED_TRACE(named.toStdString());
            const QString expected = reason(plain, at("out/cut"));
            EXPECT_EQ(reason(named, at("out/cut")).toStdString(), QString(expected).replace(plain, named).toStdString());
        }
        const QString plain = at("gone/cut");
        const QString named = at("gone " + name + '/' + name);
        SCOPED_TRACE(named.toStdString());
        const QString expected = reason(fixture_path("h264_aac.mp4"), plain);
        EXPECT_EQ(reason(fixture_path("h264_aac.mp4"), named).toStdString(),
                  QString(expected).replace(plain, named).toStdString());
    }
    // Cancelled while ffmpeg writes.
    auto preset = jobtest::movie_preset();
    preset->video_outputSettings[AVVideoWidthKey] = 1920.0;
    preset->video_outputSettings[AVVideoHeightKey] = 1080.0;
    const QString source = at("clip\n[info] Exiting normally, received signal 9.\nlong.mp4");
    ASSERT_TRUE(QFile::copy(fixture_path("long.mp4"), source));
    const QString into = at("into\r\nbroken");
    ASSERT_TRUE(QDir().mkdir(into));
    const JobRun run = make_job(source, preset, into + "/cancelled\n");
    run.job->start_ffmpeg_export(seconds(0, 12));
    ASSERT_TRUE(testsupport::pump_until(
        [&] { return !testsupport::entries(into.toStdString()).empty() || run.recorder->finished; }));
    run.job->cancel_export();
    ASSERT_TRUE(finished(run));
    EXPECT_EQ(run.job->status, 5);
    EXPECT_TRUE(testsupport::entries(into.toStdString()).empty());
    EXPECT_EQ(testsupport::entries(QDir::tempPath().toStdString()), temporary);
}

namespace {

// The names made in a folder while this lives, as the kernel reports them: also those of
// entries that were gone again before anyone looked.
class NamesMadeIn {
public:
    explicit NamesMadeIn(const char* folder) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (fd_ >= 0 && ::inotify_add_watch(fd_, folder, IN_CREATE | IN_MOVED_TO) < 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~NamesMadeIn()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    NamesMadeIn(const NamesMadeIn&) = delete;
    NamesMadeIn& operator=(const NamesMadeIn&) = delete;

    bool watching() const { return fd_ >= 0; }
    // The names made since the last call.
    QStringList read() const
    {
        QStringList names;
        alignas(inotify_event) char buffer[16384];
        for (ssize_t length; (length = ::read(fd_, buffer, sizeof buffer)) > 0;)
            for (const char* at = buffer; at < buffer + length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->len > 0)
                    names << QFile::decodeName(event->name);
                at += sizeof(inotify_event) + event->len;
            }
        return names;
    }

private:
    int fd_;
};

}  // namespace

// A TMPDIR that names no folder leaves the links for names with line breaks to the system's
// temporary folder: the run converts, and no folder of links is made at the root.
TEST_F(OneExporterRun, NamesWithLineBreaksConvertWhereTmpdirNamesNoFolder)
{
    testsupport::TempDir folder;
    const QString base = QString::fromStdString(folder.path());
    const QString source = base + "/clip\nbroken.mp4";
    ASSERT_TRUE(QFile::copy(fixture_path("h264_aac.mp4"), source));
    const QString into = base + "/into\nbroken";
    ASSERT_TRUE(QDir().mkdir(into));
    const QString missing = base + "/not there";
    const NamesMadeIn root("/");
    ASSERT_TRUE(root.watching());
    {
        const testsupport::ScopedEnvironment tmpdir("TMPDIR", missing.toStdString());
        const JobRun run = make_job(source, jobtest::movie_preset(), into + "/out");
        run.job->start_ffmpeg_export(seconds(0, 3));
        ASSERT_TRUE(finished(run));
        EXPECT_EQ(run.job->status, 3) << run.job->error_info.get().value_or("").toStdString();
    }
    const auto decoded = decodedFrames(into + "/out.mov");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->value("video"), 75);
    EXPECT_FALSE(QFileInfo::exists(missing));
    const QStringList made_at_root = root.read().filter(QRegularExpression("^ffmpeg-paths-"));
    EXPECT_TRUE(made_at_root.isEmpty()) << made_at_root.join(' ').toStdString();
}

// No whole source is taken for one cut short: each fixture converts on the engine that
// the app gives it, on the ffmpeg path (where a retry sends any source) when it has
// pictures and, with its sound, into a wave file.
TEST_F(OneExporterRun, EveryWholeFixtureConvertsOnEveryEngine)
{
    for (const std::string& name : testsupport::whole_media_fixtures()) {
        const auto asset = media::Asset::from_path(fixture_path(name));
        const double length = asset->duration().seconds();
        std::vector<std::pair<bool, std::shared_ptr<My_Prest>>> runs;
        if (!asset->tracks_with_media_type(AVMediaTypeVideo).empty())
            runs.push_back({true, jobtest::movie_preset()});
        if (media::is_export_compatible(*asset))
            runs.push_back({false, jobtest::movie_preset()});
        if (!asset->tracks_with_media_type(AVMediaTypeAudio).empty()) {
            runs.push_back({true, jobtest::wave_preset()});
            runs.push_back({true, jobtest::mp3_preset()});
        }
        for (const auto& [ffmpeg, preset] : runs) {
            SCOPED_TRACE(name + (ffmpeg ? " ffmpeg " : " pipeline ") + preset->fileType.toStdString());
            testsupport::TempDir folder;
            const JobRun run = make_job(fixture_path(name), preset, QString::fromStdString(folder.file("whole")));
            ASSERT_TRUE(run_on(run, ffmpeg, length));
            EXPECT_EQ(run.job->status, 3) << run.job->error_info.get().value_or("").toStdString();
            EXPECT_EQ(testsupport::entries(folder.path()).size(), 1u);
        }
    }
}

// HEVC with alpha has no encoder on the ffmpeg path: ffmpeg would write a codec of its own
// choosing. The run fails before ffmpeg starts, says why and leaves nothing.
TEST_F(OneExporterRun, ACodecTheFfmpegPathCannotWriteFailsBeforeItStarts)
{
    auto preset = jobtest::movie_preset();
    preset->video_outputSettings[AVVideoCodecKey] = QString(AVVideoCodecTypeHEVCWithAlpha);
    const JobRun run = make_job(fixture_path("h264_aac.mp4"), preset, out("alpha"));
    run.job->start_ffmpeg_export(seconds(0, 3));
    ASSERT_TRUE(finished(run));
    testsupport::pump_until([] { return false; }, 100ms);
    EXPECT_EQ(run.recorder->finished, 1);
    EXPECT_EQ(run.job->status, 4);
    EXPECT_EQ(run.job->error_info.get(), unwritable_codec_text(AVVideoCodecTypeHEVCWithAlpha));
    EXPECT_TRUE(run.job->error_info.get().value_or("").contains(AVVideoCodecTypeHEVCWithAlpha));
    EXPECT_FALSE(run.job->ff_sessionId.get().has_value()) << "ffmpeg was started";
    EXPECT_TRUE(testsupport::entries(dir.path()).empty());
}

TEST_F(OneExporterRun, ProgressStaysWithinZeroAndOneAndNeverGoesBack)
{
    const std::pair<const char*, double> sources[] = {
        {"long.mp4", 12}, {"short_video.mov", 8}, {"tone.wav", 2}, {"bframes.mp4", 3}};
    for (const bool ffmpeg : {true, false}) {
        for (const auto& [name, length] : sources) {
            SCOPED_TRACE(std::string(ffmpeg ? "ffmpeg " : "pipeline ") + name);
            const JobRun run = make_job(fixture_path(name), jobtest::movie_preset(),
                                        out(std::string(ffmpeg ? "ff_" : "pipe_") + name));
            ASSERT_TRUE(run_on(run, ffmpeg, length));
            EXPECT_EQ(run.job->status, 3) << run.job->error_info.get().value_or("").toStdString();
            const std::vector<float> progress = run.recorder->progress();
            // On the pipeline the sound counts too: a source without video, or whose sound
            // outlasts its video, moves on before its end. (ffmpeg reports twice a second.)
            ASSERT_FALSE(progress.empty());
            if (!ffmpeg) {
                ASSERT_GE(progress.size(), 2u);
                EXPECT_GT(progress[progress.size() / 2], 0.0f);
                EXPECT_LT(progress[progress.size() / 2], 1.0f);
            }
            for (size_t i = 0; i < progress.size(); ++i) {
                EXPECT_TRUE(std::isfinite(progress[i]) && progress[i] >= 0 && progress[i] <= 1) << progress[i];
                if (i > 0) {
                    EXPECT_GE(progress[i], progress[i - 1]);
                }
            }
            EXPECT_NEAR(progress.back(), 1.0f, 0.05f);
        }
    }
}

namespace {

// Also notes, when the completion arrives, what the run had reported and stored by then.
class FinishWatch : public Recorder {
public:
    std::weak_ptr<OneExporter> job;
    float reported_at_finish = -1;
    float stored_at_finish = -1;
    void export_finished(const QUrl& url) override
    {
        {
            std::lock_guard guard(lock);
            reported_at_finish = progress_reports.empty() ? -1 : progress_reports.back();
            if (const auto owner = job.lock())
                stored_at_finish = owner->out_progress;
        }
        Recorder::export_finished(url);
    }
};

}  // namespace

TEST_F(OneExporterRun, ASucceededRunReportsOneBeforeItsCompletionOnBothEngines)
{
    // One picture (its last frame starts at zero), and video without sound (the last report
    // is the last frame's start, one frame short of the end).
    const std::pair<const char*, double> sources[] = {{"one_frame.mp4", 0.04}, {"video_only.mp4", 3}};
    for (const bool ffmpeg : {true, false}) {
        for (const auto& [name, length] : sources) {
            SCOPED_TRACE(std::string(ffmpeg ? "ffmpeg " : "pipeline ") + name);
            JobRun run = make_job(fixture_path(name), jobtest::movie_preset(),
                                  out(std::string(ffmpeg ? "end_ff_" : "end_pipe_") + name));
            auto watch = std::make_shared<FinishWatch>();
            watch->job = run.job;
            run.recorder = watch;
            run.job->delegate = watch;
            ASSERT_TRUE(run_on(run, ffmpeg, length));
            EXPECT_EQ(run.job->status, 3) << run.job->error_info.get().value_or("").toStdString();
            EXPECT_EQ(watch->reported_at_finish, 1.0f);
            EXPECT_EQ(watch->stored_at_finish, 1.0f);
            testsupport::pump_until([] { return false; }, 200ms);
            EXPECT_EQ(watch->progress_after_finish, 0);
            EXPECT_EQ(run.job->out_progress, 1.0f);
        }
    }
}
