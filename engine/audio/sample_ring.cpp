#include "engine/audio/sample_ring.h"

namespace klv::engine {

int32_t sampleRingWrite(LineHandle* handle, const Frame* frames, int32_t count) {
    if (!handle || !handle->slot || !handle->slot->sampleRing || !frames || count <= 0)
        return 0;
    return sampleRingOf(*handle->slot).write(frames, count);
}

int32_t sampleRingRead(LineSlot& slot, Frame* out, int32_t wanted) {
    const int32_t taken = sampleRingOf(slot).read(out, wanted);

    int32_t position = slot.position.load(std::memory_order_relaxed) + taken;
    const int32_t length = slot.length.load(std::memory_order_relaxed);
    // Looping lines: the position stays within (0, length], as repeated subtraction leaves it.
    if (length > 0 && position > length)
        position = (position - 1) % length + 1;
    slot.position.store(position, std::memory_order_relaxed);
    return taken;
}

} // namespace klv::engine
