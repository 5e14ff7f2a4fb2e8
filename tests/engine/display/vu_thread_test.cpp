// The VU thread through the engine's interface: starting and stopping it, the results of the
// calls in each state, and the picture it keeps drawing from the level histories.

#include "engine/core/options_copy.h"
#include "engine/display/vu_thread.h"
#include "klv3.h"
#include "platform/system/clock.h"
#include "tests/engine/display/vu_test_support.h"
#include "tests/support/eventually.h"

#include <gtest/gtest.h>

#include <functional>

namespace klv::test {
namespace {

class VuThread : public testing::Test {
protected:
    void SetUp() override {
        OptionsRecord options{};
        options.LCDBackColor = kBack;
        options.LCDLitColor = kLit;
        options.LCDDimColor = kDim;
        options.TextColor = kText;
        engine::replaceOptions(options);
        setShownLevels(0.0f, 0.0f, {});
    }
    void TearDown() override { klvStopVU(); }
};

TEST_F(VuThread, StartAndStopResultsFollowTheState) {
    TestSurface surface(kVuWidth, kVuHeight);
    EXPECT_EQ(klvStartVU(0x11, 0, kVuWidth, kVuHeight), -1); // no context: nothing starts
    EXPECT_EQ(engine::vuState(), 0);
    EXPECT_EQ(klvStopVU(), -1); // nothing runs

    EXPECT_EQ(klvStartVU(0x11, surface.dc(), kVuWidth, kVuHeight), 0);
    EXPECT_EQ(engine::vuState(), 1);
    EXPECT_EQ(klvStartVU(0x11, surface.dc(), kVuWidth, kVuHeight), -1); // already running

    EXPECT_EQ(klvStopVU(), 0);
    EXPECT_EQ(engine::vuState(), -1);
    EXPECT_EQ(klvStopVU(), -1); // ended already: no second wait

    EXPECT_EQ(klvStartVU(0x11, surface.dc(), kVuWidth, kVuHeight), 0); // again after a stop
    EXPECT_EQ(engine::vuState(), 1);
    EXPECT_EQ(klvStopVU(), 0);
}

TEST_F(VuThread, PictureFollowsTheLevelHistories) {
    TestSurface surface(kVuWidth, kVuHeight);
    std::array<float, 10> bands{};
    bands[0] = 0.5f;  // 14 blocks
    bands[4] = 1.0f;  // 17
    bands[7] = 0.09f; // 0: -20.9 dB + 20
    setShownLevels(0.5f, 1.0f, bands, 0.9f);
    ASSERT_EQ(klvStartVU(0x11, surface.dc(), kVuWidth, kVuHeight), 0);
    const MeterCounts expected = {14, 0, 0, 0, 17, 0, 0, 0, 0, 0, 11, 17};
    ASSERT_TRUE(eventually([&] { return countLitBlocks(surface) == expected; }));
    EXPECT_EQ(surface.pixels(), expectedVuPicture(expected));

    setShownLevels(0.0f, 0.25f, {}, 1.0f); // the meters fall
    const MeterCounts fallen = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5};
    ASSERT_TRUE(eventually([&] { return countLitBlocks(surface) == fallen; }));
    EXPECT_EQ(klvStopVU(), 0);

    // Stopped: the picture stays as it was, whatever the levels do.
    setShownLevels(1.0f, 1.0f, {}, 1.0f);
    const uint64_t changes = platform::SurfaceRef(surface.dc()).changeCount();
    platform::sleepMs(20);
    EXPECT_EQ(platform::SurfaceRef(surface.dc()).changeCount(), changes);
}

// A context whose surface is gone, before the start or while the meters run, draws nothing
// and neither stops nor crashes the thread.
TEST_F(VuThread, SurfaceDroppedBeforeOrDuringTheMeters) {
    platform::DeviceContext gone = 0;
    {
        TestSurface surface(kVuWidth, kVuHeight);
        gone = surface.dc();
    }
    ASSERT_EQ(klvStartVU(0x11, gone, kVuWidth, kVuHeight), 0);
    platform::sleepMs(5);
    EXPECT_EQ(engine::vuState(), 1);
    EXPECT_EQ(klvStopVU(), 0);

    TestSurface surface(kVuWidth, kVuHeight);
    ASSERT_EQ(klvStartVU(0x11, surface.dc(), kVuWidth, kVuHeight), 0);
    ASSERT_TRUE(eventually([&] { return surface.at(1, 65) == px(kDim); }));
    platform::destroySurface(surface.dc());
    platform::sleepMs(5);
    EXPECT_EQ(engine::vuState(), 1);
    EXPECT_EQ(klvStopVU(), 0);
}

TEST_F(VuThread, ColourChangeShowsWithinAFrame) {
    TestSurface surface(kVuWidth, kVuHeight);
    setShownLevels(1.0f, 1.0f, {}, 1.0f);
    ASSERT_EQ(klvStartVU(0x11, surface.dc(), kVuWidth, kVuHeight), 0);
    ASSERT_TRUE(eventually([&] { return surface.at(146, 65) == px(kLit); }));
    OptionsRecord options = engine::optionsSnapshot();
    options.LCDLitColor = 0x000000FF;
    options.LCDBackColor = 0x00000040;
    engine::replaceOptions(options);
    ASSERT_TRUE(eventually([&] {
        return surface.at(146, 65) == px(0x000000FF) && surface.at(0, 0) == px(0x00000040);
    }));
    EXPECT_TRUE(surface.pointsOf(px(kLit)).empty());
}

} // namespace
} // namespace klv::test
