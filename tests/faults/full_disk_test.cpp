// A full disk while the program saves a playlist, a song's tag or the song equalizer file:
// every write past a size limit fails (as on a full disk, and for root too), the old file
// stays exactly as it was and the failure is reported.

#include "engine/audio/eq_file.h"
#include "tests/engine/core/playlist_test_util.h"
#include "tests/faults/fault_fixture.h"

#include <cstring>

namespace klv::test::fault {
namespace {

namespace fs = std::filesystem;

class FullDisk : public FaultTest {
protected:
    void TearDown() override {
        klvClosePlaylist(m_playlist);
        FaultTest::TearDown();
    }
    int32_t m_playlist = -1;
};

// The tag is rewritten in place and the disk takes only part of it: the part written would
// leave a tag that is half new and half old.
TEST_F(FullDisk, ATagRewrittenInPlaceIsKeptWhole) {
    const std::string path = place("tagged.mp3", readFile(fixture("mp3_id3v1.mp3")));
    const std::string before = readFile(path);
    ASSERT_EQ(before.substr(before.size() - 128, 3), "TAG");
    Id3Record tag{};
    std::strcpy(tag.title, "A new title that fills the field");
    std::strcpy(tag.artist, "A new artist");
    {
        FileSizeLimit limit(before.size() - 64);
        EXPECT_EQ(setid3(path.c_str(), &tag), -1);
    }
    EXPECT_TRUE(readFile(path) == before) << "the old tag is intact";
    EXPECT_EQ(userMessages(),
              std::vector<std::string>{"Can't open file for writing: File too large"});
}

TEST_F(FullDisk, ASavedPlaylistKeepsTheOldFile) {
    const std::string path = place("set.klv", "old list\r\n");
    m_playlist = klvCreatePlaylist();
    ASSERT_GE(m_playlist, 0);
    for (int i = 0; i < 200; ++i) {
        const std::string song = (m_dir.path() / ("song" + std::to_string(i) + ".mp3")).string();
        ASSERT_EQ(klvAddPlaylistFile(m_playlist, i, song.c_str()), 0);
    }
    {
        FileSizeLimit limit(512);
        EXPECT_EQ(klvSavePlaylist(m_playlist, path.c_str()), -1);
    }
    EXPECT_EQ(readFile(path), "old list\r\n");
    EXPECT_EQ(userMessages(), std::vector<std::string>{"Can't save Playlist: File too large"});
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.path()), {}), 1)
        << "no temporary file left behind";
}

// The song equalizer file holds every song's levels; one song's change rewrites it whole.
TEST_F(FullDisk, TheSongEqualizerFileKeepsEverySong) {
    const std::string song = place("song.wav", constantWav(44100, kLevel));
    Line line;
    ASSERT_EQ(klvOpen(&line.h, song.c_str()), 0);
    ASSERT_EQ(klvSetSongEQ(&line.h, 0, 2.0f), 0);
    // Other songs' levels make the file large.
    std::string many = readFile(engine::songEqFile());
    for (int i = 0; i < 100; ++i)
        many += "[" + (m_dir.path() / ("other" + std::to_string(i) + ".mp3")).string() +
                "]\r\nEQ0=4\r\nEQ1=0\r\nEQ2=0\r\nEQ3=0\r\nEQ4=0\r\n";
    writeFile(engine::songEqFile(), many);
    const size_t logBefore = logText().size();
    {
        FileSizeLimit limit(1024);
        EXPECT_EQ(klvSetSongEQ(&line.h, 1, -3.0f), 0) << "the level is in force either way";
    }
    EXPECT_TRUE(readFile(engine::songEqFile()) == many) << "the old file is intact";
    EXPECT_NE(logText().find("Can't write " + engine::songEqFile().string() + ": File too large",
                             logBefore),
              std::string::npos)
        << logText();
    EXPECT_EQ(klvGetSongEQ(&line.h, 1), -6);
}

} // namespace
} // namespace klv::test::fault
