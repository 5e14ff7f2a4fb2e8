#pragma once
// Shared pieces of the transport calls.
//
// The stream-changing calls (klvOpen, klvClose, klvStop, klvSetPos) run on the ui thread, and a
// line's decoder thread stops its own line after a decoding failure. The transport lock keeps
// the two from working on the same line at once; it is never held while a message goes to the
// program.

#include "klv3.h"

#include <cstdint>
#include <mutex>

namespace klv::engine {

std::mutex& transportLock();

// klvStop's work, with the transport lock held.
void stopAndRewindLocked(LineHandle* h);

// A decoder thread whose decode step failed stops and rewinds its line, unless the line has
// been stopped, moved or closed since the thread was started (generation). The calling thread
// has already cleared its running flag.
void stopAfterDecodeFailure(LineHandle* h, LineSlot* slot, uint32_t generation);

} // namespace klv::engine
