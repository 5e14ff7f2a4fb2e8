// The per-line setters and the playing count, as the program calls them.

#include "tests/engine/audio/output_fixture.h"
#include "tests/support/line_handle_fields.h"

#include <cmath>
#include <limits>

namespace klv::test {
namespace {

TEST(LineSetters, VolumeIsClampedAndNotANumberIsSilence) {
    struct Case {
        float given;
        float stored;
    } cases[] = {
        {0.7f, 0.7f},
        {2.5f, 2.0f},
        {-1.0f, 0.0f},
        {std::nanf(""), 0.0f},
        {std::numeric_limits<float>::infinity(), 2.0f},
        {-std::numeric_limits<float>::infinity(), 0.0f},
    };
    for (const Case& c : cases) {
        TestLine line;
        EXPECT_EQ(klvSetVolume(line.handle(), c.given), 0);
        EXPECT_EQ(line.slot().volume.load(), c.stored) << c.given;
        // Not playing: the line starts at the new level without a ramp.
        EXPECT_EQ(line.slot().currentVolume.load(), c.stored) << c.given;
    }
}

TEST(LineSetters, VolumeOfAPlayingLineOnlySetsTheTarget) {
    TestLine line;
    line.play();
    klvSetVolume(line.handle(), 0.25f);
    EXPECT_EQ(line.slot().volume.load(), 0.25f);
    EXPECT_EQ(line.slot().currentVolume.load(), 1.0f);
}

TEST(LineSetters, PitchAndPanAreClamped) {
    struct Case {
        int32_t given;
        int32_t pitch;
        int32_t pan;
    } cases[] = {
        {0, 0, 0},
        {1080, 1080, 100},
        {2000, 2000, 100},
        {2001, 2000, 100},
        {-1, 0, -1},
        {-100, 0, -100},
        {-101, 0, -100},
        {50, 50, 50},
        {INT32_MIN, 0, -100},
        {INT32_MAX, 2000, 100},
    };
    for (const Case& c : cases) {
        TestLine line;
        EXPECT_EQ(klvSetPitch(line.handle(), c.given), 0);
        EXPECT_EQ(klvSetPan(line.handle(), c.given), 0);
        EXPECT_EQ(line.slot().pitch.load(), c.pitch) << c.given;
        EXPECT_EQ(line.slot().pan.load(), c.pan) << c.given;
    }
}

TEST(LineSetters, HandleWithoutAFileIsLeftAlone) {
    LineHandle closed{};
    closed.state = 1;
    closed.index = 7;
    LineHandle copy = closed;
    EXPECT_EQ(klvSetVolume(&closed, 0.5f), 0);
    EXPECT_EQ(klvSetPitch(&closed, 500), 0);
    EXPECT_EQ(klvSetPan(&closed, 20), 0);
    EXPECT_EQ(handleFields(closed), handleFields(copy));
    EXPECT_EQ(klvSetVolume(nullptr, 0.5f), 0);
}

TEST(LineSetters, CheckPlayingCountsSlotsPlayingExactlyOne) {
    TestLine a, b, c, d;
    EXPECT_EQ(klvCheckPlaying(), 0);
    a.play();
    b.play();
    c.slot().playing.store(2);
    EXPECT_EQ(klvCheckPlaying(), 2);
    b.slot().playing.store(0);
    EXPECT_EQ(klvCheckPlaying(), 1);
}

} // namespace
} // namespace klv::test
