#include "engine/audio/block_mixer.h"

#include "engine/audio/chain_stages.h"
#include "engine/audio/gain_ramps.h"
#include "engine/audio/master_section.h"
#include "engine/audio/output_format.h"
#include "platform/clock.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace klv::engine {

namespace {

// Set while the output thread walks the line slots. Together with the seq_cst load of each
// slot's playing flag it lets the ui thread know when a line it stopped is out of the mix.
std::atomic<int32_t> g_mixingLines{0};

void mixLines(LineSlot* slots, int32_t count, const BlockSettings& settings,
              const MixBuffers& buffers) {
    g_mixingLines.store(1, std::memory_order_seq_cst);
    for (int32_t i = 0; i < count; ++i) {
        LineSlot& slot = slots[i];
        // playing first: a ring is allocated before its line is ever started.
        if (slot.playing.load(std::memory_order_seq_cst) != 0 && slot.sampleRing)
            mixLine(slot, settings, buffers);
    }
    g_mixingLines.store(0, std::memory_order_release);
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
    runPluginChain(buffers.main, kBlockFrames);
    applyMasterGain(buffers.main);
    applyMasterEqualizer(buffers.main, kBlockFrames);
    updateMasterMeter(buffers.main);
    if (primary)
        convertMain(buffers.main, primary);
    if (settings.secondary && secondary)
        convertSecondary(buffers.main, buffers.cue, settings.headphoneMode, secondary);
}

void waitUntilLineUnmixed() {
    // Mixing all lines takes well under a millisecond, so a few polls find a gap between blocks.
    for (int i = 0; i < 100 && g_mixingLines.load(std::memory_order_seq_cst) != 0; ++i)
        platform::sleepMs(1);
}

} // namespace klv::engine
