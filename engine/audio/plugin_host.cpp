#include "engine/audio/plugin_host.h"

#include "engine/audio/float_control.h"
#include "engine/audio/housekeeping.h"
#include "engine/audio/plugin_list.h"
#include "engine/core/user_message.h"
#include "platform/system/clock.h"
#include "platform/system/dynlib.h"
#include "platform/ui/window_system.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace klv::engine {

namespace {

constexpr int32_t kBlockLength = KLV_PLUGIN_BLOCK_FRAMES;
constexpr const char* kManagerCaption = "KLV3 Plugin Manager";

std::atomic<uint64_t> g_serials{0};

template <typename T> T entryPoint(void* module, const char* name) {
    return reinterpret_cast<T>(platform::findSymbol(module, name));
}

// Loads a library and finds its entry points; null (library unloaded again) without the four
// required ones.
std::unique_ptr<PluginEntry> openPlugin(const char* path) {
    void* module = platform::loadLibrary(path);
    if (module == nullptr)
        return nullptr;
    auto entry = std::make_unique<PluginEntry>();
    entry->module = module;
    entry->init = entryPoint<KlvPluginInitFn>(module, "plugin_init");
    entry->uninit = entryPoint<KlvPluginUninitFn>(module, "plugin_uninit");
    entry->process = entryPoint<KlvPluginProcessFn>(module, "plugin_process");
    entry->info = entryPoint<KlvPluginInfoFn>(module, "plugin_info");
    entry->about = entryPoint<KlvPluginAboutFn>(module, "plugin_about");
    entry->settings = entryPoint<KlvPluginSettingsFn>(module, "plugin_settings");
    if (!entry->init || !entry->uninit || !entry->process || !entry->info) {
        platform::unloadLibrary(module);
        return nullptr;
    }
    return entry;
}

// plugin_info into the entry's text; true for a plug-in that accepts.
bool askInfo(PluginEntry& entry) {
    const int32_t result = entry.info(entry.description);
    setEngineFloatControl(); // a plug-in may have changed it
    entry.description[kPluginTextSize - 1] = '\0';
    return result == 1;
}

bool inList(const PluginList& list, int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < list.entries.size();
}

// Publishes next in place of the current list and lets the lock go; once the output thread
// is done with the old list, frees it and retires the removed entries.
void replaceList(std::unique_lock<std::mutex>& lock, PluginList* next,
                 const std::vector<PluginEntry*>& removed) {
    const PluginList* old = publishPlugins(next);
    lock.unlock();
    if (!waitForPluginPass())
        return;
    delete old;
    for (PluginEntry* entry : removed)
        retirePlugin(entry);
}

// A ui call into the entry at index, or the box that says it has no such call.
void callPlugin(int32_t index, KlvWindow window, KlvPluginAboutFn PluginEntry::*call,
                const char* missing) {
    PluginEntry* entry;
    {
        std::lock_guard<std::mutex> lock(pluginListLock());
        const PluginList& list = currentPlugins();
        if (!inList(list, index))
            return;
        entry = list.entries[index];
        holdPlugin(entry);
    }
    if (KlvPluginAboutFn function = entry->*call) {
        function(window);
        setEngineFloatControl();
    } else {
        platform::windowSystem().messageBox(window, missing, kManagerCaption,
                                            platform::kMbOk | platform::kMbIconInformation);
    }
    releasePlugin(entry);
}

// The watchdog's chore: takes an overloaded entry out of the list (unless the ui thread has
// done so already), unloads it once the output thread has left it, and tells the user.
// [housekeeping thread]
void retireOverloaded(const Chore& chore) {
    auto* entry = static_cast<PluginEntry*>(chore.target);
    char description[kPluginTextSize];
    std::unique_lock<std::mutex> lock(pluginListLock());
    const PluginList& list = currentPlugins();
    // The pointer is only looked at, never followed, until it is found in the list: the entry
    // may have been unloaded (and its memory reused) since the chore was left.
    const auto found = std::find(list.entries.begin(), list.entries.end(), entry);
    if (found == list.entries.end() || (*found)->serial != chore.serial)
        return;
    std::memcpy(description, entry->description, sizeof description);
    auto* next = new PluginList{list.entries};
    next->entries.erase(next->entries.begin() + (found - list.entries.begin()));
    replaceList(lock, next, {entry});
    showMessageBox("The following plugin is using too many resources:\n\n\t%s\n\nIt has been "
                   "temporarily disabled. You may re-enable it in the Plugin Manager dialog.",
                   description);
}

} // namespace

int32_t loadPlugin(const char* path, int32_t position) {
    if (path == nullptr)
        return -1;
    if (const int32_t index = pluginIndex(path); index >= 0)
        return index;
    std::unique_ptr<PluginEntry> entry = openPlugin(path);
    if (!entry)
        return -1;
    if (!askInfo(*entry)) {
        platform::unloadLibrary(entry->module);
        return -1;
    }
    entry->path = path;
    entry->serial = g_serials.fetch_add(1, std::memory_order_relaxed);
    entry->init(kBlockLength, entry->module, ownerWindow());
    setEngineFloatControl();

    std::unique_lock<std::mutex> lock(pluginListLock());
    const PluginList& list = currentPlugins();
    const auto count = static_cast<int32_t>(list.entries.size());
    auto* next = new PluginList{list.entries};
    const auto at = inList(list, position) ? next->entries.begin() + position : next->entries.end();
    next->entries.insert(at, entry.release());
    replaceList(lock, next, {});
    return count;
}

void unloadPlugin(int32_t index) {
    std::unique_lock<std::mutex> lock(pluginListLock());
    const PluginList& list = currentPlugins();
    if (!inList(list, index))
        return;
    PluginEntry* entry = list.entries[index];
    auto* next = new PluginList{list.entries};
    next->entries.erase(next->entries.begin() + index);
    replaceList(lock, next, {entry});
}

void unloadAllPlugins() {
    std::unique_lock<std::mutex> lock(pluginListLock());
    const std::vector<PluginEntry*> removed = currentPlugins().entries;
    replaceList(lock, new PluginList, removed);
}

int32_t swapPlugins(int32_t a, int32_t b) {
    std::unique_lock<std::mutex> lock(pluginListLock());
    const PluginList& list = currentPlugins();
    if (!inList(list, a) || !inList(list, b))
        return -1;
    if (a == b)
        return 0;
    auto* next = new PluginList{list.entries};
    std::swap(next->entries[a], next->entries[b]);
    replaceList(lock, next, {});
    return 0;
}

int32_t readPluginInfo(const char* path, char* text) {
    if (path == nullptr)
        return -1;
    std::unique_ptr<PluginEntry> entry = openPlugin(path);
    if (!entry)
        return -1;
    const bool valid = askInfo(*entry);
    platform::unloadLibrary(entry->module);
    setEngineFloatControl();
    if (!valid)
        return -1;
    if (text != nullptr)
        std::memcpy(text, entry->description, std::strlen(entry->description) + 1);
    return 1;
}

int32_t pluginIndex(const char* path) {
    if (path == nullptr)
        return -1;
    std::lock_guard<std::mutex> lock(pluginListLock());
    const std::vector<PluginEntry*>& entries = currentPlugins().entries;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i]->path == path)
            return static_cast<int32_t>(i);
    }
    return -1;
}

void showPluginAbout(int32_t index, KlvWindow window) {
    callPlugin(index, window, &PluginEntry::about, "This plugin does not have an About dialog.");
}

void showPluginSettings(int32_t index, KlvWindow window) {
    callPlugin(index, window, &PluginEntry::settings, "This plugin does not have any settings.");
}

void runPlugins(Frame* mix, int32_t /*count: always a block*/) {
    float* block = reinterpret_cast<float*>(mix);
    beginPluginPass();
    for (PluginEntry* entry : currentPlugins().entries) {
        if (entry->disabled.load(std::memory_order_relaxed))
            continue;
        const uint32_t start = platform::tickCount();
        entry->process(block);
        const uint32_t taken = platform::tickCount() - start;
        int32_t score = entry->score.load(std::memory_order_relaxed);
        if (taken <= 10)
            score = std::max(score - 1, 0);
        else
            score += taken > 80 ? 4 : taken > 40 ? 2 : 1;
        entry->score.store(score, std::memory_order_relaxed);
        if (score > 50) {
            // Out of this thread's passes at once; the list change, the unload and the box
            // are the housekeeping thread's. Should its ring be full, the entry just stays
            // silent in the list.
            entry->disabled.store(true, std::memory_order_relaxed);
            postChore({.run = retireOverloaded, .target = entry, .serial = entry->serial});
            break; // the rest of the list sits this block out
        }
    }
    endPluginPass();
}

int32_t pluginCount() {
    std::lock_guard<std::mutex> lock(pluginListLock());
    return static_cast<int32_t>(currentPlugins().entries.size());
}

int32_t pluginScore(int32_t index) {
    std::lock_guard<std::mutex> lock(pluginListLock());
    const PluginList& list = currentPlugins();
    return inList(list, index) ? list.entries[index]->score.load(std::memory_order_relaxed) : -1;
}

} // namespace klv::engine
