#pragma once
// One line's way into the mix for one block: ring read, speed, pre-listen tap, volume ramp, pan
// and the line's level history.

#include "engine/core/line_slot.h"

#include <cstdint>

namespace klv::engine {

// Options the output thread reads afresh for every block, and whether a secondary device runs.
struct BlockSettings {
    int32_t hopCount = 4; // 8 with OverSample
    bool secondary = false;
    bool preFader = false;
    bool timeScale = false;
    int32_t headphoneMode = 0;
};

// Work buffers, allocated before the block loop: main and cue mix of one block, the line's
// source frames (up to two blocks at double speed) and its resampled block.
struct MixBuffers {
    Frame* main;
    Frame* cue;
    Frame* lineInput;
    Frame* lineOutput;
};

// Source frames one block consumes at pitch (thousandths), rounded down to whole hops.
int32_t sourceCount(int32_t pitch, int32_t hopCount);

// Adds one playing line to the main mix (and the cue mix while it is previewed and a secondary
// device runs). [output thread]
void mixLine(LineSlot& slot, const BlockSettings& settings, const MixBuffers& buffers);

} // namespace klv::engine
