#pragma once
// Gain changes that must not click: the per-line volume ramp, the pan law and the master gain
// ramp. Each moves by 0.0025 per frame, so a full swing of 1.0 takes 400 frames (about 9 ms),
// and stops within one step of its target without snapping to it.

#include <cstdint>

namespace klv::engine {

constexpr double kRampStep = 0.0025;

// One frame of a line's volume ramp towards target.
inline float stepVolume(float current, float target) {
    if (current + kRampStep < target)
        return static_cast<float>(current + kRampStep);
    if (target < current - kRampStep)
        return static_cast<float>(current - kRampStep);
    return current;
}

// The side a line is panned towards stays at unity; the other falls linearly to 0 at +-100.
struct PanGains {
    float left;
    float right;
};

inline PanGains panGains(int32_t pan) {
    PanGains gains{1.0f, 1.0f};
    if (pan > 0)
        gains.left = static_cast<float>(1.0 - pan * 0.01);
    if (pan < 0)
        gains.right = static_cast<float>(1.0 + pan * 0.01);
    return gains;
}

// The master gain pair. Per frame at most one channel rises and at most one falls, the left
// first: when both must move the same way, the right starts once the left has arrived.
struct MasterGain {
    float left;
    float right;

    void step(float targetLeft, float targetRight) {
        if (left + kRampStep < targetLeft)
            left = static_cast<float>(left + kRampStep);
        else if (right + kRampStep < targetRight)
            right = static_cast<float>(right + kRampStep);
        if (left - kRampStep > targetLeft)
            left = static_cast<float>(left - kRampStep);
        else if (right - kRampStep > targetRight)
            right = static_cast<float>(right - kRampStep);
    }
};

} // namespace klv::engine
