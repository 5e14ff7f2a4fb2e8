#pragma once
// Where the parts of a line sit, in pixels from the line's top-left corner. The knob ranges,
// detents and the tracker span are what the value mappings depend on; the rest is drawing.
// The buttons sit where the line's button table puts them.

#include <QRect>

namespace klv::app::line {

inline constexpr int kWidth = 90;
inline constexpr int kHeight = 348;

// Three text rows.
inline constexpr int kLabelLeft = 2;
inline constexpr int kLabelTops[3] = {2, 18, 34};
inline constexpr int kLabelWidth = 86;
inline constexpr int kLabelHeight = 15;

inline constexpr QRect kLcdRect{2, 52, 86, 34};

// Tracker: the knob's left edge runs over 2..81, 79 pixels for the whole song.
inline constexpr QRect kTrackerBar{0, 88, 89, 13};
inline constexpr int kTrackerMin = 2;
inline constexpr int kTrackerMax = 81;
inline constexpr int kTrackerSpan = 79;
inline constexpr int kTrackerKnobWidth = 7;
inline constexpr int kTrackerKnobHeight = 11;
inline constexpr int kTrackerKnobTop = 89;
inline constexpr int kTrackerStep = 5;

// Pan: knob left 3..67, centre 35.
inline constexpr QRect kPanBar{0, 149, 89, 16};
inline constexpr int kPanMin = 3;
inline constexpr int kPanMax = 67;
inline constexpr int kPanCentre = 35;
inline constexpr int kPanKnobWidth = 19;
inline constexpr int kPanKnobHeight = 15;
inline constexpr int kPanKnobTop = 150;

// Fader: knob top 179..299, unity at 219; 179..219 is the boost range up to 200 %.
inline constexpr QRect kFaderBar{3, 170, 38, 152};
inline constexpr int kFaderMin = 179;
inline constexpr int kFaderMax = 299;
inline constexpr int kFaderUnity = 219;
inline constexpr int kFaderKnobLeft = 8;
inline constexpr int kFaderKnobWidth = 28;
inline constexpr int kFaderKnobHeight = 15;

// Pitch: knob top 233..303, zero at 268.
inline constexpr QRect kPitchBar{45, 231, 42, 92};
inline constexpr int kPitchMin = 233;
inline constexpr int kPitchMax = 303;
inline constexpr int kPitchCentre = 268;
inline constexpr int kPitchKnobLeft = 52;
inline constexpr int kPitchKnobWidth = 28;
inline constexpr int kPitchKnobHeight = 13;

// Status label.
inline constexpr QRect kStatusRect{20, 333, 49, 10};

} // namespace klv::app::line
