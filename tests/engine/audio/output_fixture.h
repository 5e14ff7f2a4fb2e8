#pragma once
// Drives the engine's output as the program does (klvStartAudio, the setters, klvKillAudio) on
// the test wave back end, with lines fed through the sample ring the way the decoder feeds
// them, and reads back what the devices played, block by block.

#include "engine/audio/block_mixer.h"
#include "engine/audio/housekeeping.h"
#include "engine/audio/master_eq.h"
#include "engine/audio/master_section.h"
#include "engine/audio/output_format.h"
#include "engine/audio/output_thread.h"
#include "engine/audio/sample_ring.h"
#include "engine/core/options_copy.h"
#include "engine/core/slot_pool.h"
#include "klv3.h"
#include "platform/audio/wave_out.h"
#include "platform/system/clock.h"
#include "tests/doubles/headless_window_system.h"
#include "tests/doubles/wave_test_backend.h"
#include "tests/support/eventually.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace klv::test {

// A line with an open slot, set up as opening a file does, fed by the test instead of a
// decoder thread.
class TestLine {
public:
    TestLine() {
        m_slot = engine::takeSlot();
        if (!m_slot)
            return;
        m_ring = std::make_unique<Frame[]>(kSampleRingFrames);
        m_slot->sampleRing = m_ring.get();
        m_slot->volume.store(1.0f);
        m_slot->currentVolume.store(1.0f);
        m_slot->pitch.store(1000);
        m_handle.slot = m_slot;
        m_handle.state = 1;
    }
    ~TestLine() {
        if (!m_slot)
            return;
        // As closing a line does: out of the mix before the ring goes.
        m_slot->playing.store(0);
        engine::waitUntilLineUnmixed();
        engine::clearSlot(*m_slot);
    }
    TestLine(const TestLine&) = delete;
    TestLine& operator=(const TestLine&) = delete;

    LineHandle* handle() { return &m_handle; }
    LineSlot& slot() { return *m_slot; }

    // Writes frames into the ring; returns how many fitted.
    int32_t feed(const std::vector<Frame>& frames) {
        return engine::sampleRingWrite(&m_handle, frames.data(),
                                       static_cast<int32_t>(frames.size()));
    }
    // count frames of one constant value.
    int32_t feedConstant(float left, float right, int32_t count) {
        return feed(std::vector<Frame>(count, Frame{left, right}));
    }
    void play() { m_slot->playing.store(1); }
    void setPreview(bool on) { m_slot->preview.store(on ? 1 : 0); }

private:
    LineHandle m_handle{};
    LineSlot* m_slot = nullptr;
    std::unique_ptr<Frame[]> m_ring;
};

// Number of silent buffers each device gets queued when the output starts.
constexpr uint32_t kStartSilence = engine::kQueueBuffers - 1;

class OutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setWindowSystem(&m_windows);
        // These tests look at the mix itself; the master equalizer has tests of its own.
        engine::bypassMasterEqForTests(true);
        platform::wavetest::configure(2);
        m_options = OptionsRecord{};
        applyOptions();
        klvSetMainVol(1.0f, 1.0f, 1.0f);
        engine::masterValues().currentLeft.store(1.0f);
        engine::masterValues().currentRight.store(1.0f);
    }
    void TearDown() override {
        m_windows.holdBoxes(false); // a failed test must not leave a box waiting
        klvKillAudio();
        engine::bypassMasterEqForTests(false);
        platform::setWindowSystem(nullptr);
    }

    void applyOptions() { engine::replaceOptions(m_options); }

    // Starts the output and waits for the first block, which needs no free buffer.
    void start() {
        m_blockBase = engine::outputBlockCount();
        ASSERT_EQ(klvStartAudio(), 0);
        ASSERT_EQ(engine::outputState(), 1);
        ASSERT_TRUE(waitForBlocks(1));
    }

    // Blocks the output has finished since start().
    uint64_t blocksDone() const { return engine::outputBlockCount() - m_blockBase; }

    bool waitForBlocks(uint64_t count, uint32_t timeoutMs = 10000) {
        for (uint32_t waited = 0; blocksDone() < count; ++waited) {
            if (waited > timeoutMs * 5)
                return false;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return true;
    }

    // Lets the output run count more blocks: each one needs the primary device to finish its
    // oldest buffer. With lockstep, the secondary device finishes one buffer per block too, as a
    // card on the same clock would.
    void step(int count = 1) {
        for (int i = 0; i < count; ++i) {
            const uint64_t before = blocksDone();
            ASSERT_TRUE(platform::wavetest::playOldest(0));
            if (m_lockstep)
                platform::wavetest::playOldest(1);
            ASSERT_TRUE(waitForBlocks(before + 1));
        }
    }

    // The samples of played buffer number index (0-based, silence included) of a device.
    std::vector<int16_t> playedBuffer(uint32_t device, uint64_t index) {
        const std::vector<int16_t> all = platform::wavetest::played(device);
        const size_t begin = index * engine::kBlockSamples;
        if (all.size() < begin + engine::kBlockSamples)
            return {};
        return {all.data() + begin, all.data() + begin + engine::kBlockSamples};
    }

    // The primary device's output for block number block (1-based): it follows the silence.
    // Plays buffers until that block has played, which lets the output run further blocks.
    std::vector<int16_t> primaryBlock(int block) {
        const uint64_t index = kStartSilence + block - 1;
        while (platform::wavetest::playedBuffers(0) <= index) {
            step();
            if (::testing::Test::HasFatalFailure())
                return {};
        }
        return playedBuffer(0, index);
    }

    // Waits until the output thread has ended and what it had to tell the user has been told;
    // false when it still runs after timeoutMs.
    bool waitForOutputEnd(uint32_t timeoutMs = 20000) {
        for (uint32_t waited = 0; engine::outputState() != -1 || engine::choresPending();
             waited += 5) {
            if (waited > timeoutMs)
                return false;
            platform::sleepMs(5);
        }
        return true;
    }

    std::vector<std::string> boxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : m_windows.boxes())
            texts.push_back(box.text);
        return texts;
    }

    platform::HeadlessWindowSystem m_windows;
    OptionsRecord m_options{};
    bool m_lockstep = false;
    uint64_t m_blockBase = 0;
};

} // namespace klv::test
