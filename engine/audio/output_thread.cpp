#include "engine/audio/output_thread.h"

#include "engine/audio/block_mixer.h"
#include "engine/audio/housekeeping.h"
#include "engine/audio/master_eq.h"
#include "engine/audio/master_section.h"
#include "engine/audio/output_device.h"
#include "engine/audio/output_format.h"
#include "engine/core/log.h"
#include "engine/core/options_copy.h"
#include "engine/core/slot_pool.h"
#include "engine/core/user_message.h"
#include "platform/audio/wave_out.h"
#include "platform/system/clock.h"

#include <atomic>
#include <memory>
#include <thread>

namespace klv::engine {

namespace {

constexpr uint32_t kPollMs = 3;
// The thread yields at least once every this many blocks plus one, even when the device never
// makes it wait.
constexpr int32_t kMaxBlocksWithoutWait = 64;
// A buffer that has not finished this long after the output began to wait for it means the
// device has stopped playing (pulled, server gone, driver hung): the wait counts as a failed
// write and the output stops waiting on that device, so the error score ends the thread
// instead of the thread hanging.
constexpr uint32_t kStallMs = 1000;
constexpr int32_t kWriteFailScore = 4;
constexpr int32_t kDuplicateFailScore = 1;
constexpr int32_t kScoreLimit = 256;
// After a failed start, how long the ui thread waits for the previous thread to end.
constexpr int kStopPolls = 499;
constexpr uint32_t kStopPollMs = 10;

std::atomic<int32_t> g_state{0};
// Counts thread starts: the starting ui thread waits for it to move, which a thread that fails
// to open its device at once cannot hide the way a state that goes 1 -> -1 between two polls
// could.
std::atomic<uint32_t> g_starts{0};
// Cleared as the very last action of the thread: only then may another one start.
std::atomic<bool> g_alive{false};
std::atomic<uint64_t> g_blocks{0};

// The thread object, touched only by the ui thread. Never destroyed, so that a thread still
// running when the process ends does not take the process down with it.
std::thread& threadObject() {
    static std::thread* thread = new std::thread;
    return *thread;
}

// What the thread has to tell the user, told by the housekeeping thread: a box waits for the
// user, and the thread does not wait for anyone.
void tellPrimaryOpenFailure(const Chore& chore) {
    showMessageBox("Can't open Primary wave device ID %d\nError Code: %d", chore.first,
                   chore.second);
}
void tellSecondaryOpenFailure(const Chore& chore) {
    showMessageBox("Can't open Secondary wave device ID %d\nError Code: %d", chore.first,
                   chore.second);
}
void tellWriteFailure(const Chore&) {
    showMessageBox("Can't write to wave device: too many errors");
}

int32_t nextIndex(int32_t i, int32_t step = 1) {
    return (i + step) % kQueueBuffers;
}

// Everything one run of the thread owns, allocated before its block loop.
struct OutputRun {
    std::unique_ptr<Frame[]> main{new Frame[kBlockFrames]};
    std::unique_ptr<Frame[]> cue{new Frame[kBlockFrames]};
    std::unique_ptr<Frame[]> lineInput{new Frame[kLineInputFrames]};
    std::unique_ptr<Frame[]> lineOutput{new Frame[kBlockFrames]};
    OutputDevice primary;
    OutputDevice secondary;
    bool useSecondary = false;
    int32_t primaryIndex = 0;
    int32_t secondaryIndex = 0;
    int32_t secondaryCountdown = 0;
    int32_t score = 0;
    int32_t blocksWithoutWait = 0;
    bool stalled = false;

    MixBuffers buffers() const {
        return {main.get(), cue.get(), lineInput.get(), lineOutput.get()};
    }

    void scoreWrite(uint32_t result, int32_t failScore) {
        if (result != platform::kWaveOk)
            score += failScore;
        else if (score > 0)
            --score;
    }
};

BlockSettings readBlockSettings(const OutputRun& run) {
    BlockSettings settings;
    settings.hopCount = option(&OptionsRecord::OverSample) ? 8 : 4;
    settings.secondary = run.useSecondary;
    settings.preFader = option(&OptionsRecord::PreFader) != 0;
    settings.timeScale = option(&OptionsRecord::TimeScale) != 0;
    settings.headphoneMode = option(&OptionsRecord::HeadphoneMode);
    return settings;
}

// The secondary card's clock drifts against the primary's. A block the secondary has no free
// buffer for is dropped; when it is about to run dry, the last block is sent twice. After
// either correction, and after the start, the next 8 blocks go out unchecked.
void keepSecondaryInStep(OutputRun& run) {
    OutputDevice& secondary = run.secondary;
    if (run.secondaryCountdown != 0) {
        --run.secondaryCountdown;
        run.scoreWrite(secondary.queue(run.secondaryIndex), kWriteFailScore);
        run.secondaryIndex = nextIndex(run.secondaryIndex);
        return;
    }
    if (!secondary.isDone(run.secondaryIndex)) {
        run.secondaryCountdown = kQueueBuffers;
        return;
    }
    run.scoreWrite(secondary.queue(run.secondaryIndex), kWriteFailScore);
    run.secondaryIndex = nextIndex(run.secondaryIndex);
    const bool secondaryRunningDry = secondary.isDone(nextIndex(run.secondaryIndex, 1)) &&
                                     secondary.isDone(nextIndex(run.secondaryIndex, 2));
    const bool primaryBusy = !run.primary.isDone(nextIndex(run.primaryIndex, 1)) &&
                             !run.primary.isDone(nextIndex(run.primaryIndex, 2));
    if (secondaryRunningDry && primaryBusy) {
        secondary.copyBuffer(nextIndex(run.secondaryIndex, kQueueBuffers - 1), run.secondaryIndex);
        run.scoreWrite(secondary.queue(run.secondaryIndex), kDuplicateFailScore);
        run.secondaryIndex = nextIndex(run.secondaryIndex);
        run.secondaryCountdown = kQueueBuffers;
    }
}

// Waits until the next primary buffer may be refilled.
void waitForNextBuffer(OutputRun& run) {
    if (run.blocksWithoutWait > kMaxBlocksWithoutWait) {
        run.blocksWithoutWait = 1;
        platform::sleepMs(kPollMs);
    }
    const int32_t next = run.primaryIndex;
    const uint32_t start = platform::tickCount();
    bool waited = false;
    while (run.primary.isPending(next) && !run.stalled &&
           g_state.load(std::memory_order_acquire) != 0) {
        if (platform::tickCount() - start >= kStallMs) {
            run.score += kWriteFailScore;
            run.stalled = true;
            break;
        }
        platform::sleepMs(kPollMs);
        waited = true;
    }
    if (waited)
        run.blocksWithoutWait = 1;
    if (!run.primary.isPending(next))
        run.stalled = false;
}

// The block loop. Allocates nothing, takes no lock, does no I/O and waits for nobody but the
// device; the only way out other than a stop request is too many write errors.
void runBlocks(OutputRun& run) {
    const MixBuffers buffers = run.buffers();
    LineSlot* slots = slotTable();
    do {
        const BlockSettings settings = readBlockSettings(run);
        int16_t* secondary =
            run.useSecondary ? run.secondary.writable(run.secondaryIndex) : nullptr;
        mixBlock(slots, kLineSlotCount, settings, buffers, run.primary.writable(run.primaryIndex),
                 secondary);

        run.scoreWrite(run.primary.queue(run.primaryIndex), kWriteFailScore);
        if (run.useSecondary)
            keepSecondaryInStep(run);
        if (run.score > kScoreLimit) {
            postChore({.run = tellWriteFailure});
            return;
        }
        g_blocks.fetch_add(1, std::memory_order_release);
        run.primaryIndex = nextIndex(run.primaryIndex);
        ++run.blocksWithoutWait;
        waitForNextBuffer(run);
    } while (g_state.load(std::memory_order_acquire) != 0);
}

void clearLevels() {
    clearMasterLevels();
    LineSlot* slots = slotTable();
    for (int32_t i = 0; i < kLineSlotCount; ++i) {
        for (int j = 0; j < kPeakHistory; ++j) {
            slots[i].peakLeft[j].store(0.0f, std::memory_order_relaxed);
            slots[i].peakRight[j].store(0.0f, std::memory_order_relaxed);
        }
    }
}

void runOutput() {
    OutputRun run; // the four work buffers
    g_state.store(1, std::memory_order_release);
    g_starts.fetch_add(1, std::memory_order_release);

    run.useSecondary = option(&OptionsRecord::UseSecondary) != 0;
    if (platform::waveOutGetNumDevs() == 1) {
        setOption(&OptionsRecord::PrimaryDevice, 0);
        run.useSecondary = false;
    }

    const int32_t primaryId = option(&OptionsRecord::PrimaryDevice);
    if (const uint32_t error = run.primary.open(primaryId)) {
        postChore({.run = tellPrimaryOpenFailure,
                   .first = primaryId,
                   .second = static_cast<int32_t>(error)});
        return;
    }
    run.primary.prepareBuffers();
    if (run.useSecondary) {
        const int32_t secondaryId = option(&OptionsRecord::SecondaryDevice);
        if (const uint32_t error = run.secondary.open(secondaryId)) {
            postChore({.run = tellSecondaryOpenFailure,
                       .first = secondaryId,
                       .second = static_cast<int32_t>(error)});
            return; // the primary closes with the run
        }
        run.secondary.prepareBuffers();
    }

    resetMasterEq();
    clearLevels();
    platform::sleepMs(10);
    platform::raiseThreadPriority();
    if (g_state.load(std::memory_order_acquire) != 0)
        runBlocks(run);
}

void outputThread() {
    runOutput(); // closes the devices and frees the buffers on its way out
    g_state.store(-1, std::memory_order_release);
    g_alive.store(false, std::memory_order_release);
}

// Joins a thread that has ended; waits (bounded) for one that is still ending. False when an
// earlier thread is still alive, which only happens when its device hangs on closing.
bool reapThread() {
    std::thread& thread = threadObject();
    for (int i = 0; i < kStopPolls && g_alive.load(std::memory_order_acquire); ++i)
        platform::sleepMs(kStopPollMs);
    if (g_alive.load(std::memory_order_acquire))
        return false;
    if (thread.joinable())
        thread.join();
    return true;
}

} // namespace

uint64_t outputBlockCount() {
    return g_blocks.load(std::memory_order_acquire);
}

int32_t outputState() {
    return g_state.load(std::memory_order_acquire);
}

void startOutput() {
    if (g_state.load(std::memory_order_acquire) == 1)
        return;
    if (!reapThread()) {
        logEntry("Output thread still busy; not started again");
        return;
    }
    startHousekeeping();
    const uint32_t starts = g_starts.load(std::memory_order_acquire);
    g_alive.store(true, std::memory_order_release);
    try {
        threadObject() = std::thread(outputThread);
    } catch (...) {
        g_alive.store(false, std::memory_order_release);
        logEntry("Could not start the output thread");
        return;
    }
    while (g_starts.load(std::memory_order_acquire) == starts)
        platform::sleepMs(kStopPollMs);
}

void stopOutput() {
    int32_t running = 1;
    bool ended = false;
    if (g_state.load(std::memory_order_acquire) > 0 &&
        g_state.compare_exchange_strong(running, 0, std::memory_order_acq_rel)) {
        for (int i = 0; i < kStopPolls && !ended; ++i) {
            ended = g_state.load(std::memory_order_acquire) == -1;
            if (!ended)
                platform::sleepMs(kStopPollMs);
        }
        g_state.store(0, std::memory_order_release);
    }
    // A thread that has ended (here, or on its own after an error) is joined; one still stuck
    // on its device is left alone and joined by the next start.
    if (ended || !g_alive.load(std::memory_order_acquire)) {
        reapThread();
        stopHousekeeping();
    }
}

} // namespace klv::engine
