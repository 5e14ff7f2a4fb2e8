#pragma once
// The SampleRing of a line: kSampleRingFrames frames between the producing decoder thread and
// the output thread, indices sampleRead and sampleWrite in the LineSlot. A single-producer
// single-consumer ring (platform/system/spsc_ring.h, which also gives the memory order); a
// guard of 16 frames keeps it from ever being completely full.

#include "engine/core/line_slot.h"
#include "klv3.h"
#include "platform/system/spsc_ring.h"

#include <cstdint>

namespace klv::engine {

constexpr int32_t kSampleRingGuard = 16;

using SampleRingView = platform::SpscRingView<Frame, kSampleRingFrames, kSampleRingGuard>;

// The ring of a slot whose sampleRing is allocated. [any thread; each side uses its own calls]
inline SampleRingView sampleRingOf(LineSlot& slot) {
    return {slot.sampleRing, slot.sampleRead, slot.sampleWrite};
}

// Frames buffered and not yet read. [any thread]
inline int32_t sampleRingUsed(const LineSlot& slot) {
    return SampleRingView::used(slot.sampleRead, slot.sampleWrite);
}

// Frames the producer may write now: the gap to the read index less the guard, never below 0;
// at most kSampleRingFrames - 16. [any thread]
inline int32_t sampleRingFree(const LineSlot& slot) {
    return SampleRingView::space(slot.sampleRead, slot.sampleWrite);
}

// Writes min(count, free) frames at the write index, wrapping, publishes the new write index
// and returns the number written; the caller keeps the rest. 0 for a handle without a slot or
// ring. [producer: the line's decoder thread, or a test standing in for it]
int32_t sampleRingWrite(LineHandle* handle, const Frame* frames, int32_t count);

// Takes min(wanted, used) frames from the read index into out, publishes the new read index and
// advances the slot's position by the frames taken, wrapped by its length when that is known.
// Returns the number taken. [output thread]
int32_t sampleRingRead(LineSlot& slot, Frame* out, int32_t wanted);

} // namespace klv::engine
