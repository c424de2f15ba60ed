#include "sync.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <utility>
#include <vector>

#include "pool.h"

namespace dispatch {

// --- BlockingScope

BlockingScope::BlockingScope() : on_pool_(detail::on_pool_thread())
{
    if (on_pool_)
        detail::pool_block_begin();
}

BlockingScope::~BlockingScope()
{
    if (on_pool_)
        detail::pool_block_end();
}

// --- Semaphore

struct Semaphore::Impl {
    std::mutex mutex;
    std::condition_variable cv;
    long value;
};

Semaphore::Semaphore(long value) : impl_(std::make_unique<Impl>())
{
    impl_->value = value;
}

Semaphore::~Semaphore() = default;

void Semaphore::signal()
{
    std::lock_guard lock(impl_->mutex);
    ++impl_->value;
    impl_->cv.notify_one();
}

void Semaphore::wait()
{
    std::unique_lock lock(impl_->mutex);
    if (impl_->value <= 0) {
        lock.unlock();
        BlockingScope blocking;
        lock.lock();
        impl_->cv.wait(lock, [this] { return impl_->value > 0; });
    }
    --impl_->value;
}

bool Semaphore::wait_for(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(impl_->mutex);
    if (impl_->value <= 0) {
        lock.unlock();
        BlockingScope blocking;
        lock.lock();
        if (!impl_->cv.wait_until(lock, deadline, [this] { return impl_->value > 0; }))
            return false;
    }
    --impl_->value;
    return true;
}

// --- Group

struct Group::Impl {
    std::mutex mutex;
    std::condition_variable cv;
    long count = 0;
    std::vector<std::pair<Queue, Task>> notifications;
};

Group::Group() : impl_(std::make_shared<Impl>()) {}

void Group::enter() const
{
    std::lock_guard lock(impl_->mutex);
    ++impl_->count;
}

void Group::leave() const
{
    std::vector<std::pair<Queue, Task>> ready;
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->count <= 0) {
            // An unbalanced leave is a caller bug; keeping the count at zero keeps waits sane.
            std::printf("dispatch: Group::leave without a matching enter\n");
            std::fflush(stdout);
            return;
        }
        if (--impl_->count > 0)
            return;
        ready.swap(impl_->notifications);
        impl_->cv.notify_all();
    }
    for (auto& [queue, task] : ready)
        queue.async(std::move(task));
}

void Group::async(const Queue& queue, Task task) const
{
    enter();
    queue.async([group = *this, task = std::move(task)] {
        detail::run_guarded(task);
        group.leave();
    });
}

void Group::notify(const Queue& queue, Task task) const
{
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->count > 0) {
            impl_->notifications.emplace_back(queue, std::move(task));
            return;
        }
    }
    queue.async(std::move(task));
}

void Group::wait() const
{
    std::unique_lock lock(impl_->mutex);
    if (impl_->count == 0)
        return;
    lock.unlock();
    BlockingScope blocking;
    lock.lock();
    impl_->cv.wait(lock, [this] { return impl_->count == 0; });
}

bool Group::wait_for(std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(impl_->mutex);
    if (impl_->count == 0)
        return true;
    lock.unlock();
    BlockingScope blocking;
    lock.lock();
    return impl_->cv.wait_until(lock, deadline, [this] { return impl_->count == 0; });
}

}  // namespace dispatch
