// A failed row tells why in the window's language: every kind of failure, on both engines,
// shows the application's own words in English with the English tables and in Chinese
// without them. Names, ffmpeg's and the system's own messages stay as they are; what only
// a program knows (settings, their keys, type identifiers) never shows.
#include <QFile>
#include <QRegularExpression>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include "app/settings/setup_ns_view_controller.h"
#include "batch_support.h"
#include "installed_translations.h"
#include "support/processes.h"
#include "support/qt_print.h"

namespace {

// Chinese characters and the full-width punctuation that goes with them.
bool has_chinese(const QString& text)
{
    static const QRegularExpression chinese(QStringLiteral("[\\x{3000}-\\x{303f}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    return text.contains(chinese);
}

// The words in Latin letters that remain once the given pieces are taken out.
QStringList latin_words(QString text, const QStringList& pieces)
{
    for (const QString& piece : pieces)
        text.remove(piece);
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    QStringList words;
    for (auto it = word.globalMatch(text); it.hasNext();)
        words << it.next().captured();
    return words;
}

My_Prest audio_only_wave_preset()
{
    My_Prest p;
    p.name = QStringLiteral("wav");
    p.fileType = AVFileTypeWAVE;
    p.audio_outputSettings.insert(AVFormatIDKey, uint(kAudioFormatLinearPCM));
    p.is_run_ffmpeg = true;
    return p;
}

// Until it goes out of scope, files this process writes end at `bytes` with "File too large".
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, old_handler_);
    }

private:
    rlimit old_{};
    void (*old_handler_)(int) = nullptr;
};

struct Failed {
    const char* kind;
    std::shared_ptr<Run_task_obj> row;
    // Names and messages that are not the application's own words.
    QStringList kept;
    // Names that the text must show, as the settings panes show them.
    QStringList named = {};
};

// What only a program knows: a settings dictionary, a settings key, a type identifier.
const QStringList internal_words = {QStringLiteral("{"), QStringLiteral("Key"), QStringLiteral("com.apple"),
                                    QStringLiteral("public."), QString(AVVideoCodecTypeHEVCWithAlpha)};

// Fails a row of every kind in the window, one batch per kind of set-up.
std::vector<Failed> fail_every_kind(batchtest::Window& w)
{
    std::vector<Failed> failed;
    testsupport::TempDir sources;
    const QString source_folder = QString::fromStdString(sources.path());
    const QString out_folder = QString::fromStdString(w.out.path());

    // The pipeline: an output that is there already, a source whose data ends early, a source
    // that was replaced by something unreadable after it was added, and one that is gone.
    w.keep_preset(batchtest::small_mp4_preset());
    const auto exists = w.add_row(batchtest::copy_fixture("tiny.mp4", sources.path(), "exists.mp4"));
    QFile taken(w.output(QStringLiteral("exists.mp4")));
    taken.open(QIODevice::WriteOnly);
    taken.close();
    const auto cut = w.add_row(batchtest::copy_fixture("truncated.mp4", sources.path(), "cut.mp4"));
    const std::string replaced_path = batchtest::copy_fixture("tiny.mp4", sources.path(), "replaced.mp4");
    const auto replaced = w.add_row(replaced_path);
    QFile::remove(QString::fromStdString(replaced_path));
    QFile::copy(QString::fromStdString(testsupport::fixture("random.mp4")), QString::fromStdString(replaced_path));
    const std::string gone_path = batchtest::copy_fixture("tiny.mp4", sources.path(), "gone.mp4");
    const auto gone = w.add_row(gone_path);
    QFile::remove(QString::fromStdString(gone_path));
    w.list->start_run();
    EXPECT_TRUE(w.wait_idle(120));
    failed.push_back({"output exists", exists, {}});
    failed.push_back({"truncated, pipeline", cut, {QStringLiteral("cut.mp4")}});
    failed.push_back({"unreadable, pipeline", replaced,
                      {source_folder, QStringLiteral("replaced.mp4"),
                       QStringLiteral("Invalid data found when processing input")}});
    failed.push_back({"gone, pipeline", gone, {QStringLiteral("gone.mp4"), QString::fromLocal8Bit(std::strerror(ENOENT))}});

    // A write that the file system refuses.
    const auto large = w.add_row(batchtest::copy_fixture("h264_aac.mp4", sources.path(), "large.mp4"));
    {
        const FileSizeLimit limit(64 * 1024);
        w.list->start_run();
        EXPECT_TRUE(w.wait_idle(120));
    }
    failed.push_back({"write failure, pipeline", large,
                      {out_folder, QStringLiteral("large.mp4"), QStringLiteral("File too large")}});

    // A typed frame size that the encoder refuses, on both engines.
    My_Prest huge = batchtest::small_mp4_preset();
    huge.set_size(40000, 2);
    w.keep_preset(huge);
    const auto huge_pipeline = w.add_row(batchtest::copy_fixture("tiny.mp4", sources.path(), "huge.mp4"));
    const auto huge_ffmpeg = w.add_row(batchtest::copy_fixture("clip.mkv", sources.path(), "huge.mkv"));
    w.list->start_run();
    EXPECT_TRUE(w.wait_idle(120));
    failed.push_back({"frame size, pipeline", huge_pipeline, {}});
    failed.push_back({"frame size, ffmpeg", huge_ffmpeg, {}});

    // ffmpeg: the audio-only preset, of a source whose data ends early and of one without sound.
    w.keep_preset(audio_only_wave_preset());
    const auto cut_sound = w.add_row(batchtest::copy_fixture("truncated.mp4", sources.path(), "cut_sound.mp4"));
    const auto silent = w.add_row(batchtest::copy_fixture("video_only.mp4", sources.path(), "silent.mp4"));
    w.list->start_run();
    EXPECT_TRUE(w.wait_idle(120));
    failed.push_back({"truncated, ffmpeg", cut_sound, {}});
    failed.push_back({"no sound, ffmpeg", silent, {}});

    // ffmpeg killed while it converts, as the out-of-memory killer does.
    w.keep_preset(batchtest::slow_preset());
    const auto killed = w.add_row(batchtest::copy_fixture("long.mkv", sources.path(), "killed.mkv"));
    w.list->start_run();
    std::vector<pid_t> children;
    EXPECT_TRUE(testsupport::pump_until([&] { return (children = testsupport::children_of(::getpid(), "ffmpeg")).size() == 1; }));
    for (const pid_t child : children)
        ::kill(child, SIGKILL);
    EXPECT_TRUE(w.wait_idle(120));
    failed.push_back({"killed, ffmpeg", killed, {QStringLiteral("ffmpeg"), QString::fromLocal8Bit(::strsignal(SIGKILL))}});

    // A codec without an encoder, in a QuickTime file: the pipeline refuses it, and so does
    // ffmpeg, of a source only it reads. Both name it as the video pane does.
    My_Prest alpha = batchtest::small_mp4_preset();
    alpha.fileType = AVFileTypeQuickTimeMovie;
    alpha.video_outputSettings.insert(AVVideoCodecKey, QString(AVVideoCodecTypeHEVCWithAlpha));
    w.keep_preset(alpha);
    const auto refused = w.add_row(batchtest::copy_fixture("tiny.mp4", sources.path(), "refused.mp4"));
    const auto no_encoder = w.add_row(batchtest::copy_fixture("clip.mkv", sources.path(), "no_encoder.mkv"));
    EXPECT_FALSE(refused->out_Ex->is_run_ffmpeg);
    EXPECT_TRUE(no_encoder->out_Ex->is_run_ffmpeg);
    w.list->start_run();
    EXPECT_TRUE(w.wait_idle(120));
    const QString alpha_name = codec_name(AVVideoCodecTypeHEVCWithAlpha);
    failed.push_back({"codec without an encoder, pipeline", refused, {}, {alpha_name, fileType_name(AVFileTypeQuickTimeMovie)}});
    failed.push_back({"codec without an encoder, ffmpeg", no_encoder, {}, {alpha_name}});

    // The output would be the source itself: into the source's folder, with its extension.
    w.keep_preset(batchtest::small_mp4_preset());
    w.window.split()->settings_column()->set_out_path_url(QUrl::fromLocalFile(source_folder));
    const auto same = w.add_row(batchtest::copy_fixture("tiny.mp4", sources.path(), "same.mp4"));
    w.list->start_run();
    EXPECT_TRUE(w.wait_idle(120));
    failed.push_back({"output is the source", same, {}});
    w.window.split()->settings_column()->set_out_path_url(QUrl::fromLocalFile(out_folder));
    return failed;
}

}  // namespace

TEST(BatchFailureTexts, EachKindOfFailureSpeaksTheWindowsLanguage)
{
    for (const bool english : {true, false}) {
        SCOPED_TRACE(english ? "English" : "Chinese");
        std::optional<apptest::InstalledTranslations> tables;
        if (english)
            tables.emplace(QLocale(QLocale::English, QLocale::UnitedStates));
        batchtest::Window w;
        for (const Failed& f : fail_every_kind(w)) {
            SCOPED_TRACE(f.kind);
            ASSERT_EQ(f.row->out_Ex->status, 4);
            const QString text = batchtest::status_text(*w.list, *f.row);
            for (const QString& name : f.named)
                EXPECT_TRUE(text.contains(name)) << text.toStdString();
            for (const QString& word : internal_words)
                EXPECT_FALSE(text.contains(word)) << text.toStdString();
            if (english) {
                EXPECT_TRUE(text.startsWith(QStringLiteral("Failed ("))) << text.toStdString();
                EXPECT_FALSE(has_chinese(text)) << text.toStdString();
            } else {
                EXPECT_TRUE(text.startsWith(QStringLiteral("失败("))) << text.toStdString();
                EXPECT_EQ(latin_words(text, f.kept + f.named), QStringList()) << text.toStdString();
            }
        }
    }
}
