#include "engine/audio/time_stretch.h"

#include "engine/audio/time_stretch_hop.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace klv::engine {

namespace {

constexpr int32_t kN = kStretchWindow;
// 2 pi as the float constant it has always been, widened: the phase advance accumulates it.
constexpr double kTwoPi = 6.2831854820251465;
constexpr double kPi = kTwoPi / 2.0;

TimeStretchScratch g_outputScratch;

void writeDry(const StretchWindow& window, Frame* out, int32_t count) {
    for (int32_t k = 0; k < count; ++k)
        out[k] = Frame{window.left[k], window.right[k]};
}

// Frame k of the accumulator.
inline Frame overlapFrame(const TimeStretchState& state, int32_t k) {
    const int32_t i = (state.overlapHead + k) & (kN - 1);
    return Frame{state.overlapLeft[i], state.overlapRight[i]};
}

void writeOverlap(const TimeStretchState& state, Frame* out, int32_t count) {
    for (int32_t k = 0; k < count; ++k)
        out[k] = overlapFrame(state, k);
}

// From the accumulator to the dry window (toDry) or the other way, over count frames.
void writeCrossfade(const StretchWindow& window, const TimeStretchState& state, Frame* out,
                    int32_t count, bool toDry) {
    for (int32_t k = 0; k < count; ++k) {
        const float t = static_cast<float>(k) / static_cast<float>(count);
        const Frame wet = overlapFrame(state, k);
        const Frame dry{window.left[k], window.right[k]};
        const Frame& to = toDry ? dry : wet;
        const Frame& from = toDry ? wet : dry;
        out[k] =
            Frame{to.left * t + from.left * (1.0f - t), to.right * t + from.right * (1.0f - t)};
    }
}

// Drops the accumulator's first count frames; the last count frames become 0.
void shiftOverlap(TimeStretchState& state, int32_t count) {
    std::fill_n(state.overlapLeft + state.overlapHead, count, 0.0f);
    std::fill_n(state.overlapRight + state.overlapHead, count, 0.0f);
    state.overlapHead = (state.overlapHead + count) & (kN - 1);
}

// Normal speed while idle: each hop's output is the start of its window, so the block is the
// source delayed by one window less one hop, copied bit for bit.
void passDry(TimeStretchState& state, const Frame* source, Frame* out, int32_t hopOut) {
    for (int32_t j = 0; j < kN; ++j) {
        const int32_t i = hopOut + j;
        out[j] = i < kN ? Frame{state.windowLeft[i], state.windowRight[i]} : source[i - kN];
    }
    for (int32_t k = 0; k < kN; ++k) {
        state.windowLeft[k] = source[k].left;
        state.windowRight[k] = source[k].right;
    }
    state.phase = 0.0;
    state.dcStale = 1;
}

// Lays out the window and the block's source one after the other, with the DC blocker's run
// along them.
void extendWindow(TimeStretchState& state, const Frame* source, int32_t n,
                  TimeStretchScratch& scratch) {
    std::memcpy(scratch.sourceLeft, state.windowLeft, sizeof state.windowLeft);
    std::memcpy(scratch.sourceRight, state.windowRight, sizeof state.windowRight);
    for (int32_t k = 0; k < n; ++k) {
        scratch.sourceLeft[kN + k] = source[k].left;
        scratch.sourceRight[kN + k] = source[k].right;
    }
    if (state.dcStale) {
        // The dry path left the blocker behind: start it afresh at the window.
        state.dcCarry[0] = state.dcCarry[1] = 0.0;
        scratch.dcLeft[0] = scratch.dcRight[0] = 0.0f;
        runDcBlocker(state.windowLeft, scratch.dcLeft + 1, kN, state.dcCarry[0]);
        runDcBlocker(state.windowRight, scratch.dcRight + 1, kN, state.dcCarry[1]);
        state.dcStale = 0;
    } else {
        scratch.dcLeft[0] = state.dcBefore[0];
        scratch.dcRight[0] = state.dcBefore[1];
        std::memcpy(scratch.dcLeft + 1, state.dcLeft, sizeof state.dcLeft);
        std::memcpy(scratch.dcRight + 1, state.dcRight, sizeof state.dcRight);
    }
    runDcBlocker(scratch.sourceLeft + kN, scratch.dcLeft + 1 + kN, n, state.dcCarry[0]);
    runDcBlocker(scratch.sourceRight + kN, scratch.dcRight + 1 + kN, n, state.dcCarry[1]);
}

// Keeps the last kN frames as the window for the next block.
void keepWindow(TimeStretchState& state, int32_t n, const TimeStretchScratch& scratch) {
    std::memcpy(state.windowLeft, scratch.sourceLeft + n, sizeof state.windowLeft);
    std::memcpy(state.windowRight, scratch.sourceRight + n, sizeof state.windowRight);
    state.dcBefore[0] = scratch.dcLeft[n];
    state.dcBefore[1] = scratch.dcRight[n];
    std::memcpy(state.dcLeft, scratch.dcLeft + 1 + n, sizeof state.dcLeft);
    std::memcpy(state.dcRight, scratch.dcRight + 1 + n, sizeof state.dcRight);
}

} // namespace

TimeStretchScratch& outputStretchScratch() {
    return g_outputScratch;
}

int32_t timeStretch(TimeStretchState& state, const Frame* source, int32_t n, Frame* out,
                    int32_t hopCount, TimeStretchScratch& scratch) {
    const int32_t hops = hopCount == 8 ? 8 : 4;
    const int32_t hopOut = kN / hops;
    n = std::clamp(n, 0, kLineInputFrames);
    n -= n % hops;
    const int32_t hopIn = n / hops;
    const bool normal = hopIn == hopOut;
    if (normal && state.hopCounter == 0) {
        passDry(state, source, out, hopOut);
        return n;
    }

    extendWindow(state, source, n, scratch);
    const double drift = 1.0 - static_cast<double>(hopIn) / hopOut;
    const double normaliser = hops == 4 ? 1536.0 : 3072.0;
    for (int32_t h = 0; h < hops; ++h) {
        const int32_t at = (h + 1) * hopIn;
        const StretchWindow window{scratch.sourceLeft + at, scratch.sourceRight + at,
                                   scratch.dcLeft + 1 + at, scratch.dcRight + 1 + at};
        Frame* hopFrames = out + h * hopOut;
        if (normal && state.hopCounter == 0) {
            writeDry(window, hopFrames, hopOut);
            state.phase = 0.0;
            continue;
        }
        state.phase += kTwoPi / hops * drift;
        const double gain = 1.0 + 0.16 * std::cos(state.phase - kPi);
        synthesiseHop(window, state.phase, gain, normaliser, state, scratch);
        if (normal) {
            // Stretching has just ended: one hop back to the dry signal.
            writeCrossfade(window, state, hopFrames, hopOut, true);
            state.hopCounter = 0;
            state.phase = 0.0;
            continue;
        }
        if (state.hopCounter >= hops) {
            writeOverlap(state, hopFrames, hopOut);
        } else if (++state.hopCounter < hops) {
            writeDry(window, hopFrames, hopOut); // the accumulator is still filling
        } else {
            writeCrossfade(window, state, hopFrames, hopOut, false);
        }
        shiftOverlap(state, hopOut);
    }
    keepWindow(state, n, scratch);
    return hops * hopIn;
}

} // namespace klv::engine
