#include "compressor_dsp.h"

#include "compressor_settings.h"

#include <algorithm>
#include <cmath>

namespace compressor {

namespace {

constexpr float kFloor = 1e-7f;

// The output thread's own.
struct State {
    float gainLeft = 1.0f, gainRight = 1.0f;
    float enhanceLeft = 0.0f, enhanceRight = 0.0f; // low-passes the enhancer subtracts
    float sideLeft = 0.0f, sideRight = 0.0f;       // low-passes the side-chain subtracts
};
State g_state;

struct Frame {
    float thr, att, rel, out, enh;
    bool softKnee, scFilter, joint;
};

// One sample's gain step for detector value d: release, then attack above the threshold or,
// with the knee, a gentler attack between 0.65 and 1.0 times the threshold; never above 1.
inline float updateGain(float g, float d, const Frame& c) {
    g = g + g * c.rel;
    const float level = d * g;
    if (level > c.thr) {
        g = g - g * c.att;
    } else if (c.softKnee && level > 0.65f * c.thr) {
        const float x = level / c.thr;
        const float x2 = x * x;
        const float x8 = x2 * x2 * x2 * x2;
        g = g - g * c.att * (x8 * x2);
    }
    return g > 1.0f ? 1.0f : g;
}

inline float guard(float x) {
    return (x < kFloor && x > -kFloor) ? kFloor : x;
}

} // namespace

void resetState() {
    g_state = State{};
}

void processFrames(float* frames, int32_t count) {
    constexpr auto relaxed = std::memory_order_relaxed;
    const Coefficients& k = coefficients();
    State& s = g_state;
    for (int32_t i = 0; i < count; ++i) {
        // The dialog may change any of these between two frames.
        const Frame c{k.threshold.load(relaxed),
                      k.attack.load(relaxed),
                      k.release.load(relaxed),
                      k.makeUp.load(relaxed),
                      k.enhance.load(relaxed),
                      setting(kSoftKnee).load(relaxed) != 0,
                      setting(kScFilter).load(relaxed) != 0,
                      setting(kJointLr).load(relaxed) != 0};
        float* frame = frames + 2 * i;
        const float left = frame[0] = guard(frame[0]);
        const float right = frame[1] = guard(frame[1]);

        s.enhanceLeft = s.enhanceLeft + (left - s.enhanceLeft) * 0.25f;
        s.enhanceRight = s.enhanceRight + (right - s.enhanceRight) * 0.25f;
        if (c.scFilter) {
            s.sideLeft = s.sideLeft + (left - s.sideLeft) * 0.015f;
            s.sideRight = s.sideRight + (right - s.sideRight) * 0.015f;
        } else {
            s.sideLeft = s.sideRight = 0.0f;
        }
        const float detectLeft = std::fabs(left - s.sideLeft);
        const float detectRight = std::fabs(right - s.sideRight);
        if (c.joint) {
            s.gainLeft = updateGain(s.gainLeft, std::max(detectLeft, detectRight), c);
        } else {
            s.gainLeft = updateGain(s.gainLeft, detectLeft, c);
            s.gainRight = updateGain(s.gainRight, detectRight, c);
        }
        const float gainRight = c.joint ? s.gainLeft : s.gainRight;
        frame[0] = (s.gainLeft * left + (left - s.enhanceLeft) * c.enh * 0.25f) * c.out;
        frame[1] = (gainRight * right + (right - s.enhanceRight) * c.enh * 0.25f) * c.out;
    }
}

} // namespace compressor
