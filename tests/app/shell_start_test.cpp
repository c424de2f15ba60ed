#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>
#include <gtest/gtest.h>

#include "app/build_info.h"
#include "app/settings/setup_ns_view_controller.h"
#include "app/shell/alerts.h"
#include "app/shell/app_delegate.h"
#include "app/shell/help_view_controller.h"
#include "app/shell/main_window.h"
#include "app/shell/start_up.h"
#include "app/shell/translations.h"
#include "app/shell/web_pages.h"
#include "app_env.h"
#include "installed_translations.h"
#include "engine/presets.h"
#include "platform/media/identifiers.h"

namespace {

using apptest::InstalledTranslations;

// The name tables as the window sees them when it first shows.
class NamesAtFirstShow : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<MainWindow*>(watched) && names.isEmpty())
            names = {fileType_name(AVFileTypeMPEG4), fileType_extension(AVFileTypeMPEG4),
                     codec_name(AVVideoCodecTypeH264), audio_format_name(kAudioFormatMPEG4AAC)};
        return false;
    }
    QStringList names;
};

}  // namespace

// The launch registers the three name tables before the window shows it.
TEST(ShellStart, NameTablesAreRegisteredBeforeTheWindowShows)
{
    apptest::AppEnv env;
    // Blank the entries, as a fresh process has them.
    fileType_name(AVFileTypeMPEG4, QString());
    fileType_extension(AVFileTypeMPEG4, QString());
    codec_name(AVVideoCodecTypeH264, QString());
    audio_format_name(kAudioFormatMPEG4AAC, QString());
    NamesAtFirstShow watcher;
    qApp->installEventFilter(&watcher);
    AppDelegate delegate;
    const std::unique_ptr<MainWindow> window = launch(delegate);
    qApp->removeEventFilter(&watcher);
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(watcher.names.size(), 4);
    for (const QString& name : watcher.names)
        EXPECT_FALSE(name.isEmpty());
    EXPECT_EQ(watcher.names[1], QStringLiteral("mp4"));
}

// Without a name the application goes on under its program's name, with a log line, and
// its default output folder carries that name.
TEST(ShellStart, MissingNameFallsBackToTheProgramsName)
{
    apptest::AppEnv env;
    QString folder;
    {
        apptest::LogCapture log;
        configure_application(*qApp, QString());
        MainWindow window;
        folder = window.split()->settings_column()->out_path_url()->toLocalFile();
        const QStringList lines = log.take();
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.first(), QStringLiteral("The application has no name; using the program's: app_tests"));
    }
    configure_application(*qApp);
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("Converter"));
    EXPECT_TRUE(folder.endsWith(QStringLiteral("/Videos/app_tests"))) << folder.toStdString();
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
}

// The help item opens the help window (one at a time). Its texts are the keys without a
// translation, and real texts with the English or the Chinese one.
TEST(ShellStart, HelpWindowShowsItsTextsInTheInstalledLanguage)
{
    apptest::AppEnv env;
    MainWindow window;
    window.show();
    {
        window.help_action->trigger();
        Help_ViewController* help = window.help_window();
        ASSERT_NE(help, nullptr);
        EXPECT_TRUE(help->isVisible());
        EXPECT_TRUE(help->isWindow());
        EXPECT_TRUE(help->windowTitle().isEmpty());
        EXPECT_EQ(help->text01->text(), QStringLiteral("Help_ViewController.js"));
        EXPECT_EQ(help->test02->text(), QStringLiteral("Help_ViewController.syjs"));
        window.help_action->trigger();
        EXPECT_EQ(window.help_window(), help);
        help->close();
        ASSERT_TRUE(testsupport::pump_until([&] { return window.help_window() == nullptr; }));
    }
    {
        InstalledTranslations english(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_GE(english.count(), 1);
        Help_ViewController* help = window.show_help();
        EXPECT_TRUE(help->text01->text().startsWith(QStringLiteral("Converts and compresses video and audio files")));
        EXPECT_EQ(help->test02->text().count(QLatin1Char('\n')), 3);
        delete help;
    }
    {
        InstalledTranslations chinese(QLocale(QLocale::Chinese, QLocale::China));
        Help_ViewController* help = window.show_help();
        EXPECT_TRUE(help->text01->text().startsWith(QStringLiteral("批量转换")));
        delete help;
    }
}

// One language for the whole window: English takes every English text, Chinese keeps the
// source texts, and a language without texts leaves the source texts too.
TEST(ShellStart, TranslationsFollowTheFirstLanguageThatHasTexts)
{
    apptest::AppEnv env;
    const auto start_title = [] {
        Setup_NSViewController column;
        return column.start_button->text();
    };
    {
        InstalledTranslations english(QLocale(QLocale::English, QLocale::UnitedKingdom));
        EXPECT_EQ(start_title(), QStringLiteral("Start"));
        // Every area's file is loaded, also one whose name holds an underscore.
        EXPECT_EQ(QCoreApplication::translate("Video_setup_ViewController", "码率"), QStringLiteral("Bit rate"));
        const QStringList shipped = QDir(QStringLiteral(":/i18n")).entryList({QStringLiteral("*_en.qm")});
        EXPECT_GE(shipped.size(), 2);
        for (const QString& file : shipped)
            EXPECT_TRUE(english.files().contains(QStringLiteral(":/i18n/") + file)) << file.toStdString();
        EXPECT_FALSE(english.files().contains(QStringLiteral(":/i18n/shell_zh_CN.qm")));
    }
    {
        InstalledTranslations chinese(QLocale(QLocale::Chinese, QLocale::China));
        EXPECT_EQ(start_title(), QStringLiteral("开始"));
        // Qt's own dialogs speak Chinese too.
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    }
    {
        InstalledTranslations german(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(german.count(), 0);
        EXPECT_EQ(start_title(), QStringLiteral("开始"));
    }
}

// The two web items open, through the desktop, a page that is there for a binary of the build
// tree, which is never installed: by default the README.
TEST(ShellStart, WebPageItemsOpenAPageThatExists)
{
    apptest::AppEnv env;
    apptest::RecordingDesktop desktop;
    MainWindow window;
    window.about_action->trigger();
    window.more_apps_action->trigger();
    ASSERT_EQ(desktop.opened.size(), 2);
    for (const QUrl& url : desktop.opened) {
        ASSERT_TRUE(url.isValid()) << url.toString().toStdString();
        if (url.isLocalFile()) {
            EXPECT_TRUE(QFileInfo(url.toLocalFile()).isFile()) << url.toString().toStdString();
        }
    }
    if (!*build_info::about_url) {
        EXPECT_EQ(desktop.opened[0].fileName(), QStringLiteral("README.md"));
    }
}

// An installed binary opens the README installed under its own prefix; an address fixed at
// configure time is opened as it stands, and one that is no URL opens nothing.
TEST(ShellStart, WebPagesOfAnInstalledBinaryAndFixedAddresses)
{
    testsupport::TempDir prefix;
    const QDir bin(QString::fromStdString(prefix.path()) + QStringLiteral("/bin"));
    const QString installed = QDir::cleanPath(bin.filePath(QString::fromUtf8(build_info::readme_from_binary)));
    ASSERT_TRUE(QDir().mkpath(bin.path()));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(installed).path()));
    QFile readme(installed);
    ASSERT_TRUE(readme.open(QIODevice::WriteOnly));
    readme.close();
    EXPECT_EQ(web_pages::page("", bin.path()), std::optional<QUrl>(QUrl::fromLocalFile(installed)));

    EXPECT_EQ(web_pages::page("https://example.org/about", bin.path()),
              std::optional<QUrl>(QUrl(QStringLiteral("https://example.org/about"))));
    EXPECT_EQ(web_pages::page("http://exa mple.org/", bin.path()), std::nullopt);
}

// Closing the last window ends the event loop with 0; while the help window is open, closing
// the main window alone does not.
TEST(ShellStart, ClosingTheLastWindowQuits)
{
    apptest::AppEnv env;
    configure_application(*qApp);
    MainWindow window;
    window.show();
    window.show_help();
    bool running_after_main_closed = false;
    QTimer::singleShot(0, &window, [&] { window.close(); });
    QTimer::singleShot(100, &window, [&] {
        running_after_main_closed = true;
        if (Help_ViewController* help = window.help_window())
            help->close();
    });
    // A loop that does not end fails the test instead of hanging it.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(10000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(running_after_main_closed);
    EXPECT_FALSE(window.isVisible());
}

// Long informative texts show their first 20 lines and keep the whole text in the details;
// the button is a literal "OK" in every language.
TEST(ShellStart, LongAlertTextsGoIntoTheDetails)
{
    apptest::AppEnv env;
    InstalledTranslations chinese(QLocale(QLocale::Chinese, QLocale::China));
    QStringList lines;
    for (int i = 1; i <= 21; ++i)
        lines << QStringLiteral("/media/file %1.mov").arg(i);
    const QString twenty = lines.mid(0, 20).join(QLatin1Char('\n'));
    const QString twenty_one = lines.join(QLatin1Char('\n'));

    std::unique_ptr<QMessageBox> short_box(alerts::make(nullptr, QMessageBox::Critical, QStringLiteral("m"), twenty + QLatin1Char('\n')));
    EXPECT_EQ(short_box->informativeText(), twenty + QLatin1Char('\n'));
    EXPECT_TRUE(short_box->detailedText().isEmpty());
    ASSERT_EQ(short_box->buttons().size(), 1);
    EXPECT_EQ(short_box->buttons().first()->text(), QStringLiteral("OK"));

    std::unique_ptr<QMessageBox> long_box(alerts::make(nullptr, QMessageBox::Critical, QStringLiteral("m"), twenty_one));
    EXPECT_EQ(long_box->informativeText(), twenty + QStringLiteral("\n…"));
    EXPECT_EQ(long_box->detailedText(), twenty_one);
    EXPECT_EQ(long_box->text(), QStringLiteral("m"));

    // A long path is laid out on one line, not wrapped in the middle.
    const QString path = QStringLiteral("/media/a folder with a long name/another folder/clip 0001.mov");
    std::unique_ptr<QMessageBox> path_box(alerts::make(nullptr, QMessageBox::Information, QStringLiteral("m"), path));
    path_box->show();
    const auto* label = path_box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_GE(label->width(), QFontMetrics(label->font()).horizontalAdvance(path));

    // Shown window-modal over its window, without a nested loop, and gone once confirmed.
    QWidget window;
    window.show();
    QPointer<QMessageBox> shown = alerts::show_information(&window, QStringLiteral("m"), twenty_one);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->windowModality(), Qt::WindowModal);
    shown->buttons().first()->click();
    EXPECT_TRUE(testsupport::pump_until([&] { return !shown; }));
}
