#pragma once
// What a wave back end implements: a list of devices and, per open device, a queue that its
// own thread (sound server callback, pacing clock or test) drains in order.

#include "platform/audio/wave_out.h"
#include "platform/platform_api.h"
#include "platform/system/spsc_ring.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace klv::platform {

// The queue of header pointers between a device's owner, which pushes, and its draining side,
// which peeks and pops: a single-producer single-consumer ring.
class WaveQueue {
public:
    // At most this many headers queued at once; the engine queues 8 per device.
    static constexpr uint32_t kCapacity = 63;

    // [owner] false when full.
    bool push(WaveHeader* header) { return m_ring.push(header); }
    // [drain] The oldest queued header, or null.
    WaveHeader* front() const {
        WaveHeader* const* oldest = m_ring.front();
        return oldest != nullptr ? *oldest : nullptr;
    }
    // [drain] Drops the oldest header (after front() returned it).
    void pop() { m_ring.dropFront(); }
    // [any] Number of queued headers; exact only on the draining side.
    uint32_t size() const { return static_cast<uint32_t>(m_ring.size()); }

private:
    SpscRing<WaveHeader*, kCapacity + 1> m_ring;
};

// [drain] Hands a header back to its owner: done, no longer queued. The release store lets the
// owner that sees the flag also see that the device no longer reads the data.
inline void markHeaderDone(WaveHeader& header) {
    uint32_t flags = header.flags.load(std::memory_order_relaxed);
    while (!header.flags.compare_exchange_weak(flags, (flags | kWhdrDone) & ~kWhdrInQueue,
                                               std::memory_order_release,
                                               std::memory_order_relaxed)) {
    }
}

// [owner] Whether a header may be queued: prepared and not queued already (queuing it twice
// would let the device play it twice while its owner refills it).
inline uint32_t checkQueueable(const WaveHeader& header) {
    const uint32_t flags = header.flags.load(std::memory_order_acquire);
    if (!(flags & kWhdrPrepared))
        return kWaveUnprepared;
    if (flags & kWhdrInQueue)
        return kWaveStillPlaying;
    return kWaveOk;
}

// [owner] Marks a header queued and pushes it. The flags are set before the push so that the
// draining side never sees a queued header without kWhdrInQueue; a full queue undoes them.
inline uint32_t enqueueHeader(WaveQueue& queue, WaveHeader& header) {
    if (const uint32_t refused = checkQueueable(header))
        return refused;
    const uint32_t before = header.flags.load(std::memory_order_relaxed);
    header.flags.store((before & ~kWhdrDone) | kWhdrInQueue, std::memory_order_relaxed);
    if (!queue.push(&header)) {
        header.flags.store(before, std::memory_order_relaxed);
        return kWaveNoMemory;
    }
    return kWaveOk;
}

// An open device. The free functions of wave_out.h check headers and flags; a device only
// queues, drains and resets.
class KLV_PLATFORM_API WaveOut {
public:
    virtual ~WaveOut() = default; // closes: hands queued headers back first
    // [owner] Queue a header (checkQueueable first).
    virtual uint32_t write(WaveHeader& header) = 0;
    // [owner] Hand every queued header back marked done; keep the device open.
    virtual uint32_t reset() = 0;
};

class KLV_PLATFORM_API WaveBackend {
public:
    virtual ~WaveBackend() = default;
    virtual uint32_t deviceCount() = 0;
    virtual bool deviceName(uint32_t id, std::string& name) = 0;
    // kWaveOk and a device, or an error code.
    virtual uint32_t open(uint32_t id, std::unique_ptr<WaveOut>& device) = 0;
};

// The process's back end, chosen from $KELVARA_AUDIO at the first call: "test" is the back end
// a test program installed with installTestBackend (none installed: no devices).
WaveBackend& waveBackend();

// Makes backend the one "test" chooses. Call before the first device call; backend must
// outlive every use. [thread-safe]
KLV_PLATFORM_API void installTestBackend(WaveBackend& backend);

// Each back end on its own, for tests that look at one regardless of $KELVARA_AUDIO.
KLV_PLATFORM_API std::unique_ptr<WaveBackend> makePortAudioBackend();
KLV_PLATFORM_API std::unique_ptr<WaveBackend> makeVirtualBackend();

} // namespace klv::platform
