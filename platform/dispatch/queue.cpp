#include "queue.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

#include "main_loop.h"
#include "pool.h"
#include "sync.h"
#include "timer.h"

namespace dispatch {

struct Queue::Impl {
    enum class Kind { Serial, Concurrent, Main };

    Impl(Kind k, std::string l) : kind(k), label(std::move(l)) {}

    const Kind kind;
    const std::string label;

    // Serial queues only: tasks not yet run, and whether a drain is scheduled on the pool.
    std::mutex mutex;
    std::deque<Task> pending;
    bool draining = false;
};

namespace {

using Kind = Queue::Impl::Kind;

// A serial queue gives its pool thread back after this many tasks, so that one busy queue
// cannot hold a thread forever while others wait.
constexpr int kDrainBatch = 32;

thread_local const Queue::Impl* t_current = nullptr;

// Marks the queue whose task runs on this thread; restores the outer one (nested sync).
class CurrentQueue {
public:
    explicit CurrentQueue(const Queue::Impl* queue) : saved_(t_current) { t_current = queue; }
    ~CurrentQueue() { t_current = saved_; }
    CurrentQueue(const CurrentQueue&) = delete;
    CurrentQueue& operator=(const CurrentQueue&) = delete;

private:
    const Queue::Impl* saved_;
};

void drain(const std::shared_ptr<Queue::Impl>& queue)
{
    CurrentQueue current(queue.get());
    for (int done = 0; done < kDrainBatch; ++done) {
        Task task;
        {
            std::lock_guard lock(queue->mutex);
            if (queue->pending.empty()) {
                queue->draining = false;
                return;
            }
            task = std::move(queue->pending.front());
            queue->pending.pop_front();
        }
        detail::run_guarded(task);
    }
    // Still draining: the rest continues in a fresh pool task, in order.
    detail::pool_submit([queue] { drain(queue); });
}

}  // namespace

Queue Queue::serial(const std::string& label)
{
    return Queue(std::make_shared<Impl>(Kind::Serial, label));
}

Queue Queue::concurrent(const std::string& label)
{
    return Queue(std::make_shared<Impl>(Kind::Concurrent, label));
}

Queue Queue::global()
{
    static const auto* impl = new std::shared_ptr<Impl>(std::make_shared<Impl>(Kind::Concurrent, "global"));
    return Queue(*impl);
}

Queue Queue::main()
{
    static const auto* impl = new std::shared_ptr<Impl>(std::make_shared<Impl>(Kind::Main, "main"));
    return Queue(*impl);
}

void Queue::async(Task task) const
{
    switch (impl_->kind) {
    case Kind::Main:
        detail::post_to_main(std::move(task));
        return;
    case Kind::Concurrent:
        detail::pool_submit([impl = impl_, task = std::move(task)] {
            CurrentQueue current(impl.get());
            detail::run_guarded(task);
        });
        return;
    case Kind::Serial: {
        std::lock_guard lock(impl_->mutex);
        impl_->pending.push_back(std::move(task));
        if (impl_->draining)
            return;
        impl_->draining = true;
        detail::pool_submit([impl = impl_] { drain(impl); });
        return;
    }
    }
}

void Queue::sync(Task task) const
{
    // Inline when the caller already is on the queue (a serial queue waiting for itself would
    // never finish) and on concurrent queues, which need no other thread to run it.
    if (is_current() || impl_->kind == Kind::Concurrent) {
        CurrentQueue current(impl_->kind == Kind::Main ? t_current : impl_.get());
        task();
        return;
    }
    struct State {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
        std::exception_ptr error;
    };
    auto state = std::make_shared<State>();
    Task wrapped = [state, task = std::move(task)] {
        std::exception_ptr error;
        try {
            task();
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard lock(state->mutex);
        state->error = error;
        state->done = true;
        state->cv.notify_all();
    };
    if (impl_->kind == Kind::Main) {
        if (!detail::post_to_main(std::move(wrapped)))
            return;
    } else {
        async(std::move(wrapped));
    }
    BlockingScope blocking;
    std::unique_lock lock(state->mutex);
    state->cv.wait(lock, [&] { return state->done; });
    if (state->error)
        std::rethrow_exception(state->error);
}

void Queue::after(std::chrono::milliseconds delay, Task task) const
{
    const auto deadline = std::chrono::steady_clock::now() + delay;
    if (impl_->kind == Kind::Main)
        detail::post_to_main_at(deadline, std::move(task));
    else
        detail::submit_at(deadline, *this, std::move(task));
}



const std::string& Queue::label() const { return impl_->label; }

bool Queue::is_current() const
{
    if (impl_->kind == Kind::Main)
        return detail::on_main_thread();
    return t_current == impl_.get();
}

void set_global_width(int threads) { detail::pool_set_width(threads); }

}  // namespace dispatch
