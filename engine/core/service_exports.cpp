// The log entry, colour chooser and help viewer services of the program.

#include "engine/core/log.h"
#include "klv3.h"
#include "platform/ui/window_system.h"

#include <cstdint>

namespace {

constexpr int kCustomColors = 16;
constexpr int32_t kCustomColorBytes = kCustomColors * 4;

} // namespace

extern "C" KLV_API int32_t klvGetDLLVersion(void) {
    return KLV_DLL_VERSION;
}

extern "C" KLV_API int32_t klvLogInfo(const char* text) {
    klv::engine::logEntry("[VB] %s", text ? text : "");
    return 0;
}

extern "C" KLV_API int32_t klvGetColor(KlvWindow owner, int32_t initial) {
    // The stored value is 16 little-endian colour references; anything but exactly 64 bytes
    // means the user has none yet and all 16 start black.
    uint8_t stored[kCustomColorBytes];
    uint32_t custom[kCustomColors] = {};
    if (klvGetReg("Settings", "Custom Colors", stored, kCustomColorBytes) == kCustomColorBytes) {
        for (int i = 0; i < kCustomColors; ++i) {
            const uint8_t* b = stored + 4 * i;
            custom[i] = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
        }
    }
    uint32_t chosen = static_cast<uint32_t>(initial);
    const bool accepted = klv::platform::windowSystem().chooseColor(
        owner, static_cast<uint32_t>(initial), custom, chosen);
    // Custom colours defined in the dialog are kept even when the user cancels it.
    for (int i = 0; i < kCustomColors; ++i) {
        uint8_t* b = stored + 4 * i;
        b[0] = static_cast<uint8_t>(custom[i]);
        b[1] = static_cast<uint8_t>(custom[i] >> 8);
        b[2] = static_cast<uint8_t>(custom[i] >> 16);
        b[3] = static_cast<uint8_t>(custom[i] >> 24);
    }
    klvSetReg("Settings", "Custom Colors", stored, kCustomColorBytes);
    return accepted ? static_cast<int32_t>(chosen) : initial;
}

extern "C" KLV_API int32_t klvShowHelp(KlvWindow window, const char* helpFile, int32_t command,
                                       int32_t data) {
    klv::platform::windowSystem().showHelp(window, helpFile ? helpFile : "", command, data);
    return 0;
}
