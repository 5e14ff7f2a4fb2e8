#include "engine/audio/plugin_list.h"

#include "engine/audio/float_control.h"
#include "engine/core/log.h"
#include "platform/clock.h"
#include "platform/dynlib.h"
#include "platform/window_system.h"

namespace klv::engine {

namespace {

// A plug-in pass lasts as long as its plug-ins take; the watchdog unloads one that keeps it
// busy. Past this a pass counts as hung and what it may still use is kept, never freed.
constexpr int32_t kPassWaitMs = 10000;

const PluginList g_emptyList;

std::atomic<const PluginList*> g_current{&g_emptyList};
// Odd while the output thread is in its plug-in pass.
std::atomic<uint32_t> g_pass{0};

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
    const uint32_t seen = g_pass.load(std::memory_order_seq_cst);
    if ((seen & 1) == 0)
        return true;
    for (int32_t waited = 0; waited < kPassWaitMs; ++waited) {
        if (g_pass.load(std::memory_order_acquire) != seen)
            return true;
        // A plug-in may be waiting for the ui thread (a message box): let it through.
        platform::windowSystem().serveRequests();
        platform::sleepMs(1);
    }
    logEntry("Plug-in pass did not end within %d ms; its plug-ins stay loaded", kPassWaitMs);
    return false;
}

void beginPluginPass() {
    g_pass.fetch_add(1, std::memory_order_seq_cst);
}

void endPluginPass() {
    // Release: everything the pass did with the list happens before a waiter that sees it.
    g_pass.fetch_add(1, std::memory_order_release);
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
