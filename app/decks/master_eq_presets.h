#pragma once
// The master equalizer's named presets in the settings store (subkey "Equalizer"). Preset 0 is
// the setting in use at the last shut-down; presets 1..Count are the ones the user saved. Each
// holds ten band values -36..+36 (knob steps of a third of a level unit).
// [ui-thread]

#include <QString>

#include <array>
#include <cstdint>

namespace klv::app::eqpresets {

constexpr int kBands = 10;
constexpr int kMinValue = -36;
constexpr int kMaxValue = 36;
using Bands = std::array<int, kBands>;

// "Count": the number of saved presets (never negative).
int count();
// "n: Name", "Untitled" when missing.
QString name(int n);
// "n: Band 1".."n: Band 10": the integer part of each stored value, clamped to -36..+36
// (0 when missing).
Bands bands(int n);
// Writes the ten band values of preset n and, for a saved preset (n >= 1), its name.
void write(int n, const QString& presetName, const Bands& values);
// The saved preset (1..Count) whose name is exactly presetName, or 0 when there is none.
int find(const QString& presetName);
// Stores a new preset after the last one and returns its number.
int append(const QString& presetName, const Bands& values);
// Removes preset n (1..Count): the later ones move down one number, the last number's values
// are deleted and "Count" drops by one. False for a number outside 1..Count.
bool remove(int n);

} // namespace klv::app::eqpresets
