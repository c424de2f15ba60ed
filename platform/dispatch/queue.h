#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace dispatch {

using Task = std::function<void()>;

// A dispatch queue handle. Copies refer to the same queue.
//  - serial queues run one task at a time, in submission order, on the global pool;
//  - the global queue is one shared concurrent pool that grows while its threads
//    are blocked in Semaphore::wait, Group::wait or sync, so blocking never deadlocks;
//  - the main queue runs tasks on Qt's event loop (the thread of qApp).
class Queue {
public:
    struct Impl;

    static Queue serial(const std::string& label);
    static Queue concurrent(const std::string& label);
    static Queue global();
    static Queue main();

    void async(Task task) const;
    // Runs the task and waits for it; on the main queue from the main thread it runs inline.
    void sync(Task task) const;
    void after(std::chrono::milliseconds delay, Task task) const;

    const std::string& label() const;
    // True when called from a task of this queue (main queue: from the main thread).
    bool is_current() const;

    bool operator==(const Queue& other) const { return impl_ == other.impl_; }
    explicit Queue(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}

private:
    std::shared_ptr<Impl> impl_;
};

// Sets how many threads of the global pool may run unblocked at once (default: the core
// count). Threads blocked in waits do not count. Meant for tests of the no-deadlock rule.
void set_global_width(int threads);

}  // namespace dispatch
