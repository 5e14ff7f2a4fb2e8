#pragma once
// Process-wide values of the master section: the master gain targets set by klvSetMainVol and
// the ramped gains the output thread applies, the headphone level, and the master level
// histories the meters draw. They live as long as the library.

#include "engine/core/line_slot.h"

#include <atomic>

namespace klv::engine {

constexpr int kMasterEqBands = 10;

struct MasterValues {
    // Written by the ui thread, read by the output thread once per frame.
    std::atomic<float> targetLeft{1.0f};
    std::atomic<float> targetRight{1.0f};
    std::atomic<float> headphone{1.0f};
    // Written by the output thread only; kept across restarts of the output.
    std::atomic<float> currentLeft{1.0f};
    std::atomic<float> currentRight{1.0f};
};

// Level histories, oldest first, newest last. Written by the output thread; read by the
// drawing threads without a lock (a half-updated history for one refresh is accepted).
struct MasterLevels {
    std::atomic<float> left[kPeakHistory];
    std::atomic<float> right[kPeakHistory];
    std::atomic<float> bands[kPeakHistory][kMasterEqBands]; // master equalizer band levels
};

MasterValues& masterValues();
MasterLevels& masterLevels();

// Clears the master histories and the band histories. [output thread, at its start]
void clearMasterLevels();

// Shifts an 8-entry history one entry towards the oldest (the newest keeps its value), decays
// the newest by 0.9 and returns it. [output thread]
float shiftPeakHistory(std::atomic<float> (&history)[kPeakHistory]);

} // namespace klv::engine
