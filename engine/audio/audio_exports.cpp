// The exported functions of the audio output and of the line signal chain.

#include "engine/audio/float_control.h"
#include "engine/audio/output_thread.h"
#include "engine/core/slot_pool.h"
#include "klv3.h"

#include <algorithm>

using namespace klv::engine;

int32_t klvStartAudio(void) {
    setEngineFloatControl();
    startOutput();
    return 0;
}

int32_t klvKillAudio(void) {
    stopOutput();
    return 0;
}

int32_t klvFixAudio(void) {
    if (outputState() <= 0)
        klvStartAudio();
    return 0;
}

int32_t klvCheckPlaying(void) {
    int32_t count = 0;
    const LineSlot* slots = slotTable();
    for (int32_t i = 0; i < kLineSlotCount; ++i) {
        if (slots[i].playing.load(std::memory_order_acquire) == 1)
            ++count;
    }
    return count;
}

int32_t klvSetPitch(LineHandle* h, int32_t pitch) {
    if (h && h->slot)
        h->slot->pitch.store(std::clamp(pitch, 0, 2000), std::memory_order_relaxed);
    return 0;
}

int32_t klvSetVolume(LineHandle* h, float volume) {
    if (!h || !h->slot)
        return 0;
    // NaN fails both comparisons and becomes silence rather than poisoning the mix.
    const float target = volume > 0.0f ? std::min(volume, 2.0f) : 0.0f;
    LineSlot& slot = *h->slot;
    slot.volume.store(target, std::memory_order_relaxed);
    // A stopped line starts at its new level; a playing one ramps there.
    if (slot.playing.load(std::memory_order_relaxed) == 0)
        slot.currentVolume.store(target, std::memory_order_relaxed);
    return 0;
}

int32_t klvSetPan(LineHandle* h, int32_t pan) {
    if (h && h->slot)
        h->slot->pan.store(std::clamp(pan, -100, 100), std::memory_order_relaxed);
    return 0;
}
