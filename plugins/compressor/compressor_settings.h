#pragma once
// The compressor's eight settings, where they are stored, and the coefficients derived from
// them. The settings dialog (ui thread) writes them while plugin_process (output thread) reads
// them, each a single 32-bit value: a change is in force from the next frame on.

#include <atomic>
#include <cstdint>

namespace compressor {

// Registry values, slider ranges and defaults of the five sliders and three switches.
enum Setting : int {
    kThreshold,
    kAttack,
    kRelease,
    kGain,
    kEnhance,
    kSoftKnee,
    kScFilter,
    kJointLr,
    kSettingCount
};

struct SettingInfo {
    const char* valueName;
    int32_t minimum; // slider range (switches: 0..1)
    int32_t maximum;
    int32_t fallback; // when the store has no such value
};

extern const SettingInfo kSettings[kSettingCount];

// HKEY_LOCAL_MACHINE key of the stored settings.
extern const char* const kSettingsKey;

struct Coefficients {
    std::atomic<float> threshold{1.0f}; // linear level the detector is held under
    std::atomic<float> attack{0.0f};    // gain fall per sample while over the threshold
    std::atomic<float> release{0.0f};   // gain rise per sample
    std::atomic<float> makeUp{1.0f};    // output gain
    std::atomic<float> enhance{0.0f};   // how much of the high-passed signal is added back
};

// The settings in force and their coefficients (one set per process).
std::atomic<int32_t>& setting(Setting which);
const Coefficients& coefficients();

// Reads all eight from the store; a value that is missing, or not exactly 4 bytes, takes its
// default. [ui thread]
void loadSettings();
// Writes all eight (4-byte little-endian binary values); failures are ignored. [ui thread]
void storeSettings();
// Derives the coefficients from the settings. [ui thread]
void updateCoefficients();

} // namespace compressor
