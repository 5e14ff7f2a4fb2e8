// The VU display frame by frame: which blocks light for which levels, the block geometry, the
// stretch onto a larger target with its black bands and text, colour changes, and frames that
// draw nothing because nothing changed.

#include "engine/display/vu_display.h"
#include "tests/engine/display/vu_test_support.h"

#include <gtest/gtest.h>

namespace klv::test {
namespace {

using engine::VuColours;
using engine::VuDisplay;

const VuColours kColours{kBack, kLit, kDim, kText};

MeterCounts countsFor(const engine::VuIndices& indices) {
    MeterCounts counts{};
    for (int m = 0; m < 12; ++m)
        counts[m] = std::clamp(indices.meters[m], 0, 17);
    return counts;
}

TEST(VuLevels, MetersShowTheSecondOldestEntryInDecibels) {
    struct Case {
        const char* name;
        float master;
        float band;
        int32_t masterLit;
        int32_t bandLit;
    };
    const std::vector<Case> cases = {
        {"full scale", 1.0f, 1.0f, 17, 17},
        {"half", 0.5f, 0.5f, 11, 14},
        {"silence", 0.0f, 0.0f, 0, 0},
        {"band above -4 dB", 0.1f, 0.64f, 0, 17},
        {"band just below -4 dB", 0.125f, 0.62f, 0, 16},
        {"over full scale", 3.0f, 3.0f, 17, 17},
        {"negative", -0.5f, -1.0f, 0, 0},
    };
    for (const Case& c : cases) {
        std::array<float, 10> bands{};
        bands.fill(c.band);
        bands[9] = 0.0f; // one band silent, to see the bands read separately
        setShownLevels(c.master, c.master / 2, bands, 1.0f);
        const MeterCounts counts = countsFor(engine::readVuIndices());
        EXPECT_EQ(counts[10], c.masterLit) << c.name;
        EXPECT_EQ(counts[0], c.bandLit) << c.name;
        EXPECT_EQ(counts[9], 0) << c.name;
    }
    setShownLevels(0.5f, 0.25f, {}, 1.0f);
    EXPECT_EQ(countsFor(engine::readVuIndices())[11], 5); // -12.04 dB
}

TEST(VuDisplayFrame, DrawsEveryBlockOfThePicture) {
    TestSurface surface(kVuWidth, kVuHeight);
    VuDisplay display(kVuWidth, kVuHeight, kColours);
    engine::VuIndices indices;
    indices.meters = {20, 14, 0, -50, 1, 16, 17, 3, 9, 11, 11, 5};
    ASSERT_TRUE(display.frame(platform::SurfaceRef(surface.dc()), indices, kColours));
    EXPECT_EQ(display.scaledHeight(), kVuHeight);
    EXPECT_EQ(surface.pixels(), expectedVuPicture({17, 14, 0, 0, 1, 16, 17, 3, 9, 11, 11, 5}));
}

TEST(VuDisplayFrame, OnlyChangesAreDrawn) {
    TestSurface surface(kVuWidth, kVuHeight);
    const platform::SurfaceRef target(surface.dc());
    VuDisplay display(kVuWidth, kVuHeight, kColours);
    engine::VuIndices indices;
    indices.meters.fill(8);
    ASSERT_TRUE(display.frame(target, indices, kColours));
    const std::vector<uint32_t> first = surface.pixels();
    // Unchanged levels: only the first text frame draws (text and bands, then the picture over
    // them, as the target has the picture's proportions); the picture stays the same.
    int drawn = 0;
    for (int i = 0; i < 200; ++i)
        drawn += display.frame(target, indices, kColours) ? 1 : 0;
    EXPECT_EQ(drawn, 1);
    EXPECT_EQ(surface.pixels(), first);
    const uint64_t changes = target.changeCount();
    indices.meters[3] = -32; // from 8 lit blocks to none
    EXPECT_TRUE(display.frame(target, indices, kColours));
    EXPECT_EQ(target.changeCount(), changes + 1);
    indices.meters[3] = -70; // nothing lit either way
    EXPECT_FALSE(display.frame(target, indices, kColours));
    MeterCounts expected;
    expected.fill(8);
    expected[3] = 0;
    EXPECT_EQ(surface.pixels(), expectedVuPicture(expected));
}

// A target taller than the picture's proportions: the picture is stretched across the width,
// centred in height, with black bands above and below and the text in the upper band; the bands
// come with the 51st frame.
TEST(VuDisplayFrame, LargerTargetGetsBandsAndText) {
    constexpr int32_t kWidth = 356, kHeight = 300;
    constexpr uint32_t kBefore = 0xFF555555u;
    const int32_t scaled = kWidth * 69 / 178; // 138
    const int32_t band = (kHeight - scaled) / 2;
    TestSurface surface(kWidth, kHeight);
    {
        platform::SurfaceLock lock(surface.dc());
        std::fill(lock.pixels(), lock.pixels() + lock.stride() * lock.height(), kBefore);
    }
    const platform::SurfaceRef target(surface.dc());
    VuDisplay display(kWidth, kHeight, kColours);
    engine::VuIndices indices;
    indices.meters = {3, 17, 0, 5, 8, 1, 2, 12, 15, 4, 11, 6};
    display.frame(target, indices, kColours);
    EXPECT_EQ(display.pictureTop(), band);
    EXPECT_EQ(surface.at(0, 0), kBefore); // no bands before the 51st frame
    for (int i = 2; i <= 51; ++i)
        display.frame(target, indices, kColours);

    const std::vector<uint32_t> picture =
        expectedVuPicture({3, 17, 0, 5, 8, 1, 2, 12, 15, 4, 11, 6});
    Points text;
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            const uint32_t got = surface.at(x, y);
            if (y >= band && y < band + scaled) {
                const uint32_t expected = picture[((y - band) / 2) * kVuWidth + x / 2];
                ASSERT_EQ(got, expected) << x << "," << y;
            } else if (got == px(kText)) {
                text.emplace(x, y);
            } else {
                ASSERT_EQ(got, px(0)) << "black band at " << x << "," << y;
            }
        }
    }
    ASSERT_FALSE(text.empty());
    int32_t left = kWidth, right = 0, top = kHeight, bottom = 0;
    for (auto [x, y] : text) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    EXPECT_EQ(top, 16);
    EXPECT_LT(bottom, band);
    EXPECT_EQ(left, kWidth - 1 - right); // centred
}

TEST(VuDisplayFrame, NewColoursBlackenTheTargetAndRepaintThePicture) {
    constexpr int32_t kWidth = 178, kHeight = 100;
    TestSurface surface(kWidth, kHeight);
    const platform::SurfaceRef target(surface.dc());
    VuDisplay display(kWidth, kHeight, kColours);
    engine::VuIndices indices;
    indices.meters.fill(9);
    display.frame(target, indices, kColours);
    EXPECT_EQ(surface.at(0, 0), px(kBack)); // the program's fill, untouched so far

    const VuColours changed{0x00000080, 0x0000FF00, 0x00004000, kText};
    ASSERT_TRUE(display.frame(target, indices, changed));
    EXPECT_EQ(surface.at(0, 0), px(0)); // target blackened
    const int32_t top = display.pictureTop();
    EXPECT_EQ(surface.at(0, top), px(0x00000080));      // new background
    EXPECT_EQ(surface.at(1, top + 65), px(0x0000FF00)); // bottom block, lit
    EXPECT_EQ(surface.at(1, top + 1), px(0x00004000));  // top block, dim
    EXPECT_TRUE(surface.pointsOf(px(kLit)).empty());
    EXPECT_TRUE(surface.pointsOf(px(kDim)).empty());
}

// When the program paints over the target, the next frame shows the picture again.
TEST(VuDisplayFrame, APaintedTargetIsDrawnAgain) {
    TestSurface surface(kVuWidth, kVuHeight);
    const platform::SurfaceRef target(surface.dc());
    VuDisplay display(kVuWidth, kVuHeight, kColours);
    engine::VuIndices indices;
    indices.meters.fill(4);
    display.frame(target, indices, kColours);
    const std::vector<uint32_t> drawn = surface.pixels();
    ASSERT_TRUE(platform::resizeSurface(surface.dc(), kVuWidth, kVuHeight + 1, px(kBack)));
    ASSERT_TRUE(platform::resizeSurface(surface.dc(), kVuWidth, kVuHeight, px(kBack)));
    {
        platform::SurfaceLock lock(surface.dc());
        std::fill(lock.pixels(), lock.pixels() + 100, 0xFF00FF00u);
        lock.markChanged();
    }
    EXPECT_TRUE(display.frame(target, indices, kColours));
    EXPECT_EQ(surface.pixels(), drawn);
}

} // namespace
} // namespace klv::test
