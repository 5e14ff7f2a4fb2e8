#pragma once
// Shared pieces of the transport calls.
//
// The stream-changing calls (klvOpen, klvClose, klvStop, klvSetPos) run on the ui thread, and a
// line's decoder thread stops its own line after a decoding failure. The transport lock keeps
// the two from working on the same line at once.
//
// While a transport call waits for a line's threads, it serves the program's requests (a
// thread may be waiting for the program to take its message), and a message box shown then
// runs the program's timers, which may call the engine again on the same thread. Such a nested
// call proceeds for other lines; for a line that is being changed further up the same thread,
// the calls that would change it do nothing.

#include "engine/core/line_slot.h"
#include "klv3.h"

#include <cstdint>
#include <mutex>

namespace klv::engine {

// Holds the transport lock and marks h as being changed by this thread for its lifetime.
class TransportGuard {
public:
    explicit TransportGuard(LineHandle* h);
    ~TransportGuard();
    TransportGuard(const TransportGuard&) = delete;
    TransportGuard& operator=(const TransportGuard&) = delete;

    // False when h is already being changed further up this thread's stack: do nothing then.
    bool entered() const { return m_entered; }

private:
    LineHandle* m_handle;
    bool m_entered = false;
};

// Whether a transport call further up this thread's stack is changing h. [any thread]
bool lineBusyOnThisThread(const LineHandle* h);

// klvStop's work, with the transport lock held.
void stopAndRewindLocked(LineHandle* h);

// A decoder thread whose decode step failed stops and rewinds its line, unless the line has
// been stopped, moved or closed since the thread was started (generation). The calling thread
// has already cleared its running flag.
void stopAfterDecodeFailure(LineHandle* h, LineSlot* slot, uint32_t generation);

} // namespace klv::engine
