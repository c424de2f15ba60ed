#pragma once

// Threads of this process.
namespace foundation {

// Names the calling thread, so that top -H and a debugger show what runs there. Linux keeps
// at most 15 bytes of a name; longer names are cut.
void name_this_thread(const char* name);

}  // namespace foundation
