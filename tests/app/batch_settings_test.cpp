// What a Start reads and checks: the output folder, the preset of each row, the review counter.
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QTabWidget>
#include <chrono>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

#include "app/batch/review_prompt.h"
#include "app/settings/setup_ns_view_controller.h"
#include "app/settings/setup_setup_view_controller.h"
#include "app/settings/video_setup_view_controller.h"
#include "batch_support.h"
#include "platform/dispatch/queue.h"
#include "platform/media/identifiers.h"

using batchtest::held;

namespace {

qint64 review_count() { return QSettings().value(QStringLiteral("requestReviewID"), 0).toLongLong(); }

QVariant width_of(const My_Prest& p) { return p.video_outputSettings.value(AVVideoWidthKey); }
QVariant height_of(const My_Prest& p) { return p.video_outputSettings.value(AVVideoHeightKey); }

My_Prest keep_size_preset(const QVariant& sentinel)
{
    My_Prest p = batchtest::small_mp4_preset();
    p.video_outputSettings.insert(AVVideoWidthKey, sentinel);
    return p;
}

}  // namespace

// A Start without a folder it can write into refuses with an alert that names the folder:
// nothing starts and nothing is counted. The list pane's own Start reads the settings too.
TEST(BatchSettings, StartNeedsAUsableOutputFolder)
{
    batchtest::Window w;
    w.keep_preset(batchtest::small_mp4_preset());
    const auto row = batchtest::held_row(testsupport::fixture("tiny.mp4"));
    w.add_row(row);
    testsupport::TempDir scratch;
    const QString vanished = QString::fromStdString(scratch.path()) + QStringLiteral("/gone");
    const QString file = QString::fromStdString(testsupport::fixture("tiny.mp4"));
    // A folder that takes no new files, whoever runs the test.
    QString read_only = QStringLiteral("/proc/self");
    if (::geteuid() != 0) {
        read_only = QString::fromStdString(scratch.path()) + QStringLiteral("/ro");
        QDir().mkpath(read_only);
        QFile::setPermissions(read_only, QFile::ReadOwner | QFile::ExeOwner);
    }
    const std::optional<QUrl> unset;
    for (const std::optional<QUrl>& folder : {unset, std::optional<QUrl>(QUrl::fromLocalFile(vanished)),
                                              std::optional<QUrl>(QUrl::fromLocalFile(file)),
                                              std::optional<QUrl>(QUrl::fromLocalFile(read_only))}) {
        const QString path = folder ? folder->toLocalFile() : QString();
        w.window.split()->settings_column()->set_out_path_url(folder);
        w.list->start_run();
        testsupport::pump_until([] { return false; }, std::chrono::milliseconds(50));
        EXPECT_FALSE(w.list->batch_running()) << path.toStdString();
        const QList<QMessageBox*> shown = batchtest::visible_alerts(*w.list);
        ASSERT_EQ(shown.size(), 1) << path.toStdString();
        EXPECT_EQ(shown[0]->text(), QStringLiteral("输出文件夹不可用"));
        EXPECT_EQ(shown[0]->informativeText(), path);
        shown[0]->close();
        testsupport::pump_until([&] { return batchtest::visible_alerts(*w.list).isEmpty(); });
    }
    EXPECT_EQ(held(*row).starts, 0);
    EXPECT_EQ(row->state_obj.kind(), EnumState::Case::read);
    EXPECT_EQ(review_count(), 0);

    // The list pane's own Start picks up the folder the column shows now.
    w.window.split()->settings_column()->set_out_path_url(QUrl::fromLocalFile(QString::fromStdString(w.out.path())));
    w.list->run_stop_action(QString());
    ASSERT_TRUE(testsupport::pump_until([&] { return held(*row).running.load(); }));
    EXPECT_EQ(w.list->out_path_obj, QUrl::fromLocalFile(QString::fromStdString(w.out.path())));
    EXPECT_EQ(review_count(), 1);
    held(*row).finish(3);
    ASSERT_TRUE(w.wait_idle());
}

// The keep-source-size sentinel becomes the size of the row's picture as it is displayed:
// truncated toward zero, turned for a quarter-turned source, kept for a source without video.
TEST(BatchSettings, SourceSizeSentinelPerRow)
{
    batchtest::Window w;
    w.keep_preset(keep_size_preset(-100.0));
    const auto plain = w.add_row(testsupport::fixture("plain.mov"));
    const auto turned = w.add_row(testsupport::fixture("rot90.mov"));
    const auto sound = w.add_row(testsupport::fixture("audio.m4a"));
    const auto tall = w.add_row(testsupport::fixture("sar169_rot90.mov"));

    My_Prest p = w.list->get_task_prest(*plain);
    EXPECT_EQ(width_of(p), QVariant(qint64(320)));
    EXPECT_EQ(height_of(p), QVariant(qint64(240)));
    EXPECT_EQ(p.fileType, QString(AVFileTypeMPEG4));
    EXPECT_EQ(p.audio_outputSettings, w.list->my_Prest.audio_outputSettings);

    p = w.list->get_task_prest(*turned);
    EXPECT_EQ(width_of(p), QVariant(qint64(240)));
    EXPECT_EQ(height_of(p), QVariant(qint64(320)));

    p = w.list->get_task_prest(*sound);
    EXPECT_EQ(width_of(p).toDouble(), -100.0);

    // Stored 720x576 with wide pixels and turned: displayed 576x1024.
    p = w.list->get_task_prest(*tall);
    EXPECT_EQ(width_of(p), QVariant(qint64(576)));
    EXPECT_EQ(height_of(p), QVariant(qint64(1024)));

    // An integer sentinel counts as well, and fractions are dropped, not rounded.
    w.list->my_Prest = keep_size_preset(-100);
    plain->obj_info->naturalSize = media::Size{1919.6, 1079.4};
    p = w.list->get_task_prest(*plain);
    EXPECT_EQ(width_of(p), QVariant(qint64(1919)));
    EXPECT_EQ(height_of(p), QVariant(qint64(1079)));

    // Any other width is left as it is; the copy does not follow later changes of the preset.
    w.list->my_Prest = keep_size_preset(640.0);
    p = w.list->get_task_prest(*plain);
    EXPECT_EQ(width_of(p), QVariant(640.0));
    w.list->my_Prest.video_outputSettings.insert(AVVideoWidthKey, 1.0);
    EXPECT_EQ(width_of(p), QVariant(640.0));
}

namespace {

// Takes the panes that the test does not keep out of the settings column.
void keep_only_panes(batchtest::Window& w, const std::function<bool(QWidget*)>& keep)
{
    QTabWidget* tabs = w.window.split()->settings_column()->tab_view;
    for (int i = tabs->count() - 1; i >= 0; --i) {
        QWidget* pane = tabs->widget(i);
        if (keep(pane))
            continue;
        tabs->removeTab(i);
        delete pane;
    }
}

}  // namespace

// With the audio pane missing, the video preset gets 24-bit stereo PCM; the general pane's
// check box is the keep-source-folders flag, and the source's folders are then re-created
// below the output folder.
TEST(BatchSettings, SettingsReadAndSourceFolders)
{
    batchtest::Window w;
    keep_only_panes(w, [](QWidget* pane) {
        return qobject_cast<Setup_setup_ViewController*>(pane) || qobject_cast<Video_setup_ViewController*>(pane);
    });
    w.list->refresh_setup();
    const QVariantMap audio = w.list->my_Prest.audio_outputSettings;
    EXPECT_EQ(audio.size(), 7);
    EXPECT_EQ(audio.value(AVFormatIDKey), QVariant(uint(kAudioFormatLinearPCM)));
    EXPECT_EQ(audio.value(AVLinearPCMIsBigEndianKey), QVariant(QStringLiteral("false")));
    EXPECT_EQ(audio.value(AVLinearPCMIsFloatKey), QVariant(QStringLiteral("false")));
    EXPECT_EQ(audio.value(AVLinearPCMIsNonInterleaved), QVariant(QStringLiteral("false")));
    EXPECT_EQ(audio.value(AVLinearPCMBitDepthKey), QVariant(24));
    EXPECT_EQ(audio.value(AVNumberOfChannelsKey), QVariant(2));
    EXPECT_EQ(audio.value(AVSampleRateKey), QVariant(48000.0f));
    EXPECT_FALSE(w.list->is_add_rawpath);

    // Only the general pane stays: the preset is kept, the check box is read at Start.
    keep_only_panes(w, [](QWidget* pane) { return qobject_cast<Setup_setup_ViewController*>(pane); });
    w.list->my_Prest = batchtest::small_mp4_preset();
    w.list->setup_setup_vc->is_add_rawpath_button->setChecked(true);
    testsupport::TempDir sources;
    const auto row = w.add_row(batchtest::copy_fixture("tiny.mp4", sources.path(), "kept.mp4"));
    w.list->start_run();
    ASSERT_TRUE(w.wait_idle());
    EXPECT_TRUE(w.list->is_add_rawpath);
    EXPECT_EQ(row->out_Ex->status, 3);
    const QString expected = w.output(QString::fromStdString(sources.path()).mid(1) + QStringLiteral("/kept.mp4"));
    EXPECT_TRUE(QFileInfo(expected).isFile()) << expected.toStdString();
}

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How long after a Start the request is asked for.
constexpr auto kRequestDelay = 2000ms;

struct ReviewHook {
    ReviewHook()
    {
        review::set_request_hook([this](const QString& version) {
            requests.append(version);
            asked_at.push_back(Clock::now());
        });
    }
    ~ReviewHook() { review::set_request_hook({}); }
    // Until every request scheduled so far has had its turn: the main queue runs its delayed
    // tasks in the order of their deadlines, and this marker's comes after theirs.
    bool wait_for_requests()
    {
        bool passed = false;
        dispatch::Queue::main().after(kRequestDelay + 100ms, [&passed] { passed = true; });
        return testsupport::pump_until([&] { return passed; }, 120s);
    }
    QStringList requests;
    std::vector<Clock::time_point> asked_at;
};

QVariant stored_version() { return QSettings().value(QStringLiteral("lastVersionPromptedForReview")); }

}  // namespace

// Starts one to four ask nothing; the fifth asks no sooner than 2.0 s later and stores the
// build version; the sixth of the same build asks nothing; a new build asks once more.
TEST(BatchReview, FifthStartAsksOncePerBuildVersion)
{
    apptest::AppEnv env;
    ReviewHook hook;
    testing::internal::CaptureStdout();
    for (int i = 0; i < 4; ++i)
        review::check_request_review(QStringLiteral("7"));
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("7 nil false 4"), std::string::npos) << log;
    ASSERT_TRUE(hook.wait_for_requests());
    EXPECT_TRUE(hook.requests.isEmpty());
    EXPECT_FALSE(stored_version().isValid());

    const auto fifth = Clock::now();
    review::check_request_review(QStringLiteral("7"));
    ASSERT_TRUE(hook.wait_for_requests());
    EXPECT_EQ(hook.requests, QStringList{QStringLiteral("7")});
    ASSERT_EQ(hook.asked_at.size(), 1u);
    EXPECT_GE(hook.asked_at[0] - fifth, kRequestDelay);
    EXPECT_EQ(stored_version(), QVariant(QStringLiteral("7")));

    review::check_request_review(QStringLiteral("7"));
    review::check_request_review(QStringLiteral("8"));
    ASSERT_TRUE(hook.wait_for_requests());
    EXPECT_EQ(hook.requests, (QStringList{QStringLiteral("7"), QStringLiteral("8")}));
    EXPECT_EQ(QSettings().value(QStringLiteral("requestReviewID")).toLongLong(), 7);
}

// A stored version equal to the build blocks the request whatever the count; two Starts
// within 2.0 s before the version is stored each ask; a build without a version asks nothing
// but still counts.
TEST(BatchReview, StoredVersionTwoQuickStartsAndNoVersion)
{
    apptest::AppEnv env;
    ReviewHook hook;
    QSettings().setValue(QStringLiteral("requestReviewID"), 40);
    QSettings().setValue(QStringLiteral("lastVersionPromptedForReview"), QStringLiteral("7"));
    review::check_request_review(QStringLiteral("7"));
    review::check_request_review(QString());
    ASSERT_TRUE(hook.wait_for_requests());
    EXPECT_TRUE(hook.requests.isEmpty());
    EXPECT_EQ(QSettings().value(QStringLiteral("requestReviewID")).toLongLong(), 42);

    review::check_request_review(QStringLiteral("9"));
    review::check_request_review(QStringLiteral("9"));
    ASSERT_TRUE(hook.wait_for_requests());
    EXPECT_EQ(hook.requests, (QStringList{QStringLiteral("9"), QStringLiteral("9")}));
    EXPECT_EQ(stored_version(), QVariant(QStringLiteral("9")));
}
