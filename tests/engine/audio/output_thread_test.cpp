// The output thread's life: start, stop, restart, the devices it opens, its queues, the
// secondary device kept in step, and the ways it ends on a failing device.

#include "tests/engine/audio/output_fixture.h"

#include <string>

namespace klv::test {
namespace {

using platform::wavetest::acceptedWrites;
using platform::wavetest::closeCount;
using platform::wavetest::openCount;
using platform::wavetest::queuedCount;
using platform::wavetest::resetCount;
using platform::wavetest::writeRequests;

TEST_F(OutputTest, StartQueuesSevenSilentBuffersAndTheFirstBlockAtOnce) {
    start();
    EXPECT_EQ(openCount(0), 1u);
    EXPECT_EQ(openCount(1), 0u); // no secondary unless asked for
    EXPECT_EQ(writeRequests(0), kStartSilence + 1);
    EXPECT_EQ(queuedCount(0), 8u);
    EXPECT_EQ(blocksDone(), 1u); // and now it waits for a buffer to play
    step(kStartSilence);
    for (uint64_t i = 0; i < kStartSilence; ++i)
        EXPECT_EQ(playedBuffer(0, i), std::vector<int16_t>(engine::kBlockSamples, 0)) << i;
}

TEST_F(OutputTest, StartingTwiceRunsOneThreadAndKillingTwiceIsHarmless) {
    start();
    ASSERT_EQ(klvStartAudio(), 0);
    EXPECT_EQ(openCount(0), 1u);

    EXPECT_EQ(klvKillAudio(), 0);
    EXPECT_EQ(engine::outputState(), 0);
    EXPECT_EQ(closeCount(0), 1u);
    EXPECT_EQ(resetCount(0), 1u);
    EXPECT_FALSE(platform::wavetest::isOpen(0));

    EXPECT_EQ(klvKillAudio(), 0);
    EXPECT_EQ(engine::outputState(), 0);
    EXPECT_EQ(closeCount(0), 1u);
    EXPECT_TRUE(boxTexts().empty());
}

TEST_F(OutputTest, KillBeforeAnyStartDoesNothing) {
    EXPECT_EQ(engine::outputState(), 0);
    EXPECT_EQ(klvKillAudio(), 0);
    EXPECT_EQ(engine::outputState(), 0);
    EXPECT_EQ(openCount(0), 0u);
}

TEST_F(OutputTest, FixAudioRestartsOnlyAnOutputThatHasEnded) {
    start();
    klvFixAudio();
    EXPECT_EQ(openCount(0), 1u); // running: nothing to fix

    klvKillAudio();
    klvFixAudio();
    EXPECT_EQ(engine::outputState(), 1);
    ASSERT_TRUE(platform::wavetest::waitForWriteRequests(0, 2 * (kStartSilence + 1)));
    EXPECT_EQ(openCount(0), 2u);
}

// With a single device, a second card cannot be used: the output runs on device 0 alone and
// says so in the engine's options.
TEST_F(OutputTest, OneDeviceOnlyTurnsTheSecondaryOffAndThePrimaryToZero) {
    platform::wavetest::configure(1);
    m_options.UseSecondary = 1;
    m_options.PrimaryDevice = 3;
    m_options.SecondaryDevice = 1;
    applyOptions();
    start();
    step(3);
    EXPECT_EQ(engine::optionsSnapshot().PrimaryDevice, 0);
    EXPECT_EQ(engine::optionsSnapshot().UseSecondary, 1); // the stored choice stays
    EXPECT_EQ(openCount(0), 1u);
    EXPECT_EQ(openCount(1), 0u);
    EXPECT_TRUE(boxTexts().empty());
}

TEST_F(OutputTest, DevicesThatCannotBeOpenedEndTheThreadWithTheirMessage) {
    struct Case {
        const char* what;
        uint32_t devices;
        bool secondary;
        uint32_t failingDevice;
        uint32_t error;
        std::string message;
        uint32_t primaryCloses;
    } cases[] = {
        {"no device at all", 0, false, 99, 0, "Can't open Primary wave device ID 0\nError Code: 2",
         0},
        {"primary busy", 2, false, 0, platform::kWaveAllocated,
         "Can't open Primary wave device ID 0\nError Code: 4", 0},
        {"secondary busy", 2, true, 1, platform::kWaveAllocated,
         "Can't open Secondary wave device ID 1\nError Code: 4", 1},
        {"secondary missing", 2, true, 99, 0,
         "Can't open Secondary wave device ID 5\nError Code: 2", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::wavetest::configure(c.devices);
        platform::wavetest::failOpen(c.failingDevice, c.error);
        m_windows.clear();
        m_options.UseSecondary = c.secondary;
        m_options.SecondaryDevice = std::string(c.what) == "secondary missing" ? 5 : 1;
        applyOptions();

        ASSERT_EQ(klvStartAudio(), 0);
        ASSERT_TRUE(waitForOutputEnd());
        EXPECT_EQ(boxTexts(), std::vector<std::string>{c.message});
        EXPECT_EQ(closeCount(0), c.primaryCloses);
        EXPECT_FALSE(platform::wavetest::isOpen(0));
        klvKillAudio(); // -1: nothing to stop
        EXPECT_EQ(engine::outputState(), -1);
    }
}

// The box of a failed device waits for the user on the housekeeping thread: the output thread
// has ended meanwhile, and the program's audio check brings it back while the box is open.
TEST_F(OutputTest, AnOpenDeviceBoxDoesNotHoldTheOutput) {
    m_windows.holdBoxes(true);
    platform::wavetest::failOpen(0, platform::kWaveAllocated);
    ASSERT_EQ(klvStartAudio(), 0);
    ASSERT_TRUE(m_windows.waitForBoxes(1));
    EXPECT_EQ(m_windows.openBoxes(), 1);
    for (int i = 0; i < 1000 && engine::outputState() != -1; ++i)
        platform::sleepMs(5);
    EXPECT_EQ(engine::outputState(), -1) << "the thread ended without waiting for the box";

    platform::wavetest::failOpen(0, 0);
    klvFixAudio();
    EXPECT_EQ(engine::outputState(), 1);
    ASSERT_TRUE(waitForBlocks(blocksDone() + 1)); // the first block needs no free buffer
    step(3);
    EXPECT_EQ(m_windows.openBoxes(), 1) << "the output plays while the box is still open";
    m_windows.holdBoxes(false);
    EXPECT_TRUE(eventually([&] { return m_windows.openBoxes() == 0; }));
}

TEST_F(OutputTest, MessageBoxesGoToTheOwnerWithTheEngineCaption) {
    platform::wavetest::failOpen(0, platform::kWaveError);
    ASSERT_EQ(klvStartAudio(), 0);
    ASSERT_TRUE(waitForOutputEnd());
    const auto boxes = m_windows.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "KLV3 Message");
    EXPECT_EQ(boxes[0].flags & platform::kMbIconMask, platform::kMbIconExclamation);
}

// 65 failed blocks of +4 each pass 256; nothing else ends the output.
TEST_F(OutputTest, ADeviceFailingEveryQueueRequestEndsTheOutputAfter65Blocks) {
    platform::wavetest::failWrites(0, platform::kWaveError);
    ASSERT_EQ(klvStartAudio(), 0);
    ASSERT_TRUE(waitForOutputEnd());
    EXPECT_EQ(writeRequests(0), kStartSilence + 65);
    EXPECT_EQ(acceptedWrites(0), 0u);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Can't write to wave device: too many errors"});
    EXPECT_EQ(resetCount(0), 1u);
    EXPECT_EQ(closeCount(0), 1u);

    // Once the device works again, the program's audio check brings the output back.
    platform::wavetest::failWrites(0, 0);
    klvFixAudio();
    EXPECT_EQ(engine::outputState(), 1);
    ASSERT_TRUE(platform::wavetest::waitForWriteRequests(0, 2 * kStartSilence + 65 + 1));
    EXPECT_EQ(acceptedWrites(0), kStartSilence + 1);
}

// Successful writes pay the score back, so occasional failures never end the output.
TEST_F(OutputTest, OccasionalWriteFailuresAreForgiven) {
    start();
    for (int round = 0; round < 80; ++round) {
        platform::wavetest::failWrites(0, round % 5 == 0 ? platform::kWaveError : 0);
        step();
    }
    platform::wavetest::failWrites(0, 0);
    EXPECT_EQ(engine::outputState(), 1);
    EXPECT_TRUE(boxTexts().empty());
}

// A device that opens but never finishes a buffer must not hold the output forever: the wait
// gives up, and the held buffers' failed writes end the output with the message.
TEST_F(OutputTest, ADeviceThatNeverPlaysEndsTheOutputInsteadOfHangingIt) {
    start(); // nobody ever plays a buffer
    ASSERT_TRUE(waitForOutputEnd());
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Can't write to wave device: too many errors"});
    EXPECT_EQ(closeCount(0), 1u);
}

TEST_F(OutputTest, KillReturnsPromptlyWhileTheOutputWaitsForAStuckDevice) {
    start();
    EXPECT_EQ(klvKillAudio(), 0);
    EXPECT_EQ(engine::outputState(), 0);
    EXPECT_EQ(closeCount(0), 1u);
    EXPECT_TRUE(boxTexts().empty());
}

class SecondaryTest : public OutputTest {
protected:
    void SetUp() override {
        OutputTest::SetUp();
        m_options.UseSecondary = 1;
        m_options.PrimaryDevice = 0;
        m_options.SecondaryDevice = 1;
        applyOptions();
    }
};

// Buffer 0 of the secondary has never played when the first block is ready, so that block is
// dropped there and the next 8 are queued without looking at their buffers.
TEST_F(SecondaryTest, FirstBlockNeverReachesTheSecondaryAndTheNextEightGoUnchecked) {
    start();
    EXPECT_EQ(openCount(1), 1u);
    // The test never plays a secondary buffer, so only unchecked blocks are requested at all.
    struct Case {
        int blocksDone;
        uint64_t secondaryRequests;
    } cases[] = {
        {1, kStartSilence},      // dropped
        {2, kStartSilence + 1},  // unchecked 1
        {9, kStartSilence + 8},  // unchecked 8
        {10, kStartSilence + 8}, // checked: its buffer has not played, dropped again
        {11, kStartSilence + 9}, // unchecked again
        {18, kStartSilence + 16}, {19, kStartSilence + 16},
    };
    for (const Case& c : cases) {
        while (static_cast<int>(blocksDone()) < c.blocksDone)
            step();
        EXPECT_EQ(writeRequests(1), c.secondaryRequests) << "after block " << c.blocksDone;
    }
    EXPECT_EQ(engine::outputState(), 1);
}

// On cards that keep time together the secondary plays every block from the second on, in
// order, each exactly once.
TEST_F(SecondaryTest, InLockstepTheSecondaryPlaysEveryBlockAfterTheFirst) {
    TestLine line;
    line.setPreview(true);
    // Each block's source is one constant value, so a block's cue output names its block.
    for (int block = 1; block <= 40; ++block)
        line.feedConstant(block / 64.0f, -block / 64.0f, engine::kBlockFrames);
    line.play();
    m_lockstep = true;
    start();
    step(30);
    for (int block = 3; block <= 24; ++block) {
        const auto cue = playedBuffer(1, kStartSilence + block - 2);
        ASSERT_EQ(cue.size(), static_cast<size_t>(engine::kBlockSamples)) << block;
        // Frame 0 of a block still carries the previous block's last frame (one frame delay).
        const auto expected = static_cast<int16_t>(block / 64.0 * 32750.0);
        EXPECT_EQ(cue[2], expected) << "block " << block;
        EXPECT_EQ(cue[3], -expected) << "block " << block;
        EXPECT_EQ(cue[0], static_cast<int16_t>((block - 1) / 64.0 * 32750.0)) << block;
    }
    EXPECT_EQ(acceptedWrites(1), writeRequests(1));
}

// When the secondary card runs fast it would play dry: the output sends the last block twice.
TEST_F(SecondaryTest, ASecondaryRunningDryGetsABlockTwice) {
    TestLine line;
    line.setPreview(true);
    for (int block = 1; block <= 60; ++block)
        line.feedConstant(block / 128.0f, 0.0f, engine::kBlockFrames);
    line.play();
    m_lockstep = true;
    start();
    step(12);
    // The secondary card now plays everything it has at once.
    while (platform::wavetest::playOldest(1)) {
    }
    const uint64_t before = writeRequests(1);
    step();
    EXPECT_EQ(writeRequests(1), before + 2); // the block and its duplicate
    while (platform::wavetest::playOldest(1)) {
    }
    const auto all = platform::wavetest::played(1);
    const size_t blocks = all.size() / engine::kBlockSamples;
    ASSERT_GE(blocks, 2u);
    const size_t last = (blocks - 1) * engine::kBlockSamples;
    const size_t previous = (blocks - 2) * engine::kBlockSamples;
    EXPECT_TRUE(std::equal(all.begin() + last, all.end(), all.begin() + previous));
    EXPECT_EQ(engine::outputState(), 1);
}

} // namespace
} // namespace klv::test
