#pragma once
// Per-line working state of the tempo time-stretcher. The stretcher itself fills this in; until
// then a line in tempo mode goes through the speed resampler.

#include <cstdint>

struct TimeStretchState {
    int32_t hopCounter;
};
