// The stretcher in the output thread: with TimeScale set, a line's pitch changes its tempo.

#include "tests/engine/audio/output_fixture.h"

namespace klv::test {
namespace {

class TempoOutput : public OutputTest {
protected:
    void SetUp() override {
        OutputTest::SetUp();
        m_options.TimeScale = 1;
        applyOptions();
    }
    // A slow ramp, different on each side, that never repeats within the test.
    static Frame sourceFrame(int32_t i) {
        return Frame{static_cast<float>(i % 20000) / 25000.0f,
                     -static_cast<float>(i % 15000) / 20000.0f};
    }
    void feedSource(TestLine& line, int32_t count) {
        std::vector<Frame> frames(count);
        for (int32_t i = 0; i < count; ++i)
            frames[i] = sourceFrame(i);
        ASSERT_EQ(line.feed(frames), count);
    }
};

// At normal speed the line is its source delayed by one window less one hop (768 frames with
// 4 hops, 896 with 8), not quantised the way the speed resampler quantises.
TEST_F(TempoOutput, NormalSpeedDelaysTheLineByOneWindowLessOneHop) {
    for (int32_t overSample : {0, 1}) {
        SCOPED_TRACE(overSample);
        platform::wavetest::configure(2); // a fresh recording for each run
        m_options.OverSample = overSample;
        applyOptions();
        const int32_t delay = overSample ? 896 : 768;
        TestLine line;
        feedSource(line, 8 * 1024);
        line.play();
        start();
        for (int block = 2; block <= 4; ++block) {
            const std::vector<int16_t> out = primaryBlock(block);
            ASSERT_EQ(out.size(), static_cast<size_t>(engine::kBlockSamples));
            for (int32_t k = 0; k < 1024; ++k) {
                const int32_t at = (block - 1) * 1024 + k - delay;
                const Frame expected = at < 0 ? Frame{0.0f, 0.0f} : sourceFrame(at);
                ASSERT_EQ(out[2 * k], engine::toPcm16(expected.left * engine::kPcmScale)) << k;
                ASSERT_EQ(out[2 * k + 1], engine::toPcm16(expected.right * engine::kPcmScale));
            }
        }
        klvKillAudio();
    }
}

// Faster in tempo mode: the line takes 1124 source frames per block (pitch 1100, 4 hops), and
// still gives 1024 frames of sound.
TEST_F(TempoOutput, PitchChangesHowMuchSourceABlockTakes) {
    TestLine line;
    feedSource(line, 40000);
    klvSetPitch(line.handle(), 1100);
    line.play();
    start();
    step(9);
    EXPECT_EQ(line.slot().position.load(), 10 * 1124);
    EXPECT_EQ(line.slot().stretch.hopCounter, 4);
    const std::vector<int16_t> out = primaryBlock(10);
    int loud = 0;
    for (int16_t s : out)
        loud += std::abs(s) > 1000 ? 1 : 0;
    EXPECT_GT(loud, 1000);
}

} // namespace
} // namespace klv::test
