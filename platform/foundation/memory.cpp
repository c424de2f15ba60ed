#include "memory.h"

#include <malloc.h>

#include <algorithm>
#include <thread>

namespace foundation {

void share_malloc_arenas()
{
    mallopt(M_ARENA_MAX, static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
}

}  // namespace foundation
