#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/dispatch/queue.h"
#include "platform/dispatch/sync.h"

using namespace std::chrono_literals;
using dispatch::Group;
using dispatch::Queue;
using dispatch::Semaphore;

namespace {

TEST(Group, NotifyRunsOnlyAfterEveryLeaveFromAnyThread)
{
    constexpr int kMembers = 8;
    Group group;
    std::atomic<int> left{0};
    std::atomic<int> left_at_notify{-1};
    Semaphore notified;
    for (int i = 0; i < kMembers; ++i)
        group.enter();
    group.notify(Queue::serial("notify"), [&] {
        left_at_notify = left.load();
        notified.signal();
    });

    // The last member leaves only when the test lets it.
    Semaphore last_may_leave;
    std::vector<std::thread> leavers;
    for (int i = 0; i < kMembers; ++i) {
        leavers.emplace_back([&, i] {
            if (i == kMembers - 1)
                last_may_leave.wait();
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(5 * i));
            ++left;  // counted before leaving, so notify must see all of them
            group.leave();
        });
    }
    // Not before the last leave.
    EXPECT_FALSE(notified.wait_for(50ms));
    last_may_leave.signal();
    for (auto& t : leavers)
        t.join();
    ASSERT_TRUE(notified.wait_for(120s));
    EXPECT_EQ(left_at_notify, kMembers);
    // It ran once.
    EXPECT_FALSE(notified.wait_for(50ms));
}

TEST(Group, NotifyOnAnEmptyGroupRunsAtOnce)
{
    Group group;
    Semaphore notified;
    group.notify(Queue::global(), [&] { notified.signal(); });
    EXPECT_TRUE(notified.wait_for(120s));

    // Emptied again after use: a later notify also runs without further leaves.
    group.enter();
    group.leave();
    group.notify(Queue::global(), [&] { notified.signal(); });
    EXPECT_TRUE(notified.wait_for(120s));
}

TEST(Group, WaitCoversAsyncTasksAndTimesOut)
{
    Group group;
    std::atomic<int> ran{0};
    for (int i = 0; i < 20; ++i)
        group.async(Queue::global(), [&] { ++ran; });
    group.wait();
    EXPECT_EQ(ran, 20);

    group.enter();
    EXPECT_FALSE(group.wait_for(20ms));
    std::thread leaver([&] { group.leave(); });
    EXPECT_TRUE(group.wait_for(120s));
    leaver.join();

    // An unbalanced leave is ignored: the group stays empty rather than going negative.
    group.leave();
    group.enter();
    EXPECT_FALSE(group.wait_for(10ms));
    group.leave();
    EXPECT_TRUE(group.wait_for(0ms));
}

TEST(Semaphore, CountsSignalsAndTimesOut)
{
    Semaphore two(2);
    EXPECT_TRUE(two.wait_for(0ms));
    EXPECT_TRUE(two.wait_for(0ms));
    EXPECT_FALSE(two.wait_for(20ms));

    Semaphore sem;
    sem.signal();
    sem.signal();
    sem.wait();
    sem.wait();
    EXPECT_FALSE(sem.wait_for(0ms));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(sem.wait_for(50ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);

    std::thread signaller([&] {
        std::this_thread::sleep_for(20ms);
        sem.signal();
    });
    EXPECT_TRUE(sem.wait_for(120s));
    signaller.join();
}

}  // namespace
