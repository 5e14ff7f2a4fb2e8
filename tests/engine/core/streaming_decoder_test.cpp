// The decoder thread: leading silence, the end of a song, and a decoding failure that stops
// and rewinds its own line.

#include "engine/audio/sample_ring.h"
#include "engine/core/line_threads.h"
#include "tests/engine/core/transport_test_util.h"

#include <cmath>

namespace klv::test {
namespace {

using engine::DecoderRun;
using engine::skipLeadingSilence;

// A line whose SampleRing the test fills directly.
struct SkipLine : HandSlot {
    void put(const std::vector<Frame>& frames) {
        for (const Frame& f : frames) {
            const int32_t write = slot->sampleWrite;
            sampleRing[static_cast<size_t>(write)] = f;
            slot->sampleWrite = (write + 1) % kSampleRingFrames;
        }
    }
    DecoderRun run{0.015f, true, 0};
};

std::vector<Frame> constant(size_t count, float value) {
    return std::vector<Frame>(count, Frame{value, -value});
}

TEST(SilenceSkipTest, SkipsInStepsOfFourUpToTheFirstLoudFrame) {
    struct Case {
        const char* what;
        std::vector<Frame> frames;
        int32_t skipped;
        bool stillPending;
    };
    std::vector<Frame> quietThenLoud = constant(10001, 0.0149f);
    quietThenLoud.push_back({0.0f, -0.015f}); // frame 10001: only every fourth frame is looked at
    quietThenLoud.push_back({0.0f, 0.0f});
    quietThenLoud.push_back({0.0f, 0.0f});
    quietThenLoud.push_back({0.015f, 0.0f}); // frame 10004, at the threshold
    for (int i = 0; i < 5000; ++i)
        quietThenLoud.push_back({0.3f, 0.3f});
    std::vector<Frame> silentRun = constant(2033, 0.0f);
    const Case cases[] = {
        {"quiet then loud", quietThenLoud, 10004, false},
        {"2032 frames are never looked at", constant(2032, 0.0f), 0, true},
        {"2033 silent frames lose one step", silentRun, 4, true},
        {"loud at once", constant(3000, -0.5f), 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SkipLine line;
        line.put(c.frames);
        skipLeadingSilence(&line.h, *line.slot, line.run);
        EXPECT_EQ(line.slot->position, c.skipped);
        EXPECT_EQ(line.slot->sampleRead, c.skipped);
        EXPECT_EQ(line.run.skipPending, c.stillPending);
    }
}

TEST(SilenceSkipTest, APlayingLineIsNeverSkipped) {
    SkipLine line;
    line.put(constant(20000, 0.0f));
    line.slot->playing = 1;
    skipLeadingSilence(&line.h, *line.slot, line.run);
    EXPECT_EQ(line.slot->position, 0);
    EXPECT_FALSE(line.run.skipPending);
    line.slot->playing = 0;
    skipLeadingSilence(&line.h, *line.slot, line.run); // over for this start of the thread
    EXPECT_EQ(line.slot->position, 0);
}

TEST(SilenceSkipTest, TheWrapOfTheRingIsFollowed) {
    SkipLine line;
    line.slot->sampleRead = kSampleRingFrames - 8;
    line.slot->sampleWrite = kSampleRingFrames - 8;
    std::vector<Frame> frames = constant(100, 0.0f);
    const auto loud = constant(3000, 0.25f);
    frames.insert(frames.end(), loud.begin(), loud.end());
    line.put(frames);
    skipLeadingSilence(&line.h, *line.slot, line.run);
    EXPECT_EQ(line.slot->position, 100);
    EXPECT_EQ(line.slot->sampleRead, 92);
}

class DecoderThreadTest : public LineTest {};

TEST_F(DecoderThreadTest, LeadingSilenceIsSkippedBeforeTheLineStarts) {
    useOptions(1, 15);
    Line line;
    ASSERT_EQ(klvOpen(&line.h, fixture("wav_silence_then_tone.wav").c_str()), 0);
    // Two seconds of silence, then a 1 kHz tone that starts at 0 and passes 0.015 in its first
    // frame: the skip stops at the first multiple of four past it.
    ASSERT_TRUE(eventually([&] { return line.slot().position >= 88200; }));
    platform::sleepMs(50);
    EXPECT_EQ(line.slot().position, 88204);
    const Frame first = line.slot().sampleRing[line.slot().sampleRead];
    EXPECT_GE(std::fabs(first.left), 0.015f);

    // Without the option nothing is skipped.
    useOptions(0);
    ASSERT_EQ(klvStop(&line.h), 0);
    // The decoder fills the ring while more than 8192 frames are free: 14 chunks of 4096.
    EXPECT_TRUE(eventually([&] { return engine::sampleRingUsed(line.slot()) == 57344; }));
    EXPECT_EQ(line.slot().position, 0);
}

TEST_F(DecoderThreadTest, FinishedOnlyOnceTheLastFrameHasLeftTheRing) {
    Line line;
    ASSERT_EQ(klvOpen(&line.h, fixture("wav_44100_16_mono.wav").c_str()), 0);
    ASSERT_TRUE(eventually([&] { return line.slot().endOfFile == 1; }));
    // One second of sound is decoded (in whole chunks) and waits in the ring.
    ASSERT_TRUE(eventually([&] { return engine::sampleRingUsed(line.slot()) == 40960; }));
    platform::sleepMs(30);
    EXPECT_EQ(load(line.h.finished), 0);
    // The output thread's part, all but one frame.
    line.slot().sampleRead = 40959;
    platform::sleepMs(30);
    EXPECT_EQ(load(line.h.finished), 0);
    line.slot().sampleRead = 40960;
    EXPECT_TRUE(eventually([&] { return load(line.h.finished) == 1; }));
    EXPECT_TRUE(eventually([&] { return line.slot().decoderRunning == 0; }));
    EXPECT_EQ(line.slot().readerRunning, 1);
    EXPECT_EQ(load(line.h.state), 1);
}

// A corrupt stream: the decoder reports it, stops and rewinds its own line and starts new
// threads, without waiting on itself.
TEST_F(DecoderThreadTest, ADecodingFailureStopsAndRewindsTheLine) {
    const std::string path = copyFixture("mp3_corrupt.mp3", "corrupt.mp3");
    Line line;
    ASSERT_EQ(klvOpen(&line.h, path.c_str()), 0);
    klvPlay(&line.h);
    ASSERT_TRUE(eventually([&] { return userMessages().size() >= 2; }));
    EXPECT_EQ(userMessages(), (std::vector<std::string>{"Invalid or corrupted MP3 File",
                                                        "Decoding Failed for " + path}));
    // The messages go out first, then the line stops itself.
    ASSERT_TRUE(eventually([&] { return load(line.h.state) == 1; }));
    EXPECT_EQ(line.slot().playing, 0);
    EXPECT_EQ(load(line.h.paused), 0);
    EXPECT_TRUE(eventually([&] { return line.slot().readerRunning == 1; }));
    EXPECT_TRUE(eventually([&] { return line.slot().decoderRunning == 1; }));
    const std::string log = logText();
    EXPECT_NE(log.find("Corrupt MP3 File: " + path), std::string::npos);
    EXPECT_NE(log.find("Decode Error on " + path), std::string::npos);

    // The rewound line waits for the program instead of failing again and again.
    platform::sleepMs(300);
    EXPECT_EQ(userMessages().size(), 2u);
    EXPECT_EQ(engine::sampleRingUsed(line.slot()), 0);

    // Started again, it plays up to the damage and fails again, once.
    klvPause(&line.h);
    ASSERT_TRUE(eventually([&] { return userMessages().size() >= 4; }));
    platform::sleepMs(300);
    EXPECT_EQ(userMessages().size(), 4u);
    EXPECT_EQ(klvClose(&line.h), 0);
    EXPECT_EQ(line.h.slot, nullptr);
}

TEST_F(DecoderThreadTest, AQuietLineOnlyLogsItsDecodingFailure) {
    const std::string path = copyFixture("mp3_corrupt.mp3", "corrupt.mp3");
    Line line;
    line.h.quiet = 1;
    ASSERT_EQ(klvOpen(&line.h, path.c_str()), 0);
    ASSERT_TRUE(
        eventually([&] { return logText().find("Decode Error on " + path) != std::string::npos; }));
    platform::sleepMs(50);
    EXPECT_TRUE(userMessages().empty());
}

// Closing or moving a line while its decoder is failing neither deadlocks nor touches a line
// that is gone.
TEST_F(DecoderThreadTest, TransportCallsRaceAFailingDecoderSafely) {
    const std::string path = copyFixture("mp3_corrupt.mp3", "corrupt.mp3");
    for (int round = 0; round < 20; ++round) {
        Line line;
        ASSERT_EQ(klvOpen(&line.h, path.c_str()), 0);
        klvPlay(&line.h);
        platform::sleepMs(static_cast<uint32_t>(round * 3));
        if (round % 3 == 0)
            klvSetPos(&line.h, 0);
        else if (round % 3 == 1)
            klvStop(&line.h);
        klvPause(&line.h);
        platform::sleepMs(2);
        EXPECT_EQ(klvClose(&line.h), 0);
        EXPECT_EQ(line.h.slot, nullptr);
    }
}

} // namespace
} // namespace klv::test
