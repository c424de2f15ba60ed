#pragma once

#include <functional>

// The shared worker pool behind every queue except the main one. Internal to dispatch.
namespace dispatch::detail {

using Work = std::function<void()>;

// Queues work for the pool; it starts a thread when fewer than the width run unblocked.
void pool_submit(Work work);
void pool_set_width(int threads);

// True on a pool worker thread.
bool on_pool_thread();
// Brackets a blocking wait on a pool thread; nested calls count once.
void pool_block_begin();
void pool_block_end();

// Runs a task; an exception that escapes it is logged instead of ending the process.
void run_guarded(const std::function<void()>& task);

}  // namespace dispatch::detail
