#pragma once
// Where the master section's parts sit, in its own pixels, and the ranges of its knobs. The
// buttons sit where the section's button table puts them.

#include <QRect>

namespace klv::app::masterlayout {

// Master fader knob tops: 2.0 at the top, unity at 219, silence at the bottom.
constexpr int kFaderTopMin = 179;
constexpr int kFaderTopMax = 299;
constexpr int kFaderUnity = 219;
// Headphone knob tops: full level at the top.
constexpr int kHeadphoneTopMin = 223;
constexpr int kHeadphoneTopMax = 303;
// Equalizer band knob tops; value = 51 - top.
constexpr int kBandTopMin = 15;
constexpr int kBandTopMax = 87;
constexpr int kBandFlat = 51;

constexpr int kFaderKnobWidth = 24;
constexpr int kFaderKnobHeight = 20;
constexpr int kBandKnobWidth = 13;
constexpr int kBandKnobHeight = 9;

inline int faderLeft(int index) {
    return index == 0 ? 8 : index == 1 ? 40 : 74;
}

// The bar a fader knob travels on (index 2: the headphone knob).
inline QRect faderBar(int index) {
    const int top = index == 2 ? kHeadphoneTopMin : kFaderTopMin;
    const int bottom = (index == 2 ? kHeadphoneTopMax : kFaderTopMax) + kFaderKnobHeight;
    return QRect(faderLeft(index), top, kFaderKnobWidth, bottom - top);
}

inline QRect faderKnob(int index, int top) {
    return QRect(faderLeft(index), top, kFaderKnobWidth, kFaderKnobHeight);
}

inline QRect bandKnob(int band, int top) {
    return QRect(6 + 17 * band, top, kBandKnobWidth, kBandKnobHeight);
}

// The equalizer's background: presses here pick the band under the pointer.
inline QRect equalizerArea() {
    return QRect(2, 10, 176, 88);
}

// The VU picture has the proportions of the engine's meter picture.
inline QRect vu() {
    return QRect(1, 101, 178, 69);
}

inline QRect clock() {
    return QRect(118, 178, 44, 14);
}

} // namespace klv::app::masterlayout
