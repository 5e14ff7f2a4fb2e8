#pragma once
// The output thread: every block it mixes the playing lines and queues the result on the
// primary device and, with UseSecondary, the pre-listen mix on the secondary device, which it
// keeps in step with the primary although the two cards run on separate clocks.

#include <cstdint>

namespace klv::engine {

// Output state: 1 while the thread runs, 0 before the first start and while a stop is
// requested, -1 once the thread has ended (stopped, failed to open, or too many write errors).
int32_t outputState();

// Blocks the output threads have finished since the library was loaded (queued, kept in step
// and checked for errors, before the wait for the next buffer). For diagnostics and tests that
// need to know where the output stands. [any thread]
uint64_t outputBlockCount();

// [ui thread] Start: returns once the new thread has announced itself (it does so before it
// opens any device). Does nothing while the output runs.
void startOutput();

// [ui thread] Stop: asks the thread to end and waits for it, about 5 s at most.
void stopOutput();

} // namespace klv::engine
