#pragma once
// Time and thread services.

#include "platform/platform_api.h"

#include <cstdint>

namespace klv::platform {

// Milliseconds of CLOCK_MONOTONIC as an unsigned 32-bit value (wraps after 49.7 days).
// [thread-safe, real-time safe]
KLV_PLATFORM_API uint32_t tickCount();

// Sleeps at least ms milliseconds. [thread-safe]
KLV_PLATFORM_API void sleepMs(uint32_t ms);

// Asks for a low real-time priority (SCHED_FIFO, else SCHED_RR) for the calling thread.
// Returns false and leaves the thread's policy unchanged when the system refuses; that is a
// normal outcome on desktops without rtkit limits, not an error.
KLV_PLATFORM_API bool raiseThreadPriority();

} // namespace klv::platform
