#pragma once
// Stages of the signal chain that the output thread calls at their fixed places: the song
// equalizer after every ring read, the plug-in chain and the master equalizer on the main mix.

#include "engine/audio/master_eq.h"
#include "engine/audio/plugin_host.h"
#include "engine/audio/song_eq.h"
#include "engine/core/line_slot.h"

#include <cstdint>

namespace klv::engine {

// Song equalizer, in place on the frames just read from a line's ring (count may be 0).
inline void applySongEqualizer(LineSlot& slot, Frame* frames, int32_t count) {
    processSongEq(slot, frames, count);
}

// DSP plug-ins in list order, in place on the main mix.
inline void runPluginChain(Frame* mix, int32_t count) {
    runPlugins(mix, count);
}

// Master equalizer, in place on the main mix after the master gain; it also keeps the band
// level history of the master levels.
inline void applyMasterEqualizer(Frame* mix, int32_t count) {
    processMasterEq(mix, count);
}

// Clears the master equalizer's filter state and smoothed gains when the output starts.
inline void resetMasterEqualizer() {
    resetMasterEq();
}

} // namespace klv::engine
