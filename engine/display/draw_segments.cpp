#include "engine/display/draw_segments.h"

namespace klv::engine {

namespace {

constexpr uint8_t bit(Segment segment) {
    return static_cast<uint8_t>(1u << segment);
}

constexpr uint8_t kA = bit(kSegTop);
constexpr uint8_t kB = bit(kSegUpperLeft);
constexpr uint8_t kC = bit(kSegUpperRight);
constexpr uint8_t kD = bit(kSegMiddle);
constexpr uint8_t kE = bit(kSegLowerLeft);
constexpr uint8_t kF = bit(kSegLowerRight);
constexpr uint8_t kG = bit(kSegBottom);

constexpr uint8_t kPatterns[] = {
    kA | kB | kC | kE | kF | kG,      // 0
    kC | kF,                          // 1
    kA | kC | kD | kE | kG,           // 2
    kA | kC | kD | kF | kG,           // 3
    kB | kC | kD | kF,                // 4
    kA | kB | kD | kF | kG,           // 5
    kA | kB | kD | kE | kF | kG,      // 6
    kA | kC | kF,                     // 7
    kA | kB | kC | kD | kE | kF | kG, // 8
    kA | kB | kC | kD | kF | kG,      // 9
    kD,                               // minus
};

struct Line {
    int32_t x0, y0, x1, y1;
};

// Small segments relative to the digit's corner.
constexpr Line kSmall[kSegmentCount] = {
    {1, 0, 4, 0}, {0, 1, 0, 4}, {4, 1, 4, 4}, {1, 4, 4, 4},
    {0, 5, 0, 8}, {4, 5, 4, 8}, {1, 8, 4, 8},
};

// Large segments: x relative to the offset, y absolute; two lines each.
constexpr Line kLarge[kSegmentCount][2] = {
    {{12, 1, 18, 1}, {13, 2, 17, 2}},     {{11, 2, 11, 7}, {12, 3, 12, 6}},
    {{18, 2, 18, 7}, {17, 3, 17, 6}},     {{13, 6, 18, 6}, {12, 7, 17, 7}},
    {{11, 7, 11, 12}, {12, 8, 12, 11}},   {{17, 8, 17, 11}, {18, 7, 18, 12}},
    {{13, 11, 17, 11}, {12, 12, 18, 12}},
};

bool drawnInPass(uint8_t pattern, int32_t segment, Pass pass) {
    const bool belongs = (pattern & (1u << segment)) != 0;
    return belongs == (pass == Pass::Lit);
}

} // namespace

uint8_t segmentsOf(int32_t symbol) {
    if (symbol < 0 || symbol > kMinusSymbol)
        return 0;
    return kPatterns[symbol];
}

void drawSmallSegment(LinePainter& painter, int32_t x, int32_t y, Segment segment) {
    const Line& l = kSmall[segment];
    painter.line(x + l.x0, y + l.y0, x + l.x1, y + l.y1);
}

void drawLargeSegment(LinePainter& painter, int32_t x, Segment segment) {
    for (const Line& l : kLarge[segment])
        painter.line(x + l.x0, l.y0, x + l.x1, l.y1);
}

void drawSmallDigit(LinePainter& painter, int32_t x, int32_t y, int32_t symbol, Pass pass) {
    const uint8_t pattern = segmentsOf(symbol);
    for (int32_t s = 0; s < kSegmentCount; ++s) {
        if (drawnInPass(pattern, s, pass))
            drawSmallSegment(painter, x, y, static_cast<Segment>(s));
    }
}

void drawLargeDigit(LinePainter& painter, int32_t x, int32_t symbol, Pass pass) {
    const uint8_t pattern = segmentsOf(symbol);
    for (int32_t s = 0; s < kSegmentCount; ++s) {
        if (drawnInPass(pattern, s, pass))
            drawLargeSegment(painter, x, static_cast<Segment>(s));
    }
}

} // namespace klv::engine
