#pragma once
// Retiring shared data only after the reader has provably left it. The output thread reads
// some shared data (the plug-in list, the lines' rings) in passes, one per block: it bumps the
// pass count as it begins a pass and again as it ends it, so the count is odd while it reads.
// A thread that has unpublished the data (a new plug-in list published, a line's playing flag
// cleared) waits, before it frees anything, until a pass it saw in progress has ended; a pass
// that begins later cannot see the old data any more.
//
// The unpublishing store and the begin of a pass are both seq_cst, as is the waiter's load of
// the count: in their single total order either the pass begins after the store (and sees the
// new state) or the waiter sees the pass as begun (and waits for its end).

#include "platform/system/clock.h"

#include <atomic>
#include <cstdint>

namespace klv::engine {

class ReaderPass {
public:
    // [reader] Around every pass over the shared data; nothing is waited for.
    void begin() { m_count.fetch_add(1, std::memory_order_seq_cst); }
    void end() { m_count.fetch_add(1, std::memory_order_release); }

    // [not the reader] The count as it stands; with passEnded, whether a pass seen in progress
    // at that moment has ended since.
    uint32_t seen() const { return m_count.load(std::memory_order_seq_cst); }
    bool passEnded(uint32_t seen) const {
        return (seen & 1) == 0 || m_count.load(std::memory_order_acquire) != seen;
    }

    // [not the reader] Waits until a pass in progress has ended, sleeping pollMs between looks
    // and calling whileWaiting() before each; true at once between passes. Gives up (false)
    // after timeoutMs unless that is 0, which waits as long as it takes.
    template <typename F> bool waitForPassEnd(uint32_t timeoutMs, uint32_t pollMs, F whileWaiting) {
        const uint32_t at = seen();
        for (uint32_t waited = 0; !passEnded(at); waited += pollMs) {
            if (timeoutMs != 0 && waited >= timeoutMs)
                return false;
            whileWaiting();
            platform::sleepMs(pollMs);
        }
        return true;
    }

private:
    std::atomic<uint32_t> m_count{0};
};

} // namespace klv::engine
