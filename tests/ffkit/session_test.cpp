#include <gtest/gtest.h>
#include <csignal>
#include <unistd.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QFileInfo>
#include <atomic>
#include <mutex>
#include <thread>

#include "platform/ffkit/arguments.h"
#include "platform/ffkit/child_process.h"
#include "platform/ffkit/session.h"
#include "support/processes.h"
#include "support/support.h"

using namespace std::chrono_literals;
using testsupport::fixture;
using testsupport::pump_until;

namespace {

// Everything one run reported, gathered from the runner's thread. The callbacks hold it, so
// that it outlives the runner's last touch.
struct Recorder : std::enable_shared_from_this<Recorder> {
    std::mutex lock;
    QStringList logs;
    QStringList error_logs;  // the messages logged at error level or worse
    std::vector<int32_t> times;
    std::atomic<int> completions{0};
    std::atomic<int> callbacks_after_completion{0};
    std::optional<ffkit::ReturnCode> code;
    int64_t completed_id = 0;

    std::shared_ptr<ffkit::Session> run(const QString& arguments)
    {
        const auto self = shared_from_this();
        return ffkit::execute_async(
            arguments,
            [this, self](const std::shared_ptr<ffkit::Session>& session) {
                std::lock_guard guard(lock);
                code = session->return_code();
                completed_id = session->id();
                ++completions;
            },
            [this, self](const ffkit::Log& log) {
                std::lock_guard guard(lock);
                if (completions)
                    ++callbacks_after_completion;
                logs << log.message;
                if (log.is_error_or_worse())
                    error_logs << log.message;
            },
            [this, self](const ffkit::Statistics& statistics) {
                std::lock_guard guard(lock);
                if (completions)
                    ++callbacks_after_completion;
                times.push_back(statistics.time);
            });
    }
    bool wait() { return pump_until([this] { return completions > 0; }); }
};

QString long_run(const QString& output)
{
    return "-re -f lavfi -i testsrc2=size=160x120:rate=25:duration=60 -c:v libx264 -preset ultrafast " +
           ffkit::quote_path(output);
}

}  // namespace

TEST(Session, ConvertsWithLogLinesStatisticsInMillisecondsAndOneCompletion)
{
    testsupport::TempDir dir;
    const QString out = QString::fromStdString(dir.file("out.mkv"));
    const auto recorder_ptr = std::make_shared<Recorder>();
    Recorder& recorder = *recorder_ptr;
    const auto session = recorder.run("-i " + ffkit::quote_path(QString::fromStdString(fixture("h264_aac.mp4"))) +
                                      " -c:v libx264 -preset ultrafast " + ffkit::quote_path(out));
    ASSERT_TRUE(recorder.wait());
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(recorder.completions, 1);
    EXPECT_EQ(recorder.callbacks_after_completion, 0);
    EXPECT_TRUE(ffkit::ReturnCode::is_success(recorder.code));
    EXPECT_EQ(recorder.completed_id, session->id());
    EXPECT_FALSE(session->is_running());
    ASSERT_FALSE(recorder.times.empty());
    // The fixture lasts 3 s: the last report is near 3000 ms, not 3000000.
    EXPECT_NEAR(recorder.times.back(), 3000, 100);
    for (const QString& line : recorder.logs) {
        EXPECT_FALSE(line.contains('\n') || line.contains('\r'));
        EXPECT_FALSE(line.isEmpty());
    }
    EXPECT_TRUE(recorder.logs.join('\n').contains("Output #0"));
    EXPECT_TRUE(QFileInfo(out).size() > 0);
}

TEST(Session, AFailedRunTellsWhyAndIsNeitherSuccessNorCancel)
{
    const auto recorder_ptr = std::make_shared<Recorder>();
    Recorder& recorder = *recorder_ptr;
    recorder.run("-i '/nonexistent/in put.mp4' -f null -");
    ASSERT_TRUE(recorder.wait());
    EXPECT_FALSE(ffkit::ReturnCode::is_success(recorder.code));
    EXPECT_FALSE(ffkit::ReturnCode::is_cancel(recorder.code));
    ASSERT_FALSE(recorder.logs.isEmpty());
    EXPECT_TRUE(recorder.logs.last().contains("No such file or directory"));
    EXPECT_TRUE(recorder.logs.last().contains("/nonexistent/in put.mp4"));
    // Each line comes with its level, without the tag.
    ASSERT_FALSE(recorder.error_logs.isEmpty());
    EXPECT_TRUE(recorder.error_logs.last().contains("No such file or directory"));
    EXPECT_FALSE(recorder.logs.join('\n').contains("[error]"));
}

TEST(Session, IdsAreNeverReused)
{
    std::vector<std::shared_ptr<ffkit::Session>> sessions;
    std::atomic<int> done{0};
    for (int i = 0; i < 4; ++i)
        sessions.push_back(ffkit::execute_async("-version", [&](const auto&) { ++done; }));
    ASSERT_TRUE(pump_until([&] { return done == 4; }));
    const auto later = ffkit::execute_async("-version", [&](const auto&) { ++done; });
    for (size_t i = 1; i < sessions.size(); ++i)
        EXPECT_GT(sessions[i]->id(), sessions[i - 1]->id());
    EXPECT_GT(later->id(), sessions.back()->id());
    ASSERT_TRUE(pump_until([&] { return done == 5; }));
}

TEST(Session, CancelStopsARunWithTheCancelCodeAndLaterCancelsDoNothing)
{
    testsupport::TempDir dir;
    const auto recorder_ptr = std::make_shared<Recorder>();
    Recorder& recorder = *recorder_ptr;
    const auto session = recorder.run(long_run(QString::fromStdString(dir.file("long.mkv"))));
    ASSERT_TRUE(pump_until([&] {
        std::lock_guard guard(recorder.lock);
        return !recorder.times.empty();
    }));
    // With a kill only after ten minutes, an end within the wait shows that SIGINT stopped it.
    ffkit::set_cancel_grace_period(10min);
    ffkit::cancel(session->id());
    ffkit::cancel(session->id());
    ASSERT_TRUE(recorder.wait());
    ffkit::set_cancel_grace_period(5s);
    EXPECT_TRUE(ffkit::ReturnCode::is_cancel(recorder.code));
    ffkit::cancel(session->id());
    ffkit::cancel(987654321);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(recorder.completions, 1);
    EXPECT_TRUE(ffkit::ReturnCode::is_cancel(session->return_code()));
}

TEST(Session, ARunThatIgnoresTheInterruptIsKilledAfterTheGracePeriod)
{
    // ffmpeg opening a FIFO that nobody writes blocks in the kernel and does not see SIGINT.
    testsupport::TempDir dir;
    const std::string fifo = dir.file("stuck.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ffkit::set_cancel_grace_period(300ms);
    const auto recorder_ptr = std::make_shared<Recorder>();
    Recorder& recorder = *recorder_ptr;
    const auto session = recorder.run("-f mpegts -i " + ffkit::quote_path(QString::fromStdString(fifo)) + " -f null -");
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(session->is_running());
    ffkit::cancel(session->id());
    ASSERT_TRUE(pump_until([&] { return recorder.completions > 0; }));
    EXPECT_TRUE(ffkit::ReturnCode::is_cancel(recorder.code));
    ffkit::set_cancel_grace_period(5s);
}

TEST(Session, ProgramThatCannotStartOrArgumentsThatCannotBeReadFailWithAReason)
{
    const auto unreadable_ptr = std::make_shared<Recorder>();
    Recorder& unreadable = *unreadable_ptr;
    unreadable.run("-i '/in/a.mp4 -f null -");
    ASSERT_TRUE(unreadable.wait());
    EXPECT_EQ(unreadable.code->value(), ffkit::ReturnCode::not_started);
    EXPECT_TRUE(unreadable.logs.join("").contains("quote"));

    ffkit::set_program("/nonexistent/ffmpeg");
    const auto missing_ptr = std::make_shared<Recorder>();
    Recorder& missing = *missing_ptr;
    missing.run("-version");
    ffkit::set_program("ffmpeg");
    ASSERT_TRUE(missing.wait());
    EXPECT_EQ(missing.code->value(), ffkit::ReturnCode::not_started);
    EXPECT_TRUE(missing.logs.join("").contains("/nonexistent/ffmpeg"));
}

TEST(ReturnCodes, CrashesAndForeignInterruptsAreFailuresAndOurCancelAlwaysCancels)
{
    auto status_of = [](const char* script) {
        ffkit::ChildProcess child("sh", {"-c", script});
        EXPECT_TRUE(child.started());
        return child.wait();
    };
    const auto crashed = status_of("kill -SEGV $$");
    EXPECT_EQ(ffkit::return_code_for(crashed, false).value(), 128 + SIGSEGV);
    EXPECT_EQ(ffkit::return_code_for(crashed, false).signal(), SIGSEGV);
    EXPECT_FALSE(ffkit::ReturnCode::is_success(ffkit::return_code_for(crashed, false)));
    EXPECT_FALSE(ffkit::ReturnCode::is_cancel(ffkit::return_code_for(crashed, false)));
    const auto interrupted = status_of("exit 255");
    EXPECT_FALSE(ffkit::ReturnCode::is_cancel(ffkit::return_code_for(interrupted, false)));
    EXPECT_FALSE(ffkit::ReturnCode::is_success(ffkit::return_code_for(interrupted, false)));
    EXPECT_EQ(ffkit::return_code_for(interrupted, false).signal(), std::nullopt);
    // ffmpeg's own exit after a signal it reported: 255, or 1 when the signal cut its set-up short.
    for (const char* script : {"exit 255", "exit 1"}) {
        const auto stopped = ffkit::return_code_for(status_of(script), false, SIGTERM);
        EXPECT_EQ(stopped.signal(), SIGTERM) << script;
        EXPECT_EQ(stopped.value(), 128 + SIGTERM) << script;
        EXPECT_FALSE(ffkit::ReturnCode::is_cancel(stopped)) << script;
    }
    EXPECT_EQ(ffkit::return_code_for(status_of("exit 0"), false, SIGTERM).value(), 0);
    // Our own cancel stays a cancel, whatever ended the child.
    for (const auto& status : {status_of("exit 0"), status_of("exit 255"), crashed}) {
        const auto ours = ffkit::return_code_for(status, true, SIGINT);
        EXPECT_TRUE(ffkit::ReturnCode::is_cancel(ours));
        EXPECT_EQ(ours.signal(), std::nullopt);
    }
    EXPECT_EQ(ffkit::return_code_for(status_of("exit 3"), false).value(), 3);
    EXPECT_FALSE(ffkit::ReturnCode::is_success(std::nullopt));
    // A status that was lost is a failure, never a success.
    EXPECT_EQ(ffkit::return_code_for(std::nullopt, false).value(), 1);
}

// A signal from outside (a shutdown's SIGTERM, the out-of-memory killer's SIGKILL) ends the
// run as a failure that names the signal: ffmpeg reports SIGTERM and exits by itself, SIGKILL
// ends it at once.
TEST(Session, ARunEndedByASignalFromOutsideNamesIt)
{
    for (const int signal_number : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal_number);
        const auto recorder_ptr = std::make_shared<Recorder>();
        Recorder& recorder = *recorder_ptr;
        // Runs until it is stopped.
        recorder.run("-f lavfi -i testsrc2=size=64x48:rate=25 -f null -");
        // Once ffmpeg converts, so that its own signal handling is in place.
        ASSERT_TRUE(pump_until([&] {
            std::lock_guard guard(recorder.lock);
            return !recorder.times.empty();
        }));
        const std::vector<pid_t> children = testsupport::children_of(::getpid(), "ffmpeg");
        ASSERT_EQ(children.size(), 1u);
        ::kill(children.front(), signal_number);
        ASSERT_TRUE(recorder.wait());
        ASSERT_TRUE(recorder.code.has_value());
        EXPECT_EQ(recorder.code->signal(), signal_number);
        EXPECT_EQ(recorder.code->value(), 128 + signal_number);
        EXPECT_FALSE(ffkit::ReturnCode::is_cancel(recorder.code));
        EXPECT_FALSE(ffkit::ReturnCode::is_success(recorder.code));
    }
}

TEST(ChildProcess, AReapedChildIsNeverSignalled)
{
    ffkit::ChildProcess child("true", {});
    ASSERT_TRUE(child.started());
    child.close_stdout();
    child.close_stderr();
    child.wait();
    EXPECT_TRUE(child.has_exited());
    EXPECT_FALSE(child.signal(SIGKILL));
}

TEST(Session, PathsWithQuotesAndNonAsciiSurviveTheString)
{
    testsupport::TempDir dir;
    for (const char* name : {"quote'name.mp4", "双引号\"名字 ü.mp4", "-dash.mp4", "with space.mp4"}) {
        const QString in = QString::fromStdString(fixture(name));
        const QString out = QString::fromStdString(dir.file(std::string("out ") + name));
        const auto recorder_ptr = std::make_shared<Recorder>();
        Recorder& recorder = *recorder_ptr;
        recorder.run("-i " + ffkit::quote_path(in) + " -c copy " + ffkit::quote_path(out));
        ASSERT_TRUE(recorder.wait());
        EXPECT_TRUE(ffkit::ReturnCode::is_success(recorder.code)) << name << recorder.logs.join('\n').toStdString();
        EXPECT_GT(QFileInfo(out).size(), 0) << name;
    }
}
