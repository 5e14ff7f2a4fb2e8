// The exported functions of the plug-in host.

#include "engine/audio/plugin_host.h"
#include "klv3.h"

using namespace klv::engine;

int32_t klvLoadPlugin(const char* path, int32_t position) {
    return loadPlugin(path, position);
}

int32_t klvUnloadPlugin(int32_t index) {
    unloadPlugin(index);
    return 0;
}

int32_t klvUnloadAllPlugins(void) {
    unloadAllPlugins();
    return 0;
}

int32_t klvSwapPlugins(int32_t a, int32_t b) {
    return swapPlugins(a, b);
}

int32_t klvGetPluginInfo(const char* path, char* name) {
    return readPluginInfo(path, name);
}

int32_t klvGetPluginID(const char* path) {
    return pluginIndex(path);
}

int32_t klvShowAbout(int32_t index, KlvWindow window) {
    showPluginAbout(index, window);
    return 0;
}

int32_t klvShowSettings(int32_t index, KlvWindow window) {
    showPluginSettings(index, window);
    return 0;
}
