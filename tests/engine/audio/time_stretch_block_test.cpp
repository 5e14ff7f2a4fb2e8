// The tempo stretcher block by block: dry pass-through, warm-up and crossfades, agreement with
// the double-precision model over changing speeds, and what stretching does to a tone.

#include "engine/audio/line_mixer.h"
#include "engine/audio/time_stretch.h"
#include "tests/engine/audio/time_stretch_reference.h"

#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <random>

namespace klv::test {
namespace {

constexpr int kN = 1024;

// A source that yields the same frames whatever block size is asked of it.
class Source {
public:
    explicit Source(unsigned seed) : m_random(seed) {}
    virtual ~Source() = default;
    std::vector<Frame> take(int n) {
        std::vector<Frame> frames(std::max(n, 1));
        for (int i = 0; i < n; ++i)
            frames[i] = next(m_at++);
        return frames;
    }
    Frame frameAt(long i) { return next(i); }

protected:
    virtual Frame next(long i) {
        // Noise, a slow swell and some DC: everything the blocker and the window meet.
        std::mt19937 r(static_cast<unsigned>(i * 2654435761u));
        std::uniform_real_distribution<float> v(-0.4f, 0.4f);
        const float swell = 0.3f * std::sin(static_cast<float>(i) * 0.001f);
        return Frame{v(r) + swell + 0.05f, v(r) - swell};
    }
    std::mt19937 m_random;
    long m_at = 0;
};

class Tone : public Source {
public:
    explicit Tone(double hz) : Source(0), m_hz(hz) {}

protected:
    Frame next(long i) override {
        const float x = static_cast<float>(0.5 * std::sin(2 * M_PI * m_hz * i / 44100.0));
        return Frame{x, x};
    }
    double m_hz;
};

class Stretcher {
public:
    Stretcher() : m_state(new TimeStretchState{}), m_scratch(new engine::TimeStretchScratch) {}
    std::vector<Frame> block(const std::vector<Frame>& source, int n, int hops) {
        std::vector<Frame> out(kN);
        m_returned = engine::timeStretch(*m_state, source.data(), n, out.data(), hops, *m_scratch);
        return out;
    }
    TimeStretchState& state() { return *m_state; }
    int32_t returned() const { return m_returned; }

private:
    std::unique_ptr<TimeStretchState> m_state;
    std::unique_ptr<engine::TimeStretchScratch> m_scratch;
    int32_t m_returned = 0;
};

bool sameBits(const Frame& a, const Frame& b) {
    return std::bit_cast<uint32_t>(a.left) == std::bit_cast<uint32_t>(b.left) &&
           std::bit_cast<uint32_t>(a.right) == std::bit_cast<uint32_t>(b.right);
}

TEST(TimeStretch, NormalSpeedIsTheSourceDelayedByOneWindowLessOneHopBitForBit) {
    for (int hops : {4, 8}) {
        SCOPED_TRACE(hops);
        const long delay = kN - kN / hops; // 768 at H = 4, 896 at H = 8
        Source source(1);
        Stretcher stretcher;
        for (int block = 0; block < 6; ++block) {
            const std::vector<Frame> out = stretcher.block(source.take(kN), kN, hops);
            EXPECT_EQ(stretcher.returned(), kN);
            for (int k = 0; k < kN; ++k) {
                const long at = static_cast<long>(block) * kN + k - delay;
                const Frame expected = at < 0 ? Frame{0.0f, 0.0f} : source.frameAt(at);
                ASSERT_TRUE(sameBits(out[k], expected)) << "block " << block << " frame " << k;
            }
        }
    }
}

// Against the model over runs of pitch changes that pass through every state: idle, warm-up,
// the crossfade in, stretching, the crossfade out, standing still, full speed.
TEST(TimeStretch, AgreesWithThePolarModelAcrossSpeedChanges) {
    const struct {
        const char* name;
        int hops;
        std::vector<int> pitches;
    } runs[] = {
        {"faster and back, H=4", 4, {1000, 1100, 1100, 1100, 1000, 1000, 1100}},
        {"slower and back, H=8", 8, {1000, 900, 900, 1000, 1000}},
        {"standing still, H=4", 4, {1000, 0, 0, 0, 1000}},
        {"double speed, H=8", 8, {2000, 2000, 2000, 1000}},
        {"in and out at once, H=4", 4, {1100, 1000, 1100, 1000}},
        {"hop count changes, H=4 then 8", 4, {1100, 1100, -8, 1100, 1100}},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        Source source(3);
        Stretcher stretcher;
        ReferenceStretcher model;
        int hops = run.hops;
        int block = 0;
        for (int pitch : run.pitches) {
            if (pitch < 0) {
                hops = -pitch;
                continue;
            }
            const int n = engine::sourceCount(pitch, hops);
            const std::vector<Frame> in = source.take(n);
            const std::vector<Frame> got = stretcher.block(in, n, hops);
            const std::vector<Frame> expected = model.block(in.data(), n, hops);
            double worst = 0.0;
            for (int k = 0; k < kN; ++k) {
                worst = std::max(worst, std::fabs(double(got[k].left) - expected[k].left));
                worst = std::max(worst, std::fabs(double(got[k].right) - expected[k].right));
            }
            EXPECT_LT(worst, 2e-5) << "block " << block << " at pitch " << pitch;
            EXPECT_EQ(stretcher.state().hopCounter, model.hopCounter) << "block " << block;
            EXPECT_DOUBLE_EQ(stretcher.state().phase, model.phase) << "block " << block;
            ++block;
        }
    }
}

// Pitch 1100 at H = 4 takes 1124 source frames, 281 per hop. The first three hops after normal
// speed are still dry, the fourth crossfades into the stretched signal.
TEST(TimeStretch, LeavingNormalSpeedWarmsUpForThreeHopsAndCrossfadesOnTheFourth) {
    Source source(5);
    Stretcher stretcher;
    stretcher.block(source.take(kN), kN, 4);
    stretcher.block(source.take(kN), kN, 4);
    const int n = engine::sourceCount(1100, 4);
    ASSERT_EQ(n, 1124);
    const std::vector<Frame> in = source.take(n);
    const std::vector<Frame> out = stretcher.block(in, n, 4);
    EXPECT_EQ(stretcher.returned(), 1124);
    EXPECT_EQ(stretcher.state().hopCounter, 4);

    // The window before this block ended at source frame 2048; hop h appends 281 frames, and its
    // dry output is the first 256 frames of the window.
    const long windowEnd = 2 * kN;
    int dryHops = 0;
    for (int h = 0; h < 4; ++h) {
        const long start = windowEnd + (h + 1) * 281 - kN;
        bool dry = true;
        for (int k = 0; k < 256; ++k)
            dry = dry && sameBits(out[h * 256 + k], source.frameAt(start + k));
        dryHops += dry ? 1 : 0;
        if (h == 3) {
            EXPECT_FALSE(dry) << "the fourth hop crossfades";
            EXPECT_TRUE(sameBits(out[768], source.frameAt(start))) << "starting fully dry";
        } else {
            EXPECT_TRUE(dry) << "hop " << h;
        }
    }
    EXPECT_EQ(dryHops, 3);
}

// Back at pitch 1000 one hop crossfades to the dry signal and the rest of the block is dry.
TEST(TimeStretch, ReturningToNormalSpeedCrossfadesInExactlyOneHop) {
    for (int hops : {4, 8}) {
        SCOPED_TRACE(hops);
        Source source(9);
        Stretcher stretcher;
        long consumed = 0;
        for (int block = 0; block < 4; ++block) {
            const int n = engine::sourceCount(1100, hops);
            stretcher.block(source.take(n), n, hops);
            consumed += n;
        }
        ASSERT_GE(stretcher.state().hopCounter, hops);
        const std::vector<Frame> out = stretcher.block(source.take(kN), kN, hops);
        consumed += kN;
        EXPECT_EQ(stretcher.state().hopCounter, 0);
        EXPECT_EQ(stretcher.state().phase, 0.0);
        const int hopOut = kN / hops;
        // Hops 1.. are dry: the start of hop h's window, which ends hop h's source further on.
        for (int h = 1; h < hops; ++h) {
            const long start = consumed - kN + (h + 1) * hopOut - kN;
            for (int k = 0; k < hopOut; ++k)
                ASSERT_TRUE(sameBits(out[h * hopOut + k], source.frameAt(start + k)))
                    << "hop " << h << " frame " << k;
        }
        // Hop 0 is a crossfade: it starts on the accumulator and ends near the dry signal.
        const long start0 = consumed - kN + hopOut - kN;
        int differ = 0;
        for (int k = 0; k < hopOut; ++k)
            differ += sameBits(out[k], source.frameAt(start0 + k)) ? 0 : 1;
        EXPECT_GT(differ, hopOut / 2);
        // The next block is the plain delay line again.
        const std::vector<Frame> next = stretcher.block(source.take(kN), kN, hops);
        for (int k = 0; k < kN; ++k)
            ASSERT_TRUE(sameBits(next[k], source.frameAt(consumed + k - (kN - hopOut))));
    }
}

// Pitch 0: no source at all. The window stands still, and the accumulator keeps synthesising
// it with the phase advancing by 2 pi / H per hop.
TEST(TimeStretch, StandingStillKeepsSynthesisingTheLastWindow) {
    Source source(13);
    Stretcher stretcher;
    for (int block = 0; block < 3; ++block)
        stretcher.block(source.take(kN), kN, 4);
    const std::vector<float> window(stretcher.state().windowLeft,
                                    stretcher.state().windowLeft + kN);
    double before = stretcher.state().phase;
    for (int block = 0; block < 4; ++block) {
        const std::vector<Frame> out = stretcher.block(source.take(0), 0, 4);
        EXPECT_EQ(stretcher.returned(), 0);
        EXPECT_NEAR(stretcher.state().phase - before, 4 * (6.2831854820251465 / 4), 1e-9);
        before = stretcher.state().phase;
        double energy = 0.0;
        for (const Frame& f : out)
            energy += f.left * f.left + f.right * f.right;
        EXPECT_GT(energy, 1.0) << "block " << block << " still sounds";
    }
    EXPECT_EQ(window,
              std::vector<float>(stretcher.state().windowLeft, stretcher.state().windowLeft + kN));
}

// Frequency of a steady tone from its zero crossings (interpolated), in Hz.
double measureFrequency(const std::vector<Frame>& frames) {
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t i = 1; i < frames.size(); ++i) {
        const double a = frames[i - 1].left, b = frames[i].left;
        if (a < 0.0 && b >= 0.0) {
            const double at = static_cast<double>(i - 1) + a / (a - b);
            if (first < 0.0)
                first = at;
            else
                ++crossings;
            last = at;
        }
    }
    return crossings * 44100.0 / (last - first);
}

// Stretching keeps the key: a 1 kHz tone played 10 % faster or slower is still 1 kHz, while
// the source runs through 10 % faster or slower. The speed resampler at the same pitch would
// give 1100 Hz.
TEST(TimeStretch, AStretchedToneKeepsItsFrequencyWhileTheDurationChanges) {
    for (int pitch : {1100, 900}) {
        for (int hops : {4, 8}) {
            SCOPED_TRACE(testing::Message() << "pitch " << pitch << " H " << hops);
            Tone tone(1000.0);
            Stretcher stretcher;
            std::vector<Frame> played;
            long consumed = 0;
            for (int block = 0; block < 60; ++block) {
                const int n = engine::sourceCount(pitch, hops);
                const std::vector<Frame> out = stretcher.block(tone.take(n), n, hops);
                consumed += n;
                if (block >= 10)
                    played.insert(played.end(), out.begin(), out.end());
            }
            EXPECT_NEAR(measureFrequency(played), 1000.0, 5.0);
            EXPECT_EQ(consumed, 60L * engine::sourceCount(pitch, hops));
            // n is rounded down to whole hops: within 1 % of the pitch.
            EXPECT_NEAR(static_cast<double>(consumed) / (60.0 * kN), pitch / 1000.0, 0.01);
        }
    }
}

} // namespace
} // namespace klv::test
