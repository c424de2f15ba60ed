#pragma once

// Memory of this process.
namespace foundation {

// Sets the C library's allocator up for conversions. Called first in main, before any
// thread starts.
// - At most one malloc arena per core instead of up to eight. A conversion runs some thirty
//   threads (decoders, encoders, scalers, the pool), and every arena keeps what its threads
//   freed for itself, while no more threads than cores allocate at one time. With 4K pictures
//   that is over 10 MiB of peak memory.
// - Blocks of 128 KiB and more (pictures, codec buffers) always come from the system and go
//   back to it when freed. By default that threshold rises to the largest block freed so far,
//   so after the first run every picture was carved from the heaps, which kept the memory
//   once the run ended: a batch grew by hundreds of MiB over its rows.
void tune_malloc();

// Hands the heaps' free pages back to the system, after a run has ended.
void return_free_memory();

}  // namespace foundation
