#pragma once
// The 1024-point complex transform of the tempo stretcher: radix-4 Stockham (five passes, no
// bit reversal), on split arrays (real parts in one array, imaginary parts in another), four
// lanes at a time. No scaling in either direction.

#include <cstdint>

namespace klv::engine {

constexpr int32_t kFftSize = 1024;

// A block of split complex data, 16-byte aligned.
struct alignas(64) FftBuffer {
    float re[kFftSize];
    float im[kFftSize];
};

// X[j] = sum_k x[k] e^(-2 pi i jk / 1024). in, out and work must be three different buffers;
// in is left unchanged. [thread-safe: touches only its arguments]
void fftForward(const FftBuffer& in, FftBuffer& out, FftBuffer& work);

// x[k] = sum_j X[j] e^(+2 pi i jk / 1024), the same rules.
void fftInverse(const FftBuffer& in, FftBuffer& out, FftBuffer& work);

} // namespace klv::engine
