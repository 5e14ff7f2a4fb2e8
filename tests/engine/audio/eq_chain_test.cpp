// The equalizers in place: the master equalizer on the output thread's main mix, and the song
// equalizer's settings arriving with klvOpen.

#include "engine/audio/eq_file.h"
#include "engine/audio/master_eq.h"
#include "tests/engine/audio/output_fixture.h"
#include "tests/support/temp_home.h"

#include <cmath>
#include <fstream>

namespace klv::test {
namespace {

class MasterEqOutput : public OutputTest {
protected:
    void SetUp() override {
        OutputTest::SetUp();
        engine::bypassMasterEqForTests(false);
        for (int32_t band = 0; band < 10; ++band)
            klvSetEQ(band, 0.0f);
    }
};

// The smoothed gains start from 0.0 whenever the output starts: the first block fades in over
// about 500 frames, then the mix passes flat.
TEST_F(MasterEqOutput, EachStartFadesInAndAFlatEqualizerPassesTheMix) {
    TestLine line;
    line.feedConstant(0.5f, 0.25f, 20000);
    line.play();
    start();
    const std::vector<int16_t> first = primaryBlock(1);
    EXPECT_LT(first[2 * 1], 100) << "almost silent at the start";
    EXPECT_NEAR(first[2 * 250], 0.5 * 0.5 * 32750, 400) << "half way";
    EXPECT_NEAR(first[2 * 700], 0.5 * 32750, 100);
    const std::vector<int16_t> second = primaryBlock(3);
    for (int32_t k = 0; k < 1024; ++k) {
        ASSERT_NEAR(second[2 * k], 0.5 * 32750, 70) << k;
        ASSERT_NEAR(second[2 * k + 1], 0.25 * 32750, 70) << k;
    }
    // The band meters saw the block: a constant lives in the lowest band.
    EXPECT_GT(engine::masterLevels().bands[kPeakHistory - 1][0].load(), 0.1f);
}

TEST_F(MasterEqOutput, ACutBandTakesItsPartOutOfTheMix) {
    for (int32_t band = 0; band < 10; ++band)
        klvSetEQ(band, -24.0f);
    TestLine line;
    line.feedConstant(0.5f, 0.5f, 20000);
    line.play();
    start();
    const std::vector<int16_t> out = primaryBlock(3);
    EXPECT_NEAR(out[1000], 0.5 * 32750 * std::pow(1.122462048309373, -24.0), 30);
}

std::filesystem::path writeWav(const std::string& name) {
    const std::filesystem::path path = testHome() / name;
    std::ofstream out(path, std::ios::binary);
    const uint32_t frames = 44100;
    auto put32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    put32(36 + frames * 4);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(2);
    put32(44100);
    put32(44100 * 4);
    put16(4);
    put16(16);
    out.write("data", 4);
    put32(frames * 4);
    for (uint32_t i = 0; i < frames; ++i) {
        put16(static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(i * 0.05))));
        put16(0);
    }
    return path;
}

// klvOpen reads the song's settings afresh from klv.eq every time.
TEST_F(OutputTest, OpeningASongLoadsItsEqualizerFromTheFile) {
    const std::string song = writeWav("eq song.wav").string();
    {
        std::ofstream eq(engine::songEqFile(), std::ios::binary);
        eq << "[" << song << "]\r\nEQ 1=12\r\nEQ 2=7\r\nEQ 5=-3\r\n";
    }
    LineHandle h{};
    h.quiet = 1;
    ASSERT_EQ(klvOpen(&h, song.c_str()), 0);
    ASSERT_NE(h.slot, nullptr);
    EXPECT_EQ(h.slot->songEq[0].load(), 6.0f);
    EXPECT_EQ(h.slot->songEq[1].load(), 3.5f);
    EXPECT_EQ(h.slot->songEq[2].load(), 0.0f);
    EXPECT_EQ(h.slot->songEq[3].load(), 0.0f);
    EXPECT_EQ(h.slot->songEq[4].load(), -1.5f);
    EXPECT_EQ(klvGetSongEQ(&h, 1), 7);

    {
        std::ofstream eq(engine::songEqFile(), std::ios::binary | std::ios::trunc);
        eq << "[" << song << "]\r\nEQ 3=2\r\n";
    }
    ASSERT_EQ(klvOpen(&h, nullptr), 0); // opened again from its own name
    EXPECT_EQ(h.slot->songEq[0].load(), 0.0f);
    EXPECT_EQ(h.slot->songEq[2].load(), 1.0f);

    const std::string other = writeWav("no eq.wav").string();
    ASSERT_EQ(klvOpen(&h, other.c_str()), 0);
    for (const auto& band : h.slot->songEq)
        EXPECT_EQ(band.load(), 0.0f);
    klvClose(&h);
}

} // namespace
} // namespace klv::test
