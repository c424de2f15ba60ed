#include "memory.h"

#include <malloc.h>

#include <algorithm>
#include <thread>

namespace foundation {

void tune_malloc()
{
    mallopt(M_ARENA_MAX, static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

void return_free_memory() { malloc_trim(0); }

}  // namespace foundation
