#pragma once
// The analysis and synthesis of one stretcher hop, on both channels at once: the DC blocker
// and detrend of the window, the forward transform, the phase turn, the inverse transform, the
// second detrend and the overlap-add into the accumulator.

#include "engine/audio/time_stretch.h"

#include <cstdint>

namespace klv::engine {

// One window of both channels: 1024 source frames per channel and the DC blocker's run along
// them, whose element [-1] is its state before the first frame.
struct StretchWindow {
    const float* left;
    const float* right;
    const float* dcLeft;
    const float* dcRight;
};

// The DC blocker s = s + 0.0025 (x - 1.8 s), written as s = a s + b x.
constexpr double kDcPole = 1.0 - 0.0025 * 1.8;
constexpr double kDcInput = 0.0025;

// Runs the DC blocker over count frames from state carry, storing each new state. [any]
void runDcBlocker(const float* x, float* s, int32_t count, double& carry);

// Analyses window with the phase advance phase and the gain gain, and adds the result, scaled
// by 1 / normaliser, into the accumulator ring of state. [the thread that owns scratch]
void synthesiseHop(const StretchWindow& window, double phase, double gain, double normaliser,
                   TimeStretchState& state, TimeStretchScratch& scratch);

} // namespace klv::engine
