// A line's LCD, frame by frame, checked pixel by pixel against the display's geometry: the
// time digits, the minus sign, the level meter, the buffer gauge, the icon, the rates and the
// refresh counter that decides when the rates are drawn.

#include "engine/display/line_display_frame.h"
#include "tests/engine/display/draw_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace klv::test {
namespace {

using engine::LineDisplay;
using engine::LineDisplayInputs;

constexpr int32_t kLcdWidth = 86;
constexpr int32_t kLcdHeight = 34;
constexpr int32_t kFramesPerSecond = 44100;

LineDisplayInputs stoppedLine() {
    LineDisplayInputs in;
    in.state = 1;
    in.length = 300 * kFramesPerSecond;
    in.byteRate = 16000;
    in.sampleRate = 44100;
    in.ringFree = 65520; // empty ring
    in.litColour = kLit;
    in.dimColour = kDim;
    return in;
}

class LineDisplayFrame : public testing::Test {
protected:
    bool frame(const LineDisplayInputs& in) { return m_display.frame(m_target, in); }

    // Lit and dim pixels of the time area (left of the icon, above the rates).
    Points litTime() const { return m_surface.pointsOf(px(kLit), 0, 0, 72, 14); }
    Points dimTime() const { return m_surface.pointsOf(px(kDim), 0, 0, 72, 14); }

    TestSurface m_surface{kLcdWidth, kLcdHeight};
    platform::SurfaceRef m_target{m_surface.dc()};
    LineDisplay m_display;
};

// The time area of a display showing minutes, seconds and hundredths, with the colon and the
// point; the minus sign lit in remain mode, dim otherwise.
DigitPixels expectedTime(int minutes, int seconds, int hundredths, bool remain) {
    DigitPixels expected;
    for (const DigitPixels& d :
         {largeDigit(0, minutes / 10), largeDigit(10, minutes % 10), largeDigit(24, seconds / 10),
          largeDigit(34, seconds % 10), smallDigit(57, 1, hundredths / 10),
          smallDigit(63, 1, hundredths % 10)}) {
        merge(expected.lit, d.lit);
        merge(expected.dim, d.dim);
    }
    merge(remain ? expected.lit : expected.dim, largeSegment(-10, 'd'));
    for (int32_t x : {31, 32}) { // colon
        addLine(expected.lit, x, 4, x, 6);
        addLine(expected.lit, x, 8, x, 10);
    }
    addLine(expected.lit, 55, 9, 55, 10); // point
    return expected;
}

TEST_F(LineDisplayFrame, ElapsedTimeLightsExactlyItsSegments) {
    struct Case {
        int32_t position;
        int minutes, seconds, hundredths;
    };
    for (const Case& c : std::vector<Case>{
             {static_cast<int32_t>(187.5 * kFramesPerSecond), 3, 7, 50},
             {0, 0, 0, 0},
             {static_cast<int32_t>(59.99 * kFramesPerSecond) + 1, 0, 59, 99},
             {(10 * 60 + 1) * kFramesPerSecond + 441 * 8, 10, 1, 8},
             {(101 * 60 + 2) * kFramesPerSecond, 1, 2, 0}, // minutes shown modulo 100
         }) {
        LineDisplayInputs in = stoppedLine();
        in.length = 120 * 60 * kFramesPerSecond;
        in.position = c.position;
        frame(in);
        const DigitPixels expected = expectedTime(c.minutes, c.seconds, c.hundredths, false);
        EXPECT_EQ(litTime(), expected.lit) << c.minutes << ":" << c.seconds << "." << c.hundredths;
        EXPECT_EQ(dimTime(), expected.dim) << c.minutes << ":" << c.seconds << "." << c.hundredths;
    }
}

TEST_F(LineDisplayFrame, RemainModeShowsTheTimeLeftWithTheMinusLit) {
    LineDisplayInputs in = stoppedLine();
    in.length = 10 * kFramesPerSecond;
    in.position = 441 * 250; // 2.50 s played, 7.50 s left
    in.remain = true;
    frame(in);
    DigitPixels expected = expectedTime(0, 7, 50, true);
    EXPECT_EQ(litTime(), expected.lit);
    EXPECT_EQ(dimTime(), expected.dim);

    in.remain = false; // the mode switches back at the next frame, minus dim again
    frame(in);
    expected = expectedTime(0, 2, 50, false);
    EXPECT_EQ(litTime(), expected.lit);
    EXPECT_EQ(dimTime(), expected.dim);
}

// Until the length is known, and past it, the time stands where it was.
TEST_F(LineDisplayFrame, TimeStandsStillWhileThePositionIsNotBeforeTheLength) {
    LineDisplayInputs in = stoppedLine();
    in.length = 0;
    in.position = 5 * kFramesPerSecond;
    frame(in);
    EXPECT_EQ(litTime(), expectedTime(0, 0, 0, false).lit);

    in.length = 60 * kFramesPerSecond;
    frame(in);
    EXPECT_EQ(litTime(), expectedTime(0, 5, 0, false).lit);

    in.position = 61 * kFramesPerSecond;
    frame(in);
    EXPECT_EQ(litTime(), expectedTime(0, 5, 0, false).lit);
}

TEST_F(LineDisplayFrame, LevelMeterLightsOneSegmentPerDecibel) {
    struct Case {
        float level;
        int32_t lit;
    };
    const std::vector<Case> cases = {{1.0f, 28}, {0.5f, 22}, {0.09f, 8},   {0.001f, 0}, {0.0f, 0},
                                     {2.0f, 28}, {-1.0f, 0}, {0.0398f, 0}, {0.0399f, 1}};
    for (const Case& c : cases) {
        LineDisplayInputs in = stoppedLine();
        in.peakLeft = c.level;
        in.peakRight = 0.5f; // the other channel stays out of the left rows
        frame(in);
        Points lit, dim;
        for (int32_t i = 0; i < 28; ++i) {
            for (int32_t x : {3 * i + 1, 3 * i + 2})
                addLine(i < c.lit ? lit : dim, x, 26, x, 29);
        }
        EXPECT_EQ(m_surface.pointsOf(px(kLit), 0, 26, kLcdWidth, 29), lit) << c.level;
        EXPECT_EQ(m_surface.pointsOf(px(kDim), 0, 26, kLcdWidth, 29), dim) << c.level;
        EXPECT_EQ(m_surface.pointsOf(px(kBack), 0, 29, kLcdWidth, 30).size(),
                  static_cast<size_t>(kLcdWidth))
            << "the row between the channels";
    }
}

TEST_F(LineDisplayFrame, RightChannelUsesTheLowerRows) {
    LineDisplayInputs in = stoppedLine();
    in.peakLeft = 0.0f;
    in.peakRight = 0.5f; // 22 segments
    frame(in);
    EXPECT_TRUE(m_surface.pointsOf(px(kLit), 0, 26, kLcdWidth, 29).empty());
    Points lit;
    for (int32_t i = 0; i < 22; ++i)
        for (int32_t x : {3 * i + 1, 3 * i + 2})
            addLine(lit, x, 30, x, 33);
    EXPECT_EQ(m_surface.pointsOf(px(kLit), 0, 30, kLcdWidth, 33), lit);
}

TEST_F(LineDisplayFrame, GaugeShowsHowFullTheRingIs) {
    struct Case {
        const char* name;
        int32_t free;
        int32_t lit; // pixels per column, from the bottom
    };
    const std::vector<Case> cases = {
        {"empty ring", 65520, 0}, {"just below full", 12287, 13},
        {"nearly full", 0, 13},   {"12288 free", 12288, 12},
        {"half", 32768, 7},       {"three quarters free", 49152, 3},
    };
    for (const Case& c : cases) {
        LineDisplayInputs in = stoppedLine();
        in.ringFree = c.free;
        frame(in);
        Points lit, dim;
        for (int32_t x : {82, 83}) {
            for (int32_t y = 1; y < 14; ++y)
                (y >= 14 - c.lit ? lit : dim).emplace(x, y);
        }
        EXPECT_EQ(m_surface.pointsOf(px(kLit), 82, 0, 84, 15), lit) << c.name;
        EXPECT_EQ(m_surface.pointsOf(px(kDim), 82, 0, 84, 15), dim) << c.name;
    }
}

Points iconBox(const TestSurface& surface, int32_t colour) {
    return surface.pointsOf(px(colour), 74, 2, 81, 7);
}

TEST_F(LineDisplayFrame, IconsFollowTheTransport) {
    LineDisplayInputs in = stoppedLine();
    frame(in);
    Points stopLit, stopDim;
    for (int32_t x = 74; x <= 79; ++x) {
        stopLit.emplace(x, 2);
        stopLit.emplace(x, 6);
    }
    for (int32_t y = 3; y <= 5; ++y) {
        stopLit.emplace(74, y);
        stopLit.emplace(79, y);
        for (int32_t x = 75; x <= 78; ++x)
            stopDim.emplace(x, y);
    }
    EXPECT_EQ(iconBox(m_surface, kLit), stopLit);
    EXPECT_EQ(iconBox(m_surface, kDim), stopDim);

    in.state = 2;
    in.paused = 1;
    frame(in);
    Points pauseLit, pauseDim;
    for (int32_t y = 2; y <= 6; ++y) {
        for (int32_t x : {74, 75, 78, 79})
            pauseLit.emplace(x, y);
        for (int32_t x : {76, 77})
            pauseDim.emplace(x, y);
    }
    EXPECT_EQ(iconBox(m_surface, kLit), pauseLit);
    EXPECT_EQ(iconBox(m_surface, kDim), pauseDim);
}

// Whatever icon was there before, the play icon leaves no lit pixel of it: its dim part covers
// what its outline does not light.
TEST_F(LineDisplayFrame, PlayIconLeavesNothingOfAnEarlierIconLit) {
    enum class Before { Nothing, Stop, Pause };
    std::vector<Points> litBoxes;
    for (Before before : {Before::Nothing, Before::Stop, Before::Pause}) {
        TestSurface surface(kLcdWidth, kLcdHeight);
        const platform::SurfaceRef target(surface.dc());
        LineDisplay display;
        LineDisplayInputs in = stoppedLine();
        if (before == Before::Stop)
            display.frame(target, in);
        in.state = 2;
        if (before == Before::Pause) {
            in.paused = 1;
            display.frame(target, in);
        }
        in.paused = 0;
        display.frame(target, in);
        litBoxes.push_back(surface.pointsOf(px(kLit), 74, 2, 81, 7));
        EXPECT_EQ(surface.at(74, 4), px(kLit)); // the triangle's back edge
        EXPECT_EQ(surface.at(78, 4), px(kLit)); // near its point
        EXPECT_EQ(surface.at(75, 4), px(kDim));
        EXPECT_EQ(surface.at(79, 6), px(kDim));
    }
    EXPECT_EQ(litBoxes[0], litBoxes[1]);
    EXPECT_EQ(litBoxes[0], litBoxes[2]);
}

struct RatesCase {
    int32_t byteRate;
    int32_t sampleRate;
    bool thousand;
    std::vector<int> bitrate;      // hundreds, tens, units; -1 blank
    std::vector<int> sampleDigits; // ten-thousands .. units
};

TEST_F(LineDisplayFrame, RatesShowWithoutLeadingZeros) {
    const std::vector<RatesCase> cases = {
        {16000, 44100, false, {1, 2, 8}, {4, 4, 1, 0, 0}},
        {176400, 44100, true, {4, 1, 1}, {4, 4, 1, 0, 0}}, // 1411 kbit/s
        {4000, 8000, false, {-1, 3, 2}, {-1, 8, 0, 0, 0}},
        {1000, 48000, false, {-1, -1, 8}, {4, 8, 0, 0, 0}},
        {0, 0, false, {-1, -1, 0}, {-1, -1, -1, -1, 0}},
    };
    for (const RatesCase& c : cases) {
        TestSurface surface(kLcdWidth, kLcdHeight);
        LineDisplay display;
        LineDisplayInputs in = stoppedLine();
        in.byteRate = c.byteRate;
        in.sampleRate = c.sampleRate;
        display.frame(platform::SurfaceRef(surface.dc()), in);
        DigitPixels expected;
        merge(c.thousand ? expected.lit : expected.dim, smallSegment(-3, 15, 'c'));
        merge(c.thousand ? expected.lit : expected.dim, smallSegment(-3, 15, 'f'));
        for (size_t i = 0; i < 3; ++i) {
            const DigitPixels d = smallDigit(3 + 6 * static_cast<int32_t>(i), 15, c.bitrate[i]);
            merge(expected.lit, d.lit);
            merge(expected.dim, d.dim);
        }
        for (size_t i = 0; i < 5; ++i) {
            const DigitPixels d =
                smallDigit(46 + 6 * static_cast<int32_t>(i), 15, c.sampleDigits[i]);
            merge(expected.lit, d.lit);
            merge(expected.dim, d.dim);
        }
        // The rows of the rates, left of the "K" and between "S" and "H".
        for (auto [x0, x1] : std::vector<std::pair<int32_t, int32_t>>{{0, 21}, {44, 76}}) {
            Points lit, dim;
            for (auto p : expected.lit)
                if (p.first >= x0 && p.first < x1)
                    lit.insert(p);
            for (auto p : expected.dim)
                if (p.first >= x0 && p.first < x1)
                    dim.insert(p);
            EXPECT_EQ(surface.pointsOf(px(kLit), x0, 15, x1, 24), lit) << c.byteRate;
            EXPECT_EQ(surface.pointsOf(px(kDim), x0, 15, x1, 24), dim) << c.byteRate;
        }
    }
}

TEST_F(LineDisplayFrame, LabelsAreDrawnLit) {
    frame(stoppedLine());
    Points labels;
    addLine(labels, 22, 19, 22, 24);                                   // K
    labels.insert({{25, 19}, {24, 20}, {23, 21}, {24, 22}, {25, 23}}); // K's arms
    addLine(labels, 27, 19, 27, 23);                                   // B
    labels.insert({{27, 23}, {28, 23}, {29, 22}, {28, 21}, {29, 20}, {28, 19}});
    addLine(labels, 31, 23, 31, 19); // P
    labels.insert({{31, 19}, {32, 19}, {33, 20}, {32, 21}});
    labels.insert({{37, 19}, {36, 19}, {35, 20}, {36, 21}, {37, 22}, {36, 23}, {35, 23}}); // S
    addLine(labels, 77, 19, 77, 24);                                                       // H
    addLine(labels, 79, 19, 79, 24);
    addLine(labels, 77, 21, 79, 21);
    labels.insert({{81, 19},
                   {82, 19},
                   {83, 19},
                   {83, 20},
                   {82, 21},
                   {81, 22},
                   {81, 23},
                   {82, 23},
                   {83, 23}}); // Z
    Points litLabels = m_surface.pointsOf(px(kLit), 21, 18, 39, 25);
    merge(litLabels, m_surface.pointsOf(px(kLit), 76, 18, kLcdWidth, 25));
    EXPECT_EQ(litLabels, labels);
}

// The rates follow the line only on full frames: every 40 counts, 1 per frame while the line
// plays and 10 otherwise. A line that stops with the count at 35 gets its full frame at once.
TEST_F(LineDisplayFrame, RatesChangeOnlyOnFullFrames) {
    LineDisplayInputs in = stoppedLine();
    in.state = 2;
    in.byteRate = 16000; // 128
    frame(in);           // the first frame shows everything; count 1
    const DigitPixels old = smallDigit(15, 15, 8);
    in.byteRate = 40000; // 320
    for (int i = 2; i <= 35; ++i) {
        in.position += 1024;
        frame(in);
    }
    expectAll(m_surface, old.lit, px(kLit), "128 until the full frame");
    in.state = 1; // stopped: 35 + 10 reaches 40
    frame(in);
    expectAll(m_surface, smallDigit(15, 15, 0).lit, px(kLit), "320 on the full frame");
    expectAll(m_surface, smallDigit(15, 15, 0).dim, px(kDim), "320 on the full frame");
    expectAll(m_surface, smallDigit(3, 15, 3).lit, px(kLit), "320 on the full frame");
}

TEST(FullFrameCounter, CountsOnePerPlayingFrameAndTenOtherwise) {
    engine::FullFrameCounter counter;
    int frames = 0;
    while (!counter.advance(true))
        ++frames;
    EXPECT_EQ(frames + 1, 40);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(counter.advance(false));
    EXPECT_TRUE(counter.advance(false));
    for (int i = 0; i < 35; ++i)
        counter.advance(true);
    EXPECT_EQ(counter.count(), 35);
    EXPECT_TRUE(counter.advance(false));
    EXPECT_EQ(counter.count(), 0);
}

TEST_F(LineDisplayFrame, UnchangedValuesDrawNothing) {
    LineDisplayInputs in = stoppedLine();
    ASSERT_TRUE(frame(in));
    const uint64_t changes = m_target.changeCount();
    const std::vector<uint32_t> picture = m_surface.pixels();
    for (int i = 0; i < 10; ++i) // full frames among them: the picture would not change
        EXPECT_FALSE(frame(in)) << i;
    EXPECT_EQ(m_target.changeCount(), changes);
    in.peakLeft = 0.25f; // a level that moves one meter
    EXPECT_TRUE(frame(in));
    in.peakLeft = 0.2501f; // the same segments
    EXPECT_FALSE(frame(in));
    EXPECT_NE(m_surface.pixels(), picture);
}

// After a colour change, or when the program has painted over the display, the whole display
// is drawn again at once, labels and rates included.
TEST_F(LineDisplayFrame, NewColoursOrAPaintedTargetRedrawEverything) {
    LineDisplayInputs in = stoppedLine();
    frame(in);
    in.litColour = 0x000000FF;
    in.dimColour = 0x00FF0000;
    ASSERT_TRUE(frame(in));
    EXPECT_TRUE(m_surface.pointsOf(px(kLit)).empty());
    EXPECT_TRUE(m_surface.pointsOf(px(kDim)).empty());
    EXPECT_EQ(m_surface.at(22, 20), px(0x000000FF)); // "K"

    const std::vector<uint32_t> drawn = m_surface.pixels();
    {
        platform::SurfaceLock lock(m_surface.dc());
        std::fill(lock.pixels(), lock.pixels() + lock.stride() * lock.height(), px(kBack));
        lock.markChanged();
    }
    ASSERT_TRUE(frame(in));
    EXPECT_EQ(m_surface.pixels(), drawn);
}

// The program may hand the line another context: the new one gets the whole display, even when
// its change count happens to equal the old one's.
TEST_F(LineDisplayFrame, AnotherTargetGetsTheWholeDisplay) {
    frame(stoppedLine());
    TestSurface other(kLcdWidth, kLcdHeight);
    {
        platform::SurfaceLock lock(other.dc());
        lock.markChanged();
    }
    ASSERT_EQ(platform::SurfaceRef(other.dc()).changeCount(), m_target.changeCount());
    EXPECT_TRUE(m_display.frame(platform::SurfaceRef(other.dc()), stoppedLine()));
    EXPECT_EQ(other.pixels(), m_surface.pixels());
}

TEST_F(LineDisplayFrame, NothingIsDrawnWithoutASurface) {
    platform::destroySurface(m_surface.dc());
    EXPECT_FALSE(frame(stoppedLine()));
    LineDisplay display;
    EXPECT_FALSE(display.frame(platform::SurfaceRef(), stoppedLine()));
}

} // namespace
} // namespace klv::test
