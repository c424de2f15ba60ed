#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QDropEvent>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/shell/alerts.h"
#include "app/table/delegate_bridge.h"
#include "table_support.h"

using tabletest::copy_fixture;
using tabletest::file_name_of;
using tabletest::TableWindow;

namespace {

QStringList names_of(const TableWindow& t)
{
    QStringList names;
    for (int i = 0; i < t.rows(); ++i)
        names << file_name_of(t.row(i));
    return names;
}

// a/{x.mp4, b/{y.mov, z.mp3}, w.txt}
struct FolderTree {
    testsupport::TempDir dir;
    QString a = QString::fromStdString(dir.file("a"));
    FolderTree()
    {
        QDir().mkpath(a + "/b");
        copy_fixture("tiny.mp4", (a + "/x.mp4").toStdString());
        copy_fixture("plain.mov", (a + "/b/y.mov").toStdString());
        copy_fixture("tone.mp3", (a + "/b/z.mp3").toStdString());
        QFile text(a + "/w.txt");
        EXPECT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("notes\n");
    }
};

}  // namespace

// A folder gives one ready row per media file, a subfolder's files together at its place, and
// one alert that lists the refused file only.
TEST(TableAdd, FolderTreeGivesItsMediaFilesAndAnAlertForTheRest)
{
    TableWindow t;
    FolderTree tree;
    ASSERT_TRUE(t.add({QUrl::fromLocalFile(tree.a)}));
    ASSERT_EQ(t.rows(), 3);
    const QStringList names = names_of(t);
    EXPECT_EQ(names.size(), 3);
    EXPECT_TRUE(names.contains("x.mp4"));
    const qsizetype y = names.indexOf("y.mov");
    const qsizetype z = names.indexOf("z.mp3");
    ASSERT_GE(y, 0);
    ASSERT_GE(z, 0);
    EXPECT_EQ(std::abs(int(y - z)), 1) << names.join(", ").toStdString();

    QMessageBox* alert = t.alert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->text(), "以下文件导入失败");
    EXPECT_EQ(alert->informativeText(), tree.a + "/w.txt\n");

    // Every row is ready, with the current preset and the pane's bridge as its job's delegate.
    for (int i = 0; i < t.rows(); ++i) {
        const auto row = t.row(i);
        EXPECT_EQ(row->state_obj.kind(), EnumState::Case::read);
        ASSERT_TRUE(row->out_Ex);
        EXPECT_EQ(row->out_Ex->status, 0);
        ASSERT_TRUE(row->out_Ex->My_prest_obj.get());
        EXPECT_EQ(row->out_Ex->My_prest_obj.get()->name, "mp4_ACC");
        EXPECT_EQ(row->out_Ex->delegate.get(), t.list->sleep_delegate);
        EXPECT_EQ(t.data(i, ItemsModel::StatusTextRole).toString(), "就绪");
    }
    ASSERT_TRUE(testsupport::pump_until([&] { return t.list->info_out_textfield->text() == "1/3"; }));
    EXPECT_TRUE(t.list->drag_imagebutton->isHidden());
}

// A link back to an ancestor and a second link to a folder neither loop nor add twice; a
// named pipe called like a video is refused, and the add still finishes.
TEST(TableAdd, LinkLoopsEndAndPipesAreRefused)
{
    TableWindow t;
    testsupport::TempDir dir;
    const QString a = QString::fromStdString(dir.file("a"));
    QDir().mkpath(a + "/sub");
    copy_fixture("tiny.mp4", (a + "/x.mp4").toStdString());
    copy_fixture("tiny.mp4", (a + "/sub/y.mp4").toStdString());
    ASSERT_EQ(::symlink("..", QFile::encodeName(a + "/sub/up").constData()), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(a + "/sub").constData(), QFile::encodeName(a + "/again").constData()), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(a + "/p.mp4").constData(), 0600), 0);

    // Through one of the two ways into sub, whichever the listing gives first.
    QStringList walked;
    for (const QString& path : ViewController::get_all_file_paths(a))
        walked << QFileInfo(path).fileName();
    walked.sort();
    EXPECT_EQ(walked.join("|").toStdString(), "p.mp4|x.mp4|y.mp4");

    ASSERT_TRUE(t.add({QUrl::fromLocalFile(a)}));
    QStringList names = names_of(t);
    names.sort();
    EXPECT_EQ(names.join("|").toStdString(), "x.mp4|y.mp4");
    ASSERT_NE(t.alert(), nullptr);
    EXPECT_EQ(t.alert()->informativeText(), a + "/p.mp4\n");
}

// Classification is by extension, any case; the log shows the split type and the verdict.
TEST(TableAdd, ExtensionsDecideAndTheSameFileTwiceGivesTwoRows)
{
    TableWindow t;
    testsupport::TempDir dir;
    const QUrl clip = copy_fixture("tiny.mp4", dir.file("CLIP.MOV"));
    testing::internal::CaptureStdout();
    ASSERT_TRUE(t.add({clip, clip}));
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("拆分后的数组：[\"video\", \"mov\"]\n"), std::string::npos) << log;
    EXPECT_NE(log.find("支持文件 " + dir.file("CLIP.MOV") + "\n"), std::string::npos) << log;
    EXPECT_EQ(t.rows(), 2);
    EXPECT_NE(t.row(0), t.row(1));
    EXPECT_EQ(t.alert(), nullptr);

    EXPECT_EQ(ViewController::get_mime_type("/x/clip.m4a"), "audio/m4a");
    EXPECT_EQ(ViewController::get_mime_type("/x/a.b.DVR-MS"), "video/dvr-ms");
    EXPECT_EQ(ViewController::get_mime_type("/x/notes.txt"), "text/plain");
    // Not listed, known to the type database, which also knows "ts" as a text type.
    EXPECT_EQ(ViewController::get_mime_type("/x/clip.ts"), "video/mp2t");
    EXPECT_EQ(ViewController::get_mime_type("/x/clip.opus"), "audio/ogg");
    EXPECT_EQ(ViewController::get_mime_type("/x/noextension"), "application/octet-stream");
    EXPECT_EQ(ViewController::get_mime_type("/x/.hidden"), "application/octet-stream");
    EXPECT_FALSE(ViewController::is_supported_file(QUrl::fromLocalFile("/x/notes.txt")));
    EXPECT_TRUE(ViewController::is_supported_file(QUrl::fromLocalFile("/x/song.FLAC")));
}

// A folder that is gone adds nothing and says nothing; the indicator still goes on and off.
TEST(TableAdd, MissingFolderAddsNothingQuietly)
{
    TableWindow t;
    testsupport::TempDir dir;
    t.list->add_file_urls({QUrl::fromLocalFile(QString::fromStdString(dir.file("gone")))});
    EXPECT_FALSE(t.list->wj_load->isHidden());
    ASSERT_TRUE(t.wait_added());
    EXPECT_EQ(t.rows(), 0);
    EXPECT_EQ(t.alert(), nullptr);
}

// The indicator stays while any add is in progress: here the first add is held open.
TEST(TableAdd, IndicatorHidesOnlyWhenEveryAddHasEnded)
{
    TableWindow t;
    t.list->group_add_file.enter();  // an earlier add that is still building its rows
    t.list->add_file_urls({QUrl::fromLocalFile(QString::fromStdString(testsupport::fixture("tiny.mp4")))});
    ASSERT_TRUE(testsupport::pump_until([&] { return t.rows() == 1; }));
    testsupport::pump_until([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_FALSE(t.list->wj_load->isHidden());
    t.list->group_add_file.leave();
    EXPECT_TRUE(t.wait_added());
}

// The rows get the preset of the moment the add started, even when it is replaced at once.
TEST(TableAdd, PresetIsTakenWhenTheAddStarts)
{
    TableWindow t;
    const QUrl tiny = QUrl::fromLocalFile(QString::fromStdString(testsupport::fixture("tiny.mp4")));
    t.list->add_file_urls({tiny, tiny, tiny});
    t.list->my_Prest.name = "replaced";
    ASSERT_TRUE(t.wait_added());
    ASSERT_EQ(t.rows(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(t.row(i)->out_Ex->My_prest_obj.get()->name, "mp4_ACC");
}

// Drops: local files come in; a drop that holds any other URL is ignored whole.
TEST(TableAdd, DropsTakeOnlyLocalFiles)
{
    TableWindow t;
    t.window.show();
    const QUrl tiny = QUrl::fromLocalFile(QString::fromStdString(testsupport::fixture("tiny.mp4")));
    const QUrl audio = QUrl::fromLocalFile(QString::fromStdString(testsupport::fixture("audio.m4a")));
    auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPointF at = t.list->draggableview->rect().center();
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(t.list->draggableview, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(t.list->draggableview, &event);
        EXPECT_TRUE(event.isAccepted());
    };

    testing::internal::CaptureStdout();
    drop({tiny, QUrl("https://example.com/tmp"), audio});
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("dragging enter\nprepareForDragOperation\n"), std::string::npos) << log;
    EXPECT_TRUE(t.list->wj_load->isHidden());
    EXPECT_EQ(t.rows(), 0);

    drop({tiny, audio});
    ASSERT_TRUE(t.wait_added());
    ASSERT_EQ(t.rows(), 2);
    EXPECT_EQ(file_name_of(t.row(0)), "tiny.mp4");
    EXPECT_EQ(file_name_of(t.row(1)), "audio.m4a");
}

// Rows are built side by side but reach the table in the order they were chosen.
TEST(TableAdd, RowsKeepTheOrderOfTheirAdd)
{
    TableWindow t;
    testsupport::TempDir dir;
    const char* sources[] = {"tiny.mp4", "audio.m4a", "tone.mp3", "hd1080.mp4"};
    QList<QUrl> urls;
    QStringList expected;
    for (int i = 0; i < 24; ++i) {
        const QString name = QStringLiteral("n%1_%2").arg(100 + i).arg(QLatin1String(sources[i % 4]));
        urls << copy_fixture(sources[i % 4], dir.file(name.toStdString()));
        expected << name;
    }
    ASSERT_TRUE(t.add(urls));
    EXPECT_EQ(names_of(t).join("|").toStdString(), expected.join("|").toStdString());
}

// Many refused files: the alert shows the first of them and keeps the whole list in its details.
TEST(TableAdd, LongImportAlertKeepsItsButtonOnScreen)
{
    TableWindow t;
    testsupport::TempDir dir;
    for (int i = 0; i < 30; ++i) {
        QFile note(QString::fromStdString(dir.file("note " + std::to_string(i) + ".txt")));
        ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(t.add({QUrl::fromLocalFile(QString::fromStdString(dir.path()))}));
    EXPECT_EQ(t.rows(), 0);
    QMessageBox* alert = t.alert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->detailedText().count('\n'), 30);
    EXPECT_LE(alert->informativeText().count('\n'), alerts::kMaximumInformativeLines);
    EXPECT_TRUE(alert->detailedText().contains(QString::fromStdString(dir.file("note 29.txt")) + "\n"));
}

// A folder's files come in the order a file manager lists them: by name, numbers as numbers,
// capitals among the small letters, folders at their name's place, at every level; whatever
// order the disk keeps them in. The rows of a later pick or drop come after the earlier
// ones, in the order they were picked or dropped, even while the earlier add still builds.
TEST(TableAdd, FoldersListByNameWithNumbersAsNumbersAndAddsKeepTheirOrder)
{
    TableWindow t;
    t.window.show();
    testsupport::TempDir dir;
    const QString shoot = QString::fromStdString(dir.file("shoot"));
    QDir().mkpath(shoot + "/b-roll/Close ups");
    QDir().mkpath(shoot + "/zz extra");
    // Created out of order, so that neither creation nor disk order can pass for the answer.
    const char* scrambled[][2] = {
        {"hd1080.mp4", "clip12.mp4"},          {"tiny.mp4", "b-roll/take10.mov"},
        {"hd1080.mp4", "clip4.mp4"},           {"tone.mp3", "zz extra/x.mp3"},
        {"tiny.mp4", "clip10.mp4"},            {"audio.m4a", "b-roll/Close ups/z.m4a"},
        {"hd1080.mp4", "Clip3.mp4"},           {"tiny.mp4", "b-roll/take9.mov"},
        {"tiny.mp4", "clip2.mp4"},             {"audio.m4a", "b-roll/Close ups/a 2.m4a"},
        {"tiny.mp4", "b-roll/take1.mov"},      {"hd1080.mp4", "clip19.mp4"},
        {"audio.m4a", "b-roll/Close ups/a 10.m4a"},
    };
    for (const auto& [fixture, name] : scrambled)
        copy_fixture(fixture, (shoot + "/" + name).toStdString());
    const QStringList expected = {
        "a 2.m4a", "a 10.m4a", "z.m4a", "take1.mov", "take9.mov", "take10.mov",
        "clip2.mp4", "Clip3.mp4", "clip4.mp4", "clip10.mp4", "clip12.mp4", "clip19.mp4", "x.mp3",
    };

    // The add button picks the folder; two files are dropped at once, while it still builds.
    const QUrl late = copy_fixture("tiny.mp4", dir.file("late 2.mp4"));
    const QUrl later = copy_fixture("audio.m4a", dir.file("late 1.m4a"));
    t.list->open_panel = std::make_unique<tabletest::ChosenPanel>(QList<QUrl>{QUrl::fromLocalFile(shoot)});
    t.list->add_button->click();
    QMimeData data;
    data.setUrls({late, later});
    const QPoint at = t.list->draggableview->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(t.list->draggableview, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(t.list->draggableview, &drop);
    ASSERT_TRUE(t.wait_added());
    EXPECT_EQ(names_of(t).join("|").toStdString(), (expected + QStringList{"late 2.mp4", "late 1.m4a"}).join("|").toStdString());
}
