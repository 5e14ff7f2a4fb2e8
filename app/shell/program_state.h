#pragma once
// What the whole program shares for its run: the authoritative OptionsRecord (the engine keeps
// only a copy, refreshed by klvLoadOptions/klvSaveOptions) and the program-wide flags.
// [ui-thread] Everything here is read and written on the user-interface thread only.

#include "klv3.h"

namespace klv::app {

struct ProgramState {
    OptionsRecord options{};
    // True while the navigator window is loaded; the navigator keeps it itself.
    bool navigatorOpen = false;
    // Set by the crash-protection dialog during this start only.
    bool noOpen = false;
    bool noPlugins = false;
};

// The running program's state.
ProgramState& programState();

} // namespace klv::app
