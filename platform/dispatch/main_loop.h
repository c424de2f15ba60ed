#pragma once

#include <chrono>

#include "queue.h"

// Posting to Qt's event loop (the thread of qApp). Internal to dispatch.
namespace dispatch::detail {

bool on_main_thread();
// False when there is no application object to post to.
bool post_to_main(Task task);
// Runs the task on the main thread once the deadline has passed.
bool post_to_main_at(std::chrono::steady_clock::time_point deadline, Task task);

}  // namespace dispatch::detail
