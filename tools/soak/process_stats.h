#pragma once
// What the soak watches of its own process: resident memory and the number of threads.

#include <cstdint>

namespace klvsoak {

// Resident set size in KiB (from /proc/self/statm); 0 when it cannot be read.
uint64_t residentKib();

// Threads of this process (entries of /proc/self/task).
int threadCount();

} // namespace klvsoak
