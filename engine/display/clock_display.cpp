#include "engine/display/clock_display.h"

#include "engine/display/draw_segments.h"

#include <cstdlib>

namespace klv::engine {

namespace {

constexpr int32_t kHoursTens = -10;
constexpr int32_t kHoursUnits = 0;
constexpr int32_t kMinutesTens = 14;
constexpr int32_t kMinutesUnits = 24;

int32_t lastTwoDigits(int32_t value) {
    return static_cast<int32_t>(std::llabs(static_cast<int64_t>(value)) % 100);
}

} // namespace

void drawClock(const Canvas& canvas, int32_t hours, int32_t minutes, int32_t litColour,
               int32_t dimColour) {
    const int32_t h = lastTwoDigits(hours);
    const int32_t m = lastTwoDigits(minutes);
    const int32_t tens = h > 9 ? h / 10 : kBlankSymbol;
    LinePainter painter(canvas, penOf(dimColour));
    for (const Pass pass : {Pass::Dim, Pass::Lit}) {
        painter.setPen(penOf(pass == Pass::Lit ? litColour : dimColour));
        drawLargeDigit(painter, kHoursTens, tens, pass);
        drawLargeDigit(painter, kHoursUnits, h % 10, pass);
        drawLargeDigit(painter, kMinutesTens, m / 10, pass);
        drawLargeDigit(painter, kMinutesUnits, m % 10, pass);
    }
    painter.setPen(penOf(litColour));
    for (const int32_t x : {21, 22}) {
        painter.line(x, 4, x, 6);
        painter.line(x, 8, x, 10);
    }
}

} // namespace klv::engine
