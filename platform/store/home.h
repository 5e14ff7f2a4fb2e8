#pragma once
// Where Kelvara keeps its files. With $KELVARA_HOME set (tests always set it) every folder
// below is that one folder; otherwise the XDG base folders are used. Each function creates
// its folder when missing and reads the environment on every call, so a test may switch homes.

#include "platform/platform_api.h"

#include <filesystem>

namespace klv::platform {

// Settings store (registry.db), klv.eq, the instance lock: $XDG_CONFIG_HOME/kelvara.
KLV_PLATFORM_API std::filesystem::path configDir();
// The log KLV3.LOG: $XDG_STATE_HOME/kelvara.
KLV_PLATFORM_API std::filesystem::path stateDir();
// Recorder output: $XDG_DATA_HOME/kelvara/recordings.
KLV_PLATFORM_API std::filesystem::path recordingsDir();
// Folder of the running executable: "the program folder" (Plugins/, help/, intro.mp3).
KLV_PLATFORM_API std::filesystem::path programDir();

} // namespace klv::platform
