// From file to sound: a line played through the output thread onto the test wave device, the
// samples checked as they come out.

#include "tests/engine/core/playing_line_test.h"

#include <atomic>
#include <cmath>

namespace klv::test {
namespace {

using PlaybackTest = PlayingLineTest;

// The output thread held inside a block that is mixing a line (preempted, on a busy machine)
// while the line is closed: the close waits for that block to leave the line before its rings
// are freed, however long that takes. A ring freed early is read after its free by the block
// (AddressSanitizer reports it).
std::atomic<bool> g_holdArmed{false};
std::atomic<bool> g_holding{false};
std::atomic<bool> g_released{false};

void holdOneBlock(int32_t /*slotIndex*/) {
    if (!g_holdArmed.exchange(false))
        return;
    g_holding.store(true);
    platform::sleepMs(500);
    g_released.store(true);
}

TEST_F(PlaybackTest, ClosingALineWaitsForTheBlockThatIsMixingIt) {
    Line line;
    ASSERT_EQ(klvOpen(&line.h, fixture("wav_44100_16_stereo.wav").c_str()), 0);
    ASSERT_EQ(klvStartAudio(), 0);
    klvPause(&line.h);
    for (int block = 0; block < 4; ++block)
        playBlock(line);

    engine::setLineMixHook(holdOneBlock);
    g_holdArmed.store(true);
    ASSERT_TRUE(eventually([] { return wavetest::playOldest(0); })); // lets one more block go
    ASSERT_TRUE(eventually([] { return g_holding.load(); }));
    EXPECT_EQ(klvClose(&line.h), 0);
    EXPECT_TRUE(g_released.load()) << "the close returned while a block still mixed the line";

    const uint64_t blocks = engine::outputBlockCount();
    ASSERT_TRUE(eventually([] { return wavetest::playOldest(0); }));
    EXPECT_TRUE(eventually([&] { return engine::outputBlockCount() > blocks; }))
        << "the output goes on after the close";
    engine::setLineMixHook(nullptr);
    EXPECT_EQ(engine::outputState(), 1);
}

TEST_F(PlaybackTest, AWavToneComesOutAtItsLevelAndLength) {
    Line line;
    ASSERT_EQ(klvOpen(&line.h, fixture("wav_44100_16_stereo.wav").c_str()), 0);
    ASSERT_EQ(klvStartAudio(), 0);
    klvPause(&line.h);
    const Sound sound = measure(leftOf(playToEnd(line)));
    // Two seconds at 44100 are 88200 frames; 21 whole chunks of 4096 of them are played.
    EXPECT_NEAR(static_cast<double>(sound.frames), 21 * 4096, 32);
    // A 1 kHz sine at half scale: 0.5 x 32750 / sqrt 2.
    EXPECT_NEAR(sound.rms, 0.5 * 32750 / std::sqrt(2.0), 60);
    const double seconds = (static_cast<double>(sound.frames) - 4000) / 44100;
    EXPECT_NEAR(static_cast<double>(sound.crossings), 2000 * seconds, 2000 * seconds * 0.01);
    EXPECT_EQ(load(line.h.state), 2);
    EXPECT_EQ(klvCheckPlaying(), 1);
}

// The same tone at 22050 and in mono comes out at the same pitch, level and length.
TEST_F(PlaybackTest, OtherFormatsArriveAt44100) {
    struct Case {
        const char* fixture;
        double frames; // whole chunks of one second of sound
        double rms;
    };
    const Case cases[] = {
        {"wav_22050_16_stereo.wav", 4096 + 9 * 4095, 0.5 * 32750 / std::sqrt(2.0)},
        {"wav_44100_16_mono.wav", 10 * 4096, 0.5 * 32750 / std::sqrt(2.0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        wavetest::configure(2);
        Line line;
        ASSERT_EQ(klvOpen(&line.h, fixture(c.fixture).c_str()), 0);
        ASSERT_EQ(klvStartAudio(), 0);
        klvPause(&line.h);
        const Sound sound = measure(leftOf(playToEnd(line)));
        EXPECT_NEAR(static_cast<double>(sound.frames), c.frames, 32);
        EXPECT_NEAR(sound.rms, c.rms, c.rms * 0.03);
        const double seconds = (static_cast<double>(sound.frames) - 4000) / 44100;
        EXPECT_NEAR(static_cast<double>(sound.crossings), 2000 * seconds, 2000 * seconds * 0.01);
        klvKillAudio();
    }
}

TEST_F(PlaybackTest, AnMp3PlaysToItsEnd) {
    Line line;
    ASSERT_EQ(klvOpen(&line.h, fixture("mp3_48000.mp3").c_str()), 0);
    ASSERT_EQ(klvStartAudio(), 0);
    klvPause(&line.h);
    const Sound sound = measure(leftOf(playToEnd(line)));
    // Three seconds of a 440 Hz tone at 0.4, encoded: the encoder's delay and padding add a
    // little at the ends, and the encoded tone decodes at about 0.38.
    EXPECT_NEAR(static_cast<double>(sound.frames) / 44100, 3.0, 0.06);
    EXPECT_NEAR(sound.rms, 0.38 * 32750 / std::sqrt(2.0), 0.01 * 32750 / std::sqrt(2.0));
    const double seconds = (static_cast<double>(sound.frames) - 4000) / 44100;
    EXPECT_NEAR(static_cast<double>(sound.crossings), 880 * seconds, 880 * seconds * 0.01);
}

} // namespace
} // namespace klv::test
