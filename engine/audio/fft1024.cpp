#include "engine/audio/fft1024.h"

#include "engine/audio/fft_simd.h"

#include <cmath>

// See fft_simd.h: eight-float values stay inside inlined code.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace klv::engine {

namespace {

using simd::F8;
using simd::load8;
using simd::splat8;
using simd::store8;

// Pass t of five reads stride s = 4^t and combines groups of m = 256 / 4^t. Eight lanes: the
// first pass runs eight groups side by side, the second two groups of four, the others eight
// consecutive q of one group.
constexpr int32_t kPasses = 5;

// Twiddles w^p, w^2p, w^3p of the first four passes, w = e^(-2 pi i / 4m), in double precision
// rounded once. The second pass has each one four times over, one per lane of its group.
struct Twiddles {
    alignas(32) float re[3][256];
    alignas(32) float im[3][256];
};

struct TwiddleTables {
    Twiddles pass[kPasses - 1]; // the last pass has m = 1: all twiddles are 1

    TwiddleTables() {
        for (int32_t t = 0; t < kPasses - 1; ++t) {
            const int32_t m = 256 >> (2 * t);
            const int32_t copies = t == 1 ? 4 : 1;
            const double theta = -2.0 * M_PI / (4.0 * m);
            for (int32_t p = 0; p < m; ++p) {
                for (int32_t r = 1; r <= 3; ++r) {
                    for (int32_t c = 0; c < copies; ++c) {
                        pass[t].re[r - 1][p * copies + c] =
                            static_cast<float>(std::cos(theta * p * r));
                        pass[t].im[r - 1][p * copies + c] =
                            static_cast<float>(std::sin(theta * p * r));
                    }
                }
            }
        }
    }
};

// Built when the library loads, so the audio thread never meets a first-use guard.
const TwiddleTables g_twiddles;

struct Split {
    F8 re, im;
};

inline Split cmul(Split x, F8 wr, F8 wi) {
    return {x.re * wr - x.im * wi, x.re * wi + x.im * wr};
}

// One radix-4 butterfly per lane: inputs a..d, outputs y0..y3 before their twiddles.
struct Butterfly {
    Split y0, y1, y2, y3;
};

inline Butterfly butterfly(Split a, Split b, Split c, Split d) {
    const F8 apcR = a.re + c.re, apcI = a.im + c.im;
    const F8 amcR = a.re - c.re, amcI = a.im - c.im;
    const F8 bpdR = b.re + d.re, bpdI = b.im + d.im;
    const F8 bmdR = b.re - d.re, bmdI = b.im - d.im;
    // y1 = (a - c) - i (b - d), y3 = (a - c) + i (b - d)
    return {{apcR + bpdR, apcI + bpdI},
            {amcR + bmdI, amcI - bmdR},
            {apcR - bpdR, apcI - bpdI},
            {amcR - bmdI, amcI + bmdR}};
}

inline Split loadSplit(const float* re, const float* im, int32_t i) {
    return {load8(re + i), load8(im + i)};
}

// Butterflies at x[i], x[i + quarter], x[i + 2 quarter], x[i + 3 quarter], with the twiddles
// of the lanes at tw (+ offset).
inline Butterfly twiddled(const float* xr, const float* xi, int32_t i, int32_t quarter,
                          const F8 (&wr)[3], const F8 (&wi)[3]) {
    Butterfly b = butterfly(loadSplit(xr, xi, i), loadSplit(xr, xi, i + quarter),
                            loadSplit(xr, xi, i + 2 * quarter), loadSplit(xr, xi, i + 3 * quarter));
    b.y1 = cmul(b.y1, wr[0], wi[0]);
    b.y2 = cmul(b.y2, wr[1], wi[1]);
    b.y3 = cmul(b.y3, wr[2], wi[2]);
    return b;
}

// Stores 32 outputs whose lane halves hold four consecutive outputs each: the lower halves of
// y0..y3 first, then the upper halves.
inline void storeHalves(float* out, F8 y0, F8 y1, F8 y2, F8 y3) {
    store8(out, simd::lowHalves(y0, y1));
    store8(out + 8, simd::lowHalves(y2, y3));
    store8(out + 16, simd::highHalves(y0, y1));
    store8(out + 24, simd::highHalves(y2, y3));
}

inline void loadTwiddles(const Twiddles& tw, int32_t at, F8 (&wr)[3], F8 (&wi)[3]) {
    for (int r = 0; r < 3; ++r) {
        wr[r] = load8(tw.re[r] + at);
        wi[r] = load8(tw.im[r] + at);
    }
}

// s = 1, m = 256: lanes are eight groups p; a group's four outputs are neighbours in memory,
// so each half is transposed before it is stored.
__attribute__((always_inline)) inline void firstPass(const float* xr, const float* xi, float* yr,
                                                     float* yi) {
    for (int32_t p = 0; p < 256; p += 8) {
        F8 wr[3], wi[3];
        loadTwiddles(g_twiddles.pass[0], p, wr, wi);
        Butterfly b = twiddled(xr, xi, p, 256, wr, wi);
        simd::transposeHalves(b.y0.re, b.y1.re, b.y2.re, b.y3.re);
        simd::transposeHalves(b.y0.im, b.y1.im, b.y2.im, b.y3.im);
        storeHalves(yr + 4 * p, b.y0.re, b.y1.re, b.y2.re, b.y3.re);
        storeHalves(yi + 4 * p, b.y0.im, b.y1.im, b.y2.im, b.y3.im);
    }
}

// s = 4, m = 64: lanes are q = 0..3 of groups p and p + 1, whose outputs lie 16 apart.
__attribute__((always_inline)) inline void secondPass(const float* xr, const float* xi, float* yr,
                                                      float* yi) {
    for (int32_t p = 0; p < 64; p += 2) {
        F8 wr[3], wi[3];
        loadTwiddles(g_twiddles.pass[1], 4 * p, wr, wi);
        const Butterfly b = twiddled(xr, xi, 4 * p, 256, wr, wi);
        storeHalves(yr + 16 * p, b.y0.re, b.y1.re, b.y2.re, b.y3.re);
        storeHalves(yi + 16 * p, b.y0.im, b.y1.im, b.y2.im, b.y3.im);
    }
}

// s = 16 and 64: lanes are eight consecutive q of one group.
__attribute__((always_inline)) inline void widePass(int32_t t, const float* xr, const float* xi,
                                                    float* yr, float* yi) {
    const int32_t s = 1 << (2 * t);
    const int32_t m = 256 >> (2 * t);
    const Twiddles& tw = g_twiddles.pass[t];
    for (int32_t p = 0; p < m; ++p) {
        F8 wr[3], wi[3];
        for (int r = 0; r < 3; ++r) {
            wr[r] = splat8(tw.re[r][p]);
            wi[r] = splat8(tw.im[r][p]);
        }
        for (int32_t q = 0; q < s; q += 8) {
            const Butterfly b = twiddled(xr, xi, q + s * p, s * m, wr, wi);
            const int32_t out = q + s * 4 * p;
            store8(yr + out, b.y0.re);
            store8(yi + out, b.y0.im);
            store8(yr + out + s, b.y1.re);
            store8(yi + out + s, b.y1.im);
            store8(yr + out + 2 * s, b.y2.re);
            store8(yi + out + 2 * s, b.y2.im);
            store8(yr + out + 3 * s, b.y3.re);
            store8(yi + out + 3 * s, b.y3.im);
        }
    }
}

// s = 256, m = 1: no twiddles.
__attribute__((always_inline)) inline void lastPass(const float* xr, const float* xi, float* yr,
                                                    float* yi) {
    for (int32_t q = 0; q < 256; q += 8) {
        const Butterfly b = butterfly(loadSplit(xr, xi, q), loadSplit(xr, xi, q + 256),
                                      loadSplit(xr, xi, q + 512), loadSplit(xr, xi, q + 768));
        store8(yr + q, b.y0.re);
        store8(yi + q, b.y0.im);
        store8(yr + q + 256, b.y1.re);
        store8(yi + q + 256, b.y1.im);
        store8(yr + q + 512, b.y2.re);
        store8(yi + q + 512, b.y2.im);
        store8(yr + q + 768, b.y3.re);
        store8(yi + q + 768, b.y3.im);
    }
}

// Five passes alternate between out and work and end in out.
KLV_SIMD_CLONES void transform(const float* inR, const float* inI, float* outR, float* outI,
                               float* workR, float* workI) {
    firstPass(inR, inI, outR, outI);
    secondPass(outR, outI, workR, workI);
    widePass(2, workR, workI, outR, outI);
    widePass(3, outR, outI, workR, workI);
    lastPass(workR, workI, outR, outI);
}

} // namespace

void fftForward(const FftBuffer& in, FftBuffer& out, FftBuffer& work) {
    transform(in.re, in.im, out.re, out.im, work.re, work.im);
}

// Exchanging real and imaginary parts conjugates and turns by i on both sides, which turns the
// forward kernel into the inverse one.
void fftInverse(const FftBuffer& in, FftBuffer& out, FftBuffer& work) {
    transform(in.im, in.re, out.im, out.re, work.im, work.re);
}

} // namespace klv::engine
