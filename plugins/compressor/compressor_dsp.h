#pragma once
// The compressor's processing: a feedback compressor/limiter with a soft knee, an optional
// side-chain high-pass, linked or independent channels, make-up gain and an enhancer that adds
// back some of the signal above a gentle low-pass.

#include <cstdint>

namespace compressor {

// Gains back to 1.0 and the three filters cleared. [ui thread, before processing starts]
void resetState();

// Processes count stereo frames (left, right, ...) in place. [output thread]
void processFrames(float* frames, int32_t count);

} // namespace compressor
