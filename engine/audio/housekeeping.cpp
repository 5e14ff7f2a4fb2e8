#include "engine/audio/housekeeping.h"

#include "engine/core/log.h"
#include "platform/system/clock.h"
#include "platform/system/spsc_ring.h"
#include "platform/ui/window_system.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace klv::engine {

namespace {

// More chores than any run of the output thread leaves: one box at its end, one per plug-in
// the watchdog disables.
constexpr int32_t kChoreCapacity = 64;
constexpr int kStopPolls = 499;
constexpr uint32_t kStopPollMs = 10;

// The output thread is the only producer. Only one output thread runs at a time, and the
// consumer is the one housekeeping thread alive.
platform::SpscRing<Chore, kChoreCapacity> g_chores;
// Bumped after every post; the thread sleeps on it while the ring is empty.
std::atomic<uint32_t> g_posted{0};
// The thread's life: whether it has been asked to end, and whether it still runs. The lock
// makes the thread's decision to end and a new start exclude each other (the output thread
// never takes it).
std::mutex g_lifeLock;
std::atomic<bool> g_stop{false};
std::atomic<bool> g_alive{false};
// Chores left and chores finished since the library was loaded.
std::atomic<uint64_t> g_left{0};
std::atomic<uint64_t> g_done{0};

// Touched by the ui thread only. Never destroyed, so that a thread still in a box when the
// process ends does not take the process down with it.
std::thread& threadObject() {
    static auto* thread = new std::thread;
    return *thread;
}

void runChores() {
    for (;;) {
        const uint32_t seen = g_posted.load(std::memory_order_acquire);
        Chore chore;
        while (g_chores.pop(chore)) {
            if (chore.run != nullptr)
                chore.run(chore);
            g_done.fetch_add(1, std::memory_order_release);
        }
        {
            std::lock_guard lock(g_lifeLock);
            if (g_stop.load(std::memory_order_acquire) && g_chores.size() == 0) {
                g_alive.store(false, std::memory_order_release);
                return;
            }
        }
        g_posted.wait(seen, std::memory_order_acquire);
    }
}

void wake() {
    g_posted.fetch_add(1, std::memory_order_release);
    g_posted.notify_one();
}

// Joins a thread that has ended. false while one is still in a chore.
bool reap() {
    if (g_alive.load(std::memory_order_acquire))
        return false;
    if (threadObject().joinable())
        threadObject().join();
    return true;
}

} // namespace

bool postChore(const Chore& chore) {
    // Counted first, so that a chore is never in the ring uncounted.
    g_left.fetch_add(1, std::memory_order_release);
    if (!g_chores.push(chore)) {
        g_left.fetch_sub(1, std::memory_order_release);
        return false;
    }
    wake();
    return true;
}

void startHousekeeping() {
    {
        std::lock_guard lock(g_lifeLock);
        g_stop.store(false, std::memory_order_release);
        // Still running (perhaps still in a chore after a stop): it serves the new run too.
        if (g_alive.load(std::memory_order_acquire))
            return;
    }
    reap();
    g_alive.store(true, std::memory_order_release);
    try {
        threadObject() = std::thread(runChores);
    } catch (...) {
        g_alive.store(false, std::memory_order_release);
        logEntry("Could not start the housekeeping thread");
    }
}

void stopHousekeeping() {
    g_stop.store(true, std::memory_order_release);
    wake();
    for (int i = 0; i < kStopPolls && g_alive.load(std::memory_order_acquire); ++i) {
        // A chore may be showing a box that this thread has to serve.
        platform::windowSystem().serveRequests();
        platform::sleepMs(kStopPollMs);
    }
    reap();
}

bool choresPending() {
    return g_done.load(std::memory_order_acquire) != g_left.load(std::memory_order_acquire);
}

} // namespace klv::engine
