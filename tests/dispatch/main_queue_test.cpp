#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

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
    ASSERT_TRUE(testsupport::pump_until([&] { return ran.load(); }, 120s));
    EXPECT_TRUE(on_main);
}

TEST(MainQueue, KeepsTheSubmittersOrderAndHandsOverItsData)
{
    // Plain data, no atomics: only the queue's hand-over orders these accesses (checked by
    // the thread sanitizer build). Many posts while the main thread is busy pumping.
    constexpr int kPosts = 300;
    struct Payload {
        std::vector<int> values;
    };
    std::vector<int> sums;
    Queue::global().async([&sums] {
        for (int i = 0; i < kPosts; ++i) {
            auto payload = std::make_unique<Payload>();
            payload->values = {i, i + 1};
            std::shared_ptr<Payload> shared = std::move(payload);
            const std::array<int, 6> padding{i, i, i, i, i, i};  // the task no longer fits inline
            Queue::main().async([shared, padding, &sums] {
                sums.push_back(shared->values[0] + shared->values[1] + padding[0] - padding[5]);
            });
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    ASSERT_TRUE(testsupport::pump_until([&] { return sums.size() == kPosts; }, 120s));
    for (int i = 0; i < kPosts; ++i)
        ASSERT_EQ(sums[i], 2 * i + 1);
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
    ASSERT_TRUE(testsupport::pump_until([&] { return ran; }, 120s));
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
    ASSERT_TRUE(testsupport::pump_until([&] { return worker_ran.load(); }, 120s));
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
    const bool done = testsupport::pump_until([&] { return worker_done.load(); }, 120s);
    worker.join();
    ASSERT_TRUE(done);
    EXPECT_TRUE(ran_on_main);
    EXPECT_TRUE(finished_before_return);
}

}  // namespace
