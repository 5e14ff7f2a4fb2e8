// What comes out of the devices for known lines: conversion, volume, pan, pitch, master gain,
// pre-listen and headphone routing, checked sample for sample.

#include "tests/engine/audio/output_fixture.h"

#include <cmath>

namespace klv::test {
namespace {

using engine::kBlockFrames;

int16_t leftOf(const std::vector<int16_t>& block, int frame) {
    return block.at(2 * frame);
}
int16_t rightOf(const std::vector<int16_t>& block, int frame) {
    return block.at(2 * frame + 1);
}

// A value on the 16-bit grid passes the resampler unchanged, so these tests can name exact
// outputs; volume 2 turns a line value of 0.5 into a mix of exactly 1.0.
TEST_F(OutputTest, MixConvertsWith32750AndClipsAtTheRails) {
    struct Case {
        float line;
        int16_t pcm;
    } cases[] = {
        {0.5f, 32750},    {-0.5f, -32750},  {0.75f, 32767}, {-0.75f, -32768},
        {0.25f, 16375},   {-0.25f, -16375}, {0.0f, 0},      {0.125f, 8187}, // 8187.5 truncates
        {-0.125f, -8187},
    };
    // One block of source per case: block b plays case b.
    TestLine line;
    klvSetVolume(line.handle(), 2.0f);
    for (const Case& c : cases)
        line.feedConstant(c.line, -c.line, kBlockFrames);
    line.play();
    start();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto block = primaryBlock(static_cast<int>(i) + 1);
        ASSERT_FALSE(block.empty());
        // Frame 0 still carries the previous block's value: the resampler delays by one frame.
        EXPECT_EQ(leftOf(block, 1), cases[i].pcm) << cases[i].line;
        EXPECT_EQ(leftOf(block, kBlockFrames - 1), cases[i].pcm) << cases[i].line;
        const int pcm = cases[i].pcm;
        const auto mirrored = static_cast<int16_t>(pcm == -32768  ? 32767
                                                   : pcm == 32767 ? -32768
                                                                  : -pcm);
        EXPECT_EQ(rightOf(block, 1), mirrored) << cases[i].line;
    }
}

TEST_F(OutputTest, LinesAddUpAndAPlayingLineWithAnEmptyRingIsSilent) {
    TestLine a, b, empty;
    a.feedConstant(0.25f, 0.5f, 4 * kBlockFrames);
    b.feedConstant(0.25f, -0.25f, 4 * kBlockFrames);
    a.play();
    b.play();
    empty.play();
    start();
    const auto block = primaryBlock(2);
    EXPECT_EQ(leftOf(block, 10), 16375);
    EXPECT_EQ(rightOf(block, 10), 8187);
    EXPECT_EQ(empty.slot().position.load(), 0);
    EXPECT_EQ(empty.slot().sampleRead.load(), 0);
    EXPECT_GE(a.slot().position.load(), 2 * kBlockFrames);
}

TEST_F(OutputTest, PanKeepsTheNearSideAtUnityAndFadesTheFarSide) {
    struct Case {
        int32_t pan;
        int16_t left;
        int16_t right;
    } cases[] = {
        {0, 16375, 16375}, {100, 0, 16375}, {-100, 16375, 0}, {-50, 16375, 8187},
        {50, 8187, 16375}, {150, 0, 16375}, {-150, 16375, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pan);
        TestLine line;
        line.feedConstant(0.5f, 0.5f, 4 * kBlockFrames);
        klvSetPan(line.handle(), c.pan);
        line.play();
        platform::wavetest::configure(2);
        start();
        const auto block = primaryBlock(2);
        EXPECT_EQ(leftOf(block, 100), c.left);
        EXPECT_EQ(rightOf(block, 100), c.right);
        klvKillAudio();
    }
}

// The ramp moves 0.0025 per frame: 400 frames from 1.0 to silence, ending just above 0, and
// nothing in between jumps.
TEST_F(OutputTest, VolumeChangesOfAPlayingLineRampOver400Frames) {
    TestLine line;
    line.feedConstant(0.5f, 0.5f, 16 * kBlockFrames);
    line.play();
    start(); // block 1 at full volume
    klvSetVolume(line.handle(), 0.0f);
    EXPECT_EQ(line.slot().currentVolume.load(), 1.0f); // playing: no jump
    step();                                            // block 2 ramps down
    const auto block = primaryBlock(2);
    int lastChange = -1;
    for (int k = 1; k < kBlockFrames; ++k) {
        ASSERT_LE(leftOf(block, k), leftOf(block, k - 1)) << k;
        // One step of the ramp on a signal of 0.5 is about 41 in 16 bits.
        ASSERT_LE(leftOf(block, k - 1) - leftOf(block, k), 42) << k;
        if (leftOf(block, k) != leftOf(block, k - 1))
            lastChange = k;
    }
    EXPECT_EQ(leftOf(block, 0), static_cast<int16_t>(0.5 * (1 - 0.0025) * 32750));
    EXPECT_EQ(lastChange, 399);
    const float settled = line.slot().currentVolume.load();
    EXPECT_GT(settled, 0.0f); // no snap to the target
    EXPECT_LT(settled, 0.0025f);
}

TEST_F(OutputTest, MasterGainRampsLeftFirstThenRight) {
    TestLine line;
    line.feedConstant(0.5f, 0.5f, 16 * kBlockFrames);
    line.play();
    start();
    klvSetMainVol(0.0f, 0.0f, 1.0f);
    step(); // block 2: left falls over frames 0..399, then right over 400..799
    const auto block = primaryBlock(2);
    EXPECT_EQ(rightOf(block, 0), 16375);
    EXPECT_EQ(rightOf(block, 399), 16375);
    EXPECT_LT(leftOf(block, 398), 100);
    EXPECT_EQ(leftOf(block, 400), 0);
    EXPECT_LT(rightOf(block, 401), 16375);
    EXPECT_EQ(rightOf(block, 800), 0);
    EXPECT_EQ(leftOf(block, 800), 0);
}

TEST_F(OutputTest, PitchSetsHowManySourceFramesABlockConsumes) {
    struct Case {
        int32_t pitch;
        int32_t overSample;
        int32_t consumed;
    } cases[] = {
        {1000, 0, 1024}, {1001, 0, 1024}, {1003, 0, 1024}, {1004, 0, 1028}, {1004, 1, 1024},
        {2000, 0, 2048}, {2500, 0, 2048}, {500, 0, 512},   {999, 0, 1020},  {1080, 0, 1104},
        {3, 0, 0},       {0, 0, 0},       {-20, 0, 0},
    };
    TestLine line;
    line.feedConstant(0.1f, 0.1f, 40000);
    line.play();
    start();
    for (const Case& c : cases) {
        m_options.OverSample = c.overSample;
        applyOptions(); // read again for every block
        klvSetPitch(line.handle(), c.pitch);
        const int32_t before = line.slot().sampleRead.load();
        step();
        EXPECT_EQ(line.slot().sampleRead.load() - before, c.consumed) << c.pitch;
    }
}

// At speed 0 nothing is consumed and the line holds its last output value until it moves
// again.
TEST_F(OutputTest, PitchZeroHoldsTheLastValue) {
    TestLine line;
    line.feedConstant(0.5f, 0.25f, 8 * kBlockFrames);
    line.play();
    start();
    klvSetPitch(line.handle(), 0);
    step(2);                                              // blocks 2 and 3 at speed 0
    EXPECT_EQ(line.slot().position.load(), kBlockFrames); // block 1 only
    klvSetPitch(line.handle(), 1000);
    for (int block : {2, 3}) {
        const auto out = primaryBlock(block);
        for (int k : {0, 511, 1023}) {
            EXPECT_EQ(leftOf(out, k), 16375) << block << " " << k;
            EXPECT_EQ(rightOf(out, k), 8187) << block << " " << k;
        }
    }
}

// Normal speed hands the line through one frame late, on the 16-bit grid.
TEST_F(OutputTest, NormalSpeedDelaysTheLineByOneFrameOnThe16BitGrid) {
    std::vector<Frame> source(3 * kBlockFrames);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = {static_cast<float>(0.4 * std::sin(0.01 * i)),
                     static_cast<float>(0.3 - 1e-4 * i)};
    TestLine line;
    line.feed(source);
    line.play();
    start();
    const auto block = primaryBlock(2);
    for (int k = 0; k < kBlockFrames; ++k) {
        const Frame in = source[kBlockFrames + k - 1];
        const auto expect = [](float x) {
            const double grid = std::nearbyint(x * 32768.0) / 32768.0;
            return static_cast<int16_t>(static_cast<float>(grid) * 32750.0);
        };
        ASSERT_EQ(leftOf(block, k), expect(in.left)) << k;
        ASSERT_EQ(rightOf(block, k), expect(in.right)) << k;
    }
}

class HeadphoneTest : public OutputTest,
                      public ::testing::WithParamInterface<std::tuple<int32_t, bool>> {};

// Line A is on the main mix only, line B only on the pre-listen (previewed at volume 0).
// Main: (0.5, 0.25) -> (16375, 8187); cue (0.375, -0.375) at headphone level 0.5 -> +-6140;
// main on the headphones at level 0.5 -> (8187, 4093).
TEST_P(HeadphoneTest, RoutesMainAndCueToTheSecondaryByMode) {
    const auto [mode, secondary] = GetParam();
    m_options.UseSecondary = secondary;
    m_options.SecondaryDevice = 1;
    m_options.HeadphoneMode = mode;
    applyOptions();
    klvSetMainVol(1.0f, 1.0f, 0.5f);
    TestLine a, b;
    a.feedConstant(0.25f, 0.125f, 12 * kBlockFrames);
    klvSetVolume(a.handle(), 2.0f);
    b.feedConstant(0.375f, -0.375f, 12 * kBlockFrames);
    klvSetVolume(b.handle(), 0.0f);
    b.setPreview(true);
    a.play();
    b.play();
    m_lockstep = true;
    start();
    step(10);

    const auto main = playedBuffer(0, kStartSilence + 2);
    ASSERT_FALSE(main.empty());
    EXPECT_EQ(leftOf(main, 5), 16375);
    EXPECT_EQ(rightOf(main, 5), 8187);

    if (!secondary) {
        EXPECT_EQ(platform::wavetest::openCount(1), 0u);
        return;
    }
    const auto phones = playedBuffer(1, kStartSilence + 1); // block 3
    ASSERT_FALSE(phones.empty());
    const int16_t expectedLeft = mode == 0 ? 6140 : 8187;
    // The right side is the cue's but in mode 1, where both sides carry the main mix.
    const int16_t expectedRight = mode == 1 ? 4093 : -6140;
    EXPECT_EQ(leftOf(phones, 5), expectedLeft);
    EXPECT_EQ(rightOf(phones, 5), expectedRight);
}

INSTANTIATE_TEST_SUITE_P(Modes, HeadphoneTest,
                         ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Bool()));

// A headphone level above 1.0 must clip on the headphones, not wrap to the opposite rail.
TEST_F(OutputTest, HeadphoneRoutingClipsInsteadOfWrapping) {
    m_options.UseSecondary = 1;
    m_options.SecondaryDevice = 1;
    m_options.HeadphoneMode = 1;
    applyOptions();
    klvSetMainVol(1.0f, 1.0f, 1.5f);
    TestLine line;
    line.feedConstant(0.5f, -0.5f, 12 * kBlockFrames);
    klvSetVolume(line.handle(), 2.0f);
    line.play();
    m_lockstep = true;
    start();
    step(10);
    const auto phones = playedBuffer(1, kStartSilence + 1);
    ASSERT_FALSE(phones.empty());
    EXPECT_EQ(leftOf(phones, 5), 32767);
    EXPECT_EQ(rightOf(phones, 5), -32768);
}

// The options that shape a block are read for every block: a saved change acts on the next.
TEST_F(OutputTest, HeadphoneModeChangeActsOnTheNextBlock) {
    m_options.UseSecondary = 1;
    m_options.SecondaryDevice = 1;
    applyOptions();
    klvSetMainVol(1.0f, 1.0f, 1.0f);
    TestLine line;
    line.feedConstant(0.25f, 0.25f, 20 * kBlockFrames);
    line.play(); // main only: with mode 0 the headphones hear nothing
    m_lockstep = true;
    start();
    step(4);
    m_options.HeadphoneMode = 1;
    applyOptions();
    step(8);
    const auto before = playedBuffer(1, kStartSilence + 1); // block 3
    const auto after = playedBuffer(1, kStartSilence + 4);  // block 6
    ASSERT_FALSE(before.empty());
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(leftOf(before, 7), 0);
    EXPECT_EQ(leftOf(after, 7), 8187);
}

} // namespace
} // namespace klv::test
