// The wave device model as the engine's output thread relies on it, checked on the test back
// end through the public functions, plus the device lists of all three back ends.

#include "platform/audio/wave_device.h"
#include "platform/audio/wave_out.h"
#include "tests/doubles/wave_test_backend.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace klv::platform;

namespace {

constexpr uint32_t kBlockBytes = 4096;

// One caller-owned buffer with its header, filled with a recognisable ramp.
struct Buffer {
    std::array<int16_t, kBlockBytes / 2> samples{};
    WaveHeader header;

    explicit Buffer(int16_t seed) {
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<int16_t>(seed + static_cast<int16_t>(i));
        header.data = reinterpret_cast<char*>(samples.data());
        header.bufferLength = kBlockBytes;
    }
    uint32_t flags() const { return header.flags.load(std::memory_order_acquire); }
};

class WaveOutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_STREQ(std::getenv("KELVARA_AUDIO"), "test");
        wavetest::configure(2);
        ASSERT_EQ(waveOutOpen(&m_device, 0, WaveFormat{}, kWaveAllowSync), kWaveOk);
    }
    void TearDown() override {
        if (m_device)
            waveOutClose(m_device);
    }
    WaveOut* m_device = nullptr;
};

TEST(WaveOutListing, TestBackEndListsTheConfiguredDevices) {
    wavetest::configure(3);
    ASSERT_EQ(waveOutGetNumDevs(), 3u);
    std::string name;
    for (uint32_t id = 0; id < 3; ++id) {
        ASSERT_TRUE(waveOutGetDeviceName(id, name));
        EXPECT_EQ(name, "Test Output " + std::to_string(id));
    }
    name = "unchanged";
    EXPECT_FALSE(waveOutGetDeviceName(3, name));
    EXPECT_EQ(name, "unchanged");
}

TEST(WaveOutListing, VirtualBackEndHasTheOutputAndTheRecorder) {
    auto backend = makeVirtualBackend();
    ASSERT_EQ(backend->deviceCount(), 2u);
    std::string name;
    ASSERT_TRUE(backend->deviceName(0, name));
    EXPECT_EQ(name, "Virtual Output");
    ASSERT_TRUE(backend->deviceName(1, name));
    EXPECT_EQ(name, "Virtual Recorder");
    EXPECT_FALSE(backend->deviceName(2, name));
}

// This machine may have no sound card at all: the list may be empty, but it must be
// consistent, and a device beyond it must be refused rather than crash.
TEST(WaveOutListing, PortAudioListsWhatTheMachineHas) {
    auto backend = makePortAudioBackend();
    const uint32_t count = backend->deviceCount();
    std::string name;
    for (uint32_t id = 0; id < count; ++id) {
        ASSERT_TRUE(backend->deviceName(id, name)) << id;
        EXPECT_FALSE(name.empty()) << id;
    }
    EXPECT_FALSE(backend->deviceName(count, name));
    std::unique_ptr<WaveOut> device;
    EXPECT_EQ(backend->open(count, device), kWaveBadDeviceId);
    EXPECT_EQ(device, nullptr);
}

TEST(WaveOutOpen, RefusesUnknownDevicesOtherFormatsAndScriptedFailures) {
    wavetest::configure(2);
    WaveFormat mono;
    mono.channels = 1;
    WaveFormat rate48k;
    rate48k.samplesPerSec = 48000;
    WaveFormat eightBit;
    eightBit.bitsPerSample = 8;
    struct Case {
        const char* what;
        uint32_t id;
        WaveFormat format;
        uint32_t scriptedError;
        uint32_t expected;
    } cases[] = {
        {"unknown id", 2, WaveFormat{}, 0, kWaveBadDeviceId},
        {"mono", 0, mono, 0, kWaveBadFormat},
        {"48 kHz", 0, rate48k, 0, kWaveBadFormat},
        {"8 bit", 0, eightBit, 0, kWaveBadFormat},
        {"scripted failure", 1, WaveFormat{}, kWaveAllocated, kWaveAllocated},
    };
    for (const Case& c : cases) {
        wavetest::failOpen(c.id, c.scriptedError);
        WaveOut* device = reinterpret_cast<WaveOut*>(0x1);
        EXPECT_EQ(waveOutOpen(&device, c.id, c.format, 0), c.expected) << c.what;
        EXPECT_EQ(device, nullptr) << c.what;
        wavetest::failOpen(c.id, 0);
    }
    EXPECT_EQ(wavetest::openCount(0) + wavetest::openCount(1), 0u);
}

TEST_F(WaveOutTest, HeaderFlagsFollowQueueAndPlay) {
    Buffer buffer(100);
    EXPECT_EQ(waveOutWrite(m_device, &buffer.header), kWaveUnprepared);
    ASSERT_EQ(waveOutPrepareHeader(m_device, &buffer.header), kWaveOk);
    EXPECT_EQ(buffer.flags(), kWhdrPrepared); // prepared, never played: neither done nor queued

    ASSERT_EQ(waveOutWrite(m_device, &buffer.header), kWaveOk);
    EXPECT_EQ(buffer.flags(), kWhdrPrepared | kWhdrInQueue);
    EXPECT_EQ(waveOutWrite(m_device, &buffer.header), kWaveStillPlaying);
    EXPECT_EQ(waveOutUnprepareHeader(m_device, &buffer.header), kWaveStillPlaying);
    EXPECT_EQ(wavetest::queuedCount(0), 1u);

    ASSERT_TRUE(wavetest::playOldest(0));
    EXPECT_EQ(buffer.flags(), kWhdrPrepared | kWhdrDone);
    EXPECT_FALSE(wavetest::playOldest(0));

    // Queued again: done clears until it has played once more.
    ASSERT_EQ(waveOutWrite(m_device, &buffer.header), kWaveOk);
    EXPECT_EQ(buffer.flags(), kWhdrPrepared | kWhdrInQueue);
    ASSERT_TRUE(wavetest::playOldest(0));
    EXPECT_EQ(waveOutUnprepareHeader(m_device, &buffer.header), kWaveOk);
    EXPECT_EQ(buffer.flags(), kWhdrDone);
}

TEST_F(WaveOutTest, BuffersPlayInQueueOrderSampleForSample) {
    Buffer a(0), b(10000), c(-20000);
    for (Buffer* buffer : {&a, &b, &c})
        ASSERT_EQ(waveOutPrepareHeader(m_device, &buffer->header), kWaveOk);
    for (Buffer* buffer : {&b, &a, &c})
        ASSERT_EQ(waveOutWrite(m_device, &buffer->header), kWaveOk);
    while (wavetest::playOldest(0)) {
    }
    std::vector<int16_t> expected;
    for (Buffer* buffer : {&b, &a, &c})
        expected.insert(expected.end(), buffer->samples.begin(), buffer->samples.end());
    EXPECT_EQ(wavetest::played(0), expected);
    EXPECT_EQ(wavetest::playedBuffers(0), 3u);
}

TEST_F(WaveOutTest, ResetHandsEveryQueuedBufferBackDoneAndTheDeviceStaysUsable) {
    Buffer a(1), b(2);
    for (Buffer* buffer : {&a, &b}) {
        ASSERT_EQ(waveOutPrepareHeader(m_device, &buffer->header), kWaveOk);
        ASSERT_EQ(waveOutWrite(m_device, &buffer->header), kWaveOk);
    }
    ASSERT_EQ(waveOutReset(m_device), kWaveOk);
    EXPECT_EQ(a.flags(), kWhdrPrepared | kWhdrDone);
    EXPECT_EQ(b.flags(), kWhdrPrepared | kWhdrDone);
    EXPECT_EQ(wavetest::queuedCount(0), 0u);
    EXPECT_TRUE(wavetest::played(0).empty());

    ASSERT_EQ(waveOutWrite(m_device, &a.header), kWaveOk);
    ASSERT_TRUE(wavetest::playOldest(0));
    EXPECT_EQ(wavetest::played(0).front(), 1);
}

TEST_F(WaveOutTest, AFailedQueueRequestChangesNothing) {
    Buffer buffer(5);
    ASSERT_EQ(waveOutPrepareHeader(m_device, &buffer.header), kWaveOk);
    ASSERT_EQ(waveOutWrite(m_device, &buffer.header), kWaveOk);
    ASSERT_TRUE(wavetest::playOldest(0));

    wavetest::failWrites(0, kWaveError);
    EXPECT_EQ(waveOutWrite(m_device, &buffer.header), kWaveError);
    EXPECT_EQ(buffer.flags(), kWhdrPrepared | kWhdrDone);
    EXPECT_EQ(wavetest::queuedCount(0), 0u);
    EXPECT_EQ(wavetest::writeRequests(0), 2u);
    EXPECT_EQ(wavetest::acceptedWrites(0), 1u);
}

TEST_F(WaveOutTest, QueueIsBoundedAndAFullQueueRefusesWithoutLosingTheHeader) {
    std::vector<std::unique_ptr<Buffer>> buffers;
    for (uint32_t i = 0; i <= WaveQueue::kCapacity; ++i) {
        buffers.push_back(std::make_unique<Buffer>(static_cast<int16_t>(i)));
        ASSERT_EQ(waveOutPrepareHeader(m_device, &buffers.back()->header), kWaveOk);
    }
    for (uint32_t i = 0; i < WaveQueue::kCapacity; ++i)
        ASSERT_EQ(waveOutWrite(m_device, &buffers[i]->header), kWaveOk) << i;
    Buffer& extra = *buffers.back();
    EXPECT_EQ(waveOutWrite(m_device, &extra.header), kWaveNoMemory);
    EXPECT_EQ(extra.flags(), kWhdrPrepared);
    ASSERT_TRUE(wavetest::playOldest(0));
    EXPECT_EQ(waveOutWrite(m_device, &extra.header), kWaveOk);
    waveOutReset(m_device); // the device hands the headers back before they go
}

TEST_F(WaveOutTest, ClosingWithBuffersQueuedHandsThemBack) {
    Buffer buffer(9);
    ASSERT_EQ(waveOutPrepareHeader(m_device, &buffer.header), kWaveOk);
    ASSERT_EQ(waveOutWrite(m_device, &buffer.header), kWaveOk);
    ASSERT_EQ(waveOutClose(m_device), kWaveOk);
    m_device = nullptr;
    EXPECT_EQ(buffer.flags(), kWhdrPrepared | kWhdrDone);
    EXPECT_FALSE(wavetest::isOpen(0));
    EXPECT_EQ(wavetest::closeCount(0), 1u);
}

TEST_F(WaveOutTest, ADeviceIsOpenOnlyOnce) {
    WaveOut* second = nullptr;
    EXPECT_EQ(waveOutOpen(&second, 0, WaveFormat{}, 0), kWaveAllocated);
    EXPECT_EQ(second, nullptr);
}

TEST_F(WaveOutTest, MalformedHeadersAndNullHandlesAreRefused) {
    Buffer odd(0);
    odd.header.bufferLength = 4095;
    EXPECT_EQ(waveOutPrepareHeader(m_device, &odd.header), kWaveInvalidParam);
    Buffer empty(0);
    empty.header.data = nullptr;
    EXPECT_EQ(waveOutPrepareHeader(m_device, &empty.header), kWaveInvalidParam);
    EXPECT_EQ(waveOutPrepareHeader(m_device, nullptr), kWaveInvalidParam);
    Buffer fine(0);
    EXPECT_EQ(waveOutPrepareHeader(nullptr, &fine.header), kWaveInvalidHandle);
    EXPECT_EQ(waveOutWrite(nullptr, &fine.header), kWaveInvalidHandle);
    EXPECT_EQ(waveOutReset(nullptr), kWaveInvalidHandle);
    EXPECT_EQ(waveOutClose(nullptr), kWaveInvalidHandle);
}

} // namespace
