// Sorting and shuffling playlists.

#include "tests/engine/core/playlist_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using klv::test::playlistItems;
using klv::test::PlaylistTest;
using Items = std::vector<std::string>;
// Lower-case suite name: `ctest -R playlist` (or id3) selects these tests.
using playlist_order = PlaylistTest;

struct SortCase {
    const char* what;
    Items items;
    int32_t descending;
    Items expected;
};

void PrintTo(const SortCase& c, std::ostream* os) {
    *os << c.what;
}

class SortPlaylist : public PlaylistTest, public testing::WithParamInterface<SortCase> {};

TEST_P(SortPlaylist, OrdersWithoutRegardToCase) {
    const SortCase& c = GetParam();
    const int32_t n = makePlaylist(c.items);
    EXPECT_EQ(klvSortPlaylist(n, c.descending), 0);
    EXPECT_EQ(playlistItems(n), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    playlist_sort, SortPlaylist,
    testing::Values(
        SortCase{"ascending", {"B.mp3", "c.mp3", "a.mp3"}, 0, {"a.mp3", "B.mp3", "c.mp3"}},
        SortCase{"descending", {"B.mp3", "c.mp3", "a.mp3"}, 1, {"c.mp3", "B.mp3", "a.mp3"}},
        SortCase{"any_nonzero_flag_descends", {"a", "b"}, -7, {"b", "a"}},
        SortCase{"whole_paths_compared",
                 {"/m/Zed/a.mp3", "/m/alpha/z.mp3", "/M/beta.mp3"},
                 0,
                 {"/m/alpha/z.mp3", "/M/beta.mp3", "/m/Zed/a.mp3"}},
        SortCase{"prefix_first", {"/m/ab.mp3", "/m/AB"}, 0, {"/m/AB", "/m/ab.mp3"}},
        // Letters fold to lower case; other bytes keep their value, so "_" (0x5F) comes
        // before every letter and bytes of UTF-8 characters after all of ASCII.
        SortCase{"other_bytes_by_value",
                 {"\xC3\xA9t\xC3\xA9.mp3", "Zoo.mp3", "_intro.mp3", "1.mp3"},
                 0,
                 {"1.mp3", "_intro.mp3", "Zoo.mp3", "\xC3\xA9t\xC3\xA9.mp3"}},
        SortCase{"empty", {}, 0, {}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(playlist_order, ShuffleKeepsEveryItem) {
    Items items;
    for (int i = 0; i < 300; ++i)
        items.push_back("/m/" + std::to_string(i % 250) + ".mp3"); // some twice
    const int32_t n = makePlaylist(items);
    ASSERT_EQ(klvRandomizePlaylist(n), 0);
    Items shuffled = playlistItems(n);
    EXPECT_NE(shuffled, items) << "one order in 300! stays put";
    std::sort(shuffled.begin(), shuffled.end());
    std::sort(items.begin(), items.end());
    EXPECT_EQ(shuffled, items);
}

TEST_F(playlist_order, ShuffleOfEmptySingleAndVeryLongLists) {
    const int32_t empty = klvCreatePlaylist();
    EXPECT_EQ(klvRandomizePlaylist(empty), 0);
    EXPECT_EQ(klvGetPlaylistCount(empty), 0);
    const int32_t single = makePlaylist({"/only.mp3"});
    EXPECT_EQ(klvRandomizePlaylist(single), 0);
    EXPECT_EQ(playlistItems(single), Items{"/only.mp3"});

    // More items than a 15-bit random number can name: every place still gets filled.
    const int32_t big = klvCreatePlaylist();
    for (int i = 0; i < 40000; ++i)
        klvAddPlaylistFile(big, -1, std::to_string(i).c_str());
    ASSERT_EQ(klvRandomizePlaylist(big), 0);
    Items all = playlistItems(big);
    ASSERT_EQ(all.size(), 40000u);
    std::vector<int> numbers;
    for (const auto& item : all)
        numbers.push_back(std::stoi(item));
    std::sort(numbers.begin(), numbers.end());
    for (int i = 0; i < 40000; ++i)
        ASSERT_EQ(numbers[static_cast<size_t>(i)], i);
}

} // namespace
