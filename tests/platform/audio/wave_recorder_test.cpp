// The virtual recorder: what it plays ends up in a valid WAV file in the Kelvara home.

#include "platform/audio/wave_device.h"
#include "platform/audio/wave_recorder.h"
#include "tests/platform/support/platform_test_util.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

using namespace klv::platform;

namespace {

constexpr uint32_t kBlockBytes = 4096;
constexpr uint32_t kBlockSamples = kBlockBytes / 2;

uint32_t le32(const std::vector<unsigned char>& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t{bytes[at + 3]} << 24;
}
uint16_t le16(const std::vector<unsigned char>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::vector<unsigned char> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Checks the canonical 44-byte header of 16-bit stereo 44100 Hz PCM and returns its data size.
uint32_t checkHeader(const std::vector<unsigned char>& file) {
    EXPECT_GE(file.size(), 44u);
    if (file.size() < 44)
        return 0;
    EXPECT_EQ(std::memcmp(file.data(), "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(file.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(le32(file, 16), 16u);
    EXPECT_EQ(le16(file, 20), 1u); // PCM
    EXPECT_EQ(le16(file, 22), 2u); // stereo
    EXPECT_EQ(le32(file, 24), 44100u);
    EXPECT_EQ(le32(file, 28), 176400u);
    EXPECT_EQ(le16(file, 32), 4u);
    EXPECT_EQ(le16(file, 34), 16u);
    EXPECT_EQ(std::memcmp(file.data() + 36, "data", 4), 0);
    const uint32_t data = le32(file, 40);
    EXPECT_EQ(le32(file, 4), data + 36);
    return data;
}

struct Block {
    std::array<int16_t, kBlockSamples> samples;
    WaveHeader header;
    explicit Block(int index) {
        for (uint32_t i = 0; i < kBlockSamples; ++i)
            samples[i] = static_cast<int16_t>(index * 7 + static_cast<int>(i) - 1000);
        header.data = reinterpret_cast<char*>(samples.data());
        header.bufferLength = kBlockBytes;
        header.flags.store(kWhdrPrepared);
    }
    bool done() const { return header.flags.load(std::memory_order_acquire) & kWhdrDone; }
};

// Plays blocks on the recorder, two at a time as the engine keeps it fed, until every block
// has played; returns the recording's path.
void playAll(WaveOut& recorder, std::vector<std::unique_ptr<Block>>& blocks) {
    size_t queued = 0;
    for (size_t played = 0; played < blocks.size();) {
        while (queued < blocks.size() && queued < played + 2)
            ASSERT_EQ(recorder.write(blocks[queued++]->header), kWaveOk);
        if (blocks[played]->done())
            ++played;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::vector<std::filesystem::path> recordings(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with("kelvara-rec-"))
            found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Each test records into a Kelvara home of its own.
class VirtualDevice : public ::testing::Test {
protected:
    klv::test::TempDir m_dir;
    klv::test::ScopedEnv m_home{"KELVARA_HOME", m_dir.path().c_str()};
    const std::filesystem::path& home() const { return m_dir.path(); }
};

TEST_F(VirtualDevice, RecorderWritesWhatItPlaysIntoANumberedWavFile) {
    auto backend = makeVirtualBackend();
    const std::filesystem::path home = this->home();
    { std::ofstream(home / "kelvara-rec-1.wav") << "taken"; } // a name already in use

    std::vector<std::unique_ptr<Block>> blocks;
    for (int i = 0; i < 20; ++i)
        blocks.push_back(std::make_unique<Block>(i));
    {
        std::unique_ptr<WaveOut> recorder;
        ASSERT_EQ(backend->open(1, recorder), kWaveOk);
        playAll(*recorder, blocks);
    }
    const auto file = readFile(home / "kelvara-rec-2.wav");
    ASSERT_EQ(file.size(), 44u + 20 * kBlockBytes);
    EXPECT_EQ(checkHeader(file), 20 * kBlockBytes);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(
            std::memcmp(file.data() + 44 + i * kBlockBytes, blocks[i]->samples.data(), kBlockBytes),
            0)
            << "block " << i;
    }
    EXPECT_EQ(readFile(home / "kelvara-rec-1.wav").size(), 5u);
}

// A crash must leave a playable file: while the recorder runs, the header is brought up to
// date every few seconds, so it always describes a whole prefix of what was recorded.
TEST_F(VirtualDevice, RecorderKeepsTheHeaderUpToDateWhileRecording) {
    auto backend = makeVirtualBackend();
    const std::filesystem::path home = this->home();
    std::vector<std::unique_ptr<Block>> blocks;
    for (int i = 0; i < 160; ++i) // about 3.7 s of sound
        blocks.push_back(std::make_unique<Block>(i));
    std::unique_ptr<WaveOut> recorder;
    ASSERT_EQ(backend->open(1, recorder), kWaveOk);
    const auto files = recordings(home);
    ASSERT_EQ(files.size(), 1u);
    playAll(*recorder, blocks);

    const auto file = readFile(files.front());
    const uint32_t declared = checkHeader(file);
    EXPECT_GT(declared, 0u);
    EXPECT_EQ(declared % 4, 0u);
    EXPECT_LE(44u + declared, file.size());
    recorder.reset();
    EXPECT_EQ(checkHeader(readFile(files.front())), 160 * kBlockBytes);
}

TEST_F(VirtualDevice, RecorderThatCannotCreateItsFileFailsToOpen) {
    WavRecorder recorder;
    EXPECT_FALSE(recorder.open(home() / "no" / "such" / "folder"));
    EXPECT_FALSE(recorder.append("abcd", 4));
}

TEST_F(VirtualDevice, OutputPlaysInQueueOrderAndResetHandsBuffersBack) {
    auto backend = makeVirtualBackend();
    std::unique_ptr<WaveOut> output;
    ASSERT_EQ(backend->open(0, output), kWaveOk);
    std::vector<std::unique_ptr<Block>> blocks;
    for (int i = 0; i < 4; ++i)
        blocks.push_back(std::make_unique<Block>(i));
    playAll(*output, blocks);

    for (auto& block : blocks)
        ASSERT_EQ(output->write(block->header), kWaveOk);
    ASSERT_EQ(output->reset(), kWaveOk);
    for (auto& block : blocks) {
        EXPECT_TRUE(block->done());
        EXPECT_FALSE(block->header.flags.load() & kWhdrInQueue);
    }
    EXPECT_TRUE(recordings(home()).empty()); // the output records nothing
}

} // namespace
