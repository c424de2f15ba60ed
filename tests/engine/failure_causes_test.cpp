// A failed run says why in the user's words: a killed or crashed ffmpeg, a source that the
// system does not let be read, settings that the source or the encoder refuses. And a refusal
// holds only where its cause is: sound is converted whatever the video settings say.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/one_exporter.h"
#include "engine/run_failure_texts.h"
#include "fixture_paths.h"
#include "job_support.h"
#include "platform/ffkit/probe.h"
#include "support/processes.h"
#include "support/support.h"

using namespace std::chrono_literals;

namespace {

enum class Engine { ffmpeg, pipeline };

const char* engine_name(Engine engine) { return engine == Engine::ffmpeg ? "ffmpeg" : "pipeline"; }

class FailureCauses : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        register_file_type_names();
        register_codec_names();
        register_audio_format_names();
    }

    std::shared_ptr<OneExporter> job(const QString& source, std::shared_ptr<My_Prest> preset, const std::string& name)
    {
        auto made = OneExporter::create(media::Asset::from_path(source));
        made->delegate = recorder;
        made->My_prest_obj = std::move(preset);
        made->out_url_obj = std::optional<QUrl>(QUrl::fromLocalFile(QString::fromStdString(out.file(name))));
        return made;
    }

    // Starts the job on the engine and waits for its completion.
    bool run(const std::shared_ptr<OneExporter>& started, Engine engine)
    {
        const auto range = media::TimeRange::make(media::Time::zero(), media::Time::from_seconds(12));
        if (engine == Engine::ffmpeg)
            started->start_ffmpeg_export(range);
        else
            started->start_export(range);
        return testsupport::pump_until([&] { return recorder->finished >= 1; });
    }

    // A failed run whose one completion has come and that left nothing in the output folder.
    void expect_failed_with(const std::shared_ptr<OneExporter>& ended, const QString& text)
    {
        testsupport::pump_until([] { return false; }, 100ms);
        EXPECT_EQ(recorder->finished, 1);
        EXPECT_EQ(ended->status, 4);
        EXPECT_EQ(ended->error_info.get().value_or(QString()).toStdString(), text.toStdString());
        EXPECT_TRUE(testsupport::entries(out.path()).empty());
    }

    std::shared_ptr<jobtest::Recorder> recorder = std::make_shared<jobtest::Recorder>();
    testsupport::TempDir out;
};

QString system_text(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

std::shared_ptr<My_Prest> sized_preset(const char* codec, double width, double height)
{
    auto preset = jobtest::movie_preset();
    preset->video_outputSettings[AVVideoCodecKey] = QString(codec);
    preset->video_outputSettings[AVVideoWidthKey] = width;
    preset->video_outputSettings[AVVideoHeightKey] = height;
    return preset;
}

}  // namespace

// The out-of-memory killer's SIGKILL and a crash's SIGSEGV: the row names the signal, not the
// statistics or metadata that ffmpeg printed last, and nothing of the output stays.
TEST_F(FailureCauses, AKilledOrCrashedFfmpegSaysSo)
{
    const testsupport::NoCoreFiles no_core_files;
    int completions = 0;
    for (const int signal_number : {SIGKILL, SIGSEGV}) {
        SCOPED_TRACE(signal_number);
        const auto started = job(fixture_path("long.mp4"), jobtest::movie_preset(), "killed" + std::to_string(signal_number));
        started->start_ffmpeg_export(media::TimeRange::make(media::Time::zero(), media::Time::from_seconds(12)));
        std::vector<pid_t> children;
        ASSERT_TRUE(testsupport::pump_until([&] {
            return (children = testsupport::children_of(::getpid(), "ffmpeg")).size() == 1 || recorder->finished > completions;
        }));
        ASSERT_EQ(children.size(), 1u) << "ffmpeg ended before it could be signalled";
        ::kill(children.front(), signal_number);
        ASSERT_TRUE(testsupport::pump_until([&] { return recorder->finished > completions; }));
        ++completions;
        testsupport::pump_until([] { return false; }, 100ms);
        EXPECT_EQ(recorder->finished, completions);
        EXPECT_EQ(started->status, 4);
        const QString text = started->error_info.get().value_or(QString());
        EXPECT_EQ(text.toStdString(), ffmpeg_signal_text(signal_number).toStdString());
        EXPECT_TRUE(text.contains(QString::fromLocal8Bit(::strsignal(signal_number)))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral(" %1 ").arg(signal_number))) << text.toStdString();
        EXPECT_TRUE(testsupport::entries(out.path()).empty());
    }
}

// A folder under a media file's name, and a file that is gone since it was added: the pipeline
// gives the system's reason. A file that opens but holds no media keeps its own text.
TEST_F(FailureCauses, ThePipelineSaysWhyTheSystemCannotReadTheSource)
{
    testsupport::TempDir sources;
    const QString folder = QString::fromStdString(sources.file("folder.mp4"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString gone = QString::fromStdString(sources.file("gone.mp4"));
    ASSERT_TRUE(QFile::copy(fixture_path("tiny.mp4"), gone));
    const QString locked = QString::fromStdString(sources.file("locked.mp4"));
    ASSERT_TRUE(QFile::copy(fixture_path("tiny.mp4"), locked));

    struct Case {
        QString source;
        QString text;
        // What happens to the source once its job is made.
        std::function<void()> then = [] {};
    };
    std::vector<Case> cases = {
        {folder, QStringLiteral("无法读取文件“folder.mp4”：%1。").arg(system_text(EISDIR))},
        {gone, QStringLiteral("无法读取文件“gone.mp4”：%1。").arg(system_text(ENOENT)), [&] { QFile::remove(gone); }},
        {fixture_path("random.mp4"), QStringLiteral("无法读取文件“random.mp4”：其中没有可以打开的媒体。")},
    };
    // The superuser reads every file.
    if (::geteuid() != 0)
        cases.push_back({locked, QStringLiteral("无法读取文件“locked.mp4”：%1。").arg(system_text(EACCES)),
                         [&] { ::chmod(QFile::encodeName(locked).constData(), 0); }});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source.toStdString());
        recorder = std::make_shared<jobtest::Recorder>();
        // The job is made while the file is there, as a row is when the file is added.
        const auto made = job(c.source, jobtest::movie_preset(), "unread");
        c.then();
        ASSERT_TRUE(run(made, Engine::pipeline));
        expect_failed_with(made, c.text);
    }
}

// Sound only, of a source without sound: ffmpeg is not started, and the row says so in the
// user's words instead of "Output file #0 does not contain any stream".
TEST_F(FailureCauses, SoundOnlyOfASourceWithoutSoundSaysTheSourceHasNone)
{
    const auto made = job(fixture_path("video_only.mp4"), jobtest::wave_preset(), "silent");
    ASSERT_TRUE(run(made, Engine::ffmpeg));
    expect_failed_with(made, no_source_audio_text());
    EXPECT_FALSE(made->ff_sessionId.get().has_value()) << "ffmpeg was started";
}

// A typed frame size that the encoder refuses names the codec and the size on both engines,
// not the settings and the file type's identifier; so does the HEVC encoder's own refusal.
TEST_F(FailureCauses, AFrameSizeTheEncoderRefusesNamesTheCodecAndTheSize)
{
    const std::tuple<Engine, const char*, double, double> cases[] = {
        {Engine::ffmpeg, AVVideoCodecTypeH264, 40000, 2},
        {Engine::pipeline, AVVideoCodecTypeH264, 40000, 2},
        {Engine::ffmpeg, AVVideoCodecTypeHEVC, 320, 8},
    };
    for (const auto& [engine, codec, width, height] : cases) {
        SCOPED_TRACE(std::string(engine_name(engine)) + " " + codec);
        recorder = std::make_shared<jobtest::Recorder>();
        const auto made = job(fixture_path("tiny.mp4"), sized_preset(codec, width, height), "sized");
        ASSERT_TRUE(run(made, engine));
        expect_failed_with(made, frame_size_refused_text(codec, qint64(width), qint64(height)));
        const QString text = made->error_info.get().value_or(QString());
        EXPECT_TRUE(text.contains(codec_name(codec))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("%1×%2").arg(width).arg(height))) << text.toStdString();
    }
}

// The ffmpeg path has no encoder for JPEG or HEVC with alpha, which matters only for a picture:
// the sound of a source without video converts as the command says.
TEST_F(FailureCauses, ACodecTheFfmpegPathCannotWriteDoesNotStopASourceWithoutVideo)
{
    for (const char* codec : {AVVideoCodecTypeJPEG, AVVideoCodecTypeHEVCWithAlpha}) {
        SCOPED_TRACE(codec);
        recorder = std::make_shared<jobtest::Recorder>();
        auto preset = jobtest::movie_preset();
        preset->video_outputSettings[AVVideoCodecKey] = QString(codec);
        const auto made = job(fixture_path("audio.m4a"), preset, std::string("sound_") + codec);
        ASSERT_TRUE(run(made, Engine::ffmpeg));
        EXPECT_EQ(made->status, 3) << made->error_info.get().value_or(QString()).toStdString();
        const auto probe = ffkit::get_media_information(QString::fromStdString(out.file(std::string("sound_") + codec + ".mov")));
        ASSERT_TRUE(probe.media_information);
        ASSERT_EQ(probe.media_information->streams.size(), 1u);
        EXPECT_EQ(probe.media_information->streams[0].codec_name, "aac");
        EXPECT_NEAR(probe.media_information->duration ? probe.media_information->duration->toDouble() : 0, 3.0, 0.1);
    }
}

// Linear PCM does not go into an MPEG-4 file: on ffmpeg too the run is refused before it starts,
// in the pipeline's words. A QuickTime file takes it.
TEST_F(FailureCauses, AnAudioFormatTheFileTypeCannotHoldIsRefusedOnBothEngines)
{
    const std::pair<const char*, const char*> refused[] = {
        {AVFileTypeMPEG4, "音频格式 LinearPCM 无法写入 MPEG-4(.mp4) 文件"},
        {AVFileTypeAppleM4V, "音频格式 LinearPCM 无法写入 m4v 文件"},
    };
    for (const auto& [type, text] : refused) {
        for (const Engine engine : {Engine::ffmpeg, Engine::pipeline}) {
            SCOPED_TRACE(std::string(engine_name(engine)) + " " + type);
            recorder = std::make_shared<jobtest::Recorder>();
            auto preset = jobtest::movie_preset();
            preset->fileType = type;
            preset->audio_outputSettings = {{AVFormatIDKey, uint(kAudioFormatLinearPCM)}};
            const auto made = job(fixture_path("tiny.mp4"), preset, "pcm");
            ASSERT_TRUE(run(made, engine));
            expect_failed_with(made, QString::fromUtf8(text));
            EXPECT_FALSE(made->ff_sessionId.get().has_value()) << "ffmpeg was started";
        }
    }
    recorder = std::make_shared<jobtest::Recorder>();
    auto movie = jobtest::movie_preset();
    movie->audio_outputSettings = {{AVFormatIDKey, uint(kAudioFormatLinearPCM)}};
    const auto made = job(fixture_path("tiny.mp4"), movie, "pcm");
    ASSERT_TRUE(run(made, Engine::ffmpeg));
    EXPECT_EQ(made->status, 3) << made->error_info.get().value_or(QString()).toStdString();
    const auto probe = ffkit::get_media_information(QString::fromStdString(out.file("pcm.mov")));
    ASSERT_TRUE(probe.media_information);
    EXPECT_TRUE(probe.output.contains("\"codec_name\": \"pcm_s24le\"")) << probe.output.toStdString();
}
