#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

#include "app/settings/path_control.h"
#include "app/settings/setup_ns_view_controller.h"
#include "app/settings/view_controller_delegate.h"
#include "app_env.h"

namespace {

const QString kKey = QString::fromLatin1(Setup_NSViewController::kBookmarkKey);

QString home_path(const apptest::AppEnv& env, const QString& relative)
{
    return QDir(QString::fromStdString(env.home())).filePath(relative);
}

// A new folder in the test's home.
QString make_folder(const apptest::AppEnv& env, const QString& relative)
{
    const QString path = home_path(env, relative);
    EXPECT_TRUE(QDir().mkpath(path));
    return path;
}

// An empty file, which stands where a folder is wanted.
void make_file(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
}

QString default_folder(const apptest::AppEnv& env) { return home_path(env, QStringLiteral("Videos/Converter")); }

QString shown_path(const Setup_NSViewController& column)
{
    return column.out_path_url() ? column.out_path_url()->toLocalFile() : QString();
}

// Opens the folder dialog with the column's button, types the path into it and confirms, or
// cancels it when the path is empty, as a user would.
void choose_in_dialog(Setup_NSViewController& column, const QString& path)
{
    QTest::mouseClick(column.choose_button, Qt::LeftButton);
    QPointer<QFileDialog> dialog = column.folder_dialog;
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    if (path.isEmpty()) {
        QTest::keyClick(dialog, Qt::Key_Escape);
    } else {
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(path);
        QTest::keyClick(name, Qt::Key_Return);
    }
    ASSERT_TRUE(testsupport::pump_until([&] { return !dialog; }));
}

class RecordingDelegate : public ViewController_Delegate {
public:
    void start_run() override { ++starts; }
    void stop_run() override { ++stops; }
    int starts = 0;
    int stops = 0;
};

}  // namespace

// First launch: the missing bookmark is logged, the default folder is created and shown, and
// nothing is stored. A second column finds the folder there and says nothing about it.
TEST(ShellColumn, FirstLaunchCreatesAndShowsTheDefaultFolderWithoutStoringIt)
{
    apptest::AppEnv env;
    {
        apptest::LogCapture log;
        Setup_NSViewController column;
        EXPECT_EQ(log.take(), (QStringList{QStringLiteral("Error retrieving persistent bookmark data."),
                                           QStringLiteral("文件名称 Converter")}));
        EXPECT_EQ(shown_path(column), default_folder(env));
        EXPECT_EQ(column.out_path_obj->toolTip(), default_folder(env));
        EXPECT_FALSE(column.userSelectedFolderURL);
    }
    EXPECT_TRUE(QFileInfo(default_folder(env)).isDir());
    EXPECT_FALSE(QSettings().contains(kKey));

    apptest::LogCapture log;
    Setup_NSViewController again;
    EXPECT_EQ(log.take().size(), 2);  // the same two lines, no error about the existing folder
    EXPECT_EQ(shown_path(again), default_folder(env));
}

// The default folder's parent is a file (a home where nothing can be created): the reason is
// logged and the column still works, showing the folder that Start will refuse.
TEST(ShellColumn, UncreatableDefaultFolderIsLoggedAndTheColumnStillWorks)
{
    apptest::AppEnv env;
    make_file(home_path(env, QStringLiteral("Videos")));

    apptest::LogCapture log;
    Setup_NSViewController column;
    const QStringList lines = log.take();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("The folder “") + default_folder(env) + QStringLiteral("” could not be created: ")))
        << lines[2].toStdString();
    EXPECT_EQ(shown_path(column), default_folder(env));
    EXPECT_FALSE(QFileInfo(default_folder(env)).exists());
}

// A folder chosen in the dialog is shown, stored, and comes back in a new column; choosing the
// root or cancelling changes nothing.
TEST(ShellColumn, ChosenFolderIsRememberedWhileTheRootAndCancellingChangeNothing)
{
    apptest::AppEnv env;
    const QString chosen = make_folder(env, QStringLiteral("out folder ü"));
    {
        Setup_NSViewController column;
        column.show();
        choose_in_dialog(column, chosen);
        EXPECT_EQ(shown_path(column), chosen);
        ASSERT_TRUE(column.userSelectedFolderURL);
        EXPECT_EQ(column.userSelectedFolderURL->toLocalFile(), chosen);
        EXPECT_EQ(QSettings().value(kKey).toString(), chosen);

        choose_in_dialog(column, QStringLiteral("/"));
        EXPECT_EQ(shown_path(column), chosen);
        EXPECT_EQ(column.userSelectedFolderURL->toLocalFile(), chosen);
        EXPECT_EQ(QSettings().value(kKey).toString(), chosen);

        choose_in_dialog(column, QString());
        EXPECT_EQ(shown_path(column), chosen);
        EXPECT_EQ(QSettings().value(kKey).toString(), chosen);
    }
    apptest::LogCapture log;
    Setup_NSViewController next_launch;
    EXPECT_TRUE(log.take().isEmpty());
    EXPECT_EQ(shown_path(next_launch), chosen);
    EXPECT_FALSE(next_launch.userSelectedFolderURL);
}

// A settings file that cannot be written: the choice is logged as not remembered, and the
// chosen folder still serves for this run.
TEST(ShellColumn, ChoiceThatCannotBeStoredIsLoggedAndStillShown)
{
    apptest::AppEnv env;
    const QString chosen = make_folder(env, QStringLiteral("chosen"));
    Setup_NSViewController column;
    column.show();
    make_file(QFileInfo(QSettings().fileName()).absolutePath());
    apptest::LogCapture log;
    choose_in_dialog(column, chosen);
    const QStringList lines = log.take();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Could not create a bookmark because: the settings file")));
    EXPECT_EQ(shown_path(column), chosen);
}

// A stored folder that is gone, or is a file now, is logged with the reason; the default folder
// shows and the key stays for the next launch. A folder that comes back is used again.
TEST(ShellColumn, UnresolvableStoredFolderFallsBackToTheDefaultAndKeepsTheKey)
{
    apptest::AppEnv env;
    const QString gone = home_path(env, QStringLiteral("gone"));
    const QString file = home_path(env, QStringLiteral("a file"));
    make_file(file);
    const struct {
        QString stored;
        QString reason;
    } cases[] = {
        {gone, QStringLiteral("the folder “") + gone + QStringLiteral("” does not exist")},
        {file, QStringLiteral("“") + file + QStringLiteral("” is not a folder")},
        {QStringLiteral("relative/path"), QStringLiteral("“relative/path” is not an absolute path")},
    };
    for (const auto& c : cases) {
        QSettings().setValue(kKey, c.stored);
        apptest::LogCapture log;
        Setup_NSViewController column;
        const QStringList lines = log.take();
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.first(), QStringLiteral("Error resolving bookmark: ") + c.reason);
        EXPECT_EQ(shown_path(column), default_folder(env));
        EXPECT_EQ(QSettings().value(kKey).toString(), c.stored);
    }

    QSettings().setValue(kKey, gone);
    ASSERT_TRUE(QDir().mkpath(gone));
    Setup_NSViewController column;
    EXPECT_EQ(shown_path(column), gone);
}

// Start and Stop reach the list pane with their log lines, and do nothing before it is there.
TEST(ShellColumn, StartAndStopForwardToTheDelegateOnlyWhenThereIsOne)
{
    apptest::AppEnv env;
    Setup_NSViewController column;
    column.show();
    {
        apptest::LogCapture log;
        QTest::mouseClick(column.start_button, Qt::LeftButton);
        QTest::mouseClick(column.stop_button, Qt::LeftButton);
        EXPECT_TRUE(log.take().isEmpty());
    }
    RecordingDelegate delegate;
    column.list_ViewController_Delegate = &delegate;
    apptest::LogCapture log;
    QTest::mouseClick(column.start_button, Qt::LeftButton);
    QTest::mouseClick(column.stop_button, Qt::LeftButton);
    QTest::mouseClick(column.stop_button, Qt::LeftButton);
    EXPECT_EQ(log.take(), (QStringList{QStringLiteral("开始按钮触发"), QStringLiteral("停止触发"), QStringLiteral("停止触发")}));
    EXPECT_EQ(delegate.starts, 1);
    EXPECT_EQ(delegate.stops, 2);
}

// A click on the folder reveals it in the file manager; with no folder shown nothing happens.
TEST(ShellColumn, ClickOnTheFolderRevealsIt)
{
    apptest::AppEnv env;
    apptest::RecordingDesktop desktop;
    Setup_NSViewController column;
    column.show();
    {
        apptest::LogCapture log;
        QTest::mouseClick(column.out_path_obj, Qt::LeftButton);
        EXPECT_EQ(log.take(), QStringList{QUrl::fromLocalFile(default_folder(env)).toString()});
    }
    EXPECT_EQ(desktop.revealed, QList<QUrl>{QUrl::fromLocalFile(default_folder(env))});

    column.set_out_path_url(std::nullopt);
    QTest::mouseClick(column.out_path_obj, Qt::LeftButton);
    EXPECT_EQ(desktop.revealed.size(), 1);
}

// A folder path longer than the field shows its start and its folder's own name, with an
// ellipsis where it is cut; the tool tip holds the whole path. A wide column shows it whole.
TEST(ShellColumn, LongFolderPathIsElidedWithAMarkAndKeepsTheFolderName)
{
    apptest::AppEnv env;
    const QString chosen = make_folder(
        env, QStringLiteral("Projects of the spring campaign 2024/Interviews for the new product line/Exports for review/Converted"));
    Setup_NSViewController column;
    column.resize(300, 500);
    column.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&column, 120000));
    choose_in_dialog(column, chosen);
    ASSERT_EQ(shown_path(column), chosen);

    const PathControl& field = *column.out_path_obj;
    const QString shown = field.text();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("/Converted"))) << shown.toStdString();
    EXPECT_LT(field.fontMetrics().horizontalAdvance(shown), field.width());
    EXPECT_EQ(field.toolTip(), chosen);

    // The keyboard's focus holds the whole path, to be selected and copied; leaving the field
    // shortens it again.
    column.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&column, 120000));
    column.out_path_obj->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(field.text(), chosen);
    column.choose_button->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(field.text(), shown);

    // A folder name too long for half the field: the start of the path goes first.
    const QString long_name = chosen + QStringLiteral("/The folder with a rather long name of its own");
    column.set_out_path_url(QUrl::fromLocalFile(long_name));
    EXPECT_TRUE(field.text().startsWith(QChar(0x2026))) << field.text().toStdString();
    EXPECT_TRUE(long_name.endsWith(field.text().mid(1))) << field.text().toStdString();
    EXPECT_EQ(field.toolTip(), long_name);

    column.resize(1600, 500);
    ASSERT_TRUE(testsupport::pump_until([&] { return field.width() > 1200; }));
    EXPECT_TRUE(testsupport::pump_until([&] { return field.text() == long_name; })) << field.text().toStdString();
}
