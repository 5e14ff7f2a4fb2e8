#pragma once
// Level to meter index, shared by every display: the dB value of the level, truncated towards
// zero, plus the meter's offset. A meter lights its segment r (0 at the bottom or left) while
// the index is greater than r, so each segment is 1 dB.

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace klv::engine {

// Offsets that put the top segment of each meter at 0 dB or just below.
constexpr int32_t kMasterMeterOffset = 17;
constexpr int32_t kBandMeterOffset = 20;
constexpr int32_t kLineMeterOffset = 28;

// 0 and below (and NaN) count as -96 dB. Levels far above full scale are held at +1000 dB so
// that the conversion to an integer stays defined.
inline int32_t meterIndex(float level, int32_t offset) {
    double db = -96.0;
    if (level > 0.0f)
        db = std::min(20.0 * std::log10(static_cast<double>(level)), 1000.0);
    return static_cast<int32_t>(db) + offset;
}

// The index limited to what a meter of segments segments can show: 0 (nothing lit) to
// segments (all lit). Two indices with the same limited value give the same picture.
inline int32_t shownSegments(int32_t index, int32_t segments) {
    return std::clamp(index, 0, segments);
}

} // namespace klv::engine
