// The song equalizer on a line's frames as they leave the ring, and its settings in klv.eq.

#include "engine/audio/eq_file.h"
#include "engine/audio/song_eq.h"
#include "engine/core/slot_pool.h"
#include "klv3.h"
#include "platform/store/profile.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace klv::test {
namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An open line as klvOpen leaves it: a slot and the path it was opened with.
class OpenLine {
public:
    explicit OpenLine(const std::string& path) {
        m_slot = engine::takeSlot();
        std::snprintf(m_name, sizeof m_name, "%s", path.c_str());
        m_handle.slot = m_slot;
        m_handle.fileName = m_name;
        m_handle.state = 1;
    }
    ~OpenLine() {
        if (m_slot)
            engine::clearSlot(*m_slot);
    }
    LineHandle* handle() { return &m_handle; }
    LineSlot& slot() { return *m_slot; }

private:
    LineHandle m_handle{};
    LineSlot* m_slot = nullptr;
    char m_name[KLV_PATH_BUFFER] = {};
};

std::vector<Frame> sine(double hz, int count) {
    std::vector<Frame> frames(count);
    for (int k = 0; k < count; ++k) {
        const float x = static_cast<float>(0.4 * std::sin(2 * M_PI * hz * k / 44100.0));
        frames[k] = Frame{x, x};
    }
    return frames;
}

double peakFrom(const std::vector<Frame>& frames, size_t from) {
    double p = 0.0;
    for (size_t k = from; k < frames.size(); ++k)
        p = std::max(p, std::fabs(double(frames[k].left)));
    return p;
}

TEST(SongEq, AFlatLineIsLeftAloneAndItsFiltersCleared) {
    OpenLine line("/music/flat.mp3");
    for (float& s : line.slot().songEqState)
        s = 0.25f;
    std::mt19937 random(2);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::vector<Frame> frames(1024);
    for (auto& f : frames)
        f = Frame{value(random), value(random)};
    const std::vector<Frame> before = frames;
    engine::processSongEq(line.slot(), frames.data(), 1024);
    EXPECT_EQ(std::memcmp(frames.data(), before.data(), frames.size() * sizeof(Frame)), 0);
    for (float s : line.slot().songEqState)
        ASSERT_EQ(s, 0.0f);
}

// Band 0 is the lowest, band 4 the top. A level of +6 doubles a band, -6 halves it; the other
// bands pass.
TEST(SongEq, BandsShapeTheirOwnPartOfTheSpectrum) {
    const struct {
        int band;
        float level;
        double hz;
        double low, high; // output peak / input peak
    } cases[] = {
        {0, 6.0f, 30.0, 1.7, 2.05},      {0, 6.0f, 8000.0, 0.97, 1.03},
        {4, -6.0f, 18000.0, 0.45, 0.75}, {4, -6.0f, 100.0, 0.97, 1.03},
        {2, 3.0f, 1000.0, 1.1, 1.45},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "band " << c.band << " at " << c.hz << " Hz");
        OpenLine line("/music/shaped.mp3");
        line.slot().songEq[c.band].store(c.level);
        std::vector<Frame> frames = sine(c.hz, 44100);
        // In ring-read sized pieces, zero-length reads among them.
        for (int32_t at = 0; at < 44100; at += 1103) {
            engine::processSongEq(line.slot(), frames.data() + at, std::min(1103, 44100 - at));
            engine::processSongEq(line.slot(), frames.data() + at, 0);
        }
        const double ratio = peakFrom(frames, 22050) / 0.4;
        EXPECT_GE(ratio, c.low);
        EXPECT_LE(ratio, c.high);
    }
}

// No smoothing: a new level is in force from the next read on.
TEST(SongEq, ANewLevelActsOnTheNextRead) {
    OpenLine line("/music/switch.mp3");
    line.slot().songEq[0].store(6.0f);
    std::vector<Frame> warm = std::vector<Frame>(4000, Frame{0.3f, 0.3f});
    engine::processSongEq(line.slot(), warm.data(), 4000);
    EXPECT_NEAR(warm.back().left, 0.3 * 2.0, 1e-3) << "DC lives in the lowest band";
    line.slot().songEq[0].store(-6.0f);
    std::vector<Frame> next(1, Frame{0.3f, 0.3f});
    engine::processSongEq(line.slot(), next.data(), 1);
    EXPECT_NEAR(next[0].left, 0.3 * 0.5, 1e-3);
}

class SongEqFile : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::remove_all(file()); }
    std::filesystem::path file() const { return engine::songEqFile(); }
};

TEST_F(SongEqFile, LivesInTheKelvaraHome) {
    EXPECT_EQ(file(), testHome() / "klv.eq");
}

// The file holds twice the level, truncated towards zero; reading it back halves it.
TEST_F(SongEqFile, SetWritesTwiceTheLevelTruncatedAndGetReturnsTheSame) {
    const struct {
        float level;
        const char* written;
        int32_t got;
        float reloaded;
    } cases[] = {
        {1.5f, "3", 3, 1.5f}, {-0.7f, "-1", -1, -0.5f},     {0.0f, "0", 0, 0.0f},
        {2.9f, "5", 5, 2.5f}, {-12.0f, "-24", -24, -12.0f}, {0.4f, "0", 0, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        const std::string song = "/music/Track " + std::to_string(c.level) + ".mp3";
        {
            OpenLine line(song);
            EXPECT_EQ(klvSetSongEQ(line.handle(), 3, c.level), 0);
            EXPECT_EQ(line.slot().songEq[3].load(), c.level) << "stored unchanged";
            EXPECT_EQ(klvGetSongEQ(line.handle(), 3), c.got);
            EXPECT_EQ(platform::readProfileString(file(), song, "EQ 4", "?", 255), c.written);
        }
        OpenLine reopened(song);
        engine::loadSongEq(song.c_str(), reopened.slot());
        EXPECT_EQ(reopened.slot().songEq[3].load(), c.reloaded);
        EXPECT_EQ(klvGetSongEQ(reopened.handle(), 3), c.got);
    }
}

TEST_F(SongEqFile, ASectionPerSongWithAllFiveKeysAndOtherLinesKept) {
    {
        std::ofstream out(file(), std::ios::binary);
        out << "; kept\r\n[/music/other.mp3]\r\nEQ 1=4\r\n";
    }
    OpenLine line("/music/Mixed Case.MP3");
    EXPECT_EQ(klvSetSongEQ(line.handle(), 0, 3.0f), 0);
    EXPECT_EQ(klvSetSongEQ(line.handle(), 3, -2.0f), 0);
    EXPECT_EQ(readFile(file()), "; kept\r\n[/music/other.mp3]\r\nEQ 1=4\r\n\r\n"
                                "[/music/Mixed Case.MP3]\r\n"
                                "EQ 1=6\r\nEQ 2=0\r\nEQ 3=0\r\nEQ 4=-4\r\nEQ 5=0\r\n");

    OpenLine other("/music/other.mp3");
    engine::loadSongEq("/music/other.mp3", other.slot());
    EXPECT_EQ(other.slot().songEq[0].load(), 2.0f);
    for (int b = 1; b < kSongEqBands; ++b)
        EXPECT_EQ(other.slot().songEq[b].load(), 0.0f) << "a missing key is flat";
}

TEST_F(SongEqFile, SecondKeyOfSevenReadsBackAsSeven) {
    {
        std::ofstream out(file(), std::ios::binary);
        out << "[/music/seven.wav]\r\nEQ 1=0\r\nEQ 2=7\r\n";
    }
    OpenLine line("/music/seven.wav");
    engine::loadSongEq("/music/seven.wav", line.slot());
    EXPECT_EQ(line.slot().songEq[1].load(), 3.5f);
    EXPECT_EQ(klvGetSongEQ(line.handle(), 1), 7);
}

TEST_F(SongEqFile, ASongWithoutASectionOrFileIsFlat) {
    OpenLine line("/music/new.mp3");
    for (auto& band : line.slot().songEq)
        band.store(1.0f);
    engine::loadSongEq("/music/new.mp3", line.slot()); // no file yet
    for (auto& band : line.slot().songEq)
        EXPECT_EQ(band.load(), 0.0f);
}

// Bands other than 0..4 and lines without a file change nothing.
TEST_F(SongEqFile, BadBandsAndClosedLinesAreRefusedHarmlessly) {
    OpenLine line("/music/bands.mp3");
    EXPECT_EQ(klvSetSongEQ(line.handle(), 5, 1.0f), -1);
    EXPECT_EQ(klvSetSongEQ(line.handle(), -1, 1.0f), -1);
    EXPECT_EQ(klvGetSongEQ(line.handle(), 7), 0);
    EXPECT_FALSE(std::filesystem::exists(file()));
    LineHandle closed{};
    EXPECT_EQ(klvSetSongEQ(&closed, 0, 1.0f), 0);
    EXPECT_EQ(klvGetSongEQ(&closed, 0), 0);
    EXPECT_EQ(klvSetSongEQ(nullptr, 0, 1.0f), 0);
}

// A file that cannot be rewritten: the level still applies, nothing is reported to the user.
TEST_F(SongEqFile, AFailedWriteKeepsTheLevelInForce) {
    std::filesystem::create_directory(file()); // a folder where the file should be
    OpenLine line("/music/unwritable.mp3");
    EXPECT_EQ(klvSetSongEQ(line.handle(), 2, 4.0f), 0);
    EXPECT_EQ(line.slot().songEq[2].load(), 4.0f);
    EXPECT_EQ(klvGetSongEQ(line.handle(), 2), 8);
    EXPECT_TRUE(std::filesystem::is_directory(file()));
}

} // namespace
} // namespace klv::test
