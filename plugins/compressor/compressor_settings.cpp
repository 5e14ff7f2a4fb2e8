#include "compressor_settings.h"

#include "klv_plugin.h"

#include <algorithm>
#include <cmath>

namespace compressor {

const SettingInfo kSettings[kSettingCount] = {
    {"Threshold", -20, 20, -1}, // level units (about 1 dB)
    {"Attack", 1, 250, 3},      // 0.1 ms
    {"Release", 5, 100, 120},   // 10 ms; the default lies beyond the slider's end
    {"Gain", -20, 20, 0},       // level units
    {"Enhance", 0, 60, 30},     // 0.1
    {"Soft Knee", 0, 1, 1},     {"SC Filter", 0, 1, 1}, {"Joint LR", 0, 1, 0},
};

const char* const kSettingsKey = "Software\\Quellwerk\\KLV3 Compressor Plugin 1.1\\Default";

namespace {

constexpr double kLevelBase = 1.122462048309373; // 2^(1/6): one level unit

std::atomic<int32_t> g_settings[kSettingCount];
Coefficients g_coefficients;

} // namespace

std::atomic<int32_t>& setting(Setting which) {
    return g_settings[which];
}

const Coefficients& coefficients() {
    return g_coefficients;
}

void loadSettings() {
    for (int i = 0; i < kSettingCount; ++i) {
        uint8_t bytes[4];
        const int32_t read = klvHostReadValue(KLV_HOST_HKEY_LOCAL_MACHINE, kSettingsKey,
                                              kSettings[i].valueName, bytes, sizeof bytes, nullptr);
        const int32_t value = read == 4
                                  ? static_cast<int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                                         static_cast<uint32_t>(bytes[3]) << 24)
                                  : kSettings[i].fallback;
        g_settings[i].store(value, std::memory_order_relaxed);
    }
}

void storeSettings() {
    for (int i = 0; i < kSettingCount; ++i) {
        const auto value = static_cast<uint32_t>(g_settings[i].load(std::memory_order_relaxed));
        const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                  static_cast<uint8_t>(value >> 16),
                                  static_cast<uint8_t>(value >> 24)};
        klvHostWriteValue(KLV_HOST_HKEY_LOCAL_MACHINE, kSettingsKey, kSettings[i].valueName,
                          KLV_REG_BINARY, bytes, sizeof bytes);
    }
}

void updateCoefficients() {
    const auto get = [](Setting s) {
        return static_cast<double>(g_settings[s].load(std::memory_order_relaxed));
    };
    constexpr auto relaxed = std::memory_order_relaxed;
    g_coefficients.threshold.store(static_cast<float>(std::pow(kLevelBase, get(kThreshold))),
                                   relaxed);
    // Reciprocals of half the attack and release times in samples at 44.1 kHz. A time below
    // one unit (only an edited store holds one) counts as one, never as a division by zero.
    g_coefficients.attack.store(static_cast<float>(2.0 / (4.41 * std::max(get(kAttack), 1.0))),
                                relaxed);
    g_coefficients.release.store(static_cast<float>(2.0 / (441.0 * std::max(get(kRelease), 1.0))),
                                 relaxed);
    g_coefficients.makeUp.store(static_cast<float>(std::pow(kLevelBase, get(kGain))), relaxed);
    g_coefficients.enhance.store(static_cast<float>(get(kEnhance) * 0.0041666668), relaxed);
}

} // namespace compressor
