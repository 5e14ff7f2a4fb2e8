// The compressor's processing: its coefficients, the order of its per-frame steps (against a
// model written from the description), and how it behaves on steady signals.

#include "tests/plugins/compressor_fixture.h"

#include <random>

namespace klv::test {
namespace {

constexpr int kBlock = KLV_PLUGIN_BLOCK_FRAMES;

std::vector<float> constant(float left, float right, int blocks) {
    std::vector<float> s(2 * kBlock * blocks);
    for (size_t i = 0; i < s.size(); i += 2) {
        s[i] = left;
        s[i + 1] = right;
    }
    return s;
}

// Music-like: a loud low tone with a beat and noise, different on each side.
std::vector<float> program(int blocks, float level) {
    std::mt19937 random(4);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::vector<float> s(2 * kBlock * blocks);
    for (size_t k = 0; k < s.size() / 2; ++k) {
        const double t = static_cast<double>(k) / 44100.0;
        const double beat = std::fmod(t, 0.25) < 0.05 ? 1.0 : 0.3;
        s[2 * k] =
            static_cast<float>(level * (beat * std::sin(2 * M_PI * 80 * t) + 0.2 * noise(random)));
        s[2 * k + 1] =
            static_cast<float>(level * (0.6 * std::sin(2 * M_PI * 440 * t) + 0.1 * noise(random)));
    }
    return s;
}

// Every combination of switches and a spread of the sliders, against the model.
TEST_F(CompressorTest, ProcessingFollowsTheDescribedStepsForEverySetting) {
    const CompressorSettings cases[] = {
        {{-1, 3, 120, 0, 30, 1, 1, 0}}, // the defaults
        {{-12, 20, 50, 6, 0, 0, 0, 0}},     {{-6, 1, 5, -3, 60, 1, 0, 1}},
        {{-20, 250, 100, 20, 10, 0, 1, 1}}, {{20, 100, 30, -20, 45, 1, 1, 1}},
        {{0, 10, 5, 0, 0, 0, 0, 1}},
    };
    for (const CompressorSettings& settings : cases) {
        SCOPED_TRACE(testing::Message() << "threshold " << settings.value[0] << " attack "
                                        << settings.value[1] << " joint " << settings.value[7]);
        LoadedCompressor plugin;
        storeSettings(settings);
        plugin.start();
        CompressorModel model(settings);
        const std::vector<float> in = program(40, 0.9f);
        EXPECT_LT(largestDifference(plugin.run(in), model.run(in)), 2e-5);
    }
}

// Threshold 0 and attack 10 (1.0 ms): thr = 1.0 and att = 2 / 44.1. With the release at
// 1000 ms, rel = 2 / 44100. A steady 2.0 is over the threshold from the first frame: the gain
// is released to (1 + rel), then attacked by (1 - att), and so on.
TEST_F(CompressorTest, ThresholdAndAttackArithmetic) {
    storeSettings({{0, 10, 100, 0, 0, 0, 0, 0}});
    m_plugin.start();
    const std::vector<float> out = m_plugin.run(constant(2.0f, 0.99f, 1));
    const double att = 2.0 / 44.1, rel = 2.0 / 44100.0;
    double g = 1.0;
    for (int k = 0; k < 5; ++k) {
        g = g * (1 + rel);
        if (2.0 * g > 1.0)
            g = g * (1 - att);
        EXPECT_NEAR(out[2 * k] / 2.0, g, 1e-6) << "frame " << k;
        EXPECT_EQ(out[2 * k + 1], 0.99f) << "0.99 stays under thr = 1.0, untouched";
    }
}

// A steady 0.8 with threshold -6 (thr = 0.5) and neither side-chain filter nor knee: the gain
// falls until 0.8 g no longer exceeds 0.5 and then hovers around 0.625, one attack step below
// and release steps above.
TEST_F(CompressorTest, ASteadyInputAboveTheThresholdHoversAtTheThreshold) {
    for (int32_t attack : {3, 250}) {
        SCOPED_TRACE(attack);
        LoadedCompressor plugin;
        storeSettings({{-6, attack, 120, 0, 0, 0, 0, 0}});
        plugin.start();
        const std::vector<float> out = plugin.run(constant(0.8f, 0.8f, 20));
        const double att = 2.0 / (4.41 * attack);
        double lowest = 1.0, highest = 0.0;
        for (size_t k = out.size() / 2; k < out.size(); k += 2) {
            const double g = out[k] / 0.8;
            lowest = std::min(lowest, g);
            highest = std::max(highest, g);
        }
        EXPECT_LE(highest, 0.625 * 1.0001);
        EXPECT_GT(highest, 0.625 * 0.999);
        EXPECT_GE(lowest, 0.625 * (1 - att) * 0.9999);
        EXPECT_LT(lowest, 0.625);
    }
}

// Enhance 0 and gain 0: a pure compressor with unity make-up; below the knee the gain stays at
// 1.0 and the signal passes exactly.
TEST_F(CompressorTest, BelowTheKneeWithoutEnhanceTheSignalPassesUnchanged) {
    storeSettings({{0, 3, 20, 0, 0, 1, 1, 0}});
    m_plugin.start();
    const std::vector<float> in = program(10, 0.3f); // peaks well under 0.65
    const std::vector<float> out = m_plugin.run(in);
    for (size_t i = 0; i < in.size(); ++i) {
        const float expected = std::fabs(in[i]) < 1e-7f ? 1e-7f : in[i];
        ASSERT_EQ(out[i], expected) << i;
    }
}

// Samples too small to matter become 1e-7 before anything else sees them.
TEST_F(CompressorTest, TinySamplesAreLiftedToTheDenormalFloor) {
    storeSettings({{0, 3, 20, 0, 0, 0, 0, 0}});
    m_plugin.start();
    const std::vector<float> out = m_plugin.run(constant(1e-12f, -5e-8f, 1));
    EXPECT_EQ(out[0], 1e-7f);
    EXPECT_EQ(out[1], 1e-7f);
}

// Joint mode: the louder side's detector sets one gain for both.
TEST_F(CompressorTest, JointModeCompressesBothSidesAlike) {
    storeSettings({{-6, 3, 120, 0, 0, 0, 0, 1}});
    m_plugin.start();
    const std::vector<float> out = m_plugin.run(constant(0.8f, 0.1f, 4));
    const size_t k = out.size() - 2;
    EXPECT_NEAR(out[k] / 0.8, out[k + 1] / 0.1, 1e-6);
    EXPECT_LT(out[k + 1], 0.1f * 0.7f) << "the quiet side is pulled down with the loud one";
}

} // namespace
} // namespace klv::test
