#pragma once
// The FileRing of a line: kFileRingBytes of raw file data between the reader thread (advances
// fileWrite) and the decoder thread (advances fileRead). Each side stores its bytes before it
// publishes its index with release and loads the other side's index with acquire. An index of
// kFileRingBytes is the same position as 0. Reader and writer never let it fill completely
// (16 bytes of guard), so equal indices always mean empty.

#include "engine/core/line_slot.h"

#include <atomic>
#include <cstdint>

namespace klv::engine {

constexpr int32_t kFileRingGuard = 16;

inline int32_t fileRingWrap(int32_t difference) {
    return ((difference % kFileRingBytes) + kFileRingBytes) % kFileRingBytes;
}

// Bytes buffered and not yet consumed by the decoder. [any thread]
inline int32_t fileRingBuffered(const LineSlot& slot) {
    const int32_t write = slot.fileWrite.load(std::memory_order_acquire);
    const int32_t read = slot.fileRead.load(std::memory_order_acquire);
    return fileRingWrap(write - read);
}

// Bytes the reader may add now. [any thread]
inline int32_t fileRingFree(const LineSlot& slot) {
    const int32_t write = slot.fileWrite.load(std::memory_order_acquire);
    const int32_t read = slot.fileRead.load(std::memory_order_acquire);
    int32_t gap = fileRingWrap(read - write);
    if (gap == 0)
        gap = kFileRingBytes;
    return gap > kFileRingGuard ? gap - kFileRingGuard : 0;
}

} // namespace klv::engine
