#pragma once
// The filter bank both equalizers are built from. A band's four cascaded one-pole low-passes
// with coefficient c give its low-passed signal; a band is the difference to the band below.
// The top band's coefficient is 1.0, so its low-pass is the input itself and the bands of one
// sample add up to the input.

namespace klv::engine {

// Updates one band's four stages (of one channel) for one sample; returns the new fourth.
inline float splitLowPass(float* s, float c, float x) {
    s[0] = s[0] + c * (x - s[0]);
    s[1] = s[1] + c * (s[0] - s[1]);
    s[2] = s[2] + c * (s[1] - s[2]);
    s[3] = s[3] + c * (s[2] - s[3]);
    return s[3];
}

// Samples smaller than this become exactly this, so the filters never run into denormals.
constexpr float kEqFloor = 1e-7f;

inline float guardDenormal(float x) {
    return (x < kEqFloor && x > -kEqFloor) ? kEqFloor : x;
}

// The level unit: v means (2^(1/6))^v, one unit very nearly 1 dB.
constexpr double kLevelBase = 1.122462048309373;

} // namespace klv::engine
