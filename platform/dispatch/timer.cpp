#include "platform/foundation/threads.h"
#include "timer.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace dispatch::detail {

namespace {

using Clock = std::chrono::steady_clock;

// One thread sleeps until the earliest deadline; it only hands tasks to their queues.
class Timer {
public:
    void add(Clock::time_point deadline, Queue queue, Task task)
    {
        std::lock_guard lock(mutex_);
        // A multimap keeps equal deadlines in the order they were added.
        entries_.emplace(deadline, Entry{std::move(queue), std::move(task)});
        if (!started_) {
            started_ = true;
            std::thread([this] {
                foundation::name_this_thread("dispatch-timer");
                run();
            }).detach();
        }
        cv_.notify_one();
    }

private:
    struct Entry {
        Queue queue;
        Task task;
    };

    void run()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (entries_.empty()) {
                cv_.wait(lock);
                continue;
            }
            const auto first = entries_.begin();
            if (Clock::now() < first->first) {
                cv_.wait_until(lock, first->first);
                continue;
            }
            Entry entry = std::move(first->second);
            entries_.erase(first);
            lock.unlock();
            entry.queue.async(std::move(entry.task));
            entry = Entry{Queue::global(), nullptr};  // drop captures outside the lock
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    std::multimap<Clock::time_point, Entry> entries_;
    bool started_ = false;
};

// Never destroyed: its detached thread waits on it while the process exits.
Timer& timer()
{
    static Timer* instance = new Timer;
    return *instance;
}

}  // namespace

void submit_at(Clock::time_point deadline, Queue queue, Task task)
{
    timer().add(deadline, std::move(queue), std::move(task));
}

}  // namespace dispatch::detail
