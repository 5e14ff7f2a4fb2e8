#include "engine/audio/time_stretch_hop.h"

#include "engine/audio/fft_simd.h"

#include <cmath>
#include <complex>

// See fft_simd.h: eight-float values stay inside inlined code.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace klv::engine {

namespace {

using simd::F8;
using simd::load8;
using simd::loadu8;
using simd::splat8;
using simd::store8;

constexpr int32_t kN = kStretchWindow;

// Tables shared by every line, built when the library loads so that the audio thread never
// meets a first-use guard.
struct StretchTables {
    // kDcPole^(k+1): how much of the DC blocker's state before a window is left at frame k.
    alignas(32) float decay[kN];
    // The synthesis window: flat with 16-frame linear tapers, 0.0 at both ends.
    alignas(32) float synthesis[kN];

    StretchTables() {
        double power = 1.0;
        for (int32_t k = 0; k < kN; ++k) {
            power *= kDcPole;
            decay[k] = static_cast<float>(power);
            synthesis[k] = 1.0f;
        }
        for (int32_t i = 0; i < 16; ++i) {
            synthesis[i] = static_cast<float>(i) / 16.0f;
            synthesis[kN - 1 - i] = static_cast<float>(i) / 16.0f;
        }
    }
};

const StretchTables g_tables;

// The DC-blocked value of frame k of a window (the blocker restarted from 0 at the window).
inline float blocked(const float* x, const float* s, int32_t k) {
    return x[k] - 1.8f * (s[k] - g_tables.decay[k] * s[-1]);
}

// A channel's detrend, v[k] = t[k] - first + k slope: the frame starts at 0 and ends near 0.
struct Trend {
    float first;
    float slope;
};

inline Trend trendOf(float first, float last) {
    return {first, (first - last) / static_cast<float>(kN)};
}

const F8 kRamp{0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f};

// DC blocker and detrend of both channels, left into the real and right into the imaginary
// part: each frame starts at 0 and ends near 0.
KLV_SIMD_CLONES void prepareWindow(const StretchWindow& w, FftBuffer& in) {
    const Trend left = trendOf(blocked(w.left, w.dcLeft, 0), blocked(w.left, w.dcLeft, kN - 1));
    const Trend right =
        trendOf(blocked(w.right, w.dcRight, 0), blocked(w.right, w.dcRight, kN - 1));
    const F8 beforeL = splat8(w.dcLeft[-1]), beforeR = splat8(w.dcRight[-1]);
    const F8 firstL = splat8(left.first), slopeL = splat8(left.slope);
    const F8 firstR = splat8(right.first), slopeR = splat8(right.slope);
    const F8 scale = splat8(1.8f), step = splat8(8.0f);
    F8 k = kRamp;
    for (int32_t i = 0; i < kN; i += 8) {
        const F8 decay = load8(g_tables.decay + i);
        const F8 tL = loadu8(w.left + i) - scale * (loadu8(w.dcLeft + i) - decay * beforeL);
        const F8 tR = loadu8(w.right + i) - scale * (loadu8(w.dcRight + i) - decay * beforeR);
        store8(in.re + i, tL - firstL + k * slopeL);
        store8(in.im + i, tR - firstR + k * slopeR);
        k += step;
    }
}

// Adds w[k] * scale * detrend(z)[k] of both channels into frame k of the accumulator.
KLV_SIMD_CLONES void addToOverlap(const FftBuffer& z, float scale, TimeStretchState& state) {
    const Trend left = trendOf(z.re[0], z.re[kN - 1]);
    const Trend right = trendOf(z.im[0], z.im[kN - 1]);
    const F8 firstL = splat8(left.first), slopeL = splat8(left.slope);
    const F8 firstR = splat8(right.first), slopeR = splat8(right.slope);
    const F8 vScale = splat8(scale), step = splat8(8.0f);
    // The head moves in whole hops of at least 128 frames: eight frames never wrap apart.
    const int32_t head = state.overlapHead;
    F8 k = kRamp;
    for (int32_t i = 0; i < kN; i += 8) {
        const F8 window = load8(g_tables.synthesis + i) * vScale;
        const int32_t at = (head + i) & (kN - 1);
        float* left = state.overlapLeft + at;
        float* right = state.overlapRight + at;
        store8(left, load8(left) + window * (load8(z.re + i) - firstL + k * slopeL));
        store8(right, load8(right) + window * (load8(z.im + i) - firstR + k * slopeR));
        k += step;
    }
}

} // namespace

void runDcBlocker(const float* x, float* s, int32_t count, double& carry) {
    // Four frames at a time: their response to the four inputs does not wait for the state, so
    // the chain from one state to the next is a single multiply-add per four frames.
    constexpr double a = kDcPole, a2 = a * a, a3 = a2 * a, a4 = a3 * a, b = kDcInput;
    double state = carry;
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const double p0 = b * x[i];
        const double p1 = a * p0 + b * x[i + 1];
        const double p2 = a * p1 + b * x[i + 2];
        const double p3 = a * p2 + b * x[i + 3];
        s[i] = static_cast<float>(p0 + a * state);
        s[i + 1] = static_cast<float>(p1 + a2 * state);
        s[i + 2] = static_cast<float>(p2 + a3 * state);
        state = p3 + a4 * state;
        s[i + 3] = static_cast<float>(state);
    }
    for (; i < count; ++i) {
        state = a * state + b * x[i];
        s[i] = static_cast<float>(state);
    }
    carry = state;
}

KLV_SIMD_CLONES void shiftBins(FftBuffer& spectrum, double phase, double gain) {
    using Complex = std::complex<double>;
    // p_j = gain e^(i phase (j - 0.25)) = start * row[j / 32] * column[j % 32]. The upper half
    // continues the same progression times e^(i phase (0.5 - 1024)), which turns it into
    // conj(p_(1024 - j)). Both short progressions run in double precision.
    const Complex start = std::polar(gain, -0.25 * phase);
    const Complex step = std::polar(1.0, phase);
    const Complex rowStep = std::polar(1.0, 32.0 * phase);
    const Complex upper = std::polar(1.0, (0.5 - kN) * phase);

    alignas(32) float columnRe[32], columnIm[32];
    Complex c(1.0, 0.0);
    for (int32_t m = 0; m < 32; ++m) {
        columnRe[m] = static_cast<float>(c.real());
        columnIm[m] = static_cast<float>(c.imag());
        c *= step;
    }
    Complex row = start;
    for (int32_t q = 0; q < 32; ++q) {
        const Complex factor = q < 16 ? row : row * upper;
        const F8 fr = splat8(static_cast<float>(factor.real()));
        const F8 fi = splat8(static_cast<float>(factor.imag()));
        float* re = spectrum.re + 32 * q;
        float* im = spectrum.im + 32 * q;
        for (int32_t m = 0; m < 32; m += 8) {
            const F8 cr = load8(columnRe + m), ci = load8(columnIm + m);
            const F8 pr = fr * cr - fi * ci;
            const F8 pi = fr * ci + fi * cr;
            const F8 zr = load8(re + m), zi = load8(im + m);
            store8(re + m, zr * pr - zi * pi);
            store8(im + m, zr * pi + zi * pr);
        }
        row *= rowStep;
    }
    spectrum.re[0] = spectrum.im[0] = 0.0f;
    spectrum.re[kN / 2] = spectrum.im[kN / 2] = 0.0f;
}

void synthesiseHop(const StretchWindow& window, double phase, double gain, double normaliser,
                   TimeStretchState& state, TimeStretchScratch& scratch) {
    // Left in the real part, right in the imaginary part: one transform for both channels.
    prepareWindow(window, scratch.input);
    fftForward(scratch.input, scratch.spectrum, scratch.work);
    shiftBins(scratch.spectrum, phase, gain);
    fftInverse(scratch.spectrum, scratch.input, scratch.work);
    // The inverse holds twice each channel's output.
    addToOverlap(scratch.input, static_cast<float>(0.5 / normaliser), state);
}

} // namespace klv::engine
