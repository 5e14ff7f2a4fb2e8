#include "engine/display/vu_thread.h"

#include "engine/core/log.h"
#include "engine/display/vu_display.h"
#include "platform/system/clock.h"
#include "platform/ui/surface.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

namespace klv::engine {

namespace {

struct VuRecord {
    KlvWindow window = 0;
    KlvDC dc = 0;
    int32_t width = 0;
    int32_t height = 0;
};

std::atomic<int32_t> g_state{0};
// Which start is current. A thread left over from a stop that timed out sees another number and
// ends without touching the state of its successor.
std::atomic<uint32_t> g_run{0};
// Serialises the state changes of start, stop and a thread's end; frames read g_state freely.
std::mutex g_control;
VuRecord g_record; // written under g_control before the thread starts

constexpr int32_t kMaxSide = 16384;
constexpr uint32_t kStopPollMs = 10;
constexpr int kStopPolls = 499; // about 5 s

bool keepRunning(uint32_t run) {
    return g_state.load(std::memory_order_acquire) > 0 &&
           g_run.load(std::memory_order_acquire) == run;
}

void vuThread(VuRecord record, uint32_t run) {
    pthread_setname_np(pthread_self(), "klv-vu");
    // The thread's own picture and state are made once here, never per frame.
    VuDisplay display(record.width, record.height, readVuColours());
    platform::SurfaceRef target(record.dc);
    while (keepRunning(run)) {
        // The program may hand over a context before its surface exists; look again until then.
        if (!target)
            target = platform::SurfaceRef(record.dc);
        display.frame(target, readVuIndices(), readVuColours());
        platform::sleepMs(1);
    }
    std::lock_guard<std::mutex> guard(g_control);
    if (g_run.load(std::memory_order_acquire) == run)
        g_state.store(-1, std::memory_order_release);
}

} // namespace

int32_t vuState() {
    return g_state.load(std::memory_order_acquire);
}

int32_t startVu(KlvWindow window, KlvDC dc, int32_t width, int32_t height) {
    if (dc == 0)
        return -1;
    std::lock_guard<std::mutex> guard(g_control);
    if (g_state.load(std::memory_order_acquire) == 1)
        return -1;
    // A size the program cannot have meant draws nothing rather than something undefined.
    g_record =
        VuRecord{window, dc, std::clamp(width, 0, kMaxSide), std::clamp(height, 0, kMaxSide)};
    const uint32_t run = g_run.fetch_add(1, std::memory_order_acq_rel) + 1;
    g_state.store(1, std::memory_order_release);
    try {
        std::thread(vuThread, g_record, run).detach();
    } catch (const std::exception& error) {
        g_state.store(-1, std::memory_order_release);
        logEntry("Can't start the VU thread: %s", error.what());
        return -1;
    }
    return 0;
}

int32_t stopVu() {
    {
        std::lock_guard<std::mutex> guard(g_control);
        // Stopping meters that have already ended would otherwise wait the full 5 s for an end
        // that has happened; the result says that nothing ran.
        if (g_state.load(std::memory_order_acquire) <= 0)
            return -1;
        g_state.store(0, std::memory_order_release);
    }
    platform::sleepMs(kStopPollMs);
    for (int poll = 0; poll < kStopPolls && vuState() != -1; ++poll)
        platform::sleepMs(kStopPollMs);
    return 0;
}

} // namespace klv::engine
