#pragma once
// What the fault tests share: lines opened from real files through the exported interface, the
// test wave back end played by a thread of the test as a sound card would, files of a constant
// level whose frames can be counted on the device, and the engine's log and messages.

#include "engine/audio/block_mixer.h"
#include "engine/audio/housekeeping.h"
#include "engine/audio/master_eq.h"
#include "engine/audio/master_section.h"
#include "engine/audio/output_thread.h"
#include "engine/core/line_slot.h"
#include "engine/core/log.h"
#include "engine/core/options_copy.h"
#include "engine/core/user_message.h"
#include "klv3.h"
#include "platform/system/clock.h"
#include "tests/doubles/wave_test_backend.h"
#include "tests/engine/core/core_test_util.h"
#include "tests/engine/core/transport_test_util.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace klv::test::fault {

// A 16-bit stereo 44100 Hz WAV file whose every sample is level: on the device each of its
// frames comes out as one known value, so the frames of the file that were played can be
// counted, and a lost or doubled block of the file shows as a difference of whole blocks.
inline std::string constantWav(uint32_t frames, int16_t level) {
    auto put32 = [](std::string& s, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    auto put16 = [](std::string& s, uint16_t v) {
        s.push_back(static_cast<char>(v & 0xff));
        s.push_back(static_cast<char>(v >> 8));
    };
    std::string wav = "RIFF";
    put32(wav, 36 + frames * 4);
    wav += "WAVEfmt ";
    put32(wav, 16);
    put16(wav, 1);
    put16(wav, 2);
    put32(wav, 44100);
    put32(wav, 44100 * 4);
    put16(wav, 4);
    put16(wav, 16);
    wav += "data";
    put32(wav, frames * 4);
    for (uint32_t i = 0; i < frames * 2; ++i)
        put16(wav, static_cast<uint16_t>(level));
    return wav;
}

constexpr int16_t kLevel = 8192; // a quarter of full scale
constexpr uint32_t kWavHeader = 44;

// The device value of a kLevel sample: volume, pan and master gain at 1.
inline int16_t playedLevel() {
    return engine::toPcm16(kLevel / 32768.0 * engine::kPcmScale);
}

// Frames of device id's recording whose left and right are the played value of kLevel.
inline uint64_t levelFrames(uint32_t id) {
    const std::vector<int16_t> samples = platform::wavetest::played(id);
    const int16_t level = playedLevel();
    uint64_t frames = 0;
    for (size_t i = 0; i + 1 < samples.size(); i += 2)
        frames += (samples[i] == level && samples[i + 1] == level) ? 1 : 0;
    return frames;
}

// The runs of level frames and of other frames on device id, shown when a count is off.
inline std::string levelRuns(uint32_t id) {
    const std::vector<int16_t> samples = platform::wavetest::played(id);
    const int16_t level = playedLevel();
    std::string out;
    bool current = false;
    uint64_t run = 0;
    int16_t first = 0;
    for (size_t i = 0; i + 1 < samples.size(); i += 2) {
        const bool at = samples[i] == level && samples[i + 1] == level;
        if (at != current && run > 0) {
            out += (current ? "L" : "o") + std::to_string(run) + "(" + std::to_string(first) + ") ";
            run = 0;
        }
        if (run == 0)
            first = samples[i];
        current = at;
        ++run;
    }
    out += (current ? "L" : "o") + std::to_string(run);
    return out;
}

// Waits until device id has played everything that was queued on it by now (the output keeps
// 8 blocks queued ahead of the device); false when it stopped playing.
inline bool playedOut(uint32_t id = 0) {
    const uint64_t target = platform::wavetest::playedBuffers(id) + 9;
    return eventually([&] { return platform::wavetest::playedBuffers(id) >= target; });
}

// Plays the test device's buffers on a thread of its own, as a card would, until stopped or
// held. periodMs 0 plays each buffer as soon as it is queued.
class DevicePlayer {
public:
    explicit DevicePlayer(uint32_t id = 0, uint32_t periodMs = 1)
        : m_id(id), m_period(periodMs), m_thread([this] { run(); }) {}
    ~DevicePlayer() {
        m_stop.store(true, std::memory_order_release);
        m_thread.join();
    }
    DevicePlayer(const DevicePlayer&) = delete;
    DevicePlayer& operator=(const DevicePlayer&) = delete;

    // A held device keeps what is queued and finishes nothing: a card that stopped playing.
    void hold(bool on) { m_held.store(on, std::memory_order_release); }

private:
    void run() {
        while (!m_stop.load(std::memory_order_acquire)) {
            if (!m_held.load(std::memory_order_acquire) && platform::wavetest::playOldest(m_id))
                platform::sleepMs(m_period);
            else
                platform::sleepMs(1);
        }
    }

    uint32_t m_id;
    uint32_t m_period;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_held{false};
    std::thread m_thread;
};

// A LineHandle of the test, closed when the test ends.
struct Line {
    LineHandle h{};
    explicit Line(int32_t index = 1) { h.index = index; }
    ~Line() { klvClose(&h); }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;
    LineSlot& slot() { return *h.slot; }
    int32_t field(int32_t& f) { return KLV_LOAD_FIELD(f); }
    bool finished() { return KLV_LOAD_FIELD(h.finished) == 1; }
    int32_t filePos() { return h.slot ? h.slot->filePos.load() : -1; }
};

// The program's side: a headless window system that records messages and boxes, the owner
// window, a folder for the test's files, and the output on the test back end with the master
// equalizer out of the way (the levels on the device are the lines' own).
class FaultTest : public testing::Test {
protected:
    void SetUp() override {
        engine::setOwnerWindow(kOwner);
        engine::bypassMasterEqForTests(true);
        platform::wavetest::configure(2);
        OptionsRecord options{};
        options.SilenceThreshold = 15;
        engine::replaceOptions(options);
        klvSetMainVol(1.0f, 1.0f, 1.0f);
        engine::masterValues().currentLeft.store(1.0f);
        engine::masterValues().currentRight.store(1.0f);
    }
    void TearDown() override {
        klvKillAudio();
        klvUnloadAllPlugins();
        engine::bypassMasterEqForTests(false);
        engine::setOwnerWindow(0);
    }

    std::string place(const std::string& name, const std::string& bytes) {
        const auto path = m_dir.path() / name;
        writeFile(path, bytes);
        return path.string();
    }

    std::vector<std::string> userMessages() const { return m_windows.userMessages(); }
    std::vector<std::string> boxes() const { return m_windows.boxes(); }

    static constexpr KlvWindow kOwner = 0x4242;
    ScopedWindowSystem m_windows;
    TempDir m_dir;
};

} // namespace klv::test::fault
