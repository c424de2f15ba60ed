#pragma once

// Memory of this process.
namespace foundation {

// Lets the C library keep at most one malloc arena per core instead of up to eight. A
// conversion runs some thirty threads (decoders, encoders, scalers, the pool), and every
// arena keeps what its threads freed for itself, while no more threads than cores allocate
// at one time. With 4K pictures that is over 10 MiB of peak memory. Called first in main,
// before any thread starts.
void share_malloc_arenas();

}  // namespace foundation
