#include "engine/audio/master_eq.h"

#include "engine/audio/eq_band_split.h"
#include "engine/audio/master_section.h"
#include "klv3.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace klv::engine {

namespace {

static_assert(kMasterBands == kMasterEqBands, "one band history column per band");

constexpr float kGainStep = 0.002f;
constexpr float kMaxLevel = 24.0f;

// Set by the ui thread; all 0.0 until the program sets them, so a band is silent until then.
std::atomic<float> g_gains[kMasterBands];

// The output thread's own: smoothed gains and four stages per band and channel.
struct MasterEqState {
    float smoothed[kMasterBands];
    float stages[kMasterBands][2][4];
};
MasterEqState g_state;

std::atomic<bool> g_bypass{false};

} // namespace

int32_t setMasterEqLevel(int32_t band, float value) {
    if (band < 0 || band >= kMasterBands)
        return -1;
    // A value that is not a number counts as the flat setting rather than poisoning the mix.
    const float level = value == value ? std::clamp(value, -kMaxLevel, kMaxLevel) : 0.0f;
    g_gains[band].store(static_cast<float>(std::pow(kLevelBase, static_cast<double>(level))),
                        std::memory_order_relaxed);
    return 0;
}

float masterEqGain(int32_t band) {
    return band >= 0 && band < kMasterBands ? g_gains[band].load(std::memory_order_relaxed) : 0.0f;
}

void bypassMasterEqForTests(bool bypass) {
    g_bypass.store(bypass, std::memory_order_relaxed);
}

void resetMasterEq() {
    g_state = MasterEqState{};
}

void processMasterEq(Frame* mix, int32_t count) {
    if (g_bypass.load(std::memory_order_relaxed))
        return;
    float gains[kMasterBands];
    float peaks[kMasterBands] = {};
    for (int b = 0; b < kMasterBands; ++b)
        gains[b] = g_gains[b].load(std::memory_order_relaxed);
    float* smoothed = g_state.smoothed;

    for (int32_t k = 0; k < count; ++k) {
        const float left = mix[k].left = guardDenormal(mix[k].left);
        const float right = mix[k].right = guardDenormal(mix[k].right);
        float outLeft = kEqFloor, outRight = kEqFloor;
        float belowLeft = 0.0f, belowRight = 0.0f;
        for (int b = 0; b < kMasterBands; ++b) {
            const float lowLeft = splitLowPass(g_state.stages[b][0], kEqSplit[b], left);
            const float lowRight = splitLowPass(g_state.stages[b][1], kEqSplit[b], right);
            const float bandLeft = lowLeft - belowLeft;
            const float bandRight = lowRight - belowRight;
            belowLeft = lowLeft;
            belowRight = lowRight;
            if (gains[b] > smoothed[b] + kGainStep)
                smoothed[b] += kGainStep;
            else if (gains[b] < smoothed[b] - kGainStep)
                smoothed[b] -= kGainStep;
            outLeft += bandLeft * smoothed[b];
            outRight += bandRight * smoothed[b];
            peaks[b] = std::max({peaks[b], std::fabs(bandLeft), std::fabs(bandRight)});
        }
        mix[k] = Frame{outLeft, outRight};
    }

    // The band meters: one row older, then each band's newest level decays or rises to what
    // this block reached, weighted towards the band's gain.
    auto& history = masterLevels().bands;
    for (int row = 0; row + 1 < kPeakHistory; ++row) {
        for (int b = 0; b < kMasterBands; ++b)
            history[row][b].store(history[row + 1][b].load(std::memory_order_relaxed),
                                  std::memory_order_relaxed);
    }
    for (int b = 0; b < kMasterBands; ++b) {
        auto& newest = history[kPeakHistory - 1][b];
        const float decayed = 0.9f * newest.load(std::memory_order_relaxed);
        newest.store(std::max(decayed, peaks[b] * (0.5f + 0.5f * smoothed[b])),
                     std::memory_order_relaxed);
    }
}

} // namespace klv::engine

using namespace klv::engine;

extern "C" KLV_API int32_t klvSetEQ(int32_t band, float value) {
    return setMasterEqLevel(band, value);
}
