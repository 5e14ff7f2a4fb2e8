// Reading playlist files: text lists, PLS files, path forms and the fix-up.

#include "tests/engine/core/playlist_test_util.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using klv::test::logCount;
using klv::test::playlistItems;
using klv::test::PlaylistTest;
using Items = std::vector<std::string>;
// Lower-case suite name: `ctest -R playlist` (or id3) selects these tests.
using playlist_read = PlaylistTest;

struct ReadCase {
    const char* what;
    const char* fileName;
    std::string contents;
    Items expected; // "@" at the start stands for the list's folder
    int fixedSlashes = 0;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.what;
}

class ReadPlaylist : public PlaylistTest, public testing::WithParamInterface<ReadCase> {
protected:
    Items expected() const {
        Items items;
        for (const std::string& item : GetParam().expected)
            items.push_back(item.starts_with("@") ? folder + item.substr(1) : item);
        return items;
    }
};

TEST_P(ReadPlaylist, OpenYieldsTheListedPaths) {
    const ReadCase& c = GetParam();
    klv::test::writeFile(dir.path() / c.fileName, c.contents);
    const int before = logCount("Fixed Slash");
    const int32_t n = klvOpenPlaylist((folder + c.fileName).c_str());
    ASSERT_GE(n, 0);
    EXPECT_EQ(playlistItems(n), expected());
    EXPECT_EQ(logCount("Fixed Slash") - before, c.fixedSlashes);
}

TEST_P(ReadPlaylist, AddAppendsTheSamePaths) {
    const ReadCase& c = GetParam();
    klv::test::writeFile(dir.path() / c.fileName, c.contents);
    const int32_t n = makePlaylist({"/first.mp3"});
    ASSERT_EQ(klvAddPlaylist(n, (folder + c.fileName).c_str()), 0);
    Items all{"/first.mp3"};
    for (const auto& item : expected())
        all.push_back(item);
    EXPECT_EQ(playlistItems(n), all);
}

const std::string k255 = "/" + std::string(254, 'a');
const std::string k256 = "/" + std::string(255, 'b');

INSTANTIATE_TEST_SUITE_P(
    playlist_text, ReadPlaylist,
    testing::Values(
        ReadCase{"crlf", "l.m3u", "a.mp3\r\nb.mp3\r\n", {"@a.mp3", "@b.mp3"}},
        ReadCase{"lf", "l.m3u", "a.mp3\nb.mp3\n", {"@a.mp3", "@b.mp3"}},
        ReadCase{"cr", "l.m3u", "a.mp3\rb.mp3\r", {"@a.mp3", "@b.mp3"}},
        ReadCase{
            "mixed_ends_and_blank_lines", "l.klv", "\r\na\rb\n\nc\r\n\r\n", {"@a", "@b", "@c"}},
        ReadCase{"last_line_without_end_kept", "l.m3u", "a.mp3\r\nb.mp3", {"@a.mp3", "@b.mp3"}},
        ReadCase{"single_line_without_end", "l.m3u", "/m/only.mp3", {"/m/only.mp3"}},
        ReadCase{"extended_m3u",
                 "l.m3u",
                 "#EXTM3U\r\n#EXTINF:123,Artist - Title\r\nsong.mp3\r\n",
                 {"@song.mp3"}},
        ReadCase{
            "hash_anywhere_skips_the_line", "l.m3u", "/m/a#1.mp3\r\n/m/b.mp3\r\n", {"/m/b.mp3"}},
        ReadCase{"255_kept_256_skipped", "l.m3u", k256 + "\r\n" + k255 + "\r\n" + k256, {k255}},
        ReadCase{"zero_byte_line_skipped",
                 "l.m3u",
                 std::string("a\0b.mp3\r\nc.mp3\r\n", 16),
                 {"@c.mp3"}},
        ReadCase{"byte_order_mark",
                 "l.m3u",
                 "\xEF\xBB\xBF"
                 "a.mp3\r\n",
                 {"@a.mp3"}},
        ReadCase{"any_extension_is_a_text_list", "list.txt", "a.mp3\n", {"@a.mp3"}},
        ReadCase{"empty_file", "l.m3u", "", {}}),
    [](const auto& info) { return std::string(info.param.what); });

INSTANTIATE_TEST_SUITE_P(
    playlist_path_forms, ReadPlaylist,
    testing::Values(
        ReadCase{"absolute", "l.m3u", "/music/x.mp3\n", {"/music/x.mp3"}},
        ReadCase{"dot_slash", "l.m3u", "./track.mp3\n", {"@track.mp3"}},
        ReadCase{"bare_name", "l.m3u", "track.mp3\n", {"@track.mp3"}},
        ReadCase{"subfolder", "l.m3u", "sub/y.mp3\n", {"@sub/y.mp3"}},
        ReadCase{
            "dot_dot_found_through_current_directory", "l.m3u", "../track.mp3\n", {"../track.mp3"}},
        ReadCase{"windows_dot_backslash", "l.m3u", ".\\track.mp3\n", {"@track.mp3"}},
        ReadCase{"windows_dot_dot", "l.m3u", "..\\music\\a.mp3\r\n", {"../music/a.mp3"}, 2},
        ReadCase{"windows_subfolder", "l.m3u", "sub\\y.mp3\r\n", {"@sub/y.mp3"}, 1},
        ReadCase{"windows_two_letter_folder", "l.m3u", "CD\\y.mp3\r\n", {"CD/y.mp3"}, 1}),
    [](const auto& info) { return std::string(info.param.what); });

INSTANTIATE_TEST_SUITE_P(
    playlist_pls, ReadPlaylist,
    testing::Values(
        ReadCase{"plain",
                 "l.pls",
                 "[playlist]\r\nNumberOfEntries=2\r\nFile1=a.mp3\r\nFile2=/abs/b.mp3\r\n",
                 {"@a.mp3", "/abs/b.mp3"}},
        ReadCase{"names_in_any_case",
                 "l.pls",
                 "[PlayList]\nnumberofentries=2\nfile1=a.mp3\nFILE2=b.mp3\n",
                 {"@a.mp3", "@b.mp3"}},
        ReadCase{"missing_entry_skipped",
                 "l.pls",
                 "[playlist]\nNumberOfEntries=3\nFile1=a.mp3\nFile3=c.mp3\n",
                 {"@a.mp3", "@c.mp3"}},
        ReadCase{"empty_entry_skipped",
                 "l.pls",
                 "[playlist]\nNumberOfEntries=3\nFile1=a.mp3\nFile2=\nFile3=  \n",
                 {"@a.mp3"}},
        ReadCase{"count_larger_than_entries",
                 "l.pls",
                 "[playlist]\nNumberOfEntries=5\nFile1=a.mp3\nFile2=b.mp3\n",
                 {"@a.mp3", "@b.mp3"}},
        ReadCase{"count_smaller_than_entries",
                 "l.pls",
                 "[playlist]\nNumberOfEntries=1\nFile1=a.mp3\nFile2=b.mp3\n",
                 {"@a.mp3"}},
        ReadCase{"huge_count",
                 "l.pls",
                 "[playlist]\nNumberOfEntries=2147483647\nFile2=b.mp3\nFile1=a.mp3\n",
                 {"@a.mp3", "@b.mp3"}},
        ReadCase{"no_count_no_entries", "l.pls", "[playlist]\nFile1=a.mp3\n", {}},
        ReadCase{"other_keys_ignored",
                 "l.pls",
                 "[playlist]\nFile1=a.mp3\nTitle1=A\nLength1=-1\nNumberOfEntries=1\n"
                 "Version=2\n",
                 {"@a.mp3"}},
        ReadCase{"leading_zero_is_another_key",
                 "l.pls",
                 "[playlist]\nNumberOfEntries=1\nFile01=a.mp3\n",
                 {}},
        ReadCase{"first_of_repeated_keys",
                 "l.pls",
                 "[playlist]\nNumberOfEntries=1\nFile1=a.mp3\nfile1=b.mp3\n",
                 {"@a.mp3"}},
        ReadCase{"value_cut_at_254",
                 "l.pls",
                 "[playlist]\nNumberOfEntries=1\nFile1=/" + std::string(300, 'v') + "\n",
                 {"/" + std::string(253, 'v')}},
        ReadCase{"windows_paths_fixed",
                 "l.pls",
                 "[playlist]\r\nNumberOfEntries=1\r\nFile1=..\\music\\a.mp3\r\n",
                 {"../music/a.mp3"},
                 2},
        ReadCase{"told_by_contents_not_name",
                 "l.m3u",
                 "[playlist]\r\nNumberOfEntries=1\r\nFile1=a.mp3\r\n",
                 {"@a.mp3"}},
        ReadCase{"pls_name_with_text_contents", "l.pls", "a.mp3\r\n", {"@a.mp3"}},
        ReadCase{"byte_order_mark",
                 "l.pls",
                 "\xEF\xBB\xBF[playlist]\r\nNumberOfEntries=1\r\nFile1=a.mp3\r\n",
                 {"@a.mp3"}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(playlist_read, OpeningChangesToTheListsFolder) {
    fs::create_directories(dir.path() / "lists");
    klv::test::writeFile(dir.path() / "lists" / "l.m3u", "../up.mp3\n");
    klv::test::writeFile(dir.path() / "up.mp3", "x");
    const int32_t n = klvOpenPlaylist((folder + "lists/l.m3u").c_str());
    ASSERT_GE(n, 0);
    EXPECT_EQ(fs::current_path(), fs::canonical(dir.path() / "lists"));
    EXPECT_EQ(playlistItems(n), Items{"../up.mp3"});
    EXPECT_TRUE(fs::exists(playlistItems(n)[0])) << "found from the list's folder";
}

TEST_F(playlist_read, ListWithoutFolderResolvesAgainstTheCurrentDirectory) {
    fs::current_path(dir.path());
    klv::test::writeFile(dir.path() / "l.m3u", "a.mp3\n./b.mp3\n");
    const int32_t n = klvOpenPlaylist("l.m3u");
    ASSERT_GE(n, 0);
    EXPECT_EQ(playlistItems(n), (Items{"a.mp3", "b.mp3"}));
}

TEST_F(playlist_read, FilesThatCannotBeReadGiveMinusOneAndUseNoNumber) {
    fs::create_directories(dir.path() / "folder.m3u");
    ASSERT_EQ(::mkfifo((folder + "pipe.m3u").c_str(), 0600), 0);
    const int32_t kept = makePlaylist({"/keep.mp3"});
    for (const std::string& path :
         {folder + "missing.m3u", folder + "folder.m3u", folder + "pipe.m3u", std::string()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(klvOpenPlaylist(path.c_str()), -1);
        EXPECT_EQ(klvAddPlaylist(kept, path.c_str()), -1);
    }
    EXPECT_EQ(klvOpenPlaylist(nullptr), -1);
    EXPECT_EQ(klvAddPlaylist(kept, nullptr), -1);
    EXPECT_EQ(playlistItems(kept), Items{"/keep.mp3"});
    EXPECT_EQ(klvCreatePlaylist(), 1) << "failed opens took no number";
    EXPECT_TRUE(windows->messages().empty()) << "reading failures are not reported";
}

} // namespace
