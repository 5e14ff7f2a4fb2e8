// The stretcher's transform and its per-bin phase turn against textbook forms in double
// precision.

#include "engine/audio/fft1024.h"
#include "engine/audio/time_stretch.h"
#include "tests/engine/audio/time_stretch_reference.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace klv::test {
namespace {

using engine::FftBuffer;
using engine::kFftSize;

struct Signal {
    const char* name;
    std::vector<Complex> (*make)();
};

std::vector<Complex> impulseAt(int at) {
    std::vector<Complex> x(kFftSize);
    x[at] = Complex(1.0, -0.5);
    return x;
}

std::vector<Complex> noise(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::vector<Complex> x(kFftSize);
    for (auto& v : x)
        v = Complex(value(random), value(random));
    return x;
}

const Signal kSignals[] = {
    {"impulse at 0", [] { return impulseAt(0); }},
    {"impulse at 333", [] { return impulseAt(333); }},
    {"tone in bin 37 and 700",
     [] {
         std::vector<Complex> x(kFftSize);
         for (int k = 0; k < kFftSize; ++k)
             x[k] = std::polar(1.0, 2 * M_PI * 37 * k / kFftSize) +
                    std::polar(0.25, 2 * M_PI * 700 * k / kFftSize);
         return x;
     }},
    {"noise", [] { return noise(7); }},
};

std::unique_ptr<FftBuffer> toBuffer(const std::vector<Complex>& x) {
    auto b = std::make_unique<FftBuffer>();
    for (int k = 0; k < kFftSize; ++k) {
        b->re[k] = static_cast<float>(x[k].real());
        b->im[k] = static_cast<float>(x[k].imag());
    }
    return b;
}

// Largest difference between b and x relative to the largest magnitude in x.
double relativeError(const FftBuffer& b, const std::vector<Complex>& x) {
    double worst = 0.0, scale = 1e-30;
    for (int k = 0; k < kFftSize; ++k) {
        worst = std::max(worst, std::abs(Complex(b.re[k], b.im[k]) - x[k]));
        scale = std::max(scale, std::abs(x[k]));
    }
    return worst / scale;
}

TEST(Fft1024, BothDirectionsMatchTheTextbookTransform) {
    for (const Signal& signal : kSignals) {
        SCOPED_TRACE(signal.name);
        const std::vector<Complex> x = signal.make();
        auto in = toBuffer(x);
        auto out = std::make_unique<FftBuffer>();
        auto work = std::make_unique<FftBuffer>();
        for (int sign : {-1, +1}) {
            std::vector<Complex> expected = x;
            referenceFft(expected, sign);
            if (sign < 0)
                engine::fftForward(*in, *out, *work);
            else
                engine::fftInverse(*in, *out, *work);
            EXPECT_LT(relativeError(*out, expected), 2e-6) << "sign " << sign;
        }
    }
}

// The shortcut (one complex multiplication by a phasor per packed bin) against the polar form
// applied to each channel's own spectrum, over phases from 0 to the size a long set reaches.
TEST(TimeStretchBins, PhasorStepMatchesThePolarFormPerChannel) {
    const struct {
        double phase;
        double gain;
    } cases[] = {{0.0, 1.0}, {0.1727, 0.84},   {-1.5707963, 1.16},
                 {3.0, 1.0}, {12345.678, 0.9}, {-98765.4321, 1.1}};
    const std::vector<Complex> packed = noise(11); // left real, right imaginary
    for (const auto& c : cases) {
        SCOPED_TRACE(c.phase);
        // The reference: each channel on its own, polar step, inverse, real part.
        std::vector<Complex> expected(kFftSize);
        for (int channel = 0; channel < 2; ++channel) {
            std::vector<Complex> x(kFftSize);
            for (int k = 0; k < kFftSize; ++k)
                x[k] = channel == 0 ? packed[k].real() : packed[k].imag();
            referenceFft(x, -1);
            for (int j = 1; j < kFftSize / 2; ++j)
                x[j] = polarBin(x[j], j, c.phase, c.gain);
            x[0] = 0.0;
            for (int j = kFftSize / 2; j < kFftSize; ++j)
                x[j] = 0.0;
            referenceFft(x, +1);
            for (int k = 0; k < kFftSize; ++k)
                expected[k] += channel == 0 ? Complex(x[k].real(), 0) : Complex(0, x[k].real());
        }
        // The engine: one packed transform each way, output halved.
        auto in = toBuffer(packed);
        auto spectrum = std::make_unique<FftBuffer>();
        auto out = std::make_unique<FftBuffer>();
        auto work = std::make_unique<FftBuffer>();
        engine::fftForward(*in, *spectrum, *work);
        engine::shiftBins(*spectrum, c.phase, c.gain);
        engine::fftInverse(*spectrum, *out, *work);
        for (int k = 0; k < kFftSize; ++k) {
            out->re[k] *= 0.5f;
            out->im[k] *= 0.5f;
        }
        EXPECT_LT(relativeError(*out, expected), 1e-5);
    }
}

// Bin by bin on the packed spectrum: Z[j] p_j below 512, Z[1024 - j] conj(p_j) above, both
// ends 0.
TEST(TimeStretchBins, EachPackedBinTurnsLikeThePolarForm) {
    const std::vector<Complex> z = noise(5);
    for (double phase : {0.3, -2.2, 4567.89}) {
        SCOPED_TRACE(phase);
        auto b = toBuffer(z);
        engine::shiftBins(*b, phase, 1.13);
        for (int j = 0; j < kFftSize; ++j) {
            Complex expected = 0.0;
            if (j > 0 && j < kFftSize / 2)
                expected = polarBin(z[j], j, phase, 1.13);
            else if (j > kFftSize / 2)
                expected = std::conj(polarBin(std::conj(z[j]), kFftSize - j, phase, 1.13));
            const Complex got(b->re[j], b->im[j]);
            EXPECT_NEAR(got.real(), expected.real(), 2e-6 * (1 + std::abs(z[j]))) << j;
            EXPECT_NEAR(got.imag(), expected.imag(), 2e-6 * (1 + std::abs(z[j]))) << j;
        }
    }
}

} // namespace
} // namespace klv::test
