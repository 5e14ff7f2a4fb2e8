#pragma once
// The compressor plug-in as the engine loads it (Plugins/compressor.so from the program
// folder, called through its entry points), its settings in the store, and a plain model of
// its processing written from the description of the algorithm.

#include "klv_plugin.h"
#include "platform/store/settings_store.h"
#include "platform/system/dynlib.h"
#include "tests/doubles/headless_window_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace klv::test {

constexpr const char* kCompressorKey = "Software\\Quellwerk\\KLV3 Compressor Plugin 1.1\\Default";
constexpr const char* kSettingNames[8] = {"Threshold", "Attack",    "Release",   "Gain",
                                          "Enhance",   "Soft Knee", "SC Filter", "Joint LR"};
constexpr int32_t kDefaults[8] = {-1, 3, 120, 0, 30, 1, 1, 0};

// The eight settings, in the order above.
struct CompressorSettings {
    int32_t value[8];
    int32_t& threshold() { return value[0]; }
};

inline void storeSetting(int i, int32_t value) {
    uint8_t bytes[4];
    std::memcpy(bytes, &value, 4); // little-endian machine
    platform::regWriteValue(platform::kHkeyLocalMachine, kCompressorKey, kSettingNames[i],
                            platform::RegType::Binary, bytes, 4);
}

inline void storeSettings(const CompressorSettings& s) {
    for (int i = 0; i < 8; ++i)
        storeSetting(i, s.value[i]);
}

// The stored bytes of one setting (empty when missing).
inline std::vector<uint8_t> storedBytes(int i) {
    std::vector<uint8_t> data;
    platform::regReadValue(platform::kHkeyLocalMachine, kCompressorKey, kSettingNames[i], data);
    return data;
}

inline CompressorSettings storedSettings() {
    CompressorSettings s{};
    for (int i = 0; i < 8; ++i) {
        const std::vector<uint8_t> data = storedBytes(i);
        EXPECT_EQ(data.size(), 4u) << kSettingNames[i];
        if (data.size() == 4)
            std::memcpy(&s.value[i], data.data(), 4);
    }
    return s;
}

inline void clearStoredSettings() {
    for (const char* name : kSettingNames)
        platform::regDeleteValue(platform::kHkeyLocalMachine, kCompressorKey, name);
}

class LoadedCompressor {
public:
    LoadedCompressor() {
        m_module = platform::loadLibrary(KLV_COMPRESSOR_PATH);
        if (m_module == nullptr)
            return;
        init = reinterpret_cast<KlvPluginInitFn>(platform::findSymbol(m_module, "plugin_init"));
        uninit =
            reinterpret_cast<KlvPluginUninitFn>(platform::findSymbol(m_module, "plugin_uninit"));
        process =
            reinterpret_cast<KlvPluginProcessFn>(platform::findSymbol(m_module, "plugin_process"));
        info = reinterpret_cast<KlvPluginInfoFn>(platform::findSymbol(m_module, "plugin_info"));
        about = reinterpret_cast<KlvPluginAboutFn>(platform::findSymbol(m_module, "plugin_about"));
        settings = reinterpret_cast<KlvPluginSettingsFn>(
            platform::findSymbol(m_module, "plugin_settings"));
    }
    ~LoadedCompressor() {
        if (m_module != nullptr) {
            uninit();
            platform::unloadLibrary(m_module);
        }
    }
    LoadedCompressor(const LoadedCompressor&) = delete;
    LoadedCompressor& operator=(const LoadedCompressor&) = delete;

    bool loaded() const { return m_module && init && uninit && process && info; }
    void start() { init(KLV_PLUGIN_BLOCK_FRAMES, m_module, 0); }

    // Runs whole blocks of interleaved frames through plugin_process.
    std::vector<float> run(std::vector<float> samples) {
        for (size_t at = 0; at + 2 * KLV_PLUGIN_BLOCK_FRAMES <= samples.size();
             at += 2 * KLV_PLUGIN_BLOCK_FRAMES)
            process(samples.data() + at);
        return samples;
    }

    KlvPluginInitFn init = nullptr;
    KlvPluginUninitFn uninit = nullptr;
    KlvPluginProcessFn process = nullptr;
    KlvPluginInfoFn info = nullptr;
    KlvPluginAboutFn about = nullptr;
    KlvPluginSettingsFn settings = nullptr;

private:
    void* m_module = nullptr;
};

// The processing as described, computed the long way round.
class CompressorModel {
public:
    explicit CompressorModel(const CompressorSettings& s) { configure(s); }

    // New settings take effect from the next frame; the state carries on.
    void configure(const CompressorSettings& s) {
        const double unit = 1.122462048309373;
        thr = static_cast<float>(std::pow(unit, s.value[0]));
        att = static_cast<float>(2.0 / (4.41 * s.value[1]));
        rel = static_cast<float>(2.0 / (441.0 * s.value[2]));
        out = static_cast<float>(std::pow(unit, s.value[3]));
        enh = static_cast<float>(s.value[4] * 0.0041666668);
        softKnee = s.value[5] != 0;
        scFilter = s.value[6] != 0;
        joint = s.value[7] != 0;
    }

    std::vector<float> run(std::vector<float> samples) {
        for (size_t i = 0; i + 1 < samples.size(); i += 2)
            frame(samples[i], samples[i + 1]);
        return samples;
    }

    float thr, att, rel, out, enh;
    bool softKnee, scFilter, joint;
    float gL = 1.0f, gR = 1.0f, eL = 0.0f, eR = 0.0f, sL = 0.0f, sR = 0.0f;

private:
    static float guard(float x) { return std::fabs(x) < 1e-7f ? 1e-7f : x; }

    float update(float g, float d) const {
        g = g + g * rel;
        if (d * g > thr)
            g = g - g * att;
        else if (softKnee && d * g > 0.65f * thr)
            g = g - g * att * std::pow(d * g / thr, 10.0f);
        return std::min(g, 1.0f);
    }

    void frame(float& left, float& right) {
        const float l = left = guard(left);
        const float r = right = guard(right);
        eL = eL + (l - eL) * 0.25f;
        eR = eR + (r - eR) * 0.25f;
        if (scFilter) {
            sL = sL + (l - sL) * 0.015f;
            sR = sR + (r - sR) * 0.015f;
        } else {
            sL = sR = 0.0f;
        }
        if (joint) {
            gL = update(gL, std::max(std::fabs(l - sL), std::fabs(r - sR)));
        } else {
            gL = update(gL, std::fabs(l - sL));
            gR = update(gR, std::fabs(r - sR));
        }
        const float g = joint ? gL : gR;
        left = (gL * l + (l - eL) * enh * 0.25f) * out;
        right = (g * r + (r - eR) * enh * 0.25f) * out;
    }
};

// Largest difference between two runs, relative to full scale.
inline double largestDifference(const std::vector<float>& a, const std::vector<float>& b) {
    double worst = 0.0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        worst = std::max(worst, std::fabs(double(a[i]) - b[i]));
    return worst;
}

class CompressorTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearStoredSettings();
        platform::setWindowSystem(&m_windows);
        ASSERT_TRUE(m_plugin.loaded()) << platform::libraryError();
    }
    void TearDown() override { platform::setWindowSystem(nullptr); }

    platform::HeadlessWindowSystem m_windows;
    LoadedCompressor m_plugin;
};

} // namespace klv::test
