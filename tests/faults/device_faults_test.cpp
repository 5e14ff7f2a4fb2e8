// Sound devices that fail under a playing line: one that refuses queue requests and one that
// stops finishing buffers (a card pulled, a sound server gone). The output ends with its
// message instead of hanging, the program's calls return, and klvFixAudio brings the sound
// back once the device works again, with the line still open and playing.

#include "tests/faults/fault_fixture.h"

#include <future>

namespace klv::test::fault {
namespace {

constexpr const char* kTooManyErrors = "Can't write to wave device: too many errors";
constexpr uint32_t kRefused = 2; // the back end's error code for a refused request

class DeviceFaults : public FaultTest {
protected:
    // A long looping line at the known level, playing.
    void startLine() {
        const std::string path = place("long.wav", constantWav(10 * 44100, kLevel));
        m_line.h.loop = 1;
        ASSERT_EQ(klvOpen(&m_line.h, path.c_str()), 0);
        ASSERT_EQ(klvPause(&m_line.h), 0);
    }
    // The output has ended and what it had to tell the user has been told.
    bool outputEnded() {
        return eventually([] { return engine::outputState() == -1 && !engine::choresPending(); });
    }
    // The line is heard on the device again: more of its frames arrive.
    bool lineAudibleAgain() {
        const uint64_t before = levelFrames(0);
        return eventually([&] { return levelFrames(0) > before + 4 * 1024; });
    }

    Line m_line;
};

TEST_F(DeviceFaults, ARefusingDeviceEndsTheOutputAndFixAudioRestartsItOnceItWorks) {
    ASSERT_EQ(klvStartAudio(), 0);
    DevicePlayer device;
    startLine();
    ASSERT_TRUE(lineAudibleAgain());

    platform::wavetest::failWrites(0, kRefused);
    ASSERT_TRUE(outputEnded());
    EXPECT_EQ(boxes(), std::vector<std::string>{kTooManyErrors});
    EXPECT_TRUE(platform::wavetest::closeCount(0) >= 1 && !platform::wavetest::isOpen(0));

    // Still refusing: the restarted output ends the same way, again with the message.
    klvFixAudio();
    ASSERT_TRUE(outputEnded());
    EXPECT_EQ(boxes().size(), 2u);

    platform::wavetest::failWrites(0, 0);
    klvFixAudio();
    EXPECT_EQ(engine::outputState(), 1);
    EXPECT_TRUE(lineAudibleAgain());
    EXPECT_EQ(m_line.slot().playing.load(), 1) << "the line was not lost";
    EXPECT_EQ(boxes().size(), 2u);
}

// The device takes buffers but never finishes them. The output waits a bounded time, counts
// the stall as failed writes and ends with the message; closing the line and stopping the
// output meanwhile return.
TEST_F(DeviceFaults, ADeviceThatStopsFinishingBuffersEndsTheOutputInsteadOfHangingIt) {
    ASSERT_EQ(klvStartAudio(), 0);
    DevicePlayer device;
    startLine();
    ASSERT_TRUE(lineAudibleAgain());

    device.hold(true);
    ASSERT_TRUE(outputEnded());
    EXPECT_EQ(boxes(), std::vector<std::string>{kTooManyErrors});
    EXPECT_FALSE(platform::wavetest::isOpen(0));

    device.hold(false);
    klvFixAudio();
    EXPECT_EQ(engine::outputState(), 1);
    EXPECT_TRUE(lineAudibleAgain());
    EXPECT_EQ(m_line.slot().playing.load(), 1);
}

// The program's calls made while the output waits on a stalled device: each returns (the
// deadline only turns a hang into a failure), and the output ends or stops.
TEST_F(DeviceFaults, CallsMadeWhileTheDeviceIsStalledReturn) {
    struct Case {
        const char* what;
        std::function<void(LineHandle*)> call;
    };
    const Case cases[] = {
        {"klvClose", [](LineHandle* h) { klvClose(h); }},
        {"klvStop", [](LineHandle* h) { klvStop(h); }},
        {"klvSetPos", [](LineHandle* h) { klvSetPos(h, 50); }},
        {"klvKillAudio", [](LineHandle*) { klvKillAudio(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::wavetest::configure(2);
        ASSERT_EQ(klvStartAudio(), 0);
        Line line;
        const std::string path = place("stalled.wav", constantWav(10 * 44100, kLevel));
        ASSERT_EQ(klvOpen(&line.h, path.c_str()), 0);
        ASSERT_EQ(klvPause(&line.h), 0);
        // Nobody plays the device: after the silence queued at the start it takes nothing.
        ASSERT_TRUE(platform::wavetest::waitForWriteRequests(0, 8));
        auto done = std::async(std::launch::async, [&] { c.call(&line.h); });
        EXPECT_EQ(done.wait_for(std::chrono::seconds(30)), std::future_status::ready);
        done.wait();
        EXPECT_TRUE(eventually([] { return engine::outputState() != 1; }));
        klvKillAudio();
    }
}

} // namespace
} // namespace klv::test::fault
