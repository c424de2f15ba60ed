// The batch runner on the real window: Start, the worker, the completion and the rows' outcome.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <gtest/gtest.h>

#include "app/settings/only_audio_setup_view_controller.h"
#include "app/settings/setup_ns_view_controller.h"
#include "app/table/items_model.h"
#include "batch_support.h"
#include "support/output_probe.h"

using batchtest::held;

namespace {

qint64 review_count() { return QSettings().value(QStringLiteral("requestReviewID"), 0).toLongLong(); }

}  // namespace

// Two ready rows convert one after the other into the chosen folder through the settings
// column's Start, each output a real H.264 and AAC file of the source's size and length.
TEST(BatchRunner, TwoReadyRowsConvertIntoTheFolder)
{
    batchtest::Window w;
    w.keep_preset(batchtest::small_mp4_preset());
    testsupport::TempDir sources;
    const auto a = w.add_row(batchtest::copy_fixture("tiny.mp4", sources.path(), "a.mp4"));
    const auto b = w.add_row(batchtest::copy_fixture("tiny.mp4", sources.path(), "b.mp4"));

    w.window.split()->settings_column()->start_button->click();
    ASSERT_TRUE(w.list->batch_running());
    ASSERT_TRUE(w.wait_idle());

    for (const auto& row : {a, b}) {
        EXPECT_EQ(row->out_Ex->status, 3) << row->name.toStdString();
        EXPECT_EQ(batchtest::status_text(*w.list, *row), QStringLiteral("完成"));
        EXPECT_EQ(row->state_obj.kind(), EnumState::Case::conversion);
        const QString path = w.output(row->name + QStringLiteral(".mp4"));
        EXPECT_EQ(row->out_Ex->out_url_obj.get(), QUrl::fromLocalFile(path));
        const auto probed = probeFile(path);
        ASSERT_TRUE(probed) << path.toStdString();
        ASSERT_NE(probed->first("video"), nullptr);
        EXPECT_EQ(probed->first("video")->codec, "h264");
        EXPECT_EQ(probed->first("video")->width, 160);
        EXPECT_EQ(probed->first("video")->height, 120);
        ASSERT_NE(probed->first("audio"), nullptr);
        EXPECT_EQ(probed->first("audio")->codec, "aac");
        EXPECT_NEAR(probed->duration, 1.0, 0.2);
    }
    EXPECT_EQ(w.list->run_task_obj, b);
    EXPECT_FALSE(w.list->is_run);
    EXPECT_EQ(review_count(), 1);
    // A second Start finds no ready row: it is counted and converts nothing again.
    w.window.split()->settings_column()->start_button->click();
    ASSERT_TRUE(w.wait_idle());
    EXPECT_EQ(review_count(), 2);
    EXPECT_EQ(a->out_Ex->status, 3);
}

// The worker waits for each row's completion before it starts the next one, and a Start while
// a batch runs is refused with its log line and not counted.
TEST(BatchRunner, OneRowAtATimeAndStartRefusedWhileRunning)
{
    batchtest::Window w;
    w.keep_preset(batchtest::small_mp4_preset());
    const auto a = batchtest::held_row(testsupport::fixture("tiny.mp4"));
    const auto b = batchtest::held_row(testsupport::fixture("h264_aac.mp4"));
    w.add_row(a);
    w.add_row(b);

    w.list->start_run();
    ASSERT_TRUE(testsupport::pump_until([&] { return held(*a).running.load(); }));
    EXPECT_TRUE(w.list->is_run);
    EXPECT_EQ(w.list->run_task_obj, a);
    testsupport::pump_until([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(held(*b).starts, 0);
    EXPECT_EQ(b->state_obj.kind(), EnumState::Case::read);

    testing::internal::CaptureStdout();
    w.list->start_run();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("在运行,del"), std::string::npos);
    EXPECT_EQ(review_count(), 1);

    held(*a).finish(3);
    ASSERT_TRUE(testsupport::pump_until([&] { return held(*b).running.load(); }));
    EXPECT_EQ(a->out_Ex->status, 3);
    EXPECT_EQ(w.list->run_task_obj, b);
    held(*b).finish(3);
    ASSERT_TRUE(w.wait_idle());
    EXPECT_EQ(held(*a).starts, 1);
    EXPECT_EQ(held(*b).starts, 1);
}

// An output that exists already fails its row before the start and is left as it was; an
// output that would be the source itself fails its row; the batch goes on with the next row.
TEST(BatchRunner, RowsThatFailBeforeTheirStart)
{
    batchtest::Window w;
    w.keep_preset(batchtest::small_mp4_preset());
    testsupport::TempDir sources;
    const auto exists = w.add_row(batchtest::copy_fixture("tiny.mp4", sources.path(), "exists.mp4"));
    const auto fine = w.add_row(batchtest::copy_fixture("tiny.mp4", sources.path(), "fine.mp4"));
    const QString taken = w.output(QStringLiteral("exists.mp4"));
    {
        QFile file(taken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("user data");
    }

    w.list->start_run();
    ASSERT_TRUE(w.wait_idle());
    EXPECT_EQ(exists->out_Ex->status, 4);
    EXPECT_EQ(exists->out_Ex->error_info.get(), std::optional<QString>(QStringLiteral("文件已经存在")));
    EXPECT_EQ(exists->out_url_obj, QUrl::fromLocalFile(taken));
    EXPECT_EQ(batchtest::status_text(*w.list, *exists), QStringLiteral("失败(文件已经存在)"));
    QFile file(taken);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("user data"));
    EXPECT_EQ(fine->out_Ex->status, 3);

    // The folder of the source, and a preset whose extension is the source's own.
    w.window.split()->settings_column()->set_out_path_url(QUrl::fromLocalFile(QString::fromStdString(sources.path())));
    const auto same = w.add_row(batchtest::copy_fixture("tiny.mp4", sources.path(), "same.mp4"));
    w.list->start_run();
    ASSERT_TRUE(w.wait_idle());
    EXPECT_EQ(same->out_Ex->status, 4);
    EXPECT_EQ(batchtest::status_text(*w.list, *same), QStringLiteral("失败(文件一样)"));
    EXPECT_EQ(QFile(QString::fromStdString(sources.file("same.mp4"))).size(),
              QFile(QString::fromStdString(testsupport::fixture("tiny.mp4"))).size());
}

// An audio-only MP3 chosen in its pane takes the ffmpeg path, also for a source the pipeline
// reads, and gives an MP3 file of the source's sound.
TEST(BatchRunner, AudioOnlyMp3GoesToTheFfmpegPath)
{
    batchtest::Window w;
    auto* only_audio = w.list->only_audio_setup_vc.data();
    ASSERT_NE(only_audio, nullptr);
    only_audio->get_only_audio_prest();  // loads the pane's choices
    only_audio->only_out_audio_button->setChecked(true);
    only_audio->audio_file_type_PopUpButton->setCurrentIndex(only_audio->audio_file_type_PopUpButton->findText("MP3"));
    const auto row = w.add_row(testsupport::fixture("h264_aac.mp4"));

    testing::internal::CaptureStdout();
    w.window.split()->settings_column()->start_button->click();
    ASSERT_TRUE(w.wait_idle());
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("获取仅音频编码 public.mp3"), std::string::npos);
    EXPECT_NE(log.find("异步开始-----"), std::string::npos);
    EXPECT_TRUE(row->out_Ex->is_run_ffmpeg);
    EXPECT_EQ(row->out_Ex->status, 3);
    const auto probed = probeFile(w.output(QStringLiteral("h264_aac.mp3")));
    ASSERT_TRUE(probed);
    EXPECT_EQ(probed->count("video"), 0);
    ASSERT_EQ(probed->count("audio"), 1);
    EXPECT_EQ(probed->first("audio")->codec, "mp3");
    EXPECT_NEAR(probed->duration, 3.0, 0.2);
}
