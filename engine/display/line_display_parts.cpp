#include "engine/display/line_display_parts.h"

namespace klv::engine {

namespace {

// Horizontal offsets of the large time digits and corners of the small ones.
constexpr int32_t kMinusOffset = -10;
constexpr int32_t kMinutesTens = 0;
constexpr int32_t kMinutesUnits = 10;
constexpr int32_t kSecondsTens = 24;
constexpr int32_t kSecondsUnits = 34;
constexpr int32_t kHundredthsTensX = 57;
constexpr int32_t kHundredthsUnitsX = 63;
constexpr int32_t kHundredthsY = 1;

constexpr int32_t kRatesY = 15;
constexpr int32_t kBitrateThousandsX = -3;
constexpr int32_t kBitrateX[] = {3, 9, 15}; // hundreds, tens, units
constexpr int32_t kSampleRateX[] = {46, 52, 58, 64, 70};

constexpr int32_t kGaugeX[] = {82, 83};
constexpr int32_t kGaugeTop = 1;

// Digit of value at the position of divisor (1, 10, 100...), blank when it would be a leading
// zero; the units position is always shown.
int32_t digitOrBlank(int32_t value, int32_t divisor) {
    if (divisor > 1 && value < divisor)
        return kBlankSymbol;
    return (value / divisor) % 10;
}

void verticals(LinePainter& painter, std::initializer_list<int32_t> xs, int32_t y0, int32_t y1) {
    for (const int32_t x : xs)
        painter.line(x, y0, x, y1);
}

} // namespace

void drawLineTime(LinePainter& painter, int32_t hundredths, bool remain, Pass pass) {
    // The minus position has only its middle segment: dim in elapsed mode, lit in remain mode.
    if (remain == (pass == Pass::Lit))
        drawLargeSegment(painter, kMinusOffset, kSegMiddle);
    const int32_t seconds = hundredths / 100;
    const int32_t minutes = (seconds / 60) % 100;
    const int32_t secs = seconds % 60;
    const int32_t cents = hundredths % 100;
    drawLargeDigit(painter, kMinutesTens, minutes / 10, pass);
    drawLargeDigit(painter, kMinutesUnits, minutes % 10, pass);
    drawLargeDigit(painter, kSecondsTens, secs / 10, pass);
    drawLargeDigit(painter, kSecondsUnits, secs % 10, pass);
    drawSmallDigit(painter, kHundredthsTensX, kHundredthsY, cents / 10, pass);
    drawSmallDigit(painter, kHundredthsUnitsX, kHundredthsY, cents % 10, pass);
}

void drawLineGauge(LinePainter& painter, int32_t gauge, Pass pass) {
    const int32_t bottom = kGaugeTop + kGaugePixels;
    for (const int32_t x : kGaugeX) {
        if (pass == Pass::Dim && gauge > 0)
            painter.line(x, kGaugeTop, x, gauge + kGaugeTop);
        if (pass == Pass::Lit && gauge < kGaugePixels)
            painter.line(x, gauge + kGaugeTop, x, bottom);
    }
}

void drawLineLevels(LinePainter& painter, int32_t left, int32_t right, Pass pass) {
    for (int32_t i = 0; i < kLineLevelSegments; ++i) {
        const int32_t x = 3 * i + 1;
        if ((left > i) == (pass == Pass::Lit)) {
            painter.line(x, 26, x, 29);
            painter.line(x + 1, 26, x + 1, 29);
        }
        if ((right > i) == (pass == Pass::Lit)) {
            painter.line(x, 30, x, 33);
            painter.line(x + 1, 30, x + 1, 33);
        }
    }
}

void drawLineIcon(LinePainter& painter, LineIcon icon, Pass pass) {
    const bool lit = pass == Pass::Lit;
    switch (icon) {
    case LineIcon::Stop:
        if (lit)
            painter.polyline({{74, 2}, {79, 2}, {79, 6}, {74, 6}, {74, 2}});
        else
            verticals(painter, {75, 76, 77, 78}, 3, 6);
        break;
    case LineIcon::Pause:
        if (lit)
            verticals(painter, {74, 75, 78, 79}, 2, 7);
        else
            verticals(painter, {76, 77}, 2, 7);
        break;
    case LineIcon::Play:
        if (lit) {
            painter.polyline({{74, 2}, {79, 4}, {74, 6}, {74, 2}});
        } else {
            painter.line(76, 2, 80, 2);
            painter.line(78, 3, 80, 3);
            painter.line(78, 5, 80, 5);
            painter.line(76, 6, 80, 6);
            painter.line(75, 3, 75, 6);
        }
        break;
    }
}

void drawLineRates(LinePainter& painter, int32_t bitrate, int32_t sampleRate, Pass pass) {
    // The thousands position can only show a 1: its two segments, lit above 999.
    if ((bitrate > 999) == (pass == Pass::Lit)) {
        drawSmallSegment(painter, kBitrateThousandsX, kRatesY, kSegUpperRight);
        drawSmallSegment(painter, kBitrateThousandsX, kRatesY, kSegLowerRight);
    }
    int32_t divisor = 100;
    for (const int32_t x : kBitrateX) {
        drawSmallDigit(painter, x, kRatesY, digitOrBlank(bitrate, divisor), pass);
        divisor /= 10;
    }
    divisor = 10000;
    for (const int32_t x : kSampleRateX) {
        drawSmallDigit(painter, x, kRatesY, digitOrBlank(sampleRate, divisor), pass);
        divisor /= 10;
    }
}

void drawLineLabels(LinePainter& painter) {
    verticals(painter, {31, 32}, 4, 6); // colon
    verticals(painter, {31, 32}, 8, 10);
    painter.line(55, 9, 55, 10);  // point
    painter.line(22, 19, 22, 24); // K
    painter.polyline({{25, 19}, {23, 21}, {26, 24}});
    painter.polyline(
        {{27, 19}, {27, 23}, {28, 23}, {29, 22}, {28, 21}, {29, 20}, {28, 19}, {27, 19}}); // B
    painter.polyline({{31, 23}, {31, 19}, {32, 19}, {33, 20}, {31, 22}});                  // P
    painter.polyline({{37, 19}, {36, 19}, {35, 20}, {37, 22}, {36, 23}, {34, 23}});        // S
    painter.line(77, 19, 77, 24);                                                          // H
    painter.line(79, 19, 79, 24);
    painter.line(77, 21, 79, 21);
    painter.polyline({{81, 19}, {83, 19}, {83, 20}, {81, 22}, {81, 23}, {84, 23}}); // Z
}

} // namespace klv::engine
