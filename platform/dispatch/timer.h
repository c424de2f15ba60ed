#pragma once

#include <chrono>

#include "queue.h"

// Delayed submission for pool-backed queues. Internal to dispatch.
namespace dispatch::detail {

// Submits the task to the queue once the deadline has passed.
void submit_at(std::chrono::steady_clock::time_point deadline, Queue queue, Task task);

}  // namespace dispatch::detail
