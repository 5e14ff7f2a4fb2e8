#pragma once
// Lines of coded files played through the output thread onto the test wave device.

#include "tests/engine/core/playing_line_test.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace klv::test {

using CodedLineTest = PlayingLineTest;

// The counting fixtures: frame i has left (i mod 65536) - 32768 and right
// 1000 * (i / 65536) - 16000; the frame a pair came from, or -1 when it is no such pair.
inline int64_t countedFrame(int32_t left, int32_t right) {
    const int32_t lap = right + 16000;
    if (lap < 0 || lap % 1000 != 0)
        return -1;
    return int64_t{lap / 1000} * 65536 + (left + 32768);
}

inline Frame countingFrame(int64_t i) {
    const int64_t lap = i / 65536;
    const int64_t left = (i % 65536) - 32768;
    const int64_t right = 1000 * lap - 16000;
    return {static_cast<float>(left) / 32768.0f, static_cast<float>(right) / 32768.0f};
}

} // namespace klv::test
