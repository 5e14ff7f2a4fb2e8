#include "engine/audio/block_mixer.h"

#include "engine/audio/gain_ramps.h"
#include "engine/audio/master_eq.h"
#include "engine/audio/master_section.h"
#include "engine/audio/output_format.h"
#include "engine/audio/plugin_host.h"
#include "engine/audio/reader_pass.h"
#include "engine/core/log.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace klv::engine {

namespace {

// The output thread's walk over the line slots. With the seq_cst load of each slot's playing
// flag it lets the ui thread know when a line it stopped is out of the mix.
ReaderPass g_linePass;
// After this long a closing line's wait is logged (once); it goes on waiting all the same.
constexpr uint32_t kSlowUnmixMs = 1000;

std::atomic<void (*)(int32_t)> g_lineHook{nullptr};

void mixLines(LineSlot* slots, int32_t count, const BlockSettings& settings,
              const MixBuffers& buffers) {
    g_linePass.begin();
    for (int32_t i = 0; i < count; ++i) {
        LineSlot& slot = slots[i];
        // playing first: a ring is allocated before its line is ever started.
        if (slot.playing.load(std::memory_order_seq_cst) != 0 && slot.sampleRing) {
            if (auto* hook = g_lineHook.load(std::memory_order_relaxed))
                hook(i);
            mixLine(slot, settings, buffers);
        }
    }
    g_linePass.end();
}

void applyMasterGain(Frame* mix) {
    MasterValues& values = masterValues();
    MasterGain gain{values.currentLeft.load(std::memory_order_relaxed),
                    values.currentRight.load(std::memory_order_relaxed)};
    for (int32_t k = 0; k < kBlockFrames; ++k) {
        gain.step(values.targetLeft.load(std::memory_order_relaxed),
                  values.targetRight.load(std::memory_order_relaxed));
        mix[k].left *= gain.left;
        mix[k].right *= gain.right;
    }
    values.currentLeft.store(gain.left, std::memory_order_relaxed);
    values.currentRight.store(gain.right, std::memory_order_relaxed);
}

void updateMasterMeter(const Frame* mix) {
    MasterLevels& levels = masterLevels();
    float left = shiftPeakHistory(levels.left);
    float right = shiftPeakHistory(levels.right);
    for (int32_t k = 0; k < kBlockFrames; ++k) {
        left = std::max(left, std::fabs(mix[k].left));
        right = std::max(right, std::fabs(mix[k].right));
    }
    levels.left[kPeakHistory - 1].store(left, std::memory_order_relaxed);
    levels.right[kPeakHistory - 1].store(right, std::memory_order_relaxed);
}

// There is no limiter: a mix above full scale clips here.
void convertMain(const Frame* mix, int16_t* out) {
    for (int32_t k = 0; k < kBlockFrames; ++k) {
        out[2 * k] = toPcm16(mix[k].left * kPcmScale);
        out[2 * k + 1] = toPcm16(mix[k].right * kPcmScale);
    }
}

// The cue mix at the headphone level; with a headphone mode the left (mode 2) or both sides
// (mode 1) carry the main mix instead, as 16-bit main samples at the headphone level. Those are
// clamped too, so a headphone level above 1.0 clips rather than wraps around.
void convertSecondary(const Frame* main, const Frame* cue, int32_t headphoneMode, int16_t* out) {
    const float headphone = masterValues().headphone.load(std::memory_order_relaxed);
    for (int32_t k = 0; k < kBlockFrames; ++k) {
        int16_t left = toPcm16(cue[k].left * headphone * kPcmScale);
        int16_t right = toPcm16(cue[k].right * headphone * kPcmScale);
        if (headphoneMode != 0) {
            left = toPcm16(toPcm16(main[k].left * kPcmScale) * headphone);
            if (headphoneMode == 1)
                right = toPcm16(toPcm16(main[k].right * kPcmScale) * headphone);
        }
        out[2 * k] = left;
        out[2 * k + 1] = right;
    }
}

} // namespace

void mixBlock(LineSlot* slots, int32_t count, const BlockSettings& settings,
              const MixBuffers& buffers, int16_t* primary, int16_t* secondary) {
    std::fill(buffers.main, buffers.main + kBlockFrames, Frame{0.0f, 0.0f});
    std::fill(buffers.cue, buffers.cue + kBlockFrames, Frame{0.0f, 0.0f});
    mixLines(slots, count, settings, buffers);
    runPlugins(buffers.main, kBlockFrames);
    applyMasterGain(buffers.main);
    processMasterEq(buffers.main, kBlockFrames);
    updateMasterMeter(buffers.main);
    if (primary)
        convertMain(buffers.main, primary);
    if (settings.secondary && secondary)
        convertSecondary(buffers.main, buffers.cue, settings.headphoneMode, secondary);
}

void waitUntilLineUnmixed() {
    // Mixing all lines takes well under a millisecond, so the first poll or two find the pass
    // ended. One that is preempted takes longer, and its lines must stay until it has ended.
    if (g_linePass.waitForPassEnd(kSlowUnmixMs, 1, [] {}))
        return;
    logEntry("A line waits for the output thread to leave it");
    g_linePass.waitForPassEnd(0, 1, [] {});
}

void setLineMixHook(void (*hook)(int32_t slotIndex)) {
    g_lineHook.store(hook, std::memory_order_relaxed);
}

} // namespace klv::engine
