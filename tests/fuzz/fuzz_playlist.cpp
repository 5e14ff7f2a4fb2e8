// Playlist files of arbitrary bytes (PLS, M3U, .klv; the first input byte picks the name):
// read, every entry fetched into a buffer of exactly the documented size, looked up by path,
// then saved in both formats and read back.

#include "klv3.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstring>
#include <memory>

namespace {

using klv::fuzz::require;

// Fetches every entry; each must fit the path buffer with its terminator.
void walk(int32_t playlist) {
    const int32_t count = klvGetPlaylistCount(playlist);
    require(count >= 0, "an open playlist has a count");
    // Heap memory of exactly the buffer size, so a write past it is caught.
    auto buffer = std::make_unique<char[]>(KLV_PATH_BUFFER);
    for (int32_t i = 0; i < count; ++i) {
        require(klvGetPlaylistFile(playlist, i, buffer.get()) == 0, "every entry can be fetched");
        require(std::memchr(buffer.get(), 0, KLV_PATH_BUFFER) != nullptr,
                "an entry ends inside the buffer");
        const int32_t index = klvGetIndexFromFile(playlist, buffer.get());
        require(index >= 0 && index <= i, "an entry is found at or before its place");
    }
}

void saveAndReread(int32_t playlist, const char* name) {
    const std::string path = (klv::fuzz::fuzzHome() / name).string();
    if (klvSavePlaylist(playlist, path.c_str()) != 0)
        return;
    const int32_t again = klvOpenPlaylist(path.c_str());
    require(again >= 0, "a saved playlist can be read back");
    walk(again);
    klvClosePlaylist(again);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    klv::fuzz::prepareHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const kNames[] = {"in.pls", "in.m3u", "in.klv", "in.PLS"};
    if (size == 0)
        return 0;
    const std::string path = klv::fuzz::writeInput(kNames[data[0] % 4], data + 1, size - 1);
    const int32_t playlist = klvOpenPlaylist(path.c_str());
    if (playlist < 0)
        return 0;
    walk(playlist);
    saveAndReread(playlist, "out.m3u");
    saveAndReread(playlist, "out.pls");
    klvClosePlaylist(playlist);
    return 0;
}
