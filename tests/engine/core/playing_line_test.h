#pragma once
// A line played through the output thread onto the test wave device, block by block, and what
// came out measured: where the sound starts, how long it lasts, its level and its frequency.

#include "engine/audio/block_mixer.h"
#include "engine/audio/master_eq.h"
#include "engine/audio/output_thread.h"
#include "engine/audio/sample_ring.h"
#include "tests/doubles/wave_test_backend.h"
#include "tests/engine/core/transport_test_util.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace klv::test {

namespace wavetest = platform::wavetest;

class PlayingLineTest : public LineTest {
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
            platform::sleepMs(200);
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

struct Sound {
    size_t first = 0;  // first sample above the noise floor
    size_t frames = 0; // from there to the last one
    double rms = 0.0;  // over the middle, margin frames away from both ends
    size_t crossings = 0;
};

inline Sound measure(const std::vector<int16_t>& samples, size_t margin = 2000) {
    Sound sound;
    size_t last = 0;
    bool found = false;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) > 100) {
            if (!found)
                sound.first = i;
            found = true;
            last = i;
        }
    }
    if (!found)
        return sound;
    sound.frames = last - sound.first + 1;
    double sum = 0.0;
    size_t count = 0;
    for (size_t i = sound.first + margin; i + margin < last; ++i) {
        sum += double(samples[i]) * samples[i];
        ++count;
        sound.crossings += (samples[i] >= 0) != (samples[i + 1] >= 0);
    }
    sound.rms = count ? std::sqrt(sum / count) : 0.0;
    return sound;
}

} // namespace klv::test
