#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>

#include "app_env.h"

// SIGTERM and SIGINT close the window the orderly way: the real application, started on the
// offscreen platform, exits with 0 soon after.
TEST(ShellQuit, TheApplicationEndsInOrderOnSigtermAndSigint)
{
    for (const int number : {SIGTERM, SIGINT}) {
        apptest::AppEnv env;
        QProcess app;
        app.setProgram(QStringLiteral(CONVERTER_BINARY));
        app.setArguments({QStringLiteral("-platform"), QStringLiteral("offscreen")});
        app.setProcessChannelMode(QProcess::SeparateChannels);
        app.start();
        ASSERT_TRUE(app.waitForStarted(10000));
        // The column logs while the window is built, after the signal handlers are in place.
        QByteArray out;
        while (!out.contains("文件名称") && app.state() == QProcess::Running) {
            app.waitForReadyRead(200);
            out += app.readAllStandardOutput();
        }
        ASSERT_TRUE(out.contains("文件名称")) << out.toStdString() << app.readAllStandardError().toStdString();
        ::kill(static_cast<pid_t>(app.processId()), number);
        ASSERT_TRUE(app.waitForFinished(5000)) << "signal " << number;
        EXPECT_EQ(app.exitStatus(), QProcess::NormalExit) << "signal " << number;
        EXPECT_EQ(app.exitCode(), 0) << "signal " << number;
    }
}
