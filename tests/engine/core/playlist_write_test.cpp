// Saving playlists: the file formats, relative forms, round trips and failed saves.

#include "tests/engine/core/playlist_test_util.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using klv::test::messageTexts;
using klv::test::playlistItems;
using klv::test::PlaylistTest;
using klv::test::readFile;
using klv::test::writeFile;
using Items = std::vector<std::string>;
// Lower-case suite name: `ctest -R playlist` (or id3) selects these tests.
using playlist_save = PlaylistTest;

// Items of a list saved in the test folder: inside it, in a subfolder, elsewhere, in a
// two-letter subfolder, found through the current directory.
Items sampleItems(const std::string& folder) {
    return {folder + "a.mp3", folder + "sub/y.mp3", "/other/x.mp3", folder + "CD/z.mp3",
            "../up.mp3"};
}

struct FormatCase {
    const char* what;
    const char* fileName;
    std::string expected; // "@" stands for nothing: the forms are relative
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.what;
}

class SavePlaylist : public PlaylistTest, public testing::WithParamInterface<FormatCase> {};

TEST_P(SavePlaylist, WritesRelativeFormsAndReadsBackTheSameItems) {
    const FormatCase& c = GetParam();
    const int32_t n = makePlaylist(sampleItems(folder));
    const std::string path = folder + c.fileName;
    ASSERT_EQ(klvSavePlaylist(n, path.c_str()), 0);
    EXPECT_EQ(readFile(path), c.expected);

    const int32_t again = klvOpenPlaylist(path.c_str());
    ASSERT_GE(again, 0);
    EXPECT_EQ(playlistItems(again), sampleItems(folder));
    EXPECT_TRUE(windows->messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    playlist_formats, SavePlaylist,
    testing::Values(
        FormatCase{"m3u", "list.m3u",
                   "a.mp3\r\nsub/y.mp3\r\n/other/x.mp3\r\n./CD/z.mp3\r\n../up.mp3\r\n"},
        FormatCase{"klv", "list.klv",
                   "a.mp3\r\nsub/y.mp3\r\n/other/x.mp3\r\n./CD/z.mp3\r\n../up.mp3\r\n"},
        FormatCase{"pls", "list.pls",
                   "[playlist]\r\nNumberOfEntries=5\r\nFile1=a.mp3\r\nFile2=sub/y.mp3\r\n"
                   "File3=/other/x.mp3\r\nFile4=./CD/z.mp3\r\nFile5=../up.mp3\r\n"},
        FormatCase{"pls_in_capitals", "LIST.PLS",
                   "[playlist]\r\nNumberOfEntries=5\r\nFile1=a.mp3\r\nFile2=sub/y.mp3\r\n"
                   "File3=/other/x.mp3\r\nFile4=./CD/z.mp3\r\nFile5=../up.mp3\r\n"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(playlist_save, FolderComparedWithItsCaseBecauseFileNamesHaveCase) {
    const int32_t n = makePlaylist({folder + "a.mp3", "/TMP/elsewhere.mp3"});
    fs::create_directories(dir.path() / "Lists");
    const std::string path = folder + "Lists/l.m3u";
    const std::string other = folder + "lists/b.mp3"; // not inside "Lists/"
    klvAddPlaylistFile(n, -1, other.c_str());
    klvAddPlaylistFile(n, -1, (folder + "Lists/c.mp3").c_str());
    ASSERT_EQ(klvSavePlaylist(n, path.c_str()), 0);
    EXPECT_EQ(readFile(path), folder + "a.mp3\r\n/TMP/elsewhere.mp3\r\n" + other + "\r\nc.mp3\r\n");
}

TEST_F(playlist_save, SavingAPlsReplacesTheWholeFile) {
    const std::string path = folder + "l.pls";
    writeFile(path, "[playlist]\r\nNumberOfEntries=3\r\nFile1=old1\r\nFile2=old2\r\nFile3=old3\r\n"
                    "Title1=Old\r\n[other]\r\nk=v\r\n");
    const int32_t n = klvOpenPlaylist(path.c_str());
    ASSERT_EQ(klvDelPlaylistFile(n, 2), 0);
    ASSERT_EQ(klvDelPlaylistFile(n, 1), 0);
    ASSERT_EQ(klvSavePlaylist(n, nullptr), 0) << "back to the file it came from";
    EXPECT_EQ(readFile(path), "[playlist]\r\nNumberOfEntries=1\r\nFile1=old1\r\n");
}

TEST_F(playlist_save, SaveUnderANameMakesItThePlaylistsFile) {
    const int32_t n = makePlaylist({folder + "a.mp3"});
    ASSERT_EQ(klvSavePlaylist(n, (folder + "first.m3u").c_str()), 0);
    klvAddPlaylistFile(n, -1, (folder + "b.mp3").c_str());
    ASSERT_EQ(klvSavePlaylist(n, nullptr), 0);
    EXPECT_EQ(readFile(folder + "first.m3u"), "a.mp3\r\nb.mp3\r\n");

    const int32_t empty = klvCreatePlaylist();
    ASSERT_EQ(klvSavePlaylist(empty, (folder + "empty.m3u").c_str()), 0);
    EXPECT_EQ(readFile(folder + "empty.m3u"), "");
    ASSERT_EQ(klvSavePlaylist(empty, (folder + "empty.pls").c_str()), 0);
    EXPECT_EQ(readFile(folder + "empty.pls"), "[playlist]\r\nNumberOfEntries=0\r\n");
}

TEST_F(playlist_save, LastLineWithoutEndSurvivesOpenAndSave) {
    const std::string path = folder + "l.m3u";
    writeFile(path, "#EXTM3U\r\none.mp3\r\ntwo.mp3");
    const int32_t n = klvOpenPlaylist(path.c_str());
    ASSERT_EQ(klvSavePlaylist(n, nullptr), 0);
    EXPECT_EQ(readFile(path), "one.mp3\r\ntwo.mp3\r\n");
}

struct FailCase {
    const char* what;
    const char* fileName;
};

void PrintTo(const FailCase& c, std::ostream* os) {
    *os << c.what;
}

class FailedSave : public PlaylistTest, public testing::WithParamInterface<FailCase> {};

TEST_P(FailedSave, FullDiskKeepsTheOldFileAndTellsTheUser) {
    const std::string path = folder + GetParam().fileName;
    const std::string old = "old contents\r\n";
    writeFile(path, old);
    Items many;
    for (int i = 0; i < 200; ++i)
        many.push_back(folder + "song" + std::to_string(i) + ".mp3");
    const int32_t n = makePlaylist(many);
    {
        klv::test::FileSizeLimit limit(512);
        EXPECT_EQ(klvSavePlaylist(n, path.c_str()), -1);
    }
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(messageTexts(windows.get()), Items{"Can't save Playlist: File too large"});
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1)
        << "no temporary file left behind";
    EXPECT_EQ(windows->messages()[0].window, klv::test::kPlaylistOwner);
}

TEST_P(FailedSave, MissingFolderTellsTheUser) {
    const int32_t n = makePlaylist({"/a.mp3"});
    const std::string path = folder + "no-such-folder/" + GetParam().fileName;
    EXPECT_EQ(klvSavePlaylist(n, path.c_str()), -1);
    EXPECT_EQ(messageTexts(windows.get()), Items{"Can't save Playlist: No such file or directory"});
}

TEST_P(FailedSave, ReadOnlyFolderKeepsTheOldFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    fs::create_directories(dir.path() / "ro");
    const std::string path = folder + "ro/" + GetParam().fileName;
    writeFile(path, "old\r\n");
    fs::permissions(dir.path() / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    const int32_t n = makePlaylist({"/a.mp3"});
    EXPECT_EQ(klvSavePlaylist(n, path.c_str()), -1);
    fs::permissions(dir.path() / "ro", fs::perms::owner_all);
    EXPECT_EQ(readFile(path), "old\r\n");
    EXPECT_EQ(messageTexts(windows.get()), Items{"Can't save Playlist: Permission denied"});
}

INSTANTIATE_TEST_SUITE_P(playlist_save_failure, FailedSave,
                         testing::Values(FailCase{"m3u", "l.m3u"}, FailCase{"pls", "l.pls"}),
                         [](const auto& info) { return std::string(info.param.what); });

} // namespace
