#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/dispatch/queue.h"
#include "platform/dispatch/sync.h"
#include "support/support.h"

using namespace std::chrono_literals;
using dispatch::Group;
using dispatch::Queue;
using dispatch::Semaphore;

namespace {

class Pool : public ::testing::Test {
protected:
    void SetUp() override { dispatch::set_global_width(2); }
    void TearDown() override { dispatch::set_global_width(cores()); }
    static int cores() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }
};

TEST_F(Pool, MoreBlockedTasksThanThreadsDoNotDeadlock)
{
    const int blocked = 3 * cores();
    Semaphore gate;
    Group group;
    std::atomic<int> passed{0};
    for (int i = 0; i < blocked; ++i) {
        group.async(Queue::global(), [&] {
            gate.wait();
            ++passed;
        });
    }
    // Queued last: it only runs if the blocked tasks let the pool start more threads.
    group.async(Queue::global(), [&] {
        for (int i = 0; i < blocked; ++i)
            gate.signal();
    });
    ASSERT_TRUE(group.wait_for(120s)) << passed << " of " << blocked << " blocked tasks finished";
    EXPECT_EQ(passed, blocked);
}

TEST_F(Pool, BlockingWaitsOfEveryKindFreeTheirThread)
{
    // Two tasks wait in a group wait, a serial-queue sync and a hand-made wait inside a
    // BlockingScope; a third task, queued last, releases all of them.
    Group members;
    members.enter();
    const Queue serial = Queue::serial("held");
    Semaphore serial_gate;
    serial.async([&] { serial_gate.wait(); });
    std::mutex mutex;
    std::condition_variable cv;
    bool open = false;

    Group all;
    all.async(Queue::global(), [&] { members.wait(); });
    all.async(Queue::global(), [&] { serial.sync([] {}); });
    all.async(Queue::global(), [&] {
        dispatch::BlockingScope blocking;
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return open; });
    });
    all.async(Queue::global(), [&] {
        members.leave();
        serial_gate.signal();
        std::lock_guard lock(mutex);
        open = true;
        cv.notify_all();
    });
    EXPECT_TRUE(all.wait_for(120s));
}

TEST_F(Pool, BusyTasksStayWithinTheWidth)
{
    std::atomic<int> busy{0};
    std::atomic<int> most{0};
    Group group;
    for (int i = 0; i < 16; ++i) {
        group.async(Queue::global(), [&] {
            const int now = ++busy;
            int seen = most.load();
            while (now > seen && !most.compare_exchange_weak(seen, now)) {
            }
            const auto end = std::chrono::steady_clock::now() + 5ms;
            while (std::chrono::steady_clock::now() < end)
                std::this_thread::yield();
            --busy;
        });
    }
    ASSERT_TRUE(group.wait_for(120s));
    EXPECT_LE(most, 2);
    EXPECT_GE(most, 1);
}

}  // namespace

// A burst of blocked work grows the pool beyond its width; once the work is done, the threads
// it started end after their idle time, so a long batch does not keep the largest burst's
// threads for the rest of the process.
TEST_F(Pool, WorkersOfABurstEndOnceIdle)
{
    testsupport::start_first_pool_thread();
    const int before = testsupport::thread_count();
    const int blocked = 3 * cores();
    Semaphore gate;
    Group group;
    std::atomic<int> waiting{0};
    for (int i = 0; i < blocked; ++i)
        group.async(Queue::global(), [&] {
            ++waiting;
            gate.wait();
        });
    // Every one of them waits at once, each on a thread of its own.
    ASSERT_TRUE(testsupport::pump_until([&] { return waiting == blocked; }, 60s));
    EXPECT_GE(testsupport::thread_count(), blocked);
    for (int i = 0; i < blocked; ++i)
        gate.signal();
    ASSERT_TRUE(group.wait_for(60s));
    EXPECT_TRUE(testsupport::pump_until([&] { return testsupport::thread_count() <= before; }, 60s))
        << testsupport::thread_count() << " threads, " << before << " before the burst";
}
