// klv.eq of arbitrary bytes read through the profile module for a song, written back for the
// same song and read again: the levels read after the rewrite are the levels read before it.
// Input: one byte giving the length of the song's path (0..63), the path, then the file.

#include "engine/audio/eq_file.h"
#include "engine/core/line_slot.h"
#include "tests/fuzz/fuzz_support.h"

#include <memory>
#include <string>

namespace {

using klv::fuzz::require;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    klv::fuzz::prepareHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace klv::engine;
    if (size == 0)
        return 0;
    const size_t nameLength = std::min<size_t>(data[0] % 64, size - 1);
    std::string song(reinterpret_cast<const char*>(data + 1), nameLength);
    for (char& c : song) {
        if (c == '\0')
            c = '_';
    }
    if (song.empty())
        song = "/music/a.mp3";
    const size_t body = 1 + nameLength;
    klv::fuzz::writeInput("klv.eq", data + body, size - body);

    auto first = std::make_unique<LineSlot>();
    loadSongEq(song.c_str(), *first);
    if (!saveSongEq(song.c_str(), *first))
        return 0;
    auto second = std::make_unique<LineSlot>();
    loadSongEq(song.c_str(), *second);
    for (int b = 0; b < kSongEqBands; ++b)
        require(first->songEq[b].load() == second->songEq[b].load(),
                "a song's levels read back as they were written");
    return 0;
}
