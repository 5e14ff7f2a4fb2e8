#pragma once
// Hears what the master section does to the engine's output: a line plays a constant level
// from a small WAV file through the real engine, and the test wave back end's two devices are
// played buffer by buffer until the ramps have settled, so the level each device carries can
// be read as a factor of the line's level.

#include "klv3.h"
#include "tests/doubles/wave_test_backend.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace klv::test {

// The line's constant sample value: a quarter of full scale leaves room for a gain of 2.
constexpr int16_t kLineSample = 8192;

// Writes a 16-bit stereo WAV at 44100 frames per second holding one constant value.
inline void writeConstantWav(const std::filesystem::path& path, int16_t value, int seconds) {
    const uint32_t frames = 44100u * static_cast<uint32_t>(seconds);
    const uint32_t dataBytes = frames * 4;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    auto put32 = [f](uint32_t v) {
        const unsigned char b[4] = {
            static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
            static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
        std::fwrite(b, 1, 4, f);
    };
    auto put16 = [f](uint16_t v) {
        const unsigned char b[2] = {static_cast<unsigned char>(v),
                                    static_cast<unsigned char>(v >> 8)};
        std::fwrite(b, 1, 2, f);
    };
    std::fwrite("RIFF", 1, 4, f);
    put32(36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(16);
    put16(1);
    put16(2);
    put32(44100);
    put32(44100 * 4);
    put16(4);
    put16(16);
    std::fwrite("data", 1, 4, f);
    put32(dataBytes);
    std::vector<int16_t> block(2 * 4410, value);
    for (uint32_t done = 0; done < frames; done += 4410)
        std::fwrite(block.data(), sizeof(int16_t), block.size(), f);
    std::fclose(f);
}

// One line playing the constant file on the real engine, cued to the headphones too, with the
// output running on the test devices (0 main, 1 headphones).
class ConstantLine {
public:
    ConstantLine() {
        platform::wavetest::configure(2);
        const std::filesystem::path wav = testHome() / "constant.wav";
        writeConstantWav(wav, kLineSample, 20);
        m_handle.fileName = m_name;
        m_handle.index = 0;
        m_handle.quiet = 1;
        m_handle.preview = 1;
        EXPECT_EQ(klvOpen(&m_handle, wav.c_str()), 0);
        klvSetPreview(&m_handle);
        klvSetVolume(&m_handle, 1.0f);
        klvPause(&m_handle);
        EXPECT_EQ(klvStartAudio(), 0);
    }
    ~ConstantLine() {
        klvKillAudio();
        klvClose(&m_handle);
    }
    ConstantLine(const ConstantLine&) = delete;
    ConstantLine& operator=(const ConstantLine&) = delete;

    // Plays blocks on both devices until the last frame of the main device has stayed the same
    // for a while (every gain ramp has arrived), and returns the last frame's left sample of
    // device as a factor of the line's level.
    double settledLevel(uint32_t device) {
        int16_t last = -1;
        int same = 0;
        for (int block = 0; block < 2000 && same < 20; ++block) {
            // The output queues a block as soon as a device has played one.
            const uint64_t requests = platform::wavetest::writeRequests(0);
            platform::wavetest::playOldest(0);
            platform::wavetest::playOldest(1);
            if (!platform::wavetest::waitForWriteRequests(0, requests + 1, 2000))
                break;
            const int16_t now = lastLeft(0);
            same = now == last ? same + 1 : 0;
            last = now;
        }
        return lastLeft(device) / static_cast<double>(kLineSample);
    }

private:
    static int16_t lastLeft(uint32_t device) {
        const std::vector<int16_t> samples = platform::wavetest::played(device);
        return samples.size() >= 2 ? samples[samples.size() - 2] : int16_t{0};
    }

    char m_name[KLV_PATH_BUFFER] = {};
    LineHandle m_handle{};
};

} // namespace klv::test
