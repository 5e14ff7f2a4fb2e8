#include "engine/audio/song_eq.h"

#include "engine/audio/eq_band_split.h"
#include "engine/audio/master_eq.h"

#include <algorithm>
#include <cmath>

namespace klv::engine {

namespace {

// Every other master band: 1, 3, 5, 7 and 9.
constexpr float kSongSplit[kSongEqBands] = {kEqSplit[1], kEqSplit[3], kEqSplit[5], kEqSplit[7],
                                            kEqSplit[9]};

static_assert(sizeof(LineSlot::songEqState) == kSongEqBands * 2 * 4 * sizeof(float),
              "four stages per band and channel");

// The stages of band b and channel c (0 left, 1 right) in the slot's state.
float* stages(LineSlot& slot, int b, int c) {
    return slot.songEqState + (b * 2 + c) * 4;
}

} // namespace

void processSongEq(LineSlot& slot, Frame* frames, int32_t count) {
    float levels[kSongEqBands];
    bool flat = true;
    for (int b = 0; b < kSongEqBands; ++b) {
        levels[b] = slot.songEq[b].load(std::memory_order_relaxed);
        flat = flat && levels[b] == 0.0f;
    }
    if (flat) {
        std::fill(std::begin(slot.songEqState), std::end(slot.songEqState), 0.0f);
        return;
    }
    float gains[kSongEqBands];
    for (int b = 0; b < kSongEqBands; ++b)
        gains[b] = static_cast<float>(std::pow(kLevelBase, static_cast<double>(levels[b])));

    for (int32_t k = 0; k < count; ++k) {
        const float left = guardDenormal(frames[k].left);
        const float right = guardDenormal(frames[k].right);
        float outLeft = kEqFloor, outRight = kEqFloor;
        float belowLeft = 0.0f, belowRight = 0.0f;
        for (int b = 0; b < kSongEqBands; ++b) {
            const float lowLeft = splitLowPass(stages(slot, b, 0), kSongSplit[b], left);
            const float lowRight = splitLowPass(stages(slot, b, 1), kSongSplit[b], right);
            outLeft += (lowLeft - belowLeft) * gains[b];
            outRight += (lowRight - belowRight) * gains[b];
            belowLeft = lowLeft;
            belowRight = lowRight;
        }
        frames[k] = Frame{outLeft, outRight};
    }
}

} // namespace klv::engine
