#pragma once
// The VU thread: draws the master VU display into the device context given at its start, with a
// 1 ms pause between frames, until it is asked to stop.

#include "klv3.h"

#include <cstdint>

namespace klv::engine {

// VU state: 1 while the thread runs, 0 initially and while a stop is requested, -1 once the
// thread has ended.
int32_t vuState();

// Starts the thread on dc (width x height pixels). -1 when dc is 0, the thread runs already
// (state 1) or no thread can be started; else 0. [ui-thread]
int32_t startVu(KlvWindow window, KlvDC dc, int32_t width, int32_t height);

// Asks the thread to end and waits for it, about 5 s at most. -1 when it does not run (state 0
// or -1); else 0. [ui-thread]
int32_t stopVu();

} // namespace klv::engine
