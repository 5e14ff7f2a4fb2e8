#pragma once
// The parts of a line's LCD, each drawn in a dim and a lit pass with the painter's pen. The
// parts do not overlap, so any of them can be drawn alone.

#include "engine/display/draw_segments.h"
#include "engine/display/line_display_frame.h"

#include <cstdint>

namespace klv::engine {

// Minus sign (remain mode), minutes, seconds and hundredths.
void drawLineTime(LinePainter& painter, int32_t hundredths, bool remain, Pass pass);
// gauge: 0..13 pixels from the top drawn dim, the rest of the 13 lit.
void drawLineGauge(LinePainter& painter, int32_t gauge, Pass pass);
// left, right: 0..28 segments lit.
void drawLineLevels(LinePainter& painter, int32_t left, int32_t right, Pass pass);
void drawLineIcon(LinePainter& painter, LineIcon icon, Pass pass);
// Bitrate in kbit/s and sample rate, leading zeros blank.
void drawLineRates(LinePainter& painter, int32_t bitrate, int32_t sampleRate, Pass pass);
// Colon, point, "KBPS" and "HZ": lit only.
void drawLineLabels(LinePainter& painter);

} // namespace klv::engine
