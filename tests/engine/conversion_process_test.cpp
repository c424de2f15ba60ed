// The job in a process of its own, as the application runs it: killed in the middle, out of
// disk space, or without permission to write.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QString>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "fixture_paths.h"
#include "support/processes.h"
#include "support/sanitizer_report.h"
#include "support/support.h"

extern char** environ;

using namespace std::chrono_literals;
using testsupport::children_of;

namespace {

// The conversion process, with its standard output read line by line. Its standard error,
// where a sanitizer reports, is kept in a file; a report there fails the test.
class ConversionChild {
public:
    explicit ConversionChild(const std::vector<std::string>& arguments)
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors_file().c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> all = {CONVERSION_CHILD};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out_ = fds[0];
    }
    ~ConversionChild()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            reap();
        }
        if (out_ >= 0)
            close(out_);
        // Also a child that was killed may have reported before.
        const std::string report = testsupport::sanitizer_report(errors());
        EXPECT_TRUE(report.empty()) << report;
    }

    pid_t pid() const { return pid_; }

    // The next of its own lines (those that start with '@', without it), past the job's log
    // lines; empty at its end or after the time-out.
    std::string line(std::chrono::milliseconds timeout = 120s)
    {
        for (;;) {
            std::string next = any_line(timeout);
            if (next.empty() || next[0] == '@')
                return next.empty() ? next : next.substr(1);
        }
    }

    std::string any_line(std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (const auto nl = buffer_.find('\n'); nl != std::string::npos) {
                std::string line = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd p{out_, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0)
                return {};
            char chunk[4096];
            const ssize_t n = read(out_, chunk, sizeof chunk);
            if (n <= 0)
                return {};
            buffer_.append(chunk, size_t(n));
        }
    }

    // "key=value" lines up to the end of its output.
    std::map<std::string, std::string> outcome()
    {
        std::map<std::string, std::string> values;
        for (std::string l = line(); !l.empty(); l = line())
            if (const auto eq = l.find('='); eq != std::string::npos)
                values[l.substr(0, eq)] = l.substr(eq + 1);
        return values;
    }

    void reap()
    {
        if (pid_ <= 0)
            return;
        while (waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }

    // Its wait status once it has ended: 0 when it exited with 0. A sanitizer that reported
    // makes it exit with another code.
    int wait_status()
    {
        reap();
        return status_;
    }

    // Its standard error so far.
    std::string errors() const
    {
        std::ifstream in(errors_file());
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

private:
    std::string errors_file() const { return errors_dir_.file("stderr"); }

    testsupport::TempDir errors_dir_;
    pid_t pid_ = -1;
    int out_ = -1;
    int status_ = -1;
    std::string buffer_;
};

// Running (not gone, not a zombie that waits to be reaped).
bool alive(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z' &&
           text[close + 2] != 'X';
}

// Whether a hidden unfinished file in the folder holds media: the run has converted
// something. The container's header comes first (a few dozen bytes), and the samples reach
// the file in blocks of the muxer's 32 KiB buffer: past 256 KiB they are there.
bool unfinished_file_holds_data(const std::string& dir)
{
    for (const auto& name : testsupport::entries(dir))
        if (name.find(".converting-") != std::string::npos &&
            QFileInfo(QString::fromStdString(dir + '/' + name)).size() > 256 * 1024)
            return true;
    return false;
}

class ConversionProcess : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string output() const { return dir.file("out"); }
    std::string final_file() const { return dir.file("out.mov"); }
};

}  // namespace

TEST_F(ConversionProcess, KilledApplicationLeavesNoFfmpegAndNoFinishedLookingFile)
{
    for (const char* engine : {"ffmpeg", "pipeline"}) {
        SCOPED_TRACE(engine);
        ConversionChild child({engine, fixture_path("long.mp4").toStdString(), output(), "--large"});
        ASSERT_GT(child.pid(), 0);
        ASSERT_EQ(child.line(), "started");
        // Well into the run: its output is being written.
        ASSERT_TRUE(testsupport::pump_until([&] { return unfinished_file_holds_data(dir.path()); }));
        std::vector<pid_t> ffmpeg;
        if (std::string(engine) == "ffmpeg") {
            ASSERT_TRUE(testsupport::pump_until([&] { return (ffmpeg = children_of(child.pid())).size() == 1; }));
        }
        kill(child.pid(), SIGKILL);
        child.reap();
        for (pid_t pid : ffmpeg)
            EXPECT_TRUE(testsupport::pump_until([&] { return !alive(pid); })) << "ffmpeg " << pid << " outlived the application";
        EXPECT_FALSE(QFile::exists(QString::fromStdString(final_file())));
        for (const auto& name : testsupport::entries(dir.path()))
            QFile::remove(QString::fromStdString(dir.file(name)));
    }
}

TEST_F(ConversionProcess, AFullDiskFailsOnceWithItsCause)
{
    for (const char* engine : {"ffmpeg", "pipeline"}) {
        SCOPED_TRACE(engine);
        ConversionChild child({engine, fixture_path("long.mp4").toStdString(), output(), "--fsize", "100000"});
        ASSERT_EQ(child.line(), "started");
        const auto outcome = child.outcome();
        EXPECT_EQ(outcome.at("status"), "4");
        EXPECT_EQ(outcome.at("finished"), "1");
        const QString error = QString::fromStdString(outcome.at("error"));
        EXPECT_TRUE(error.contains("File too large")) << outcome.at("error");
        EXPECT_FALSE(error.contains(".converting-")) << outcome.at("error");
        // Neither a component's memory address nor the encoder's closing statistics.
        EXPECT_FALSE(error.contains(QRegularExpression(" @ (0x|\\(nil\\))"))) << outcome.at("error");
        for (const char* statistics : {"Qavg", "kb/s", "frame=", "muxing overhead"})
            EXPECT_FALSE(error.contains(statistics)) << outcome.at("error");
        EXPECT_TRUE(testsupport::entries(dir.path()).empty());
        EXPECT_EQ(child.wait_status(), 0) << child.errors();
    }
}

TEST_F(ConversionProcess, AFolderWithoutWritePermissionFailsOnceWithItsCause)
{
    ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
    for (const char* engine : {"ffmpeg", "pipeline"}) {
        SCOPED_TRACE(engine);
        ConversionChild child({engine, fixture_path("h264_aac.mp4").toStdString(), output(), "--no-override"});
        ASSERT_EQ(child.line(), "started");
        const auto outcome = child.outcome();
        EXPECT_EQ(outcome.at("status"), "4");
        EXPECT_EQ(outcome.at("finished"), "1");
        EXPECT_NE(outcome.at("error").find("Permission denied"), std::string::npos) << outcome.at("error");
        EXPECT_TRUE(testsupport::entries(dir.path()).empty());
        EXPECT_EQ(child.wait_status(), 0) << child.errors();
    }
    chmod(dir.path().c_str(), 0755);
}
