// A line's display thread as the program meets it: started by klvOpen on the handle's
// displayDC, following the transport, switched by klvSetRemain, and ended by a cleared context
// or a closed line, after which the line's stop never waits for it.

#include "engine/core/options_copy.h"
#include "engine/display/line_display_thread.h"
#include "klv3.h"
#include "platform/system/clock.h"
#include "tests/engine/display/draw_test_support.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <string>

namespace klv::test {
namespace {

constexpr int32_t kLcdWidth = 86;
constexpr int32_t kLcdHeight = 34;

void putLe(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A 16-bit stereo WAV file of seconds of a 440 Hz tone at half scale.
std::string writeWav(const std::filesystem::path& path, int seconds) {
    const uint32_t frames = 44100u * static_cast<uint32_t>(seconds);
    std::string data;
    for (uint32_t i = 0; i < frames; ++i) {
        const auto sample = static_cast<int16_t>(16384 * std::sin(2 * M_PI * 440 * i / 44100.0));
        putLe(data, static_cast<uint16_t>(sample), 2);
        putLe(data, static_cast<uint16_t>(sample), 2);
    }
    std::string file = "RIFF";
    putLe(file, 36 + static_cast<uint32_t>(data.size()), 4);
    file += "WAVEfmt ";
    putLe(file, 16, 4);
    putLe(file, 1, 2);      // PCM
    putLe(file, 2, 2);      // stereo
    putLe(file, 44100, 4);  // frames per second
    putLe(file, 176400, 4); // bytes per second
    putLe(file, 4, 2);
    putLe(file, 16, 2);
    file += "data";
    putLe(file, static_cast<uint32_t>(data.size()), 4);
    file += data;
    std::ofstream(path, std::ios::binary) << file;
    return path.string();
}

class LineDisplayThread : public testing::Test {
protected:
    void SetUp() override {
        OptionsRecord options{};
        options.LCDBackColor = kBack;
        options.LCDLitColor = kLit;
        options.LCDDimColor = kDim;
        engine::replaceOptions(options);
        klvSetRemain(0);
        m_path = writeWav(m_dir.path() / "tone.wav", 3);
        m_line.index = 1;
        m_line.displayDC = m_surface.dc();
    }
    void TearDown() override {
        klvClose(&m_line);
        klvSetRemain(0);
    }

    int32_t displayRunning() { return m_line.slot ? m_line.slot->displayRunning.load() : 0; }
    // The icon's corners tell which icon shows: stop lights (79, 2), pause (75, 4), play (78, 4).
    bool shows(int32_t x, int32_t y, int32_t colour) { return m_surface.at(x, y) == px(colour); }

    TempDir m_dir;
    std::string m_path;
    TestSurface m_surface{kLcdWidth, kLcdHeight};
    LineHandle m_line{};
};

TEST_F(LineDisplayThread, DrawsTheOpenLineAndFollowsItsTransport) {
    ASSERT_EQ(klvOpen(&m_line, m_path.c_str()), 0);
    ASSERT_TRUE(eventually([&] { return displayRunning() == 1; }));
    // Stopped: the stop icon, 1411 kbit/s and 44100 Hz (units digits lit 1 and 0), labels.
    ASSERT_TRUE(eventually([&] {
        return shows(79, 2, kLit) && shows(19, 20, kLit) && shows(74, 20, kLit) &&
               shows(22, 20, kLit);
    }));
    EXPECT_TRUE(shows(76, 4, kDim));

    klvPause(&m_line); // started, but no output runs: the time stands
    ASSERT_TRUE(eventually([&] { return shows(78, 4, kLit) && shows(79, 2, kDim); }));
    klvPause(&m_line);
    ASSERT_TRUE(eventually([&] { return shows(75, 4, kLit) && shows(76, 4, kDim); }));

    klvStop(&m_line); // a new generation of the line's threads draws on
    ASSERT_TRUE(eventually([&] { return shows(79, 2, kLit) && shows(75, 4, kDim); }));
    EXPECT_EQ(displayRunning(), 1);
}

TEST_F(LineDisplayThread, RemainModeShowsTheMinusAndTheTimeLeft) {
    ASSERT_EQ(klvOpen(&m_line, m_path.c_str()), 0);
    const Points minus = largeSegment(-10, 'd');
    ASSERT_TRUE(eventually([&] { return shows(4, 6, kDim); }));
    klvSetRemain(1);
    // 3 s left: the seconds units show 3, whose middle segment the 0 of the elapsed time leaves
    // dim; the minus lit.
    ASSERT_TRUE(eventually([&] { return shows(4, 6, kLit) && shows(48, 6, kLit); }));
    expectAll(m_surface, minus, px(kLit), "minus");
    klvSetRemain(0);
    ASSERT_TRUE(eventually([&] { return shows(4, 6, kDim) && shows(48, 6, kDim); }));
}

TEST_F(LineDisplayThread, ClearedContextEndsTheThread) {
    ASSERT_EQ(klvOpen(&m_line, m_path.c_str()), 0);
    ASSERT_TRUE(eventually([&] { return displayRunning() == 1; }));
    KLV_STORE_FIELD(m_line.displayDC, KlvDC{0});
    ASSERT_TRUE(eventually([&] { return displayRunning() == 0; }));
    EXPECT_EQ(m_line.state, 1); // the line itself is untouched
    const uint64_t changes = platform::SurfaceRef(m_surface.dc()).changeCount();
    klvPause(&m_line);
    platform::sleepMs(30);
    EXPECT_EQ(platform::SurfaceRef(m_surface.dc()).changeCount(), changes);
}

TEST_F(LineDisplayThread, NoContextNoThread) {
    m_line.displayDC = 0;
    ASSERT_EQ(klvOpen(&m_line, m_path.c_str()), 0);
    EXPECT_EQ(displayRunning(), 0);
    EXPECT_EQ(klvStop(&m_line), 0);
    EXPECT_EQ(displayRunning(), 0);
}

// Closing the line waits for the display thread, and a surface the program dropped while the
// line was open neither stops the line nor is drawn into.
TEST_F(LineDisplayThread, CloseEndsItAndADroppedSurfaceIsHarmless) {
    ASSERT_EQ(klvOpen(&m_line, m_path.c_str()), 0);
    LineSlot* slot = m_line.slot;
    ASSERT_TRUE(eventually([&] { return displayRunning() == 1; }));
    platform::destroySurface(m_surface.dc());
    klvPause(&m_line);
    platform::sleepMs(20);
    EXPECT_EQ(klvClose(&m_line), 0);
    EXPECT_EQ(slot->displayRunning.load(), 0);
}

} // namespace
} // namespace klv::test
