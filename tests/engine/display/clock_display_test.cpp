// The clock drawn by klvDrawClock: hours and minutes in large segments, the colon, the tens of
// the hours only from 10 on, and nothing erased around them.

#include "engine/core/options_copy.h"
#include "klv3.h"
#include "tests/engine/display/draw_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace klv::test {
namespace {

constexpr int32_t kClockWidth = 44;
constexpr int32_t kClockHeight = 14;
constexpr uint32_t kUntouched = 0xFF777777u;

class ClockDisplay : public testing::Test {
protected:
    void SetUp() override {
        OptionsRecord options{};
        options.LCDBackColor = kBack;
        options.LCDLitColor = kLit;
        options.LCDDimColor = kDim;
        engine::replaceOptions(options);
    }
};

DigitPixels expectedClock(int hours, int minutes) {
    DigitPixels expected;
    for (const DigitPixels& d :
         {largeDigit(-10, hours > 9 ? hours / 10 : -1), largeDigit(0, hours % 10),
          largeDigit(14, minutes / 10), largeDigit(24, minutes % 10)}) {
        merge(expected.lit, d.lit);
        merge(expected.dim, d.dim);
    }
    for (int32_t x : {21, 22}) {
        addLine(expected.lit, x, 4, x, 6);
        addLine(expected.lit, x, 8, x, 10);
    }
    return expected;
}

TEST_F(ClockDisplay, DrawsHoursAndMinutesWithTheColon) {
    struct Case {
        int32_t hours, minutes;
    };
    for (const Case& c : std::vector<Case>{{12, 34}, {9, 5}, {0, 0}, {23, 59}, {10, 7}}) {
        TestSurface surface(kClockWidth, kClockHeight);
        {
            platform::SurfaceLock lock(surface.dc());
            std::fill(lock.pixels(), lock.pixels() + lock.stride() * lock.height(), kUntouched);
        }
        ASSERT_EQ(klvDrawClock(surface.dc(), c.hours, c.minutes), 0);
        const DigitPixels expected = expectedClock(c.hours, c.minutes);
        EXPECT_EQ(surface.pointsOf(px(kLit)), expected.lit) << c.hours << ":" << c.minutes;
        EXPECT_EQ(surface.pointsOf(px(kDim)), expected.dim) << c.hours << ":" << c.minutes;
        // Nothing else is painted: no background fill.
        EXPECT_EQ(surface.pointsOf(kUntouched).size() + expected.lit.size() + expected.dim.size(),
                  static_cast<size_t>(kClockWidth * kClockHeight));
    }
}

// A later time is drawn over an earlier one: every segment of every position is drawn, lit or
// dim, so nothing of the old time shows through.
TEST_F(ClockDisplay, ANewTimeCoversTheOldOne) {
    TestSurface fresh(kClockWidth, kClockHeight);
    TestSurface reused(kClockWidth, kClockHeight);
    klvDrawClock(reused.dc(), 18, 58);
    klvDrawClock(reused.dc(), 8, 1);
    klvDrawClock(fresh.dc(), 8, 1);
    EXPECT_EQ(reused.pixels(), fresh.pixels());
}

TEST_F(ClockDisplay, ColoursComeFromTheOptions) {
    OptionsRecord options{};
    options.LCDLitColor = 0x000000FF; // red
    options.LCDDimColor = 0x00FF0000; // blue
    engine::replaceOptions(options);
    TestSurface surface(kClockWidth, kClockHeight);
    klvDrawClock(surface.dc(), 1, 0);
    EXPECT_EQ(surface.at(21, 4), 0xFFFF0000u); // colon in red
    EXPECT_EQ(surface.at(12, 1), 0xFF0000FFu); // hours units: top segment of 1 is dim, blue
}

TEST_F(ClockDisplay, NoSurfaceNoDrawing) {
    EXPECT_EQ(klvDrawClock(0, 12, 0), 0);
    EXPECT_EQ(klvDrawClock(0x7FFF1234, 12, 0), 0);
    const platform::DeviceContext dc = platform::createSurface(5, 5, 0);
    platform::destroySurface(dc);
    EXPECT_EQ(klvDrawClock(dc, 12, 0), 0);
}

} // namespace
} // namespace klv::test
