#pragma once
// The plug-in list and the rule by which it changes while the output thread walks it.
//
// The list the output thread walks is an immutable PluginList published through one atomic
// pointer. A change builds a new list, publishes it, and only frees the old list and unloads
// a removed entry once the output thread cannot be using them any more: the output thread
// bumps a pass counter at the start and at the end of its plug-in pass (odd while it walks a
// list), and the changing thread waits, after publishing, until a pass it saw in progress has
// ended. A pass that starts after the publication sees the new list. The output thread never
// waits for the ui thread during its pass.
//
// Changes come from the ui thread and, for the output thread's watchdog, from the housekeeping
// thread. They, and every reader of the list on the ui thread, hold the list lock, which is
// never held while a plug-in's code runs and never for long; the output thread never takes it.
//
// An entry the ui thread is calling into (about box, settings) is marked busy; if it is
// removed meanwhile, the last one to let go of it unloads it.

#include "klv_plugin.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace klv::engine {

constexpr int32_t kPluginTextSize = KLV_PLUGIN_INFO_BUFFER;

struct PluginEntry {
    KlvPluginInitFn init = nullptr;
    KlvPluginUninitFn uninit = nullptr;
    KlvPluginProcessFn process = nullptr;
    KlvPluginInfoFn info = nullptr;
    KlvPluginAboutFn about = nullptr;
    KlvPluginSettingsFn settings = nullptr;
    std::string path;
    char description[kPluginTextSize] = {};
    void* module = nullptr;
    // Overload score, kept by the output thread (read by tests).
    std::atomic<int32_t> score{0};
    // Set by the watchdog on the output thread, which skips the entry from then on.
    std::atomic<bool> disabled{false};
    // Unique for the life of the process, so that an entry is never mistaken for a later one
    // that happens to get the same address.
    uint64_t serial = 0;
    // Under the list lock: ui calls in progress, and whether the entry has left the list.
    int32_t busy = 0;
    bool removed = false;
};

struct PluginList {
    std::vector<PluginEntry*> entries;
};

// The lock of every change and of every ui-thread reader.
std::mutex& pluginListLock();

// The published list. Read it with the lock held, or from the output thread's pass.
const PluginList& currentPlugins();

// Publishes next (made with new; the lock held) and returns the list it replaces (null for the
// initial empty list). The caller frees it once the output thread cannot be using it.
const PluginList* publishPlugins(const PluginList* next);

// [not the output thread] Waits until a plug-in pass in progress has ended, so that nothing
// published before the call is still in use there; returns at once between passes or while
// the output does not run. Serves the window system while it waits. false when the pass did
// not end in time (a hung plug-in): the caller must then keep what it would have freed.
bool waitForPluginPass();

// The output thread's pass: begin before it loads the list, end after its last plug-in call.
void beginPluginPass();
void endPluginPass();

// An entry that has left the list (and that the output thread no longer uses): unloads it
// now unless a ui call into it is in progress, in which case that call unloads it when it
// returns. The lock must not be held.
void retirePlugin(PluginEntry* entry);

// A ui call into a listed entry: holdPlugin with the lock held, releasePlugin without it.
void holdPlugin(PluginEntry* entry);
void releasePlugin(PluginEntry* entry);

} // namespace klv::engine
