#pragma once
// A plain double-precision model of the tempo stretcher, written the long way round: its own
// DC blocker restarted in every hop, a textbook FFT, and the per-bin step in polar form
// (magnitude, angle, cos and sin). The engine's fast stretcher must agree with it.

#include "engine/core/line_slot.h"

#include <cmath>
#include <complex>
#include <vector>

namespace klv::test {

using Complex = std::complex<double>;

// Radix-2 FFT, kernel e^(sign 2 pi i jk / n), no scaling.
inline void referenceFft(std::vector<Complex>& a, int sign) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = sign * 2.0 * M_PI / static_cast<double>(len);
        for (size_t i = 0; i < n; i += len) {
            for (size_t k = 0; k < len / 2; ++k) {
                const Complex w = std::polar(1.0, angle * static_cast<double>(k));
                const Complex u = a[i + k];
                const Complex v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

// One bin turned in polar form: m g (cos phi, sin phi), phi = theta + phase (j - 0.25).
inline Complex polarBin(Complex x, int j, double phase, double gain) {
    const double m = std::hypot(x.real(), x.imag());
    const double theta = std::atan2(x.imag(), x.real());
    const double phi = theta + phase * (j - 0.25);
    return {m * gain * std::cos(phi), m * gain * std::sin(phi)};
}

class ReferenceStretcher {
public:
    static constexpr int kN = 1024;
    static constexpr double kTwoPi = 6.2831854820251465;

    std::vector<double> windowLeft = std::vector<double>(kN, 0.0);
    std::vector<double> windowRight = std::vector<double>(kN, 0.0);
    std::vector<double> overlapLeft = std::vector<double>(kN, 0.0);
    std::vector<double> overlapRight = std::vector<double>(kN, 0.0);
    int hopCounter = 0;
    double phase = 0.0;

    // n source frames in, 1024 frames out.
    std::vector<Frame> block(const Frame* source, int n, int hops) {
        std::vector<Frame> out(kN);
        const int hopOut = kN / hops;
        const int hopIn = n / hops;
        const bool normal = hopIn == hopOut;
        for (int h = 0; h < hops; ++h) {
            for (int k = 0; k < hopIn; ++k) {
                push(windowLeft, source[h * hopIn + k].left);
                push(windowRight, source[h * hopIn + k].right);
            }
            Frame* o = out.data() + h * hopOut;
            if (normal && hopCounter == 0) {
                for (int k = 0; k < hopOut; ++k)
                    o[k] = dry(k);
                phase = 0.0;
                continue;
            }
            phase += kTwoPi / hops * (1.0 - static_cast<double>(hopIn) / hopOut);
            const double gain = 1.0 + 0.16 * std::cos(phase - kTwoPi / 2.0);
            const double normaliser = hops == 4 ? 1536.0 : 3072.0;
            synthesise(windowLeft, overlapLeft, gain, normaliser);
            synthesise(windowRight, overlapRight, gain, normaliser);
            if (normal) {
                for (int k = 0; k < hopOut; ++k) {
                    const double t = static_cast<double>(k) / hopOut;
                    o[k] = mix(dry(k), wet(k), t);
                }
                hopCounter = 0;
                phase = 0.0;
                continue;
            }
            if (hopCounter >= hops) {
                for (int k = 0; k < hopOut; ++k)
                    o[k] = wet(k);
            } else if (++hopCounter < hops) {
                for (int k = 0; k < hopOut; ++k)
                    o[k] = dry(k);
            } else {
                for (int k = 0; k < hopOut; ++k)
                    o[k] = mix(wet(k), dry(k), static_cast<double>(k) / hopOut);
            }
            shift(overlapLeft, hopOut);
            shift(overlapRight, hopOut);
        }
        return out;
    }

private:
    static void push(std::vector<double>& w, float x) {
        w.erase(w.begin());
        w.push_back(x);
    }
    static void shift(std::vector<double>& o, int count) {
        o.erase(o.begin(), o.begin() + count);
        o.resize(kN, 0.0);
    }
    Frame dry(int k) const {
        return Frame{static_cast<float>(windowLeft[k]), static_cast<float>(windowRight[k])};
    }
    Frame wet(int k) const {
        return Frame{static_cast<float>(overlapLeft[k]), static_cast<float>(overlapRight[k])};
    }
    // to t + from (1 - t)
    static Frame mix(Frame to, Frame from, double t) {
        return Frame{static_cast<float>(to.left * t + from.left * (1.0 - t)),
                     static_cast<float>(to.right * t + from.right * (1.0 - t))};
    }
    static double synthesisWindow(int i) {
        if (i < 16)
            return i / 16.0;
        if (i > kN - 1 - 16)
            return (kN - 1 - i) / 16.0;
        return 1.0;
    }

    void synthesise(const std::vector<double>& x, std::vector<double>& o, double gain,
                    double normaliser) const {
        std::vector<double> t(kN);
        double s = 0.0;
        for (int k = 0; k < kN; ++k) {
            s = s + 0.0025 * (-1.8 * s + x[k]);
            t[k] = -1.8 * s + x[k];
        }
        std::vector<Complex> spectrum(kN);
        for (int k = 0; k < kN; ++k)
            spectrum[k] = t[k] - t[0] + k * (t[0] - t[kN - 1]) / kN;
        referenceFft(spectrum, -1);
        for (int j = 1; j < kN / 2; ++j)
            spectrum[j] = polarBin(spectrum[j], j, phase, gain);
        spectrum[0] = 0.0;
        for (int j = kN / 2; j < kN; ++j)
            spectrum[j] = 0.0;
        referenceFft(spectrum, +1);
        const double r0 = spectrum[0].real(), rEnd = spectrum[kN - 1].real();
        for (int k = 0; k < kN; ++k) {
            const double u = spectrum[k].real() - r0 + k * (r0 - rEnd) / kN;
            o[k] += synthesisWindow(k) * u / normaliser;
        }
    }
};

} // namespace klv::test
