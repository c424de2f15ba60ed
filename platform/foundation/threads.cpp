#include "threads.h"

#include <pthread.h>

#include <cstring>

namespace foundation {

void name_this_thread(const char* name)
{
    char shortened[16] = {};
    std::strncpy(shortened, name, sizeof shortened - 1);
    pthread_setname_np(pthread_self(), shortened);
}

}  // namespace foundation
