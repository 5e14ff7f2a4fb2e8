#pragma once
// Per-line state of the tempo time-stretcher. All zero is the cleared state: an empty window,
// an empty accumulator, idle. Touched only by the output thread while the line plays; the ui
// thread clears it (assigns TimeStretchState{}) only while the line is out of the mix.

#include <cstdint>

constexpr int32_t kStretchWindow = 1024;

struct TimeStretchState {
    // Hops since stretching began: 0 idle, 1..H-1 warming up, H and above stretching.
    int32_t hopCounter;
    // Head of the accumulator ring: overlap[(overlapHead + k) % kStretchWindow] is frame k.
    int32_t overlapHead;
    // Non-zero when dcLeft/dcRight no longer follow the window (the dry path skips them).
    int32_t dcStale;
    // Phase advance: 2 pi / 1024 times the output frames gained on the source so far.
    double phase;
    // The DC blocker's state after the last window frame, and as it stood before the first.
    double dcCarry[2];
    float dcBefore[2];
    // The analysis window: the most recent source frames, oldest first.
    alignas(32) float windowLeft[kStretchWindow];
    alignas(32) float windowRight[kStretchWindow];
    // The DC blocker run along the source, one value per window frame. Any run of its
    // recursion over the window serves: the stretcher subtracts the part that came from before
    // a window's first frame.
    alignas(32) float dcLeft[kStretchWindow];
    alignas(32) float dcRight[kStretchWindow];
    // The overlap-add accumulator, a ring (see overlapHead).
    alignas(32) float overlapLeft[kStretchWindow];
    alignas(32) float overlapRight[kStretchWindow];
};
