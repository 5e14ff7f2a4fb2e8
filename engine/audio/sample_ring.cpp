#include "engine/audio/sample_ring.h"

#include <algorithm>
#include <cstring>

namespace klv::engine {

namespace {

constexpr int32_t kMask = kSampleRingFrames - 1;
static_assert((kSampleRingFrames & kMask) == 0, "ring indices wrap by masking");

// An index of kSampleRingFrames (the end) means the start.
int32_t wrapped(int32_t index) {
    return index & kMask;
}

} // namespace

int32_t sampleRingUsed(const LineSlot& slot) {
    const int32_t write = wrapped(slot.sampleWrite.load(std::memory_order_acquire));
    const int32_t read = wrapped(slot.sampleRead.load(std::memory_order_acquire));
    return (write - read) & kMask;
}

int32_t sampleRingFree(const LineSlot& slot) {
    const int32_t write = wrapped(slot.sampleWrite.load(std::memory_order_acquire));
    const int32_t read = wrapped(slot.sampleRead.load(std::memory_order_acquire));
    int32_t gap = (read - write) & kMask;
    if (gap == 0)
        gap = kSampleRingFrames;
    return std::max(gap - kSampleRingGuard, 0);
}

int32_t sampleRingWrite(LineHandle* handle, const Frame* frames, int32_t count) {
    if (!handle || !handle->slot || !handle->slot->sampleRing || !frames || count <= 0)
        return 0;
    LineSlot& slot = *handle->slot;
    const int32_t written = std::min(count, sampleRingFree(slot));
    const int32_t write = wrapped(slot.sampleWrite.load(std::memory_order_relaxed));
    const int32_t first = std::min(written, kSampleRingFrames - write);
    std::memcpy(slot.sampleRing + write, frames, sizeof(Frame) * first);
    std::memcpy(slot.sampleRing, frames + first, sizeof(Frame) * (written - first));
    slot.sampleWrite.store(wrapped(write + written), std::memory_order_release);
    return written;
}

int32_t sampleRingRead(LineSlot& slot, Frame* out, int32_t wanted) {
    const int32_t taken = std::min(std::max(wanted, 0), sampleRingUsed(slot));
    const int32_t read = wrapped(slot.sampleRead.load(std::memory_order_relaxed));
    const int32_t first = std::min(taken, kSampleRingFrames - read);
    std::memcpy(out, slot.sampleRing + read, sizeof(Frame) * first);
    std::memcpy(out + first, slot.sampleRing, sizeof(Frame) * (taken - first));
    slot.sampleRead.store(wrapped(read + taken), std::memory_order_release);

    int32_t position = slot.position.load(std::memory_order_relaxed) + taken;
    const int32_t length = slot.length.load(std::memory_order_relaxed);
    // Looping lines: the position stays within (0, length], as repeated subtraction leaves it.
    if (length > 0 && position > length)
        position = (position - 1) % length + 1;
    slot.position.store(position, std::memory_order_relaxed);
    return taken;
}

} // namespace klv::engine
