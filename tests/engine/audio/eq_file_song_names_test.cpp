// Song paths that klv.eq can and cannot hold as section names. Linux allows any byte but "/"
// and zero in a file name, so a path may hold a line end; written as a section header it would
// split into lines of its own and could plant levels for another song.

#include "engine/audio/eq_file.h"
#include "engine/core/line_slot.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace klv::test {
namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::unique_ptr<LineSlot> levelsOf(const std::string& song) {
    auto slot = std::make_unique<LineSlot>();
    engine::loadSongEq(song.c_str(), *slot);
    return slot;
}

constexpr const char* kOther = "/music/other.mp3";
const std::string kStored = "[/music/other.mp3]\r\nEQ 1=6\r\nEQ 2=-4\r\n";

struct NameCase {
    std::string song;
    bool stored; // whether the song's levels can be kept in klv.eq
};

TEST(EqFileSongNames, LineEndsInAPathAreRefusedAndOtherSongsKeepTheirLevels) {
    const NameCase cases[] = {
        {"a\nb", false}, // the input the fuzzer found
        {"/music/x\r\n[/music/other.mp3]\r\nEQ 1=40.mp3", false},
        {"/music/ends in a return\r", false},
        {"/music/[brackets] and = signs.mp3", true},
        {"/music/ünïcödé.mp3", true},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.song);
        writeFile(engine::songEqFile(), kStored);
        auto slot = std::make_unique<LineSlot>();
        for (int b = 0; b < kSongEqBands; ++b)
            slot->songEq[b].store(static_cast<float>(b) - 1.5f);

        EXPECT_EQ(engine::saveSongEq(c.song.c_str(), *slot), c.stored);

        auto other = levelsOf(kOther);
        EXPECT_EQ(other->songEq[0].load(), 3.0f);
        EXPECT_EQ(other->songEq[1].load(), -2.0f);
        auto again = levelsOf(c.song);
        for (int b = 0; b < kSongEqBands; ++b)
            EXPECT_EQ(again->songEq[b].load(), c.stored ? slot->songEq[b].load() : 0.0f);
        if (!c.stored) {
            EXPECT_EQ(readFile(engine::songEqFile()), kStored);
        }
    }
}

} // namespace
} // namespace klv::test
