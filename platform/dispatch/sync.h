#pragma once

#include <chrono>
#include <memory>

#include "queue.h"

namespace dispatch {

// A counting semaphore. wait() on a pool thread lets the pool start another thread.
class Semaphore {
public:
    explicit Semaphore(long value = 0);
    ~Semaphore();
    Semaphore(const Semaphore&) = delete;
    Semaphore& operator=(const Semaphore&) = delete;

    void signal();
    void wait();
    // False when the time-out passed first.
    bool wait_for(std::chrono::milliseconds timeout);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A group of tasks: notify runs once the group is empty.
class Group {
public:
    Group();
    void enter() const;
    void leave() const;
    // Runs the task on the queue, inside the group.
    void async(const Queue& queue, Task task) const;
    // Schedules the task on the queue once every entered task has left (at once when empty).
    void notify(const Queue& queue, Task task) const;
    void wait() const;
    bool wait_for(std::chrono::milliseconds timeout) const;

private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

// Marks the calling pool thread as blocked for the scope (the pool may start another).
class BlockingScope {
public:
    BlockingScope();
    ~BlockingScope();
    BlockingScope(const BlockingScope&) = delete;
    BlockingScope& operator=(const BlockingScope&) = delete;

private:
    bool on_pool_;
};

}  // namespace dispatch
