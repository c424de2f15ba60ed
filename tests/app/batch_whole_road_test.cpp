// The whole road as a user takes it: a folder of files through the add button, the settings
// as the window starts with them, Start, and every output checked by ffprobe.
#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/settings/setup_ns_view_controller.h"
#include "app/table/items_model.h"
#include "batch_support.h"
#include "media/media_test_util.h"
#include "support/output_probe.h"

TEST(BatchWholeRoad, AFolderOfFilesConvertsWithTheDefaultSettings)
{
    apptest::AppEnv env;
    MainWindow window;
    window.show();
    ViewController* list = window.split()->list_pane();
    testsupport::TempDir picked;
    const std::vector<std::string> names = {"h264_aac.mp4", "hd1080_rot90.mov", "clip.mkv", "tone.mp3",
                                            "quote'name.mp4", "双引号\"名字 ü.mp4"};
    for (const std::string& name : names)
        batchtest::copy_fixture(name, picked.path(), name);

    list->open_panel = std::make_unique<batchtest::PickedFolder>(QUrl::fromLocalFile(QString::fromStdString(picked.path())));
    list->add_button->click();
    ASSERT_TRUE(testsupport::pump_until([&] { return list->items().size() == qsizetype(names.size()) && list->wj_load->isHidden(); }));

    window.split()->settings_column()->start_button->click();
    ASSERT_TRUE(testsupport::pump_until([&] { return !list->batch_running(); }, std::chrono::seconds(120)));

    const std::optional<QUrl> folder = window.split()->settings_column()->out_path_url();
    ASSERT_TRUE(folder);
    for (const std::shared_ptr<Run_task_obj>& row : list->items()) {
        const QString source = row->in_file_obj.toLocalFile();
        SCOPED_TRACE(source.toStdString());
        EXPECT_EQ(row->out_Ex->status, 3) << row->out_Ex->error_info.get().value_or(QString()).toStdString();
        const int position = list->items_model->index_of(row.get());
        EXPECT_EQ(list->items_model->index(position, 0).data(ItemsModel::StatusTextRole).toString(), QStringLiteral("完成"));
        const QString output = row->out_Ex->out_url_obj.get().value_or(QUrl()).toLocalFile();
        EXPECT_EQ(QFileInfo(output).absolutePath(), QDir(folder->toLocalFile()).absolutePath());
        EXPECT_EQ(QFileInfo(output).completeBaseName(), QFileInfo(source).completeBaseName());

        const auto in = probeFile(source);
        const auto out = probeFile(output);
        ASSERT_TRUE(in && out);
        EXPECT_NEAR(out->duration, in->duration, 0.2);
        EXPECT_EQ(out->count("video"), in->count("video"));
        EXPECT_EQ(out->count("audio"), in->count("audio"));
        if (const ProbedStream* video = out->first("video")) {
            EXPECT_EQ(video->codec, "h264");
            // The picture as the source is seen: upright, at its displayed size.
            const QImage want = decodeFirstFrame(source);
            const QImage got = decodeFirstFrame(output);
            EXPECT_EQ(got.size(), want.size());
            EXPECT_LT(mediatest::mean_difference(got, want), 12.0);
        }
    }
    const QImage turned = decodeFirstFrame(window.split()->settings_column()->out_path_url()->toLocalFile() +
                                           QStringLiteral("/hd1080_rot90.mov"));
    EXPECT_EQ(turned.size(), QSize(1080, 1920));
}
