#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "table_support.h"

using tabletest::ChosenPanel;
using tabletest::copy_fixture;
using tabletest::file_name_of;
using tabletest::TableWindow;

// The add button takes a folder and a file chosen together; a cancelled dialog only logs.
TEST(TableOpenPanel, AddButtonAddsWhatWasChosen)
{
    TableWindow t;
    testsupport::TempDir dir;
    QDir().mkpath(QString::fromStdString(dir.file("folder")));
    copy_fixture("tiny.mp4", dir.file("folder/in folder.mp4"));
    const QUrl single = copy_fixture("audio.m4a", dir.file("single.m4a"));

    t.list->open_panel = std::make_unique<ChosenPanel>(std::nullopt);
    testing::internal::CaptureStdout();
    t.list->add_button->click();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "取消选择\n");
    EXPECT_TRUE(t.list->wj_load->isHidden());

    t.list->open_panel = std::make_unique<ChosenPanel>(
        QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(dir.file("folder"))), single});
    testing::internal::CaptureStdout();
    t.list->add_button->click();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.rfind(dir.file("folder") + "\n" + dir.file("single.m4a") + "\n", 0), 0u) << log;
    ASSERT_TRUE(t.wait_added());
    ASSERT_EQ(t.rows(), 2);
    EXPECT_EQ(file_name_of(t.row(0)), "in folder.mp4");
    EXPECT_EQ(file_name_of(t.row(1)), "single.m4a");
}

// The real dialog: a file and a folder selected together come back as they are, in the
// listing's order; hidden entries are not offered.
TEST(TableOpenPanel, DialogChoosesFilesAndFoldersTogether)
{
    // The dialog writes its history into the user's settings when it goes.
    apptest::AppEnv env;
    testsupport::TempDir dir;
    const QString root = QString::fromStdString(dir.path());
    QDir().mkpath(root + "/b folder");
    copy_fixture("tiny.mp4", dir.file("a.mp4"));
    copy_fixture("tiny.mp4", dir.file("c.mp4"));
    copy_fixture("tiny.mp4", dir.file(".hidden.mp4"));

    FilesAndFoldersDialog dialog;
    dialog.setDirectory(root);
    dialog.show();
    auto* view = dialog.findChild<QListView*>("listView");
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(testsupport::pump_until([&] { return view->model()->rowCount(view->rootIndex()) == 3; }));
    // Let the model settle, then check nothing else turns up (the hidden file).
    testsupport::pump_until([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(view->model()->rowCount(view->rootIndex()), 3);

    QModelIndex folder, file;
    for (int i = 0; i < 3; ++i) {
        const QModelIndex index = view->model()->index(i, 0, view->rootIndex());
        const QString name = index.data().toString();
        if (name == "b folder")
            folder = index;
        if (name == "c.mp4")
            file = index;
    }
    ASSERT_TRUE(folder.isValid() && file.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->visualRect(file).center());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, view->visualRect(folder).center());
    QPushButton* open = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
    ASSERT_NE(open, nullptr);
    EXPECT_TRUE(open->isEnabled());
    open->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    QStringList chosen;
    for (const QUrl& url : dialog.chosen())
        chosen << url.toLocalFile();
    QStringList expected{root + "/b folder", root + "/c.mp4"};
    // The listing's order: folders first in this dialog.
    EXPECT_EQ(chosen.join("|").toStdString(), expected.join("|").toStdString());
}
