#include "engine/audio/line_mixer.h"

#include "engine/audio/gain_ramps.h"
#include "engine/audio/master_section.h"
#include "engine/audio/output_format.h"
#include "engine/audio/sample_ring.h"
#include "engine/audio/song_eq.h"
#include "engine/audio/speed_resampler.h"
#include "engine/audio/time_stretch.h"

#include <algorithm>
#include <cmath>

namespace klv::engine {

int32_t sourceCount(int32_t pitch, int32_t hopCount) {
    const int32_t n = std::clamp(pitch, 0, 2000) * kBlockFrames / 1000;
    return n - n % hopCount;
}

void mixLine(LineSlot& slot, const BlockSettings& settings, const MixBuffers& buffers) {
    constexpr auto relaxed = std::memory_order_relaxed;
    const int32_t n = sourceCount(slot.pitch.load(relaxed), settings.hopCount);

    // An empty or short ring plays silence for what is missing, and the position only counts
    // what was really taken.
    const int32_t taken = sampleRingRead(slot, buffers.lineInput, n);
    processSongEq(slot, buffers.lineInput, taken);
    std::fill(buffers.lineInput + taken, buffers.lineInput + n, Frame{0.0f, 0.0f});

    if (settings.timeScale)
        timeStretch(slot.stretch, buffers.lineInput, n, buffers.lineOutput, settings.hopCount,
                    outputStretchScratch());
    else
        speedResample(slot.resampleState, buffers.lineInput, n, buffers.lineOutput, kBlockFrames);

    const PanGains pan = panGains(slot.pan.load(relaxed));
    float peakLeft = shiftPeakHistory(slot.peakLeft);
    float peakRight = shiftPeakHistory(slot.peakRight);
    const bool cue = settings.secondary && slot.preview.load(relaxed) != 0;

    // The ui thread only sets currentVolume while the line is not playing, so the ramp can run
    // on a local copy for the whole block.
    float volume = slot.currentVolume.load(relaxed);
    const Frame* in = buffers.lineOutput;
    for (int32_t k = 0; k < kBlockFrames; ++k) {
        volume = stepVolume(volume, slot.volume.load(relaxed));
        const Frame frame = in[k];
        if (cue) {
            buffers.cue[k].left += frame.left;
            buffers.cue[k].right += frame.right;
        }
        const float left = frame.left * pan.left * volume;
        const float right = frame.right * pan.right * volume;
        peakLeft = std::max(peakLeft, std::fabs(settings.preFader ? frame.left : left));
        peakRight = std::max(peakRight, std::fabs(settings.preFader ? frame.right : right));
        buffers.main[k].left += left;
        buffers.main[k].right += right;
    }
    slot.currentVolume.store(volume, relaxed);
    slot.peakLeft[kPeakHistory - 1].store(peakLeft, relaxed);
    slot.peakRight[kPeakHistory - 1].store(peakRight, relaxed);
}

} // namespace klv::engine
