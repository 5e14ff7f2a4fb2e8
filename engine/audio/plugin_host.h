#pragma once
// The plug-in host: loading, ordering and unloading DSP plug-ins, and running them in list
// order on the main mix with the overload watchdog. The exports of klv3.h call these.

#include "engine/core/line_slot.h"
#include "klv3.h"

#include <cstdint>

namespace klv::engine {

// klvLoadPlugin: the index of the plug-in (an already loaded path: its index), or -1.
// [ui thread]
int32_t loadPlugin(const char* path, int32_t position);
// klvUnloadPlugin: nothing for an index outside the list. [ui thread]
void unloadPlugin(int32_t index);
// klvUnloadAllPlugins. [ui thread]
void unloadAllPlugins();
// klvSwapPlugins: 0, or -1 for an index outside the list. [ui thread]
int32_t swapPlugins(int32_t a, int32_t b);
// klvGetPluginInfo: 1 with the description in text (KLV_PLUGIN_NAME_BUFFER bytes, may be
// null), or -1. [ui thread]
int32_t readPluginInfo(const char* path, char* text);
// klvGetPluginID. [ui thread]
int32_t pluginIndex(const char* path);
// klvShowAbout and klvShowSettings. [ui thread]
void showPluginAbout(int32_t index, KlvWindow window);
void showPluginSettings(int32_t index, KlvWindow window);

// Runs the listed plug-ins on the main mix (count frames, always a block). [output thread]
void runPlugins(Frame* mix, int32_t count);

// The list as it stands: its length and the overload score of an entry (-1 outside). For
// diagnostics and tests. [ui thread]
int32_t pluginCount();
int32_t pluginScore(int32_t index);

} // namespace klv::engine
