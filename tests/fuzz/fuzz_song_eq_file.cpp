// klv.eq of arbitrary bytes read through the profile module for a song; then new levels are
// written for that song and read again. The song reads back the levels written, and another
// song keeps the levels it had. Input: one byte giving the length of the song's path (0..63),
// the path, then the file.

#include "engine/audio/eq_file.h"
#include "engine/core/line_slot.h"
#include "platform/store/profile.h"
#include "tests/fuzz/fuzz_support.h"

#include <memory>
#include <string>

namespace {

using klv::fuzz::require;

constexpr const char* kOther = "/music/other.mp3";

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

    auto levels = std::make_unique<LineSlot>();
    auto other = std::make_unique<LineSlot>();
    loadSongEq(song.c_str(), *levels);
    loadSongEq(kOther, *other);
    for (int b = 0; b < kSongEqBands; ++b)
        levels->songEq[b].store(static_cast<float>(b + 1) * 1.5f - 4.0f);
    if (!saveSongEq(song.c_str(), *levels))
        return 0;

    auto again = std::make_unique<LineSlot>();
    loadSongEq(song.c_str(), *again);
    auto otherAgain = std::make_unique<LineSlot>();
    loadSongEq(kOther, *otherAgain);
    const bool sameSong = klv::platform::profileNamesEqual(song, kOther);
    for (int b = 0; b < kSongEqBands; ++b) {
        require(again->songEq[b].load() == levels->songEq[b].load(),
                "a song reads back the levels written for it");
        if (!sameSong)
            require(otherAgain->songEq[b].load() == other->songEq[b].load(),
                    "another song keeps its levels");
    }
    return 0;
}
