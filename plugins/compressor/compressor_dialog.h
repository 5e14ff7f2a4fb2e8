#pragma once
// The compressor's modeless settings dialog, built from a dialog template: five sliders with
// their value labels and three switches. Every slider move and switch stores all eight
// settings and takes effect at once.

#include "klv_plugin.h"

#include <cstdint>

namespace compressor {

// Control ids.
constexpr int32_t kIdOk = 1;
constexpr int32_t kIdThreshold = 1000;      // ..1004: the five sliders, in setting order
constexpr int32_t kIdSoftKnee = 1005;       // ..1007: the three switches
constexpr int32_t kIdThresholdLabel = 1008; // ..1012: the sliders' value labels

// Opens another settings dialog owned by parent; 0 when none could be made. [ui thread]
KlvDialog openSettingsDialog(KlvWindow parent);

// Destroys every settings dialog still open (the library is about to go). [ui thread]
void closeSettingsDialogs();

} // namespace compressor
