// Playlist entries holding a zero byte. The program receives each entry as a zero-terminated
// path, so an entry with a zero inside would reach it cut short, name another file and never
// be found in its list again; such entries are binary data and are left out.

#include "tests/engine/core/playlist_test_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using klv::test::playlistItems;
using klv::test::PlaylistTest;
using Items = std::vector<std::string>;
using playlist_zero_byte = PlaylistTest;

using namespace std::string_literals;

struct ZeroCase {
    const char* name;
    std::string text;
    Items items;
};

TEST_F(playlist_zero_byte, EntriesWithAZeroByteAreLeftOutAndTheRestFoundByTheirPaths) {
    const ZeroCase cases[] = {
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
    for (const ZeroCase& c : cases) {
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
}

} // namespace
