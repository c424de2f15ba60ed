#include "platform/foundation/threads.h"
#include "pool.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace dispatch::detail {

namespace {

// Enough for every row of a large batch to block at once; beyond it work waits its turn.
constexpr int kMaxThreads = 256;
constexpr auto kIdleTimeout = std::chrono::seconds(5);

thread_local bool t_on_pool = false;
thread_local int t_block_depth = 0;

// Width counts the threads running work unblocked ("active"). A thread blocked in a wait
// leaves the active count, so queued work can start another thread: blocking never deadlocks.
class Pool {
public:
    explicit Pool(int width) : width_(width) {}

    void submit(Work work)
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
        kick_locked();
    }

    void set_width(int threads)
    {
        std::lock_guard lock(mutex_);
        width_ = std::max(1, threads);
        kick_locked();
    }

    void block_begin()
    {
        std::lock_guard lock(mutex_);
        --active_;
        kick_locked();
    }

    void block_end()
    {
        // May exceed the width for a moment; the thread gives its slot back after its task.
        std::lock_guard lock(mutex_);
        ++active_;
    }

private:
    // Lets one more thread take queued work when the width allows it.
    void kick_locked()
    {
        if (queue_.empty() || active_ >= width_)
            return;
        if (idle_ > 0) {
            cv_.notify_one();
            return;
        }
        if (threads_ >= kMaxThreads)
            return;
        ++threads_;
        ++active_;  // the new thread starts holding a slot
        try {
            std::thread([this] {
                foundation::name_this_thread("dispatch-pool");
                run();
            }).detach();
        } catch (const std::system_error& e) {
            --threads_;
            --active_;
            std::printf("dispatch: cannot start a worker thread: %s\n", e.what());
            std::fflush(stdout);
        }
    }

    void run()
    {
        t_on_pool = true;
        std::unique_lock lock(mutex_);
        for (;;) {
            // Here the thread holds an active slot.
            if (!queue_.empty()) {
                Work work = std::move(queue_.front());
                queue_.pop_front();
                kick_locked();  // more work than this thread can take
                lock.unlock();
                run_guarded(work);
                work = nullptr;  // captured state may submit work in its destructor
                lock.lock();
                if (active_ <= width_)
                    continue;
            }
            --active_;
            ++idle_;
            const bool woken = cv_.wait_for(lock, kIdleTimeout,
                                            [this] { return !queue_.empty() && active_ < width_; });
            --idle_;
            if (!woken) {
                --threads_;
                return;
            }
            ++active_;
        }
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Work> queue_;
    int width_;
    int threads_ = 0;
    int active_ = 0;
    int idle_ = 0;
};

// Never destroyed: detached workers may still wait on it while the process exits.
Pool& pool()
{
    static Pool* instance = new Pool(std::max(1, static_cast<int>(std::thread::hardware_concurrency())));
    return *instance;
}

}  // namespace

void pool_submit(Work work) { pool().submit(std::move(work)); }

void pool_set_width(int threads) { pool().set_width(threads); }

bool on_pool_thread() { return t_on_pool; }

void pool_block_begin()
{
    if (t_on_pool && t_block_depth++ == 0)
        pool().block_begin();
}

void pool_block_end()
{
    if (t_on_pool && --t_block_depth == 0)
        pool().block_end();
}

void run_guarded(const std::function<void()>& task)
{
    try {
        task();
    } catch (const std::exception& e) {
        std::printf("dispatch: a task ended with an exception: %s\n", e.what());
        std::fflush(stdout);
    } catch (...) {
        std::printf("dispatch: a task ended with an unknown exception\n");
        std::fflush(stdout);
    }
}

}  // namespace dispatch::detail
