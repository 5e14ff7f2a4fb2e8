#pragma once
// The FileRing of a coded line carries records instead of raw file bytes: the reader demuxes
// the file and writes each packet of the audio stream as one record, the decoder takes whole
// records only. A record is a fixed header followed by its payload; the reader publishes header
// and payload with one index store, so a record the decoder sees is always complete.

#include "engine/core/file_ring.h"
#include "engine/core/line_slot.h"

#include <cstdint>
#include <cstring>

namespace klv::engine {

enum class CodedRecordKind : int32_t {
    Packet = 1,  // one demuxed packet; the payload is its data
    Restart = 2, // the stream starts again from its beginning (a looping line)
    End = 3,     // the audio stream ended: drain the decoder and the resampler
    Broken = 4,  // the container is damaged here: the line cannot go on
};

struct CodedRecordHeader {
    CodedRecordKind kind = CodedRecordKind::Packet;
    int32_t size = 0;        // payload bytes
    int64_t pts = INT64_MIN; // in the stream's time base; INT64_MIN when unknown
    int64_t duration = 0;    // in the stream's time base
    uint32_t skipStart = 0;  // samples the decoder drops at the start of this packet
    uint32_t discardEnd = 0; // and at its end (encoder delay and padding)
};

constexpr int32_t kCodedRecordHeaderBytes = static_cast<int32_t>(sizeof(CodedRecordHeader));
// A packet larger than this is taken for damage: the FileRing must hold several records.
constexpr int32_t kCodedLargestPacket = kFileRingBytes / 4;

// Copies count bytes into or out of the ring's storage from index at, wrapping at the end.
inline void copyIntoRing(uint8_t* ring, int32_t at, const void* bytes, int32_t count) {
    const int32_t first = std::min(count, kFileRingBytes - at);
    std::memcpy(ring + at, bytes, static_cast<size_t>(first));
    std::memcpy(ring, static_cast<const uint8_t*>(bytes) + first,
                static_cast<size_t>(count - first));
}

inline void copyOutOfRing(const uint8_t* ring, int32_t at, void* bytes, int32_t count) {
    const int32_t first = std::min(count, kFileRingBytes - at);
    std::memcpy(bytes, ring + at, static_cast<size_t>(first));
    std::memcpy(static_cast<uint8_t*>(bytes) + first, ring, static_cast<size_t>(count - first));
}

// [reader] Writes one record when it fits; false (nothing written) when it does not.
inline bool putCodedRecord(LineSlot& slot, const CodedRecordHeader& header, const uint8_t* data) {
    const int32_t total = kCodedRecordHeaderBytes + header.size;
    if (fileRingFree(slot) < total)
        return false;
    const int32_t at = FileRingView::wrap(slot.fileWrite.load(std::memory_order_relaxed));
    copyIntoRing(slot.fileRing, at, &header, kCodedRecordHeaderBytes);
    if (header.size > 0)
        copyIntoRing(slot.fileRing, FileRingView::wrap(at + kCodedRecordHeaderBytes), data,
                     header.size);
    fileRingOf(slot).commitWrite(total);
    return true;
}

// [decoder] The header of the next record when the whole record is buffered.
inline bool peekCodedRecord(LineSlot& slot, CodedRecordHeader& header) {
    const int32_t buffered = fileRingBuffered(slot);
    if (buffered < kCodedRecordHeaderBytes)
        return false;
    const int32_t at = FileRingView::wrap(slot.fileRead.load(std::memory_order_relaxed));
    copyOutOfRing(slot.fileRing, at, &header, kCodedRecordHeaderBytes);
    return header.size >= 0 && header.size <= kCodedLargestPacket &&
           buffered >= kCodedRecordHeaderBytes + header.size;
}

// [decoder] Takes the record peekCodedRecord described, its payload into data (header.size
// bytes of room; null drops the payload).
inline void takeCodedRecord(LineSlot& slot, const CodedRecordHeader& header, uint8_t* data) {
    const int32_t at = FileRingView::wrap(slot.fileRead.load(std::memory_order_relaxed));
    if (header.size > 0 && data != nullptr)
        copyOutOfRing(slot.fileRing, FileRingView::wrap(at + kCodedRecordHeaderBytes), data,
                      header.size);
    fileRingOf(slot).commitRead(kCodedRecordHeaderBytes + header.size);
}

} // namespace klv::engine
