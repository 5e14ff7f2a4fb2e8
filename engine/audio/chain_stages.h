#pragma once
// Stages of the signal chain that the output thread calls at their fixed places and that other
// parts of the engine fill in: the song equalizer after every ring read, the plug-in chain and
// the master equalizer on the main mix. Until they exist they pass the audio through unchanged.

#include "engine/core/line_slot.h"

#include <cstdint>

namespace klv::engine {

// Song equalizer, in place on the frames just read from a line's ring (count may be 0).
inline void applySongEqualizer(LineSlot&, Frame*, int32_t) {}

// DSP plug-ins in list order, in place on the main mix.
inline void runPluginChain(Frame*, int32_t) {}

// Master equalizer, in place on the main mix after the master gain; it also keeps the band
// level history of the master levels.
inline void applyMasterEqualizer(Frame*, int32_t) {}

// Clears the master equalizer's filter state and smoothed gains when the output starts.
inline void resetMasterEqualizer() {}

} // namespace klv::engine
