// The compressor/limiter plug-in's entry points.

#include "compressor_dialog.h"
#include "compressor_dsp.h"
#include "compressor_settings.h"
#include "klv_plugin.h"

#include <cstdio>

namespace {

int32_t g_frames = KLV_PLUGIN_BLOCK_FRAMES;
void* g_module = nullptr;

} // namespace

extern "C" {

int32_t plugin_init(int32_t frames, void* module, KlvWindow /*owner*/) {
    g_frames = frames > 0 ? frames : KLV_PLUGIN_BLOCK_FRAMES;
    g_module = module;
    compressor::resetState();
    compressor::loadSettings();
    compressor::storeSettings(); // a fresh store gets the defaults at once
    compressor::updateCoefficients();
    return 1;
}

void plugin_uninit(void) {
    // The dialog's code goes with the library: no window may outlive it.
    compressor::closeSettingsDialogs();
}

int32_t plugin_process(float* frames) {
    compressor::processFrames(frames, g_frames);
    return 0;
}

int32_t plugin_info(char* text) {
    std::snprintf(text, KLV_PLUGIN_INFO_BUFFER, "%s", "Compressor/Limiter Plugin 1.1");
    return 1;
}

intptr_t plugin_about(KlvWindow parent) {
    klvHostMessageBox(parent, "Compressor/Limiter Plugin v.1.1", "About Compressor/Limiter",
                      KLV_HOST_MB_OK | KLV_HOST_MB_ICONINFORMATION);
    return 0;
}

intptr_t plugin_settings(KlvWindow parent) {
    const KlvDialog dialog = compressor::openSettingsDialog(parent);
    if (dialog == 0)
        klvHostMessageBox(parent, "Can't create dialog :(", "Settings Dialog Failed",
                          KLV_HOST_MB_OK | KLV_HOST_MB_ICONWARNING);
    return dialog;
}

} // extern "C"
