// Playlist entries the program could not be handed whole. It receives each entry as a
// zero-terminated path of at most KLV_PATH_BUFFER - 1 bytes, so an entry with a zero inside,
// or one that grows longer once its list's folder is put in front, would reach it cut short,
// name another file and never be found in its list again; such entries are left out.

#include "tests/engine/core/playlist_test_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using klv::test::playlistItems;
using klv::test::PlaylistTest;
using Items = std::vector<std::string>;
using playlist_unusable_entry = PlaylistTest;

using namespace std::string_literals;

struct EntryCase {
    const char* name;
    std::string text;
    Items items;
};

// The list opens with the expected items, and each is found again by the path handed out.
void expectItemsFoundByPath(const std::string& folder, const EntryCase& c) {
    SCOPED_TRACE(c.name);
    const std::string path = folder + c.name;
    klv::test::writeFile(path, c.text);
    const int32_t n = klvOpenPlaylist(path.c_str());
    ASSERT_GE(n, 0);
    const Items items = playlistItems(n);
    EXPECT_EQ(items, c.items);
    for (size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(klvGetIndexFromFile(n, items[i].c_str()), static_cast<int32_t>(i));
    klvClosePlaylist(n);
}

TEST_F(playlist_unusable_entry, EntriesWithAZeroByteAreLeftOutAndTheRestFoundByTheirPaths) {
    const EntryCase cases[] = {
        // The input the fuzzer found: its third entry held a zero.
        {"found.pls",
         "[playlist]\r\nNumberOfEntries=3\r\nFile1!.2=\"/abs/b.wav\"\r\nFile3=c d.mp3\0[\r\n"
         "Title1=Aplayl\ris\n"s,
         {}},
        {"mixed.pls",
         "[playlist]\r\nNumberOfEntries=3\r\nFile1=/m/a.mp3\r\nFile2=/m/b\0c.mp3\r\n"
         "File3=/m/d.mp3\r\n"s,
         {"/m/a.mp3", "/m/d.mp3"}},
        {"mixed.m3u", "/m/a.mp3\r\n/m/b\0c.mp3\r\n/m/d.mp3\r\n"s, {"/m/a.mp3", "/m/d.mp3"}},
    };
    for (const EntryCase& c : cases)
        expectItemsFoundByPath(folder, c);
}

TEST_F(playlist_unusable_entry, EntriesTooLongOnceResolvedAreLeftOut) {
    // Names relative to the list's folder, resolving to exactly 255 and to 256 bytes.
    const std::string fits(KLV_PATH_BUFFER - 1 - folder.size(), 'f');
    const std::string tooLong(KLV_PATH_BUFFER - folder.size(), 'g');
    // The longest value a PLS list gives is 254 bytes.
    const std::string absolute = "/" + std::string(KLV_PATH_BUFFER - 3, 'a');
    const Items expected{folder + fits, absolute};
    const EntryCase cases[] = {
        {"long.m3u", tooLong + "\r\n" + fits + "\r\n" + absolute + "\r\n", expected},
        {"long.pls",
         "[playlist]\r\nNumberOfEntries=3\r\nFile1=" + fits + "\r\nFile2=" + tooLong +
             "\r\nFile3=" + absolute + "\r\n",
         expected},
    };
    for (const EntryCase& c : cases)
        expectItemsFoundByPath(folder, c);
}

} // namespace
