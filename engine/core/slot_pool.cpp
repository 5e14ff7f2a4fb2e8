#include "engine/core/slot_pool.h"

#include <atomic>

namespace klv::engine {

namespace {

// Static storage: opening a line never allocates a slot, and every slot starts out zero.
LineSlot g_slots[kLineSlotCount];
std::atomic<bool> g_tableCleared{false};

template <typename T, size_t N> void zeroAll(std::atomic<T> (&values)[N]) {
    for (auto& value : values)
        value.store(T{}, std::memory_order_relaxed);
}

template <typename T, size_t N> void zeroAll(T (&values)[N]) {
    for (auto& value : values)
        value = T{};
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
    // Field by field: writing over std::atomic objects with memset is undefined behaviour.
    // The line's threads have ended, so relaxed stores are enough; the release at the end
    // publishes the cleared slot to the threads of the line that takes it next.
    constexpr auto relaxed = std::memory_order_relaxed;
    slot.fileRing = nullptr;
    slot.fileRead.store(0, relaxed);
    slot.fileWrite.store(0, relaxed);
    slot.resampleBuffer = nullptr;
    slot.sampleRing = nullptr;
    slot.sampleRead.store(0, relaxed);
    slot.sampleWrite.store(0, relaxed);
    slot.position.store(0, relaxed);
    slot.playing.store(0, relaxed);
    slot.filePos.store(0, relaxed);
    slot.volume.store(0.0f, relaxed);
    slot.currentVolume.store(0.0f, relaxed);
    slot.pitch.store(0, relaxed);
    slot.pan.store(0, relaxed);
    slot.preview.store(0, relaxed);
    zeroAll(slot.pcmSmooth);
    zeroAll(slot.pcmSmoothPrev);
    zeroAll(slot.songEqState);
    zeroAll(slot.songEq);
    zeroAll(slot.peakLeft);
    zeroAll(slot.peakRight);
    slot.readerRunning.store(0, relaxed);
    slot.decoderRunning.store(0, relaxed);
    slot.displayRunning.store(0, relaxed);
    slot.pcmPhase = 0.0f;
    slot.dataEnd.store(0, relaxed);
    slot.channels.store(0, relaxed);
    slot.sampleRate.store(0, relaxed);
    slot.bitsPerSample.store(0, relaxed);
    slot.byteRateSum.store(0, relaxed);
    slot.byteRateCount.store(0, relaxed);
    slot.byteRate.store(0, relaxed);
    slot.length.store(0, relaxed);
    zeroAll(slot.seekTable);
    zeroAll(slot.resampleState);
    slot.stretch = TimeStretchState{};
    slot.endOfFile.store(0, std::memory_order_release);
}

} // namespace klv::engine
