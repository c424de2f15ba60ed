// The thread sanitizer's rules (tests/sanitizers/rules.cpp) must leave our own races visible,
// also those where one side runs inside a Qt callback, as every main-queue task does; and the
// tests that start programs must see such a report in their output.
#include <gtest/gtest.h>

#include <QTimer>
#include <atomic>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/dispatch/queue.h"
#include "support/sanitizer_report.h"
#include "support/support.h"

extern char** environ;

namespace {

// Plain ints, written without any synchronisation from the main thread and from a thread.
int g_timer_target = 0;
int g_main_queue_target = 0;

__attribute__((noinline)) void write_from_timer() { g_timer_target = 1; }
__attribute__((noinline)) void write_from_main_queue() { g_main_queue_target = 1; }
__attribute__((noinline)) void write_from_thread()
{
    g_timer_target = 2;
    g_main_queue_target = 2;
}

#if defined(__SANITIZE_THREAD__)
// The sanitizer's report of a run of this program with only the given test, or empty.
std::string sanitizer_report_of(const std::string& test)
{
    testsupport::TempDir dir;
    const std::string log = dir.file("report");
    std::string self = "/proc/self/exe";
    std::string also = "--gtest_also_run_disabled_tests";
    std::string filter = "--gtest_filter=" + test;
    char* argv[] = {self.data(), also.data(), filter.data(), nullptr};
    std::vector<std::string> env_text;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("TSAN_OPTIONS=", 0) != 0)
            env_text.emplace_back(*e);
    env_text.push_back("TSAN_OPTIONS=log_path=" + log + " exitcode=0");
    std::vector<char*> envp;
    for (std::string& e : env_text)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &quiet, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0)
        return {};
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    std::string text;
    for (const std::string& name : testsupport::entries(dir.path())) {
        std::ifstream in(dir.file(name));
        std::stringstream s;
        s << in.rdbuf();
        text += s.str();
    }
    return text;
}
#endif

}  // namespace

// Run only as the child of the test below: a worker thread and the main thread race on two
// ints, once through a QTimer callback and once through a main-queue task.
TEST(SanitizerRules, DISABLED_RaceThroughQt)
{
    std::atomic<bool> timer_ran{false};
    std::atomic<bool> task_ran{false};
    std::thread worker(write_from_thread);
    QTimer::singleShot(0, [&] {
        write_from_timer();
        timer_ran = true;
    });
    std::thread poster([&] {
        dispatch::Queue::main().async([&] {
            write_from_main_queue();
            task_ran = true;
        });
    });
    ASSERT_TRUE(testsupport::pump_until([&] { return timer_ran && task_ran; }));
    poster.join();
    worker.join();
    // Read once both sides are done, so that the writes are not optimised away.
    EXPECT_GT(g_timer_target + g_main_queue_target, 0);
}

TEST(SanitizerRules, RacesInsideQtCallbacksAreReported)
{
#if !defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "only in a thread-sanitizer build";
#else
    const std::string report = sanitizer_report_of("SanitizerRules.DISABLED_RaceThroughQt");
    EXPECT_NE(report.find("write_from_timer"), std::string::npos) << report;
    EXPECT_NE(report.find("write_from_main_queue"), std::string::npos) << report;
    EXPECT_FALSE(testsupport::sanitizer_report(report).empty()) << report;
#endif
}
