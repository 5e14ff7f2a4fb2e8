// Playlist files that are not what they claim: huge, binary, or made of very long lines.
// They are read a piece at a time, so memory stays small whatever the file's size.

#include "tests/engine/core/playlist_test_util.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using klv::test::playlistItems;
using klv::test::PlaylistTest;
using Items = std::vector<std::string>;
// Lower-case suite name: `ctest -R playlist` (or id3) selects these tests.
using playlist_bad_input = PlaylistTest;

long statusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    }
    return -1;
}

// Peak resident memory since the call to reset(), in kB.
class PeakMemory {
public:
    PeakMemory() {
        std::ofstream("/proc/self/clear_refs") << "5"; // resets the peak to the current size
        m_start = statusKb("VmRSS:");
    }
    long growthKb() const { return statusKb("VmHWM:") - m_start; }

private:
    long m_start = 0;
};

// Writes `lines` lines of `length` bytes of filler each, a short path after each, without
// ever holding more than one block of the file in memory.
void writeLongLines(const std::string& path, const std::string& head, int lines, size_t length) {
    std::ofstream out(path, std::ios::binary);
    out << head;
    const std::string block(64 * 1024, 'x');
    for (int i = 0; i < lines; ++i) {
        for (size_t done = 0; done < length; done += block.size())
            out.write(block.data(),
                      static_cast<std::streamsize>(std::min(block.size(), length - done)));
        out << "\r\n/m/" << i << ".mp3\r\n";
    }
}

constexpr long kAllowedGrowthKb = 8 * 1024;

TEST_F(playlist_bad_input, TextListOfMegabyteLinesIsReadWithinSmallMemory) {
    const std::string path = folder + "long.m3u";
    writeLongLines(path, "", 20, 1024 * 1024); // 20 MB
    PeakMemory peak;
    const int32_t n = klvOpenPlaylist(path.c_str());
    const long growth = peak.growthKb();
    ASSERT_GE(n, 0);
    Items expected;
    for (int i = 0; i < 20; ++i)
        expected.push_back("/m/" + std::to_string(i) + ".mp3");
    EXPECT_EQ(playlistItems(n), expected);
    EXPECT_LT(growth, kAllowedGrowthKb) << "kB of peak memory growth";
}

TEST_F(playlist_bad_input, HundredMegabyteFileWithoutLineEndsIsSkippedNotLoaded) {
    const std::string path = folder + "huge.m3u";
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        const std::string first = "/m/first.mp3\n";
        const std::string last = "\n/m/last.mp3";
        constexpr off_t kSize = 100 * 1024 * 1024;
        // Sparse: the 100 MB of zero bytes between the two paths cost no disk.
        ASSERT_EQ(::pwrite(fd, first.data(), first.size(), 0), static_cast<ssize_t>(first.size()));
        ASSERT_EQ(::pwrite(fd, last.data(), last.size(), kSize), static_cast<ssize_t>(last.size()));
        ::close(fd);
    }
    PeakMemory peak;
    const int32_t n = klvOpenPlaylist(path.c_str());
    const long growth = peak.growthKb();
    ASSERT_GE(n, 0);
    EXPECT_EQ(playlistItems(n), (Items{"/m/first.mp3", "/m/last.mp3"}));
    EXPECT_LT(growth, kAllowedGrowthKb) << "kB of peak memory growth";
}

TEST_F(playlist_bad_input, PlsWithAHugeLineStillYieldsItsEntries) {
    const std::string path = folder + "long.pls";
    writeLongLines(path, "[playlist]\r\nNumberOfEntries=3\r\nFile1=first.mp3\r\n", 1,
                   30 * 1024 * 1024);
    std::ofstream(path, std::ios::app) << "File3=third.mp3\r\n";
    PeakMemory peak;
    const int32_t n = klvOpenPlaylist(path.c_str());
    const long growth = peak.growthKb();
    ASSERT_GE(n, 0);
    EXPECT_EQ(playlistItems(n), (Items{folder + "first.mp3", folder + "third.mp3"}));
    EXPECT_LT(growth, kAllowedGrowthKb) << "kB of peak memory growth";
}

TEST_F(playlist_bad_input, BinaryFileGivesOnlyLinesThatCouldBePaths) {
    const std::string path = folder + "noise.m3u";
    std::mt19937 random(11);
    std::string noise(2 * 1024 * 1024, '\0');
    for (char& c : noise)
        c = static_cast<char>(random() % 64 == 0 ? '\n' : random());
    klv::test::writeFile(path, noise);
    const int32_t n = klvOpenPlaylist(path.c_str());
    ASSERT_GE(n, 0);
    for (int32_t i = 0; i < klvGetPlaylistCount(n); ++i) {
        char buffer[KLV_PATH_BUFFER];
        ASSERT_EQ(klvGetPlaylistFile(n, i, buffer), 0);
        const std::string item(buffer);
        EXPECT_EQ(item.find_first_of("#\r\n"), std::string::npos);
    }
    // Saving what was read works like for any list.
    EXPECT_EQ(klvSavePlaylist(n, (folder + "copy.m3u").c_str()), 0);
}

} // namespace
