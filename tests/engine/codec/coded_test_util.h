#pragma once
// Lines of coded files played through the output thread onto the test wave device.

#include "engine/audio/block_mixer.h"
#include "engine/audio/master_eq.h"
#include "engine/audio/output_thread.h"
#include "engine/audio/sample_ring.h"
#include "tests/doubles/wave_test_backend.h"
#include "tests/engine/core/transport_test_util.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace klv::test {

namespace wavetest = platform::wavetest;

class CodedLineTest : public LineTest {
protected:
    void SetUp() override {
        LineTest::SetUp();
        wavetest::configure(2);
        klvSetMainVol(1.0f, 1.0f, 1.0f);
        engine::bypassMasterEqForTests(true);
    }
    void TearDown() override {
        klvKillAudio();
        engine::bypassMasterEqForTests(false);
        LineTest::TearDown();
    }

    // Lets the device play one buffer once the decoder keeps a block ready (near the end, once
    // it has stopped adding), so the output thread mixes one more block.
    void playBlock(Line& line) {
        LineSlot& slot = line.slot();
        ASSERT_TRUE(eventually([&] {
            if (engine::sampleRingUsed(slot) >= 1024 || load(line.h.finished) == 1 ||
                line.h.slot == nullptr || load(line.h.state) != 2)
                return true;
            if (slot.endOfFile == 0)
                return false;
            const int32_t written = slot.sampleWrite;
            platform::sleepMs(100);
            return written == slot.sampleWrite;
        }));
        const uint64_t blocks = engine::outputBlockCount();
        ASSERT_TRUE(eventually([] { return wavetest::playOldest(0); }));
        ASSERT_TRUE(eventually([&] { return engine::outputBlockCount() > blocks; }));
    }

    void playBlocks(Line& line, int count) {
        for (int block = 0; block < count && !HasFatalFailure(); ++block)
            playBlock(line);
    }

    // Plays the line until it has finished, then a few blocks more; the frames played.
    std::vector<int16_t> playToEnd(Line& line, int maxBlocks = 4000) {
        for (int block = 0; block < maxBlocks && load(line.h.finished) == 0; ++block) {
            playBlock(line);
            if (HasFatalFailure())
                return {};
        }
        EXPECT_EQ(load(line.h.finished), 1);
        playBlocks(line, 12);
        return wavetest::played(0);
    }
};

// Left channel of interleaved stereo.
inline std::vector<int16_t> leftOf(const std::vector<int16_t>& played) {
    std::vector<int16_t> left;
    for (size_t i = 0; i < played.size(); i += 2)
        left.push_back(played[i]);
    return left;
}

// The counting fixtures: frame i has left (i mod 65536) - 32768 and right
// 1000 * (i / 65536) - 16000; the frame a pair came from, or -1 when it is no such pair.
inline int64_t countedFrame(int32_t left, int32_t right) {
    const int32_t lap = right + 16000;
    if (lap < 0 || lap % 1000 != 0)
        return -1;
    return int64_t{lap / 1000} * 65536 + (left + 32768);
}

inline Frame countingFrame(int64_t i) {
    const int64_t lap = i / 65536;
    const int64_t left = (i % 65536) - 32768;
    const int64_t right = 1000 * lap - 16000;
    return {static_cast<float>(left) / 32768.0f, static_cast<float>(right) / 32768.0f};
}

} // namespace klv::test
