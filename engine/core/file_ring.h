#pragma once
// The FileRing of a line: kFileRingBytes of raw file data between the reader thread (advances
// fileWrite) and the decoder thread (advances fileRead). A single-producer single-consumer
// ring (platform/system/spsc_ring.h, which also gives the memory order); the reader reads the
// file straight into it and the decoder consumes the bytes in place. 16 bytes of guard keep it
// from ever filling completely.

#include "engine/core/line_slot.h"
#include "platform/system/spsc_ring.h"

#include <cstdint>

namespace klv::engine {

constexpr int32_t kFileRingGuard = 16;

using FileRingView = platform::SpscRingView<uint8_t, kFileRingBytes, kFileRingGuard>;

// The ring of a slot whose fileRing is allocated. [any thread; each side uses its own calls]
inline FileRingView fileRingOf(LineSlot& slot) {
    return {slot.fileRing, slot.fileRead, slot.fileWrite};
}

// Bytes buffered and not yet consumed by the decoder. [any thread]
inline int32_t fileRingBuffered(const LineSlot& slot) {
    return FileRingView::used(slot.fileRead, slot.fileWrite);
}

// Bytes the reader may add now. [any thread]
inline int32_t fileRingFree(const LineSlot& slot) {
    return FileRingView::space(slot.fileRead, slot.fileWrite);
}

} // namespace klv::engine
