#include <QApplication>
#include <QCloseEvent>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <gtest/gtest.h>

#include "app/shell/quit_on_signals.h"
#include "app/shell/start_up.h"
#include "app_env.h"
#include "support/sanitizer_report.h"

// SIGTERM and SIGINT close the window the orderly way: the real application, started on the
// offscreen platform, exits with 0 soon after, without a sanitizer's report.
TEST(ShellQuit, TheApplicationEndsInOrderOnSigtermAndSigint)
{
    for (const int number : {SIGTERM, SIGINT}) {
        apptest::AppEnv env;
        QProcess app;
        app.setProgram(QStringLiteral(CONVERTER_BINARY));
        app.setArguments({QStringLiteral("-platform"), QStringLiteral("offscreen")});
        app.setProcessChannelMode(QProcess::SeparateChannels);
        app.start();
        ASSERT_TRUE(app.waitForStarted(120000));
        // The column logs while the window is built, after the signal handlers are in place.
        QByteArray out;
        while (!out.contains("文件名称") && app.state() == QProcess::Running) {
            app.waitForReadyRead(200);
            out += app.readAllStandardOutput();
        }
        ASSERT_TRUE(out.contains("文件名称")) << out.toStdString() << app.readAllStandardError().toStdString();
        ::kill(static_cast<pid_t>(app.processId()), number);
        ASSERT_TRUE(app.waitForFinished(120000)) << "signal " << number;
        const std::string errors = app.readAllStandardError().toStdString();
        EXPECT_EQ(app.exitStatus(), QProcess::NormalExit) << "signal " << number;
        EXPECT_EQ(app.exitCode(), 0) << "signal " << number << "\n" << errors;
        // A sanitizer build's application carries the tests' rules: a report is a fault.
        const std::string report = testsupport::sanitizer_report(errors);
        EXPECT_TRUE(report.empty()) << report;
    }
}

namespace {
// A window that, like one still finishing its work, refuses the first close and closes itself
// a moment later.
class BusyWindow : public QWidget {
public:
    int refused = 0;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (refused++ == 0) {
            event->ignore();
            QTimer::singleShot(50, this, [this] { close(); });
        }
    }
};
}  // namespace

// A signal closes every window, also those after one that refuses; the loop ends with 0 once
// the refusing window has closed itself.
TEST(ShellQuit, SignalClosesEveryWindowAndQuitsAfterTheLastOne)
{
    apptest::AppEnv env;
    configure_application(*qApp);
    QuitOnSignals quit_on_signals;
    BusyWindow busy;
    busy.show();
    // Several, since the order in which windows are closed is not fixed.
    QWidget others[4];
    for (QWidget& other : others)
        other.show();
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(10000);
    QTimer::singleShot(0, &busy, [] { ::raise(SIGTERM); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(busy.refused, 2);
    for (const QWidget& other : others)
        EXPECT_FALSE(other.isVisible());
}
