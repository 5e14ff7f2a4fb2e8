#include "app/shell/startup_plugins.h"

#include "app/shell/registry_text.h"
#include "klv3.h"
#include "platform/store/home.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string_view>
#include <system_error>

namespace klv::app {

namespace {

constexpr const char* kPlugins = "Plugins";

std::string rowValue(size_t row, std::string_view suffix) {
    return std::to_string(row) + ": " + std::string(suffix);
}

// A failing step is logged and the next one runs: one broken library must not keep the others
// from loading.
template <class Step> void logOnError(Step&& step) {
    try {
        step();
    } catch (const std::exception& error) {
        klvLogInfo((std::string("LoadPlugins() - ") + error.what()).c_str());
    } catch (...) {
        klvLogInfo("LoadPlugins() - unknown error");
    }
}

std::vector<std::string> libraryPaths(const std::filesystem::path& folder) {
    std::vector<std::string> paths;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::filesystem::path& path = it->path();
        if (path.extension() == ".so" && it->is_regular_file(error))
            paths.push_back(path.string());
    }
    // The directory's own order changes with every file added; by name the list is the same on
    // every machine.
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace

std::vector<PluginEntry>& pluginList() {
    static std::vector<PluginEntry> list;
    return list;
}

std::filesystem::path pluginFolder() {
    return platform::programDir() / "Plugins";
}

void readStoredPlugins(std::vector<PluginEntry>& list, bool noPlugins) {
    const int32_t count = std::max(0, numericValue(getRegText(kPlugins, "Count", "0")));
    list.assign(static_cast<size_t>(count), PluginEntry{});
    for (size_t row = 1; row <= list.size(); ++row) {
        PluginEntry& entry = list[row - 1];
        entry.Filename = getRegText(kPlugins, rowValue(row, "Filename").c_str(), "");
        const std::string enabled = rowValue(row, "Enabled");
        if (getRegText(kPlugins, enabled.c_str(), "0") != "1")
            continue;
        if (noPlugins)
            setRegText(kPlugins, enabled.c_str(), "0");
        else
            klvLoadPlugin(entry.Filename.c_str(), -1);
    }
}

void loadPlugins(std::vector<PluginEntry>& list, const std::filesystem::path& folder) {
    for (size_t row = list.size(); row >= 1; --row) {
        logOnError([&] {
            char name[KLV_PLUGIN_NAME_BUFFER + 1] = {};
            PluginEntry& entry = list[row - 1];
            if (klvGetPluginInfo(entry.Filename.c_str(), name) == 1)
                entry.Name.assign(name, strnlen(name, KLV_PLUGIN_NAME_BUFFER));
            else
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(row - 1));
        });
    }
    logOnError([&] {
        for (const std::string& path : libraryPaths(folder)) {
            const bool listed = std::any_of(
                list.begin(), list.end(), [&](const PluginEntry& e) { return e.Filename == path; });
            if (!listed)
                list.push_back(PluginEntry{path, "", 0});
        }
    });
    storePluginList(list);
}

void storePluginList(std::vector<PluginEntry>& list) {
    for (size_t row = 1; row <= list.size(); ++row) {
        logOnError([&] {
            PluginEntry& entry = list[row - 1];
            entry.ID = klvGetPluginID(entry.Filename.c_str());
            setRegText(kPlugins, rowValue(row, "Filename").c_str(), entry.Filename);
            setRegText(kPlugins, rowValue(row, "Enabled").c_str(), entry.ID >= 0 ? "1" : "0");
        });
    }
    setRegText(kPlugins, "Count", std::to_string(list.size()));
}

} // namespace klv::app
