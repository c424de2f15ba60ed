// The application killed outright during an ffmpeg-path conversion: no ffmpeg outlives it.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>

#include "app/settings/setup_ns_view_controller.h"
#include "batch_support.h"
#include "support/sanitizer_report.h"

// Run only as the child process of the test below: converts on the ffmpeg path until killed.
TEST(BatchKill, DISABLED_ConvertUntilKilled)
{
    const QByteArray folder = qgetenv("BATCH_KILL_OUTPUT");
    ASSERT_FALSE(folder.isEmpty());
    batchtest::Window w;
    w.keep_preset(batchtest::slow_preset());
    w.window.split()->settings_column()->set_out_path_url(QUrl::fromLocalFile(QString::fromUtf8(folder)));
    const auto row = w.add_row(testsupport::fixture("long.mkv"));
    ASSERT_TRUE(batchtest::wait_for_ffmpeg_choice(*row->out_Ex));
    w.list->start_run();
    ASSERT_TRUE(batchtest::wait_converting(*row));
    std::printf("converting\n");
    std::fflush(stdout);
    testsupport::pump_until([] { return false; }, std::chrono::seconds(60));
}

// The application killed outright during an ffmpeg-path conversion takes its ffmpeg child
// with it, and no file is left under the output's final name.
TEST(BatchKill, KilledApplicationLeavesNoFfmpeg)
{
    testsupport::TempDir folder;
    QProcess child;
    child.setProgram(QStringLiteral("/proc/self/exe"));
    child.setArguments({QStringLiteral("--gtest_also_run_disabled_tests"),
                        QStringLiteral("--gtest_filter=BatchKill.DISABLED_ConvertUntilKilled")});
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("BATCH_KILL_OUTPUT"), QString::fromStdString(folder.path()));
    // The killed child removes nothing it made (its home, its runtime folder): it makes them
    // in this test's folder, which goes with the test.
    const QString child_temporary = QString::fromStdString(folder.file("tmp"));
    ASSERT_TRUE(QDir().mkpath(child_temporary));
    environment.insert(QStringLiteral("TMPDIR"), child_temporary);
    child.setProcessEnvironment(environment);
    child.start();
    ASSERT_TRUE(child.waitForStarted(120000));
    QByteArray out;
    while (!out.contains("converting\n") && child.state() == QProcess::Running) {
        child.waitForReadyRead(200);
        out += child.readAllStandardOutput();
    }
    ASSERT_TRUE(out.contains("converting\n")) << out.toStdString();
    const pid_t pid = static_cast<pid_t>(child.processId());
    // The ffmpeg processes whose parent is the child.
    const auto grandchildren = [pid] {
        QProcess ps;
        ps.start(QStringLiteral("pgrep"), {QStringLiteral("-P"), QString::number(pid), QStringLiteral("-x"), QStringLiteral("ffmpeg")});
        ps.waitForFinished();
        return QString::fromUtf8(ps.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    };
    const QStringList ffmpeg = grandchildren();
    ASSERT_EQ(ffmpeg.size(), 1);
    ::kill(pid, SIGKILL);
    ASSERT_TRUE(child.waitForFinished(120000));
    // Killed, it gives no exit status; a sanitizer reports as it finds a fault.
    const std::string report = testsupport::sanitizer_report(child.readAllStandardError().toStdString());
    EXPECT_TRUE(report.empty()) << report;
    // Orphans are re-parented and reaped by init; a zombie left by a missing reaper is gone too.
    const QString ffmpeg_proc = QStringLiteral("/proc/") + ffmpeg[0];
    const auto gone = [&] {
        QFile stat(ffmpeg_proc + QStringLiteral("/stat"));
        return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
    };
    EXPECT_TRUE(testsupport::pump_until(gone)) << "ffmpeg " << ffmpeg[0].toStdString() << " outlived the application";
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(folder.file("long.mp4"))));
}
