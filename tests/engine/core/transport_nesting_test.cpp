// While a transport call waits for a line's threads it serves the program's requests, and a
// message box shown then runs the program's timers, which call the engine again on the same
// thread. Calls that would change the line being changed do nothing; other lines are served.

#include "tests/engine/core/transport_test_util.h"

namespace klv::test {
namespace {

// A window system whose waiting hook runs what the program's timers would run.
class NestingWindowSystem : public platform::HeadlessWindowSystem {
public:
    void serveRequests() override {
        ++served;
        if (nested && !running) {
            running = true;
            nested();
            running = false;
        }
    }
    std::function<void()> nested;
    bool running = false;
    int served = 0;
};

class TransportNestingTest : public testing::Test {
protected:
    void SetUp() override {
        platform::setWindowSystem(&m_windows);
        useOptions(0);
    }
    void TearDown() override { platform::setWindowSystem(nullptr); }
    NestingWindowSystem m_windows;
};

TEST_F(TransportNestingTest, CallsMadeWhileALineIsClosedLeaveThatLineAlone) {
    Line closing(1), other(2);
    const auto path = fixture("wav_44100_16_stereo.wav");
    ASSERT_EQ(klvOpen(&closing.h, path.c_str()), 0);
    ASSERT_EQ(klvOpen(&other.h, path.c_str()), 0);
    LineSlot* slot = closing.h.slot;
    int32_t results[4] = {-9, -9, -9, -9};
    m_windows.nested = [&] {
        results[0] = klvPause(&closing.h);
        results[1] = klvStop(&closing.h);
        results[2] = klvSetPos(&closing.h, 50);
        results[3] = klvClose(&other.h);
    };
    ASSERT_EQ(klvClose(&closing.h), 0);
    ASSERT_GT(m_windows.served, 0);
    for (int32_t result : results)
        EXPECT_EQ(result, 0);
    EXPECT_EQ(closing.h.slot, nullptr);
    EXPECT_EQ(slot->playing, 0);
    EXPECT_EQ(slot->readerRunning, 0);
    EXPECT_EQ(slot->decoderRunning, 0);
    EXPECT_EQ(slot->sampleRing, nullptr);
    EXPECT_EQ(other.h.slot, nullptr); // the other line was closed by the nested call
    EXPECT_EQ(klvCheckPlaying(), 0);
}

TEST_F(TransportNestingTest, AStopInterruptedByTimersStillEndsCued) {
    Line line(1);
    ASSERT_EQ(klvOpen(&line.h, fixture("wav_44100_16_stereo.wav").c_str()), 0);
    klvPause(&line.h);
    m_windows.nested = [&] {
        klvPause(&line.h);
        klvOpen(&line.h, fixture("wav_8000_8_mono.wav").c_str());
    };
    ASSERT_EQ(klvStop(&line.h), 0);
    ASSERT_GT(m_windows.served, 0);
    EXPECT_EQ(load(line.h.state), 1);
    EXPECT_EQ(line.slot().playing, 0);
    EXPECT_EQ(line.slot().sampleRate, 44100); // not reopened underneath
    EXPECT_TRUE(eventually([&] { return line.slot().readerRunning == 1; }));
}

} // namespace
} // namespace klv::test
