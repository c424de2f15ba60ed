#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/dispatch/queue.h"
#include "platform/dispatch/sync.h"
#include "support/support.h"

using namespace std::chrono_literals;
using dispatch::Queue;

namespace {

bool on_main_thread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

TEST(MainQueue, AsyncFromAWorkerRunsOnTheMainThread)
{
    std::atomic<bool> ran{false};
    std::atomic<bool> on_main{false};
    Queue::global().async([&] {
        Queue::main().async([&] {
            on_main = on_main_thread() && Queue::main().is_current();
            ran = true;
        });
    });
    ASSERT_TRUE(testsupport::pump_until([&] { return ran.load(); }, 10s));
    EXPECT_TRUE(on_main);
}

TEST(MainQueue, AfterRunsOnTheMainThreadNoSoonerThanTheDelay)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    bool ran = false;
    bool on_main = false;
    Clock::time_point when;
    Queue::main().after(100ms, [&] {
        on_main = on_main_thread();
        when = Clock::now();
        ran = true;
    });
    EXPECT_FALSE(ran);  // never inline
    ASSERT_TRUE(testsupport::pump_until([&] { return ran; }, 10s));
    EXPECT_TRUE(on_main);
    EXPECT_GE(when - start, 100ms);

    // Scheduled from a worker thread: the delay still counts from the call.
    std::atomic<bool> worker_ran{false};
    std::atomic<bool> worker_on_main{false};
    Clock::time_point worker_start;
    Clock::time_point worker_when;
    Queue::global().sync([&] {
        worker_start = Clock::now();
        Queue::main().after(80ms, [&] {
            worker_on_main = on_main_thread();
            worker_when = Clock::now();
            worker_ran = true;
        });
    });
    ASSERT_TRUE(testsupport::pump_until([&] { return worker_ran.load(); }, 10s));
    EXPECT_TRUE(worker_on_main);
    EXPECT_GE(worker_when - worker_start, 80ms);
}

TEST(MainQueue, SyncRunsInlineOnTheMainThreadAndOnItFromAWorker)
{
    bool inline_ran = false;
    Queue::main().sync([&] { inline_ran = on_main_thread(); });
    EXPECT_TRUE(inline_ran);

    std::atomic<bool> worker_done{false};
    std::atomic<bool> ran_on_main{false};
    std::atomic<bool> finished_before_return{false};
    std::thread worker([&] {
        bool finished = false;
        Queue::main().sync([&] {
            ran_on_main = on_main_thread();
            finished = true;
        });
        finished_before_return = finished;
        worker_done = true;
    });
    const bool done = testsupport::pump_until([&] { return worker_done.load(); }, 10s);
    worker.join();
    ASSERT_TRUE(done);
    EXPECT_TRUE(ran_on_main);
    EXPECT_TRUE(finished_before_return);
}

}  // namespace
