#include "engine/audio/eq_file.h"

#include "engine/core/line_threads_handle.h"
#include "engine/core/log.h"
#include "klv3.h"
#include "platform/store/home.h"
#include "platform/store/profile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace klv::engine {

namespace {

std::string keyName(int band) {
    char key[16];
    std::snprintf(key, sizeof key, "EQ %d", band + 1);
    return key;
}

} // namespace

std::filesystem::path songEqFile() {
    return platform::configDir() / "klv.eq";
}

int32_t songEqFileValue(float level) {
    const double twice = std::trunc(static_cast<double>(level) * 2.0);
    if (twice != twice)
        return 0;
    if (twice >= 2147483647.0)
        return INT32_MAX;
    if (twice <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(twice);
}

void loadSongEq(const char* song, LineSlot& slot) {
    platform::ProfileSection section;
    // An unreadable file counts as empty: every band flat.
    if (song != nullptr && !platform::readProfileSection(songEqFile(), song, section) &&
        errno != ENOENT)
        logEntry("Can't read %s: %s", songEqFile().c_str(), std::strerror(errno));
    for (int b = 0; b < kSongEqBands; ++b)
        slot.songEq[b].store(static_cast<float>(section.getInt(keyName(b), 0) * 0.5),
                             std::memory_order_relaxed);
}

bool saveSongEq(const char* song, const LineSlot& slot) {
    std::vector<std::pair<std::string, std::string>> keys;
    for (int b = 0; b < kSongEqBands; ++b)
        keys.emplace_back(keyName(b), std::to_string(songEqFileValue(
                                          slot.songEq[b].load(std::memory_order_relaxed))));
    return platform::writeProfileStrings(songEqFile(), song, keys);
}

} // namespace klv::engine

using namespace klv::engine;

extern "C" KLV_API int32_t klvSetSongEQ(LineHandle* h, int32_t band, float value) {
    LineSlot* slot = h != nullptr ? lineSlot(h) : nullptr;
    if (slot == nullptr)
        return 0;
    // Another band would write past the line's five.
    if (band < 0 || band >= kSongEqBands || h->fileName == nullptr)
        return -1;
    slot->songEq[band].store(value == value ? value : 0.0f, std::memory_order_relaxed);
    // The level is in force either way; a failed write is only logged.
    if (!saveSongEq(h->fileName, *slot))
        logEntry("Can't write %s: %s", songEqFile().c_str(), std::strerror(errno));
    return 0;
}

extern "C" KLV_API int32_t klvGetSongEQ(LineHandle* h, int32_t band) {
    LineSlot* slot = h != nullptr ? lineSlot(h) : nullptr;
    if (slot == nullptr || band < 0 || band >= kSongEqBands)
        return 0;
    return songEqFileValue(slot->songEq[band].load(std::memory_order_relaxed));
}
