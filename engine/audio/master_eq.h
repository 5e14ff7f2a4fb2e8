#pragma once
// The master equalizer: ten bands on the main mix after the master gain. The gains set through
// klvSetEQ are reached smoothly (at most 0.002 per frame), and every block leaves each band's
// level in the band-level history of the master levels for the band meters.

#include "engine/core/line_slot.h"

#include <cstdint>

namespace klv::engine {

constexpr int kMasterBands = 10;

// The band-split coefficient of each master band; the song equalizer uses every other one.
constexpr float kEqSplit[kMasterBands] = {0.01421f,  0.028715f, 0.055472f, 0.115772f, 0.199592f,
                                          0.356858f, 0.554702f, 0.754692f, 0.910413f, 1.0f};

// Sets band 0..9 to value level units, clamped to -24..24. 0, or -1 for another band (nothing
// changes). [ui thread]
int32_t setMasterEqLevel(int32_t band, float value);

// The linear gain a band is heading for (0.0 until it is first set). [any thread]
float masterEqGain(int32_t band);

// Processes count frames of the main mix in place and updates the band-level history.
// [output thread]
void processMasterEq(Frame* mix, int32_t count);

// Tests of the stages before the master equalizer turn it off, so that they see the main mix
// exactly as those stages leave it; the program never does. [any thread]
void bypassMasterEqForTests(bool bypass);

// Clears the filters and the smoothed gains, as when the output starts. [output thread, before
// its block loop; or any thread while no output runs]
void resetMasterEq();

} // namespace klv::engine
