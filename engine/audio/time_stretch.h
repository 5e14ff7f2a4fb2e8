#pragma once
// The tempo time-stretcher: turns a line's n source frames into one block of 1024 frames while
// keeping the key. Each of H hops (4 or 8) slides a 1024-frame window over the source by n / H
// frames, turns the window's spectrum by the phase the output has gained on the source, and
// overlap-adds it; at normal speed the source passes through dry, delayed by 1024 - 1024 / H
// frames, and every change between dry and stretched output crossfades over one hop.

#include "engine/audio/fft1024.h"
#include "engine/audio/output_format.h"
#include "engine/audio/time_stretch_state.h"
#include "engine/core/line_slot.h"

#include <cstdint>

namespace klv::engine {

// Working memory of the stretcher, shared by all lines that one thread stretches. About
// 70 KB: make it once, before any block loop.
struct alignas(64) TimeStretchScratch {
    // The window as it stood before the block, followed by the block's source frames.
    float sourceLeft[kStretchWindow + kLineInputFrames];
    float sourceRight[kStretchWindow + kLineInputFrames];
    // The DC blocker along the same frames, one earlier: [0] is its state before the first.
    float dcLeft[1 + kStretchWindow + kLineInputFrames];
    float dcRight[1 + kStretchWindow + kLineInputFrames];
    FftBuffer input;
    FftBuffer spectrum;
    FftBuffer work;
};

// Stretches one block. source holds n frames (0..kLineInputFrames, a multiple of hopCount);
// out receives kBlockFrames frames. hopCount is 4 or 8. Returns hopCount * (n / hopCount).
// Allocates nothing. [the thread that owns scratch]
int32_t timeStretch(TimeStretchState& state, const Frame* source, int32_t n, Frame* out,
                    int32_t hopCount, TimeStretchScratch& scratch);

// The output thread's scratch (static storage). [output thread]
TimeStretchScratch& outputStretchScratch();

// The per-bin step of one hop on a two-channel spectrum (left in the real part, right in the
// imaginary part of the time signal): every bin j = 1..511 of either channel is multiplied by
// gain * e^(i phase (j - 0.25)), bins 0 and 512..1023 of either channel become 0. On the packed
// spectrum Z that is Z[j] * p_j for j < 512 and Z[1024 - j] * conj(p_j), so the channels never
// need to be taken apart. The inverse transform of the result holds twice each channel's real
// output. [thread-safe]
void shiftBins(FftBuffer& spectrum, double phase, double gain);

} // namespace klv::engine
