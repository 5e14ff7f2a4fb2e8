#pragma once
// Seven-segment digits of the LCD displays, in two sizes. A digit is drawn in two passes: the
// segments that do not belong to its symbol with the dim pen, then those that do with the lit
// pen; a blank position is all seven segments dim.

#include "engine/display/draw_primitives.h"

#include <cstdint>

namespace klv::engine {

enum Segment : int32_t {
    kSegTop,
    kSegUpperLeft,
    kSegUpperRight,
    kSegMiddle,
    kSegLowerLeft,
    kSegLowerRight,
    kSegBottom,
    kSegmentCount
};

// Symbols: 0..9 the digits, kMinusSymbol the minus sign, kBlankSymbol an unlit position.
constexpr int32_t kMinusSymbol = 10;
constexpr int32_t kBlankSymbol = -1;

// Bit s set when segment s belongs to the symbol; 0 for a blank or unknown symbol.
uint8_t segmentsOf(int32_t symbol);

enum class Pass { Dim, Lit };

// One segment of a small digit at (x, y) (1-pixel lines) or of a large digit at horizontal
// offset x (rows fixed, two lines per segment), with the painter's pen.
void drawSmallSegment(LinePainter& painter, int32_t x, int32_t y, Segment segment);
void drawLargeSegment(LinePainter& painter, int32_t x, Segment segment);

// The segments of symbol that the pass draws (dim: those not belonging to it; lit: those
// belonging to it), with the painter's pen.
void drawSmallDigit(LinePainter& painter, int32_t x, int32_t y, int32_t symbol, Pass pass);
void drawLargeDigit(LinePainter& painter, int32_t x, int32_t symbol, Pass pass);

} // namespace klv::engine
