// Seeking and looping a coded line land on the right frame: the counting fixtures name every
// frame by its samples, in FLAC and in ALAC (MP4), which both seek by their index.

#include "tests/engine/codec/coded_test_util.h"

#include <algorithm>
#include <cmath>

namespace klv::test {
namespace {

constexpr int64_t kCountFrames = 20 * 44100;
const char* const kCountFixtures[] = {"coded_count_44100.flac", "coded_count_44100.m4a"};

// The source frame a played frame came from, as near as the output's conversion to 16 bits at
// a little below full scale (and the line's gain ramp) leaves it: within one frame.
double estimatedFrame(int16_t left, int16_t right) {
    // The conversion truncates towards zero: the value came from half a step further out.
    const double outward = left > 0 ? 0.5 : (left < 0 ? -0.5 : 0.0);
    const double lap = std::round((right / engine::kPcmScale * 32768.0 + 16000) / 1000);
    return lap * 65536 + (left + outward) / engine::kPcmScale * 32768.0 + 32768;
}

// The played frames from the first one of the line's run on (right channel of lap 0 or more,
// at full gain), against the counting signal, looping at its end. A frame lost or repeated
// anywhere moves the average error of the frames after it by one whole frame; the averages
// over stretches of 2048 frames must all agree within half a frame.
struct CountRun {
    size_t frames = 0;
    double first = -1; // estimated source frame of the first
    int wraps = 0;
    double worstDrift = 0.0;
};

CountRun matchCounting(const std::vector<int16_t>& played) {
    CountRun run;
    size_t start = 0;
    const size_t total = played.size() / 2;
    // After the fade-in: where the right channel holds a lap's value to within rounding.
    while (start < total) {
        const int16_t right = played[2 * start + 1];
        const double lapValue = (right / engine::kPcmScale * 32768.0 + 16000) / 1000;
        if (right != 0 && std::abs(lapValue - std::round(lapValue)) < 0.002 && start + 4096 < total)
            break;
        ++start;
    }
    start += 2048; // well past the ramp
    if (start >= total)
        return run;
    run.first = estimatedFrame(played[2 * start], played[2 * start + 1]);
    const auto first = static_cast<int64_t>(std::llround(run.first));
    double reference = 0.0;
    double sum = 0.0;
    size_t inWindow = 0;
    bool haveReference = false;
    for (size_t j = start; j < total; ++j) {
        const int64_t expected = (first + static_cast<int64_t>(j - start)) % kCountFrames;
        if (j > start && expected == 0)
            ++run.wraps;
        double error =
            estimatedFrame(played[2 * j], played[2 * j + 1]) - static_cast<double>(expected);
        if (error > static_cast<double>(kCountFrames) / 2)
            error -= kCountFrames; // the laps' value jumps back at the end of the signal
        sum += error;
        ++run.frames;
        if (++inWindow == 2048) {
            const double mean = sum / 2048;
            if (!haveReference) {
                reference = mean;
                haveReference = true;
            }
            run.worstDrift = std::max(run.worstDrift, std::abs(mean - reference));
            sum = 0.0;
            inWindow = 0;
        }
    }
    return run;
}

class CodedSeekLoopTest : public CodedLineTest {};

TEST_F(CodedSeekLoopTest, SeekingStartsTheLineOnTheFrameOfThePercent) {
    for (const char* name : kCountFixtures) {
        for (const int32_t percent : {0, 37, 50, 99}) {
            SCOPED_TRACE(testing::Message() << name << " at " << percent << " %");
            Line line;
            ASSERT_EQ(klvOpen(&line.h, fixture(name).c_str()), 0);
            ASSERT_EQ(line.slot().length, kCountFrames);
            klvSetPos(&line.h, percent);
            const int64_t target = percent * kCountFrames / 100;
            const int32_t wanted =
                static_cast<int32_t>(std::min<int64_t>(4096, kCountFrames - target));
            ASSERT_TRUE(eventually([&] { return engine::sampleRingUsed(line.slot()) >= wanted; }));
            // The decoder's first frames are the target's, sample for sample.
            const int32_t read = line.slot().sampleRead;
            for (int32_t k = 0; k < wanted; ++k) {
                const Frame got = line.slot().sampleRing[(read + k) % kSampleRingFrames];
                const Frame expected = countingFrame(target + k);
                ASSERT_EQ(got.left, expected.left) << k;
                ASSERT_EQ(got.right, expected.right) << k;
            }
            klvUpdatePos(&line.h);
            EXPECT_EQ(line.slot().position, target);
            EXPECT_EQ(line.h.percent, percent);
            EXPECT_EQ(line.h.remaining,
                      static_cast<int32_t>((kCountFrames - target) * 100 / 44100));
        }
    }
}

// Played after a seek, every frame follows the one before (no frame lost or repeated); the
// position the line reports is the frames the output thread took, counted independently.
TEST_F(CodedSeekLoopTest, PlayingOnFromASeekGoesFrameByFrameAndCountsExactly) {
    for (const char* name : kCountFixtures) {
        SCOPED_TRACE(name);
        wavetest::configure(2);
        Line line;
        ASSERT_EQ(klvOpen(&line.h, fixture(name).c_str()), 0);
        ASSERT_EQ(klvStartAudio(), 0);
        klvSetPos(&line.h, 40);
        klvPlay(&line.h);
        playBlocks(line, 40);
        const int32_t taken = line.slot().position;
        klvUpdatePos(&line.h);
        EXPECT_EQ(line.slot().position, taken);
        const CountRun run = matchCounting(wavetest::played(0));
        EXPECT_GT(run.frames, 20000u);
        EXPECT_LT(run.worstDrift, 0.5);
        EXPECT_GE(run.first, 40 * kCountFrames / 100);
        EXPECT_LT(run.first, 40 * kCountFrames / 100 + 8192);
        klvKillAudio();
    }
}

TEST_F(CodedSeekLoopTest, ALoopingLineGoesOnFromItsLastFrameToItsFirst) {
    for (const char* name : kCountFixtures) {
        SCOPED_TRACE(name);
        wavetest::configure(2);
        Line line;
        ASSERT_EQ(klvOpen(&line.h, fixture(name).c_str()), 0);
        KLV_STORE_FIELD(line.h.loop, 1);
        ASSERT_EQ(klvStartAudio(), 0);
        klvSetPos(&line.h, 99);
        klvPlay(&line.h);
        // The last 8820 frames, then about 30000 of the next pass.
        playBlocks(line, 80);
        const CountRun run = matchCounting(wavetest::played(0));
        EXPECT_GT(run.frames, 30000u);
        EXPECT_LT(run.worstDrift, 0.5);
        EXPECT_EQ(run.wraps, 1);
        EXPECT_EQ(load(line.h.finished), 0);
        const int32_t taken = line.slot().position;
        klvUpdatePos(&line.h);
        EXPECT_EQ(line.slot().position, taken);
        EXPECT_LT(taken, kCountFrames / 2);
        klvKillAudio();
    }
}

} // namespace
} // namespace klv::test
