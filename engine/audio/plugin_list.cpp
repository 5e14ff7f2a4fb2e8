#include "engine/audio/plugin_list.h"

#include "engine/audio/float_control.h"
#include "engine/audio/reader_pass.h"
#include "engine/core/log.h"
#include "platform/system/clock.h"
#include "platform/system/dynlib.h"
#include "platform/ui/window_system.h"

namespace klv::engine {

namespace {

// A plug-in pass lasts as long as its plug-ins take; the watchdog unloads one that keeps it
// busy. Past this a pass counts as hung and what it may still use is kept, never freed.
constexpr uint32_t kPassWaitMs = 10000;

const PluginList g_emptyList;

std::atomic<const PluginList*> g_current{&g_emptyList};
ReaderPass g_pass;

void unload(PluginEntry* entry) {
    entry->uninit();
    setEngineFloatControl();
    platform::unloadLibrary(entry->module);
    delete entry;
}

} // namespace

std::mutex& pluginListLock() {
    static std::mutex lock;
    return lock;
}

const PluginList& currentPlugins() {
    return *g_current.load(std::memory_order_seq_cst);
}

const PluginList* publishPlugins(const PluginList* next) {
    // seq_cst with the pass counter: either the output thread's next pass loads this list, or
    // the waiting thread sees that pass as begun.
    const PluginList* old = g_current.exchange(next, std::memory_order_seq_cst);
    return old == &g_emptyList ? nullptr : old;
}

bool waitForPluginPass() {
    // A plug-in may be waiting for the ui thread (a message box): let it through.
    if (g_pass.waitForPassEnd(kPassWaitMs, 1, [] { platform::windowSystem().serveRequests(); }))
        return true;
    logEntry("Plug-in pass did not end within %u ms; its plug-ins stay loaded", kPassWaitMs);
    return false;
}

void beginPluginPass() {
    g_pass.begin();
}

void endPluginPass() {
    g_pass.end();
}

void retirePlugin(PluginEntry* entry) {
    {
        std::lock_guard<std::mutex> lock(pluginListLock());
        entry->removed = true;
        if (entry->busy > 0)
            return;
    }
    unload(entry);
}

void holdPlugin(PluginEntry* entry) {
    ++entry->busy;
}

void releasePlugin(PluginEntry* entry) {
    {
        std::lock_guard<std::mutex> lock(pluginListLock());
        if (--entry->busy > 0 || !entry->removed)
            return;
    }
    unload(entry);
}

} // namespace klv::engine
