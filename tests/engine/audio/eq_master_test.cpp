// The master equalizer on the main mix: klvSetEQ, the gain smoothing, the bands adding up to
// the input, the band shapes and the band-level history.

#include "engine/audio/master_eq.h"
#include "engine/audio/master_section.h"
#include "klv3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace klv::test {
namespace {

using engine::kMasterBands;

constexpr double kUnit = 1.122462048309373;

class MasterEq : public ::testing::Test {
protected:
    void SetUp() override {
        for (int b = 0; b < kMasterBands; ++b)
            klvSetEQ(b, 0.0f);
        engine::resetMasterEq();
        engine::clearMasterLevels();
    }
    std::vector<Frame> run(std::vector<Frame> frames) {
        engine::processMasterEq(frames.data(), static_cast<int32_t>(frames.size()));
        return frames;
    }
    static std::vector<Frame> constant(float left, float right, int count) {
        return std::vector<Frame>(count, Frame{left, right});
    }
    static std::vector<Frame> sine(double hz, int count, double amplitude = 0.5) {
        std::vector<Frame> frames(count);
        for (int k = 0; k < count; ++k) {
            const float x = static_cast<float>(amplitude * std::sin(2 * M_PI * hz * k / 44100.0));
            frames[k] = Frame{x, -x};
        }
        return frames;
    }
    static double peak(const std::vector<Frame>& frames, int from) {
        double p = 0.0;
        for (size_t k = from; k < frames.size(); ++k)
            p = std::max(
                {p, std::fabs(double(frames[k].left)), std::fabs(double(frames[k].right))});
        return p;
    }
};

TEST_F(MasterEq, SetEqTakesBandsZeroToNineAndClampsTheLevel) {
    const struct {
        int32_t band;
        float value;
        int32_t result;
        double gain; // expected gain of the band afterwards; < 0: unchanged
    } cases[] = {
        {0, 0.0f, 0, 1.0},
        {9, 6.0f, 0, 2.0},
        {4, -6.0f, 0, 0.5},
        {0, 30.0f, 0, std::pow(kUnit, 24.0)},
        {3, -100.0f, 0, std::pow(kUnit, -24.0)},
        {10, 0.0f, -1, -1},
        {-1, 3.0f, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "band " << c.band << " value " << c.value);
        float before[kMasterBands];
        for (int b = 0; b < kMasterBands; ++b)
            before[b] = engine::masterEqGain(b);
        EXPECT_EQ(klvSetEQ(c.band, c.value), c.result);
        for (int b = 0; b < kMasterBands; ++b) {
            if (b == c.band)
                EXPECT_NEAR(engine::masterEqGain(b), c.gain, 1e-5 * c.gain);
            else
                EXPECT_EQ(engine::masterEqGain(b), before[b]) << "band " << b;
        }
    }
}

// With equal gains the bands add up to the input times the smoothed gain, so a constant input
// shows the smoothed gain directly: from 0.0 at the start it climbs by 0.002 per frame and
// settles within 0.002 of 1.0 after about 500 frames.
TEST_F(MasterEq, GainsRiseSmoothlyFromSilenceAndSettleAfterAbout500Frames) {
    const std::vector<Frame> out = run(constant(0.5f, -0.25f, 1024));
    for (int k = 0; k < 1024; ++k) {
        const double expected = std::min(0.002 * (k + 1), 1.0);
        ASSERT_NEAR(out[k].left, 1e-7 + 0.5 * expected, 2e-4) << k;
        ASSERT_NEAR(out[k].right, 1e-7 - 0.25 * expected, 2e-4) << k;
    }
    EXPECT_NEAR(out[520].left / 0.5, 1.0, 0.002);
    EXPECT_NEAR(out[1023].left / 0.5, 1.0, 0.002);

    // Down to level -24 the same way, 0.002 per frame.
    for (int b = 0; b < kMasterBands; ++b)
        klvSetEQ(b, -24.0f);
    const std::vector<Frame> down = run(constant(0.5f, 0.5f, 1024));
    EXPECT_NEAR(down[99].left, 0.5 * (out[1023].left / 0.5 - 0.2), 1e-3);
}

TEST_F(MasterEq, FlatBandsAddUpToTheInputScaledByTheSettledGain) {
    run(constant(0.1f, 0.1f, 2000)); // settle
    std::mt19937 random(3);
    std::uniform_real_distribution<float> value(-0.9f, 0.9f);
    std::vector<Frame> in(4096);
    for (auto& f : in)
        f = Frame{value(random), value(random)};
    const std::vector<Frame> out = run(in);
    double cross = 0.0, power = 0.0;
    for (size_t k = 0; k < in.size(); ++k) {
        cross += (out[k].left - 1e-7) * in[k].left + (out[k].right - 1e-7) * in[k].right;
        power += in[k].left * in[k].left + in[k].right * in[k].right;
    }
    const double gain = cross / power;
    EXPECT_NEAR(gain, 1.0, 0.002);
    for (size_t k = 0; k < in.size(); ++k) {
        ASSERT_NEAR(out[k].left, gain * in[k].left + 1e-7, 2e-6) << k;
        ASSERT_NEAR(out[k].right, gain * in[k].right + 1e-7, 2e-6) << k;
    }
}

// Band 0 is the lowest: boosting it lifts a 30 Hz tone and leaves 5 kHz alone; cutting band 9
// takes the top off a 16 kHz tone and leaves 100 Hz alone.
TEST_F(MasterEq, LowBandsShapeLowFrequenciesAndHighBandsHighOnes) {
    const struct {
        int band;
        float level;
        double hz;
        double low, high; // expected output peak / input peak
    } cases[] = {
        {0, 12.0f, 30.0, 2.5, 4.1},
        {0, 12.0f, 5000.0, 0.97, 1.03},
        {9, -24.0f, 16000.0, 0.0, 0.6},
        {9, -24.0f, 100.0, 0.97, 1.03},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "band " << c.band << " at " << c.hz << " Hz");
        SetUp();
        klvSetEQ(c.band, c.level);
        run(constant(0.0f, 0.0f, 30000)); // gains settle
        const std::vector<Frame> out = run(sine(c.hz, 44100));
        const double ratio = peak(out, 22050) / 0.5;
        EXPECT_GE(ratio, c.low);
        EXPECT_LE(ratio, c.high);
    }
}

TEST_F(MasterEq, EachBlockAddsARowToTheBandLevelHistory) {
    auto& history = engine::masterLevels().bands;
    run(constant(0.0f, 0.0f, 1024));
    const std::vector<Frame> tone = sine(60.0, 1024);
    run(tone);
    float newest[kMasterBands];
    for (int b = 0; b < kMasterBands; ++b)
        newest[b] = history[kPeakHistory - 1][b].load();
    EXPECT_GT(newest[0] + newest[1] + newest[2], 0.2f) << "a 60 Hz tone lives in the low bands";
    EXPECT_LT(newest[9], 0.01f);

    // Silence, once the filters have rung out: the rows move up one place per block and the
    // newest level decays by 0.9.
    for (int block = 0; block < 10; ++block)
        run(constant(0.0f, 0.0f, 1024));
    for (int b = 0; b < kMasterBands; ++b)
        newest[b] = history[kPeakHistory - 1][b].load();
    run(constant(0.0f, 0.0f, 1024));
    for (int b = 0; b < kMasterBands; ++b) {
        EXPECT_EQ(history[kPeakHistory - 2][b].load(), newest[b]) << b;
        EXPECT_NEAR(history[kPeakHistory - 1][b].load(), 0.9f * newest[b], 1e-6) << b;
    }
}

} // namespace
} // namespace klv::test
