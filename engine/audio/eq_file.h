#pragma once
// klv.eq in the Kelvara home: the song equalizer settings of every song whose equalizer was
// ever changed. One profile section per song, named by the path the song was opened with,
// holding "EQ 1".."EQ 5": twice each band's level, truncated towards zero. Sections are never
// removed.

#include "engine/core/line_slot.h"

#include <cstdint>
#include <filesystem>

namespace klv::engine {

// configDir()/klv.eq. [any thread]
std::filesystem::path songEqFile();

// A band level as the file holds it: level * 2 truncated towards zero, saturated to 32 bits,
// 0 for a value that is not a number.
int32_t songEqFileValue(float level);

// Sets the slot's five levels from the song's section (a missing key or file gives 0, a flat
// band). [ui thread, while the line is opened]
void loadSongEq(const char* song, LineSlot& slot);

// Writes the slot's five levels into the song's section; false when the file could not be
// rewritten (the old file is then unchanged). [ui thread]
bool saveSongEq(const char* song, const LineSlot& slot);

} // namespace klv::engine
