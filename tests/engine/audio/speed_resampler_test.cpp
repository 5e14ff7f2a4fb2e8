// The speed resampler on its own, with values worked out by hand from its definition.

#include "engine/audio/speed_resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace klv::engine {
namespace {

constexpr int32_t kOut = 1024;

float onGrid(float x) {
    return static_cast<float>(std::nearbyint(x * 32768.0) / 32768.0);
}

std::vector<Frame> constant(float left, float right, int32_t n) {
    return std::vector<Frame>(n, Frame{left, right});
}

struct Resampler {
    float state[kResampleStateSize] = {};
    std::vector<Frame> out = std::vector<Frame>(kOut);

    const std::vector<Frame>& run(std::vector<Frame> source) {
        speedResample(state, source.data(), static_cast<int32_t>(source.size()), out.data(), kOut);
        return out;
    }
};

TEST(SpeedResampler, NormalSpeedDelaysOneFrameOnThe16BitGrid) {
    Resampler r;
    std::vector<Frame> first(kOut), second(kOut);
    for (int32_t i = 0; i < kOut; ++i) {
        first[i] = {0.3f * std::sin(0.05f * i), -0.7f + 0.001f * i};
        second[i] = {0.9f * std::cos(0.02f * i), 1e-6f * i};
    }
    r.run(first);
    EXPECT_EQ(r.out[0].left, 0.0f); // nothing before the first block
    for (int32_t k = 1; k < kOut; ++k) {
        ASSERT_EQ(r.out[k].left, onGrid(first[k - 1].left)) << k;
        ASSERT_EQ(r.out[k].right, onGrid(first[k - 1].right)) << k;
    }
    r.run(second);
    EXPECT_EQ(r.out[0].left, onGrid(first[kOut - 1].left)); // carried across blocks
    EXPECT_EQ(r.out[0].right, onGrid(first[kOut - 1].right));
    EXPECT_EQ(r.out[kOut - 1].left, onGrid(second[kOut - 2].left));
}

TEST(SpeedResampler, SamplesBeyondFullScaleClampOnTheGrid) {
    Resampler r;
    r.run(constant(1.5f, -1.5f, kOut));
    EXPECT_EQ(r.out[5].left, 32767.0f / 32768.0f);
    EXPECT_EQ(r.out[5].right, -1.0f);
}

// Double speed: every second pre-filtered frame, the pre-filter halving the distance to the
// input each frame: after j frames from rest a step of 0.5 has reached 0.5 (1 - 2^-j).
TEST(SpeedResampler, DoubleSpeedPreFiltersAndTakesEverySecondFrame) {
    Resampler r;
    const auto& out = r.run(constant(0.5f, -0.5f, 2 * kOut));
    EXPECT_EQ(out[0].left, 0.0f);
    for (int k = 1; k < 12; ++k) {
        const float expected = onGrid(static_cast<float>(0.5 * (1.0 - std::pow(0.5, 2 * k))));
        EXPECT_EQ(out[k].left, expected) << k;
        EXPECT_EQ(out[k].right, -expected) << k;
    }
    EXPECT_EQ(out[kOut - 1].left, 0.5f);
}

// Half speed: every source frame is used twice, the odd outputs half way between two frames
// (rounded up on the grid), and the post-filter with coefficient 0.5 smooths the steps.
TEST(SpeedResampler, HalfSpeedInterpolatesAndPostFilters) {
    Resampler r;
    std::vector<Frame> source = constant(0.5f, 0.0f, kOut / 2);
    source[1].left = 0.25f;
    const auto& out = r.run(source);
    // Interpolated: 0, 0.25, 0.5, 0.375, 0.25, 0.375, 0.5 ...
    const double interpolated[] = {0.0, 0.25, 0.5, 0.375, 0.25, 0.375, 0.5, 0.5};
    double s = 0.0;
    for (int k = 0; k < 8; ++k) {
        s = s + 0.5 * (interpolated[k] - s);
        EXPECT_FLOAT_EQ(out[k].left, static_cast<float>(s)) << k;
    }
}

TEST(SpeedResampler, OddInterpolationRoundsUpOnTheGrid) {
    Resampler r;
    std::vector<Frame> source = constant(0.0f, 0.0f, kOut / 2);
    source[0].left = 3.0f / 32768;   // half way from 0 is 1.5 steps: rounds up to 2
    source[0].right = -3.0f / 32768; // and -1.5 steps to -1
    r.run(source);
    // Post-filter 0.5 from rest: y0 = 0, y1 = 0.5 * interpolated(1).
    EXPECT_EQ(r.out[1].left, 0.5f * 2.0f / 32768);
    EXPECT_EQ(r.out[1].right, 0.5f * -1.0f / 32768);
}

TEST(SpeedResampler, NoSourceHoldsTheLastOutputAndKeepsTheLastFrame) {
    Resampler r;
    r.run(constant(0.5f, 0.25f, 512)); // half speed: post-filter state ends near 0.5
    const float heldLeft = r.out[kOut - 1].left;
    const float heldRight = r.out[kOut - 1].right;
    const float lastLeft = r.state[4];
    r.run({});
    for (int32_t k : {0, 100, kOut - 1}) {
        EXPECT_EQ(r.out[k].left, heldLeft);
        EXPECT_EQ(r.out[k].right, heldRight);
    }
    EXPECT_EQ(r.state[4], lastLeft);
    // Speed comes back: the first frame interpolates from the kept last source frame.
    r.run(constant(0.0f, 0.0f, kOut));
    EXPECT_EQ(r.out[0].left, onGrid(lastLeft)); // at normal speed: the kept frame, unfiltered
}

TEST(SpeedResampler, IncrementIsTheStepIn17Point15FixedPoint) {
    // n = 1104 (pitch 1080): inc = 32 * 1104 = 35328; output k reads source floor(k * 1.078125).
    Resampler r;
    std::vector<Frame> source(1104);
    for (int32_t i = 0; i < 1104; ++i)
        source[i] = {i / 2048.0f, 0.0f};
    // A pre-filter below 1.0 would smear the ramp; check the index arithmetic on a ramp slow
    // enough that the filter's lag is a constant offset.
    const auto& out = r.run(source);
    for (int32_t k : {100, 500, 1000}) {
        const int64_t p = int64_t{k} * 35328;
        const int32_t idx = static_cast<int32_t>(p >> 15);
        EXPECT_LT(out[k].left, source[idx].left) << k;
        EXPECT_GT(out[k].left, source[idx - 1].left - 2.0f / 2048) << k;
    }
}

} // namespace
} // namespace klv::engine
