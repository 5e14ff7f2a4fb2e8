// The playlist table and the exports that work on items in memory.

#include "tests/engine/core/playlist_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using klv::test::playlistItems;
using klv::test::PlaylistTest;
using Items = std::vector<std::string>;
// Lower-case suite name: `ctest -R playlist` (or id3) selects these tests.
using playlist_table = PlaylistTest;

TEST_F(playlist_table, SixteenPlaylistsThenNoMore) {
    for (int32_t n = 0; n < 16; ++n)
        EXPECT_EQ(klvCreatePlaylist(), n);
    EXPECT_EQ(klvCreatePlaylist(), -1);
    klv::test::writeFile(dir.path() / "a.m3u", "a.mp3\r\n");
    EXPECT_EQ(klvOpenPlaylist((folder + "a.m3u").c_str()), -1);

    EXPECT_EQ(klvClosePlaylist(5), 0);
    EXPECT_EQ(klvOpenPlaylist((folder + "a.m3u").c_str()), 5) << "the lowest free number";
    EXPECT_EQ(klvClosePlaylist(9), 0);
    EXPECT_EQ(klvCreatePlaylist(), 9);
}

TEST_F(playlist_table, ClosedPlaylistIsEmptyWhenItsNumberIsGivenOutAgain) {
    const int32_t n = makePlaylist({"/m/a.mp3", "/m/b.mp3"});
    ASSERT_EQ(klvClosePlaylist(n), 0);
    EXPECT_EQ(klvClosePlaylist(n), -1);
    ASSERT_EQ(klvCreatePlaylist(), n);
    EXPECT_EQ(klvGetPlaylistCount(n), 0);
    EXPECT_EQ(klvSavePlaylist(n, nullptr), -1) << "a new playlist has no file";
}

TEST_F(playlist_table, InvalidNumbersAreRefusedByEveryExport) {
    makePlaylist({"/m/a.mp3"}); // number 0 in use; 3 is not
    char buffer[KLV_PATH_BUFFER] = "untouched";
    for (const int32_t bad : {-1, 3, 16, 1000}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(klvGetPlaylistCount(bad), 0);
        EXPECT_EQ(klvGetPlaylistFile(bad, 0, buffer), -1);
        EXPECT_EQ(klvAddPlaylist(bad, "/nowhere.m3u"), -1);
        EXPECT_EQ(klvClosePlaylist(bad), -1);
        EXPECT_EQ(klvSavePlaylist(bad, (folder + "x.m3u").c_str()), -1);
        EXPECT_EQ(klvGetIndexFromFile(bad, "/m/a.mp3"), -1);
        EXPECT_EQ(klvAddPlaylistFile(bad, -1, "/m/b.mp3"), -1);
        EXPECT_EQ(klvDelPlaylistFile(bad, 0), -1);
        EXPECT_EQ(klvSwapPlaylistFiles(bad, 0, 0), -1);
        EXPECT_EQ(klvSortPlaylist(bad, 0), -1);
        EXPECT_EQ(klvRandomizePlaylist(bad), -1);
    }
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "x.m3u"));
    EXPECT_EQ(playlistItems(0), Items{"/m/a.mp3"});
}

struct GetCase {
    const char* what;
    Items items;
    int32_t index;
    int32_t result;
    const char* copied; // nullptr: buffer untouched
};

void PrintTo(const GetCase& c, std::ostream* os) {
    *os << c.what;
}

class GetPlaylistFile : public PlaylistTest, public testing::WithParamInterface<GetCase> {};

TEST_P(GetPlaylistFile, ResultAndBuffer) {
    const GetCase& c = GetParam();
    const int32_t n = makePlaylist(c.items);
    char buffer[KLV_PATH_BUFFER];
    std::memset(buffer, '~', sizeof buffer);
    EXPECT_EQ(klvGetPlaylistFile(n, c.index, buffer), c.result);
    if (c.copied != nullptr) {
        EXPECT_STREQ(buffer, c.copied);
    } else {
        EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '~'));
    }
}

const Items kThree = {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"};

INSTANTIATE_TEST_SUITE_P(playlist_get_file, GetPlaylistFile,
                         testing::Values(GetCase{"first", kThree, 0, 0, "/m/a.mp3"},
                                         GetCase{"last", kThree, 2, 0, "/m/c.mp3"},
                                         GetCase{"just_past_the_end", kThree, 3, -3, nullptr},
                                         GetCase{"far_past_the_end", kThree, 5, -3, nullptr},
                                         GetCase{"negative", kThree, -1, -3, nullptr},
                                         GetCase{"very_negative", kThree, -100000, -3, nullptr},
                                         GetCase{"one_item_past_the_end", {"/x"}, 1, -1, nullptr},
                                         GetCase{"empty_at_zero", {}, 0, 0, nullptr},
                                         GetCase{"empty_far", {}, 7, 0, nullptr},
                                         GetCase{"empty_negative", {}, -1, -3, nullptr}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(playlist_table, ItemLongerThanTheBufferIsCutNeverOverflows) {
    const std::string longPath = "/" + std::string(400, 'x');
    const int32_t n = makePlaylist({longPath});
    char buffer[KLV_PATH_BUFFER + 64];
    std::memset(buffer, '~', sizeof buffer);
    ASSERT_EQ(klvGetPlaylistFile(n, 0, buffer), 0);
    EXPECT_EQ(std::string(buffer), longPath.substr(0, KLV_PATH_BUFFER - 1));
    EXPECT_EQ(std::string(buffer + KLV_PATH_BUFFER, 64), std::string(64, '~'));
    EXPECT_EQ(klvGetIndexFromFile(n, longPath.c_str()), 0) << "the item itself is whole";
}

struct InsertCase {
    const char* what;
    int32_t position;
    Items expected;
};

void PrintTo(const InsertCase& c, std::ostream* os) {
    *os << c.what;
}

class AddPlaylistFile : public PlaylistTest, public testing::WithParamInterface<InsertCase> {};

TEST_P(AddPlaylistFile, InsertsAtPositionOrAppends) {
    const int32_t n = makePlaylist({"a", "b", "c"});
    EXPECT_EQ(klvAddPlaylistFile(n, GetParam().position, "X"), 0);
    EXPECT_EQ(playlistItems(n), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(playlist_add_file, AddPlaylistFile,
                         testing::Values(InsertCase{"append", -1, {"a", "b", "c", "X"}},
                                         InsertCase{"front", 0, {"X", "a", "b", "c"}},
                                         InsertCase{"middle", 1, {"a", "X", "b", "c"}},
                                         InsertCase{"at_end", 3, {"a", "b", "c", "X"}},
                                         InsertCase{"beyond_end", 10, {"a", "b", "c", "X"}},
                                         InsertCase{"other_negative", -5, {"a", "b", "c", "X"}}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(playlist_table, AddedPathsAreTakenAsGiven) {
    const int before = klv::test::logCount("Fixed Slash");
    const int32_t n = klvCreatePlaylist();
    ASSERT_EQ(klvAddPlaylistFile(n, -1, "C:\\Music\\a.mp3"), 0);
    EXPECT_EQ(playlistItems(n), Items{"C:\\Music\\a.mp3"}) << "no fix-up for added paths";
    EXPECT_EQ(klv::test::logCount("Fixed Slash"), before);
    EXPECT_EQ(klvAddPlaylistFile(n, -1, nullptr), -1);
}

TEST_F(playlist_table, DeleteSwapAndFind) {
    const int32_t n = makePlaylist({"a", "b", "c", "b"});
    EXPECT_EQ(klvGetIndexFromFile(n, "b"), 1) << "the first equal item";
    EXPECT_EQ(klvGetIndexFromFile(n, "B"), -1) << "exact, case-sensitive";
    EXPECT_EQ(klvGetIndexFromFile(n, "b "), -1);
    EXPECT_EQ(klvGetIndexFromFile(n, nullptr), -1);

    EXPECT_EQ(klvSwapPlaylistFiles(n, 0, 2), 0);
    EXPECT_EQ(playlistItems(n), (Items{"c", "b", "a", "b"}));
    EXPECT_EQ(klvSwapPlaylistFiles(n, 1, 1), 0);
    EXPECT_EQ(klvDelPlaylistFile(n, 1), 0);
    EXPECT_EQ(playlistItems(n), (Items{"c", "a", "b"}));
    EXPECT_EQ(klvGetIndexFromFile(n, "b"), 2);

    // Indexes outside the list change nothing.
    EXPECT_EQ(klvDelPlaylistFile(n, 3), -1);
    EXPECT_EQ(klvDelPlaylistFile(n, -1), -1);
    EXPECT_EQ(klvSwapPlaylistFiles(n, 0, 3), -1);
    EXPECT_EQ(klvSwapPlaylistFiles(n, -1, 0), -1);
    EXPECT_EQ(playlistItems(n), (Items{"c", "a", "b"}));

    const int32_t empty = klvCreatePlaylist();
    EXPECT_EQ(klvDelPlaylistFile(empty, 0), -1);
    EXPECT_EQ(klvGetPlaylistCount(empty), 0);
}

} // namespace
