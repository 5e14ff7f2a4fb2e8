#pragma once
// Everything the output thread computes for one block before it queues it: the lines, the
// plug-ins, the master gain and equalizer, the master meter, the 16-bit conversion of the main
// and the cue mix, and the headphone routing.

#include "engine/audio/line_mixer.h"
#include "engine/core/line_slot.h"

#include <cstdint>

namespace klv::engine {

// Mixes slots[0..count) into one block. primary and secondary receive kBlockSamples 16-bit
// samples each; either may be null when its device still holds the buffer (nothing is written
// then), and secondary is ignored unless settings.secondary. [output thread]
void mixBlock(LineSlot* slots, int32_t count, const BlockSettings& settings,
              const MixBuffers& buffers, int16_t* primary, int16_t* secondary);

// A sample scaled to 16 bits, truncated towards zero and clamped; NaN becomes 0.
inline int16_t toPcm16(double scaled) {
    if (scaled >= 32767.0)
        return 32767;
    if (scaled <= -32768.0)
        return -32768;
    if (scaled != scaled)
        return 0;
    return static_cast<int16_t>(static_cast<int32_t>(scaled));
}

// Full scale of the conversion: a little below 32767 so that 1.0 never touches the rail.
constexpr double kPcmScale = 32750.0;

// [ui thread] After a slot's playing was set to 0: returns once the output thread can no longer
// be mixing that slot, so the caller may reset or free its ring. Returns at once when the
// output thread is between blocks or not running; otherwise waits for the block in progress
// to leave the lines, however long that takes.
void waitUntilLineUnmixed();

// For tests: called on the output thread with a slot's index just before that playing slot is
// mixed (null: none), so that a test can hold the output thread inside a block.
void setLineMixHook(void (*hook)(int32_t slotIndex));

} // namespace klv::engine
