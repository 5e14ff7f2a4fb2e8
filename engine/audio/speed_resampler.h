#pragma once
// The speed resampler: turns a line's n source frames into m output frames by linear
// interpolation on 16-bit-quantised values with a 17.15 fixed-point position, with a one-pole
// pre-filter when speeding up and a post-filter when slowing down. Changing speed changes the
// key, like a turntable.

#include "engine/core/line_slot.h"

#include <cstdint>

namespace klv::engine {

// The history a line carries from block to block: pre-filter (left, right), post-filter (left,
// right), last pre-filtered source frame of the previous block (left, right).
constexpr int kResampleStateSize = 6;

// source holds n frames and is pre-filtered in place; out receives m frames. With n = 0 the
// line holds its last output value. [output thread]
void speedResample(float (&state)[kResampleStateSize], Frame* source, int32_t n, Frame* out,
                   int32_t m);

} // namespace klv::engine
