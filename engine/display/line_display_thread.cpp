#include "engine/display/line_display_thread.h"

#include "engine/audio/sample_ring.h"
#include "engine/core/line_threads.h"
#include "engine/core/line_threads_handle.h"
#include "engine/core/log.h"
#include "engine/core/options_copy.h"
#include "engine/display/line_display_frame.h"
#include "platform/system/clock.h"
#include "platform/ui/surface.h"

#include <pthread.h>

#include <atomic>
#include <exception>
#include <thread>

namespace klv::engine {

namespace {

std::atomic<int32_t> g_remain{0};

// The pause after each frame, and one more millisecond after the look at the colours; taken as
// one sleep, since the pens are made from the colours of each frame anyway.
constexpr uint32_t kPlayingPauseMs = 5;
constexpr uint32_t kStoppedPauseMs = 25;
constexpr uint32_t kColourPauseMs = 1;

KlvDC displayContext(LineHandle* h) {
    return std::atomic_ref<KlvDC>(h->displayDC).load(std::memory_order_acquire);
}

// The thread draws while the line is open, has a context, and its threads have not been
// restarted since this one was started.
bool current(LineHandle* h, const LineSlot& slot, uint32_t generation) {
    return loadField(h->state) != 0 && displayContext(h) != 0 && lineGeneration(slot) == generation;
}

LineDisplayInputs readInputs(LineHandle* h, const LineSlot& slot) {
    LineDisplayInputs in;
    in.state = loadField(h->state);
    in.paused = loadField(h->paused);
    in.position = slot.position.load(std::memory_order_relaxed);
    in.length = slot.length.load(std::memory_order_relaxed);
    in.byteRate = slot.byteRate.load(std::memory_order_relaxed);
    in.sampleRate = slot.sampleRate.load(std::memory_order_relaxed);
    in.ringFree = sampleRingFree(slot);
    in.peakLeft = slot.peakLeft[0].load(std::memory_order_relaxed);
    in.peakRight = slot.peakRight[0].load(std::memory_order_relaxed);
    in.remain = remainMode();
    in.litColour = option(&OptionsRecord::LCDLitColor);
    in.dimColour = option(&OptionsRecord::LCDDimColor);
    return in;
}

void runLineDisplay(LineHandle* h, LineSlot* slot, uint32_t generation) {
    pthread_setname_np(pthread_self(), "klv-display");
    LineDisplay display;
    platform::SurfaceRef target;
    while (current(h, *slot, generation)) {
        const KlvDC dc = displayContext(h);
        if (target.dc() != dc)
            target = platform::SurfaceRef(dc);
        const LineDisplayInputs in = readInputs(h, *slot);
        display.frame(target, in);
        platform::sleepMs((in.state == 2 ? kPlayingPauseMs : kStoppedPauseMs) + kColourPauseMs);
    }
    // The thread's last touch of the line: once the flag is clear, its stop may release it.
    slot->displayRunning.store(0, std::memory_order_release);
}

} // namespace

void setRemainMode(int32_t mode) {
    g_remain.store(mode, std::memory_order_relaxed);
}

bool remainMode() {
    return g_remain.load(std::memory_order_relaxed) != 0;
}

void startLineDisplay(LineHandle* h, LineSlot* slot, uint32_t generation) {
    if (h == nullptr || slot == nullptr || !current(h, *slot, generation))
        return;
    slot->displayRunning.store(1, std::memory_order_release);
    try {
        std::thread(runLineDisplay, h, slot, generation).detach();
    } catch (const std::exception& error) {
        slot->displayRunning.store(0, std::memory_order_release);
        logEntry("Can't start the display thread: %s", error.what());
    }
}

} // namespace klv::engine
