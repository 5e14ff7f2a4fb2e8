#include "compressor_dialog.h"

#include "compressor_settings.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

namespace compressor {

namespace {

constexpr int32_t kSliders = 5;
constexpr int32_t kRowY[kSliders] = {10, 25, 40, 55, 70};
constexpr const char* kRowNames[kSliders] = {
    "Threshold:", "Attack:", "Release:", "Gain:", "Enhance:"};

const KlvDialogControl kControls[] = {
    {kIdOk, KLV_CONTROL_DEFAULT_BUTTON, "OK", 186, 66, 50, 14},
    {kIdThreshold + 0, KLV_CONTROL_TRACKBAR, nullptr, 51, kRowY[0], 85, 10},
    {kIdThreshold + 1, KLV_CONTROL_TRACKBAR, nullptr, 51, kRowY[1], 85, 10},
    {kIdThreshold + 2, KLV_CONTROL_TRACKBAR, nullptr, 51, kRowY[2], 85, 10},
    {kIdThreshold + 3, KLV_CONTROL_TRACKBAR, nullptr, 51, kRowY[3], 85, 10},
    {kIdThreshold + 4, KLV_CONTROL_TRACKBAR, nullptr, 51, kRowY[4], 85, 10},
    {KLV_CONTROL_NO_ID, KLV_CONTROL_LABEL_RIGHT, kRowNames[0], 7, kRowY[0], 44, 10},
    {KLV_CONTROL_NO_ID, KLV_CONTROL_LABEL_RIGHT, kRowNames[1], 7, kRowY[1], 44, 10},
    {KLV_CONTROL_NO_ID, KLV_CONTROL_LABEL_RIGHT, kRowNames[2], 7, kRowY[2], 44, 10},
    {KLV_CONTROL_NO_ID, KLV_CONTROL_LABEL_RIGHT, kRowNames[3], 7, kRowY[3], 44, 10},
    {KLV_CONTROL_NO_ID, KLV_CONTROL_LABEL_RIGHT, kRowNames[4], 7, kRowY[4], 44, 10},
    {kIdThresholdLabel + 0, KLV_CONTROL_LABEL, nullptr, 136, kRowY[0], 34, 10},
    {kIdThresholdLabel + 1, KLV_CONTROL_LABEL, nullptr, 136, kRowY[1], 34, 10},
    {kIdThresholdLabel + 2, KLV_CONTROL_LABEL, nullptr, 136, kRowY[2], 34, 10},
    {kIdThresholdLabel + 3, KLV_CONTROL_LABEL, nullptr, 136, kRowY[3], 34, 10},
    {kIdThresholdLabel + 4, KLV_CONTROL_LABEL, nullptr, 136, kRowY[4], 34, 10},
    {kIdSoftKnee + 0, KLV_CONTROL_CHECK_BOX, "Soft Knee", 171, 10, 65, 9},
    {kIdSoftKnee + 1, KLV_CONTROL_CHECK_BOX, "Sidechain Filter", 171, 25, 65, 9},
    {kIdSoftKnee + 2, KLV_CONTROL_CHECK_BOX, "Joint Left/Right", 171, 40, 65, 9},
};

const KlvDialogTemplate kTemplate = {"Compressor/Limiter Settings",
                                     243,
                                     87,
                                     "MS Sans Serif",
                                     8,
                                     kControls,
                                     static_cast<int32_t>(sizeof kControls / sizeof kControls[0])};

// The dialogs open now, so that they can be closed before the library goes.
std::mutex g_openLock;
std::vector<KlvDialog> g_open;

int32_t get(Setting s) {
    return setting(s).load(std::memory_order_relaxed);
}

void setLabel(KlvDialog dialog, int32_t row, const char* format, int32_t a, int32_t b = 0) {
    char text[32];
    std::snprintf(text, sizeof text, format, a, b);
    klvDialogSetText(dialog, kIdThresholdLabel + row, text);
}

void fillLabels(KlvDialog dialog) {
    setLabel(dialog, 0, "%d db", get(kThreshold));
    setLabel(dialog, 1, "%d.%d ms", get(kAttack) / 10, get(kAttack) % 10);
    setLabel(dialog, 2, "%d0 ms", get(kRelease));
    setLabel(dialog, 3, "%d db", get(kGain));
    setLabel(dialog, 4, "%d.%d", get(kEnhance) / 10, get(kEnhance) % 10);
}

void initialise(KlvDialog dialog) {
    for (int32_t row = 0; row < kSliders; ++row) {
        const SettingInfo& info = kSettings[row];
        klvDialogSetTrackbarRange(dialog, kIdThreshold + row, info.minimum, info.maximum);
    }
    for (int32_t i = 0; i < 3; ++i)
        klvDialogSetCheck(dialog, kIdSoftKnee + i, get(static_cast<Setting>(kSoftKnee + i)));
    for (int32_t row = 0; row < kSliders; ++row)
        klvDialogSetTrackbarPos(dialog, kIdThreshold + row, get(static_cast<Setting>(row)));
    fillLabels(dialog);
}

void storeAndApply() {
    storeSettings();
    updateCoefficients();
}

intptr_t dialogProc(KlvDialog dialog, uint32_t msg, intptr_t wParam, intptr_t /*lParam*/) {
    switch (msg) {
    case KLV_DLG_INIT:
        initialise(dialog);
        break;
    case KLV_DLG_HSCROLL:
        // Any slider: all five positions become the settings (a release beyond the slider's
        // range ends here).
        for (int32_t row = 0; row < kSliders; ++row)
            setting(static_cast<Setting>(row))
                .store(klvDialogGetTrackbarPos(dialog, kIdThreshold + row),
                       std::memory_order_relaxed);
        storeAndApply();
        fillLabels(dialog);
        break;
    case KLV_DLG_COMMAND: {
        if (KLV_HIWORD(wParam) != KLV_BN_CLICKED)
            break;
        const int32_t id = KLV_LOWORD(wParam);
        if (id == kIdOk) {
            klvDestroyDialog(dialog);
            break;
        }
        if (id >= kIdSoftKnee && id < kIdSoftKnee + 3)
            setting(static_cast<Setting>(kSoftKnee + id - kIdSoftKnee))
                .store(klvDialogGetCheck(dialog, id) ? 1 : 0, std::memory_order_relaxed);
        storeAndApply();
        break;
    }
    case KLV_DLG_DESTROY: {
        std::lock_guard<std::mutex> lock(g_openLock);
        g_open.erase(std::remove(g_open.begin(), g_open.end(), dialog), g_open.end());
        break;
    }
    default:
        break;
    }
    return 0;
}

} // namespace

KlvDialog openSettingsDialog(KlvWindow parent) {
    const KlvDialog dialog = klvCreateDialog(parent, &kTemplate, dialogProc, nullptr);
    if (dialog != 0) {
        std::lock_guard<std::mutex> lock(g_openLock);
        g_open.push_back(dialog);
    }
    return dialog;
}

void closeSettingsDialogs() {
    std::vector<KlvDialog> open;
    {
        std::lock_guard<std::mutex> lock(g_openLock);
        open.swap(g_open);
    }
    for (KlvDialog dialog : open)
        klvDestroyDialog(dialog);
}

} // namespace compressor
