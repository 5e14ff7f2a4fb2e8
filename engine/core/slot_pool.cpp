#include "engine/core/slot_pool.h"

#include <atomic>
#include <cstddef>

namespace klv::engine {

namespace {

// Static storage: opening a line never allocates a slot, and every slot starts out zero.
LineSlot g_slots[kLineSlotCount];
std::atomic<bool> g_tableCleared{false};

// A field back to zero, its initialiser in LineSlot. Atomics get atomic stores, never the plain
// stores of a construction in place: the output thread loads the playing flag of every slot
// each block, free ones included, and clears every slot's level histories when it starts.
template <typename T> void clearField(T& value) {
    value = T{};
}

template <typename T> void clearField(std::atomic<T>& value) {
    value.store(T{}, std::memory_order_relaxed);
}

template <typename T, size_t N> void clearField(T (&values)[N]) {
    for (auto& value : values)
        clearField(value);
}

template <typename... Fields> void clearFields(Fields&... fields) {
    (clearField(fields), ...);
}

} // namespace

LineSlot* slotTable() {
    return g_slots;
}

LineSlot* takeSlot() {
    if (!g_tableCleared.exchange(true, std::memory_order_acq_rel)) {
        for (LineSlot& slot : g_slots)
            clearSlot(slot);
    }
    for (LineSlot& slot : g_slots) {
        if (slot.sampleRing == nullptr) {
            clearSlot(slot);
            return &slot;
        }
    }
    return nullptr;
}

void clearSlot(LineSlot& slot) {
    // The binding names every field of LineSlot: one added there does not compile here until it
    // is cleared too.
    auto& [fileRing, fileRead, fileWrite, resampleBuffer, sampleRing, sampleRead, sampleWrite,
           position, playing, filePos, volume, currentVolume, pitch, pan, preview, pcmSmooth,
           pcmSmoothPrev, songEqState, songEq, peakLeft, peakRight, readerRunning, decoderRunning,
           displayRunning, pcmPhase, dataEnd, channels, sampleRate, bitsPerSample, byteRateSum,
           byteRateCount, byteRate, length, seekTable, resampleState, stretch, endOfFile] = slot;
    // The line's threads have ended, so relaxed stores are enough; the release at the end
    // publishes the cleared slot to the threads of the line that takes it next.
    clearFields(fileRing, fileRead, fileWrite, resampleBuffer, sampleRing, sampleRead, sampleWrite,
                position, playing, filePos, volume, currentVolume, pitch, pan, preview, pcmSmooth,
                pcmSmoothPrev, songEqState, songEq, peakLeft, peakRight, readerRunning,
                decoderRunning, displayRunning, pcmPhase, dataEnd, channels, sampleRate,
                bitsPerSample, byteRateSum, byteRateCount, byteRate, length, seekTable,
                resampleState, stretch);
    endOfFile.store(0, std::memory_order_release);
}

} // namespace klv::engine
