#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/dispatch/queue.h"
#include "platform/dispatch/sync.h"

using namespace std::chrono_literals;
using dispatch::Group;
using dispatch::Queue;
using dispatch::Semaphore;

namespace {

TEST(SerialQueue, KeepsEachSubmittersOrderAndNeverOverlaps)
{
    constexpr int kSubmitters = 4;
    constexpr int kPerSubmitter = 500;
    const Queue queue = Queue::serial("order");
    std::atomic<bool> running{false};
    std::atomic<int> overlaps{0};
    std::atomic<int> off_queue{0};
    // Only touched by the queue's tasks: a data race here is what the thread sanitizer catches.
    std::vector<std::pair<int, int>> seen;
    Group group;

    std::vector<std::thread> submitters;
    for (int s = 0; s < kSubmitters; ++s) {
        submitters.emplace_back([&, s] {
            for (int i = 0; i < kPerSubmitter; ++i) {
                group.async(queue, [&, s, i] {
                    if (running.exchange(true))
                        ++overlaps;
                    if (!queue.is_current())
                        ++off_queue;
                    seen.emplace_back(s, i);
                    running = false;
                });
            }
        });
    }
    for (auto& t : submitters)
        t.join();
    ASSERT_TRUE(group.wait_for(120s));

    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(off_queue, 0);
    ASSERT_EQ(seen.size(), size_t(kSubmitters * kPerSubmitter));
    std::vector<int> next(kSubmitters, 0);
    for (const auto& [s, i] : seen) {
        EXPECT_EQ(i, next[s]) << "submitter " << s;
        next[s] = i + 1;
    }
}

TEST(SerialQueue, SyncRunsOnTheQueueAndPropagatesExceptions)
{
    const Queue queue = Queue::serial("sync");
    int value = 0;
    bool on_queue = false;
    queue.sync([&] {
        value = 1;
        on_queue = queue.is_current();
        // A nested sync on the same queue runs inline instead of waiting for itself forever.
        queue.sync([&] { value = 2; });
    });
    EXPECT_EQ(value, 2);
    EXPECT_TRUE(on_queue);
    EXPECT_FALSE(queue.is_current());
    EXPECT_THROW(queue.sync([] { throw std::runtime_error("boom"); }), std::runtime_error);
}

TEST(SerialQueue, ATaskThatThrowsDoesNotStopTheQueue)
{
    const Queue queue = Queue::serial("throws");
    Semaphore done;
    queue.async([] { throw std::runtime_error("task failure"); });
    queue.async([&] { done.signal(); });
    EXPECT_TRUE(done.wait_for(120s));
}

TEST(ConcurrentQueue, RunsTasksInParallel)
{
    dispatch::set_global_width(2);
    const Queue queue = Queue::concurrent("parallel");
    // Each task spins (no dispatch wait, so the pool sees two busy threads) until both are in.
    std::atomic<int> inside{0};
    std::atomic<int> met{0};
    Group group;
    for (int i = 0; i < 2; ++i) {
        group.async(queue, [&] {
            ++inside;
            const auto end = std::chrono::steady_clock::now() + 120s;
            while (inside < 2 && std::chrono::steady_clock::now() < end)
                std::this_thread::yield();
            if (inside == 2)
                ++met;
        });
    }
    EXPECT_TRUE(group.wait_for(120s));
    EXPECT_EQ(met, 2);
    dispatch::set_global_width(static_cast<int>(std::thread::hardware_concurrency()));
}

TEST(Queue, IdentityAndCurrentQueue)
{
    const Queue a = Queue::serial("a");
    EXPECT_EQ(a.label(), "a");
    EXPECT_TRUE(Queue::global() == Queue::global());
    EXPECT_TRUE(Queue::main() == Queue::main());
    EXPECT_FALSE(a == Queue::serial("a"));

    // Inside a task of b that syncs onto a, a is current and b is again current afterwards.
    const Queue b = Queue::serial("b");
    bool a_inside = false, b_inside = false, b_after = false;
    b.sync([&] {
        a.sync([&] {
            a_inside = a.is_current();
            b_inside = b.is_current();
        });
        b_after = b.is_current();
    });
    EXPECT_TRUE(a_inside);
    EXPECT_FALSE(b_inside);
    EXPECT_TRUE(b_after);

    bool global_current = false;
    Semaphore done;
    Queue::global().async([&] {
        global_current = Queue::global().is_current() && !a.is_current();
        done.signal();
    });
    ASSERT_TRUE(done.wait_for(120s));
    EXPECT_TRUE(global_current);
}

TEST(Queue, AfterWaitsAtLeastTheDelayAndKeepsDeadlineOrder)
{
    const Queue queue = Queue::serial("later");
    std::vector<int> order;
    std::vector<std::chrono::steady_clock::duration> elapsed;
    Semaphore done;
    const auto start = std::chrono::steady_clock::now();
    queue.after(120ms, [&] {
        order.push_back(2);
        elapsed.push_back(std::chrono::steady_clock::now() - start);
        done.signal();
    });
    queue.after(40ms, [&] {
        order.push_back(1);
        elapsed.push_back(std::chrono::steady_clock::now() - start);
        done.signal();
    });
    ASSERT_TRUE(done.wait_for(120s));
    ASSERT_TRUE(done.wait_for(120s));
    queue.sync([] {});  // orders the reads below after the tasks' writes
    ASSERT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_GE(elapsed[0], 40ms);
    EXPECT_GE(elapsed[1], 120ms);
}

}  // namespace
