// The PortAudio back end playing through a real PortAudio stream. This machine may have no
// sound card, so the test brings its own: an ALSA "null" device, which takes whatever it is
// given as fast as PortAudio delivers it.

#include "platform/audio/wave_device.h"
#include "tests/platform/support/platform_test_util.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace klv::platform;

namespace {

constexpr uint32_t kBlockBytes = 4096;

struct Block {
    std::array<int16_t, kBlockBytes / 2> samples{};
    WaveHeader header;
    Block() {
        header.data = reinterpret_cast<char*>(samples.data());
        header.bufferLength = kBlockBytes;
        header.flags.store(kWhdrPrepared);
    }
    uint32_t flags() const { return header.flags.load(std::memory_order_acquire); }
};

bool waitUntilDone(const Block& block,
                   std::chrono::steady_clock::duration limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!(block.flags() & kWhdrDone)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Makes an ALSA device named name from the given definition visible to PortAudio.
class AlsaDeviceTest : public ::testing::Test {
protected:
    void addDevice(const std::string& name, const std::string& definition) {
        const std::filesystem::path config = klv::test::testHome() / (name + ".conf");
        std::ofstream(config) << "pcm." << name << " {\n" << definition << "}\n";
        m_env = std::make_unique<klv::test::ScopedEnv>(
            "ALSA_CONFIG_PATH", ("/usr/share/alsa/alsa.conf:" + config.string()).c_str());
        m_backend = makePortAudioBackend();
        std::string found;
        for (uint32_t id = 0; id < m_backend->deviceCount(); ++id) {
            if (m_backend->deviceName(id, found) && found == name)
                m_id = static_cast<int64_t>(id);
        }
    }

    std::unique_ptr<klv::test::ScopedEnv> m_env;
    std::unique_ptr<WaveBackend> m_backend;
    int64_t m_id = -1;
};

class PortAudioNullDevice : public AlsaDeviceTest {
protected:
    void SetUp() override {
        addDevice("kelvara_null", "    type null\n");
        if (m_id < 0)
            GTEST_SKIP() << "PortAudio does not see an ALSA null device here";
    }
};

TEST_F(PortAudioNullDevice, PlaysQueuedBuffersInOrderAndHandsThemBackDone) {
    std::unique_ptr<WaveOut> device;
    ASSERT_EQ(m_backend->open(static_cast<uint32_t>(m_id), device), kWaveOk);
    std::array<Block, 24> blocks;
    for (Block& block : blocks)
        ASSERT_EQ(device->write(block.header), kWaveOk);
    ASSERT_TRUE(waitUntilDone(blocks.back()));
    for (const Block& block : blocks)
        EXPECT_EQ(block.flags(), kWhdrPrepared | kWhdrDone);

    // Reset restarts the stream: the device keeps playing what comes next.
    ASSERT_EQ(device->reset(), kWaveOk);
    for (Block& block : blocks)
        ASSERT_EQ(device->write(block.header), kWaveOk);
    ASSERT_TRUE(waitUntilDone(blocks.back()));
}

TEST_F(PortAudioNullDevice, CloseHandsBackWhatIsStillQueued) {
    std::array<Block, 60> blocks;
    {
        std::unique_ptr<WaveOut> device;
        ASSERT_EQ(m_backend->open(static_cast<uint32_t>(m_id), device), kWaveOk);
        for (Block& block : blocks)
            ASSERT_EQ(device->write(block.header), kWaveOk);
    }
    for (const Block& block : blocks) {
        EXPECT_TRUE(block.flags() & kWhdrDone);
        EXPECT_FALSE(block.flags() & kWhdrInQueue);
    }
}

} // namespace

// A device whose driver stops taking data and blocks (here: a file device writing into a pipe
// nobody reads) must not block the owner: reset and close return, hand every buffer back, and
// the device refuses further buffers instead of swallowing them.
TEST_F(AlsaDeviceTest, ADeviceThatBlocksInItsDriverIsGivenUpInsteadOfHangingItsOwner) {
    const std::filesystem::path pipe = klv::test::testHome() / "never-read";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // Held open and never read for the rest of this process, so the driver's writes block
    // rather than fail.
    ASSERT_GE(open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC), 0);
    addDevice("kelvara_stuck", "    type file\n    slave.pcm \"null\"\n    file \"" +
                                   pipe.string() + "\"\n    format \"raw\"\n");
    if (m_id < 0)
        GTEST_SKIP() << "PortAudio does not see an ALSA file device here";

    std::unique_ptr<WaveOut> device;
    ASSERT_EQ(m_backend->open(static_cast<uint32_t>(m_id), device), kWaveOk);
    // More than the pipe and the driver's buffer hold together.
    std::array<Block, 48> blocks;
    for (Block& block : blocks)
        ASSERT_EQ(device->write(block.header), kWaveOk);
    EXPECT_FALSE(waitUntilDone(blocks.back(), std::chrono::seconds(3)));

    ASSERT_EQ(device->reset(), kWaveOk);
    for (const Block& block : blocks)
        EXPECT_EQ(block.flags(), kWhdrPrepared | kWhdrDone);
    EXPECT_EQ(device->write(blocks[0].header), kWaveError);
    device.reset(); // closing returns too
}
