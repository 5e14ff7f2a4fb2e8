// The soak tool's check of the recording: silent gaps are found where the output went quiet
// after the music had begun, and nothing is reported for the silence before it.

#include "tests/engine/core/core_test_util.h"
#include "tests/support/temp_home.h"
#include "tools/soak/recording_watch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace klv::test {
namespace {

using klvsoak::RecordingWatch;

// A recording of blocks described by letters: 'S' sound, '.' silence, 'q' a quiet block just
// under the silence limit, 'h' a block whose only loud sample is its last.
std::string recording(const std::string& blocks) {
    std::string bytes(44, '\0');
    for (char b : blocks) {
        for (uint32_t i = 0; i < RecordingWatch::kBlockFrames * 2; ++i) {
            int16_t sample = 0;
            if (b == 'S')
                sample = static_cast<int16_t>(i % 2 ? -3000 : 3000);
            else if (b == 'q')
                sample = RecordingWatch::kSilentPeak - 1;
            else if (b == 'h' && i == RecordingWatch::kBlockFrames * 2 - 1)
                sample = -RecordingWatch::kSilentPeak;
            bytes.push_back(static_cast<char>(sample & 0xff));
            bytes.push_back(static_cast<char>((sample >> 8) & 0xff));
        }
    }
    return bytes;
}

TEST(RecordingWatchTest, FindsSilentGapsAfterTheMusicHasBegun) {
    struct Case {
        const char* blocks;
        uint64_t leadIn;
        uint64_t silent;
        uint64_t longest;
        std::vector<uint64_t> gapStarts; // block numbers after the lead-in
    };
    const Case cases[] = {
        {"SSSSSS", 0, 0, 0, {}},          {"....SSSS", 4, 0, 0, {}}, {"SS.SS.SS", 0, 2, 1, {}},
        {"SS..SSS...S", 0, 5, 3, {2, 7}}, {"..SqqS", 2, 2, 2, {1}},  {"ShhS", 0, 0, 0, {}},
        {"SSS..", 0, 2, 2, {3}}, // still silent when the run ends
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.blocks);
        TempDir dir;
        const auto path = dir.path() / "kelvara-rec-1.wav";
        writeFile(path, recording(c.blocks));
        RecordingWatch watch(path, false);
        ASSERT_TRUE(watch.check());
        watch.finish();
        EXPECT_EQ(watch.leadInBlocks(), c.leadIn);
        EXPECT_EQ(watch.checkedBlocks(), std::string(c.blocks).size() - c.leadIn);
        EXPECT_EQ(watch.silentBlocks(), c.silent);
        EXPECT_EQ(watch.longestSilentRun(), c.longest);
        std::vector<uint64_t> starts;
        for (const auto& gap : watch.gaps())
            starts.push_back(static_cast<uint64_t>(std::llround(gap.atSeconds * 44100.0 / 1024.0)));
        EXPECT_EQ(starts, c.gapStarts);
    }
}

// The recorder appends while the watch reads: a block is checked once it is whole, and a limit
// keeps what was recorded after the lines stopped out of the check.
TEST(RecordingWatchTest, ChecksWholeBlocksAsTheFileGrowsUpToTheLimit) {
    TempDir dir;
    const auto path = dir.path() / "kelvara-rec-1.wav";
    const std::string all = recording("SSS....");
    writeFile(path, all.substr(0, 44 + RecordingWatch::kBlockBytes + 100));
    RecordingWatch watch(path, false);
    ASSERT_TRUE(watch.check());
    EXPECT_EQ(watch.checkedBlocks(), 1u);
    writeFile(path, all);
    ASSERT_TRUE(watch.check(3 * RecordingWatch::kBlockBytes + 10));
    watch.finish();
    EXPECT_EQ(watch.checkedBlocks(), 3u);
    EXPECT_TRUE(watch.gaps().empty());
}

} // namespace
} // namespace klv::test
