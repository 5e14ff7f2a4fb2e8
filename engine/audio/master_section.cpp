#include "engine/audio/master_section.h"

#include "klv3.h"

namespace klv::engine {

namespace {

MasterValues g_values;
MasterLevels g_levels{};

} // namespace

MasterValues& masterValues() {
    return g_values;
}

MasterLevels& masterLevels() {
    return g_levels;
}

void clearMasterLevels() {
    for (int i = 0; i < kPeakHistory; ++i) {
        g_levels.left[i].store(0.0f, std::memory_order_relaxed);
        g_levels.right[i].store(0.0f, std::memory_order_relaxed);
        for (auto& band : g_levels.bands[i])
            band.store(0.0f, std::memory_order_relaxed);
    }
}

float shiftPeakHistory(std::atomic<float> (&history)[kPeakHistory]) {
    for (int i = 0; i + 1 < kPeakHistory; ++i)
        history[i].store(history[i + 1].load(std::memory_order_relaxed), std::memory_order_relaxed);
    const float newest =
        static_cast<float>(history[kPeakHistory - 1].load(std::memory_order_relaxed) * 0.9);
    history[kPeakHistory - 1].store(newest, std::memory_order_relaxed);
    return newest;
}

} // namespace klv::engine

// The master faders and the headphone level; stored as given (the program keeps them in range).
int32_t klvSetMainVol(float left, float right, float headphone) {
    auto& values = klv::engine::masterValues();
    values.targetLeft.store(left, std::memory_order_relaxed);
    values.targetRight.store(right, std::memory_order_relaxed);
    values.headphone.store(headphone, std::memory_order_relaxed);
    return 0;
}
