// Starting and stopping a line's threads, and the threads' bodies.

#include "engine/core/line_threads.h"

#include "engine/core/line_threads_handle.h"
#include "engine/core/log.h"
#include "engine/core/options_copy.h"
#include "engine/core/slot_pool.h"
#include "engine/core/transport.h"
#include "engine/core/user_message.h"
#include "engine/display/line_display_thread.h"
#include "platform/system/clock.h"
#include "platform/ui/window_system.h"

#include <atomic>
#include <exception>
#include <thread>

namespace klv::engine {

namespace {

// Bumped by every start and every stop of a slot's threads. Kept outside the slot so that a
// decoder whose line has been closed meanwhile still finds it valid to read.
std::atomic<uint32_t> g_generations[kLineSlotCount];

std::atomic<uint32_t>& generationOf(const LineSlot& slot) {
    return g_generations[&slot - slotTable()];
}

std::atomic<bool> g_held[kLineSlotCount];
std::atomic<int32_t> g_loopRestarts[kLineSlotCount];

std::atomic<int32_t>* loopCounter(const LineSlot& slot) {
    const ptrdiff_t index = &slot - slotTable();
    return index >= 0 && index < kLineSlotCount ? &g_loopRestarts[index] : nullptr;
}

// A thread announces itself before it first touches the handle, and then checks that its
// start is still the current one. A stop bumps the generation before it looks at the flags.
// With both sides sequentially consistent, either the stop sees the flag and waits, or the
// thread sees the new generation and ends without touching a handle that may be gone.
bool announce(std::atomic<int32_t>& running, const LineSlot& slot, uint32_t generation) {
    running.store(1, std::memory_order_seq_cst);
    if (lineGeneration(slot) == generation)
        return true;
    running.store(0, std::memory_order_release);
    return false;
}

// The line's threads run until the program closes the line (state 0) or a transport call
// starts a new set of them.
bool current(LineHandle* h, const LineSlot& slot, uint32_t generation) {
    return lineGeneration(slot) == generation && loadField(h->state) != 0;
}

void readerThread(LineHandle* h, LineSlot* slot, uint32_t generation) {
    platform::raiseThreadPriority();
    if (!announce(slot->readerRunning, *slot, generation))
        return;
    while (current(h, *slot, generation))
        platform::sleepMs(readerPass(h, *slot));
    slot->readerRunning.store(0, std::memory_order_release);
}

// The messages go out while the thread still holds its running flag: the handle is valid until
// the flag clears, and a transport call waiting for the flag serves them meanwhile.
void decoderFailed(LineHandle* h, LineSlot* slot, uint32_t generation) {
    const char* path = h->fileName != nullptr ? h->fileName : "";
    logEntry("Decode Error on %s", path);
    if (!h->quiet)
        sendUserMessage("Decoding Failed for %s", path);
    slot->decoderRunning.store(0, std::memory_order_release);
    // From here on the thread owns nothing of the line: the stop checks that the line is still
    // the one this thread decoded before it touches the handle.
    stopAfterDecodeFailure(h, slot, generation);
}

void decoderThread(LineHandle* h, LineSlot* slot, uint32_t generation) {
    if (!announce(slot->decoderRunning, *slot, generation))
        return;
    storeField(h->finished, 0);
    DecoderRun run;
    run.threshold = static_cast<float>(option(&OptionsRecord::SilenceThreshold)) * 0.001f;
    // The conversion buffers of this line: on this thread's stack, shared with no other line.
    WavScratch wav;
    Mp3Scratch mp3;
    while (current(h, *slot, generation)) {
        const int32_t sleep = decoderPass(h, *slot, run, wav, mp3);
        if (sleep == kDecoderPassFailed) {
            decoderFailed(h, slot, generation);
            return;
        }
        if (sleep == kDecoderPassDone)
            break;
        platform::sleepMs(static_cast<uint32_t>(sleep));
    }
    slot->decoderRunning.store(0, std::memory_order_release);
}

template <typename Body, typename... Args> void launch(const char* role, Body body, Args... args) {
    try {
        std::thread(body, args...).detach();
    } catch (const std::exception& error) {
        logEntry("Can't start the %s thread: %s", role, error.what());
    }
}

} // namespace

void holdDecoding(const LineSlot& slot, bool hold) {
    g_held[&slot - slotTable()].store(hold, std::memory_order_release);
}

bool decodingHeld(const LineSlot& slot) {
    const ptrdiff_t index = &slot - slotTable();
    // Slots outside the table (tests driving a stream by hand) are never held.
    return index >= 0 && index < kLineSlotCount && g_held[index].load(std::memory_order_acquire);
}

int32_t loopRestarts(const LineSlot& slot) {
    const auto* counter = loopCounter(slot);
    return counter != nullptr ? counter->load(std::memory_order_acquire) : 0;
}

void countLoopRestart(const LineSlot& slot) {
    if (auto* counter = loopCounter(slot))
        counter->fetch_add(1, std::memory_order_acq_rel);
}

void resetLoopRestarts(const LineSlot& slot) {
    if (auto* counter = loopCounter(slot))
        counter->store(0, std::memory_order_release);
}

uint32_t lineGeneration(const LineSlot& slot) {
    return generationOf(slot).load(std::memory_order_seq_cst);
}

void startLineThreads(LineHandle* h) {
    LineSlot* slot = lineSlot(h);
    if (slot == nullptr)
        return;
    const uint32_t generation = generationOf(*slot).fetch_add(1, std::memory_order_seq_cst) + 1;
    launch("reader", readerThread, h, slot, generation);
    launch("decoder", decoderThread, h, slot, generation);
    startLineDisplay(h, slot, generation);
    // Polled more finely than the 10 ms of the classic schedule, within the same bound: the
    // caller only waits longer than it must.
    const uint32_t start = platform::tickCount();
    while (slot->readerRunning.load(std::memory_order_acquire) == 0 ||
           slot->decoderRunning.load(std::memory_order_acquire) == 0) {
        if (platform::tickCount() - start >= kThreadWaitMs)
            return;
        platform::sleepMs(1);
    }
}

void stopLineThreads(LineHandle* h) {
    LineSlot* slot = lineSlot(h);
    if (slot == nullptr)
        return;
    generationOf(*slot).fetch_add(1, std::memory_order_seq_cst);
    storeField(h->state, 0);
    const uint32_t start = platform::tickCount();
    bool warned = false;
    while (slot->readerRunning.load(std::memory_order_seq_cst) != 0 ||
           slot->decoderRunning.load(std::memory_order_seq_cst) != 0 ||
           slot->displayRunning.load(std::memory_order_seq_cst) != 0) {
        // A thread may be waiting for the program to take its message.
        platform::windowSystem().serveRequests();
        // Releasing the buffers under a running thread would corrupt memory, so the wait goes
        // on past its usual bound; the log shows that it did.
        if (!warned && platform::tickCount() - start >= kThreadWaitMs) {
            logEntry("Line threads still running after %u ms, waiting: %s", kThreadWaitMs,
                     h->fileName != nullptr ? h->fileName : "");
            warned = true;
        }
        platform::sleepMs(1);
    }
}

} // namespace klv::engine
