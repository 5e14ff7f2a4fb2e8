#include "engine/audio/speed_resampler.h"

#include <algorithm>
#include <cmath>

namespace klv::engine {

namespace {

enum : int { kPreLeft, kPreRight, kPostLeft, kPostRight, kLastLeft, kLastRight };

constexpr int kFracBits = 15;
constexpr int32_t kOne = 1 << kFracBits;

// One-pole smoothing s += c (x - s) over one channel; c = 1 passes the signal unchanged, exactly.
void smooth(Frame* frames, int32_t count, float Frame::*channel, float& state, double c) {
    if (c == 1.0) {
        if (count > 0)
            state = frames[count - 1].*channel;
        return;
    }
    float s = state;
    for (int32_t i = 0; i < count; ++i) {
        s = static_cast<float>(s + c * (frames[i].*channel - s));
        frames[i].*channel = s;
    }
    state = s;
}

// A sample on the 16-bit grid, rounded to nearest as the FPU rounds.
int32_t quantise(float x) {
    const double scaled = std::nearbyint(static_cast<double>(x) * 32768.0);
    if (!(scaled > -32768.0))
        return scaled == scaled ? -32768 : 0;
    return scaled >= 32767.0 ? 32767 : static_cast<int32_t>(scaled);
}

void interpolate(const Frame* source, int32_t n, float Frame::*channel, float last, Frame* out,
                 int32_t m, int32_t increment) {
    int32_t p = 0;
    for (int32_t k = 0; k < m; ++k) {
        // inc is 32 n for m = 1024, so idx stays below n; the clamp only guards other sizes.
        const int32_t idx = std::min(p >> kFracBits, n - 1);
        const int32_t frac = p & (kOne - 1);
        const int32_t a = quantise(idx == 0 ? last : source[idx - 1].*channel);
        const int32_t b = quantise(source[idx].*channel);
        const int32_t mixed = ((kOne - frac) * a + frac * b + (kOne - 1)) >> kFracBits;
        out[k].*channel = static_cast<float>(mixed) * 3.0517578125e-05f;
        p += increment;
    }
}

} // namespace

void speedResample(float (&state)[kResampleStateSize], Frame* source, int32_t n, Frame* out,
                   int32_t m) {
    if (m <= 0)
        return;
    if (n <= 0) {
        // No source at all (speed near zero): hold the last output value.
        std::fill(out, out + m, Frame{state[kPostLeft], state[kPostRight]});
        return;
    }
    const double ratio = static_cast<double>(m) / n;
    const double step = static_cast<double>(n) / m;
    const auto increment = static_cast<int32_t>(std::lround(32768.0 * step));
    // Faster than normal: smooth the source before dropping frames. Slower: smooth the output,
    // whose frames repeat the source's steps.
    const double pre = ratio <= 1.0 ? ratio : 1.0;
    const double post = ratio > 1.0 ? step : 1.0;

    smooth(source, n, &Frame::left, state[kPreLeft], pre);
    smooth(source, n, &Frame::right, state[kPreRight], pre);
    interpolate(source, n, &Frame::left, state[kLastLeft], out, m, increment);
    interpolate(source, n, &Frame::right, state[kLastRight], out, m, increment);
    smooth(out, m, &Frame::left, state[kPostLeft], post);
    smooth(out, m, &Frame::right, state[kPostRight], post);
    state[kLastLeft] = source[n - 1].left;
    state[kLastRight] = source[n - 1].right;
}

} // namespace klv::engine
