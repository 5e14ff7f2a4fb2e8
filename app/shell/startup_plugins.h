#pragma once
// The program's plug-in list: every plug-in library it knows of, in the order the user keeps
// them, with the engine index of those loaded in this run. Start-up builds it from the stored
// list and the "Plugins" folder; the plug-in manager shows and edits it. [ui-thread]

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace klv::app {

// PluginEntry: one row of the list.
struct PluginEntry {
    std::string Filename; // full path of the library
    std::string Name;     // the plug-in's own name; empty until validated in this run
    int32_t ID = -1;      // index in the engine while loaded, else -1
};

// The running program's list; rows are numbered from 1 where they are stored.
std::vector<PluginEntry>& pluginList();

// At start-up: reads the stored list into list and loads every enabled row with
// klvLoadPlugin. With noPlugins the enabled rows are stored disabled instead and not loaded.
void readStoredPlugins(std::vector<PluginEntry>& list, bool noPlugins);

// LoadPlugins: drops rows that are no longer valid plug-ins, appends libraries in folder
// ("*.so", by name) not listed yet, and stores the list with each row's enabled value equal to
// whether it is loaded now.
void loadPlugins(std::vector<PluginEntry>& list, const std::filesystem::path& folder);

// Stores list under "Plugins" ("Count", "<n>: Filename", "<n>: Enabled") from the loaded state.
void storePluginList(std::vector<PluginEntry>& list);

// The "Plugins" folder in the program folder.
std::filesystem::path pluginFolder();

} // namespace klv::app
