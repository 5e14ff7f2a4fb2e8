#pragma once
// The master section's clock: hours and minutes in large segments with a colon, drawn once per
// call over whatever the context shows (nothing is erased first).

#include "engine/display/draw_canvas.h"

#include <cstdint>

namespace klv::engine {

// Draws hours (already reduced for the 12-hour format; tens shown only above 9) and minutes in
// the lit and dim colour references. Values outside 0..99 show their last two digits.
void drawClock(const Canvas& canvas, int32_t hours, int32_t minutes, int32_t litColour,
               int32_t dimColour);

} // namespace klv::engine
