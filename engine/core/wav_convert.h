#pragma once
// Turning a line's WAV sample data into frames at 44100 per second, one chunk per call. A chunk
// is the input that makes 4096 output frames: 4096 input frames at 44100, 2048 at 22050, 4458
// at 48000. Other rates go through a linear interpolator with a one-pole smoother; its state
// (pcmSmooth, pcmSmoothPrev, pcmPhase) lives in the slot and carries over from chunk to chunk.

#include "engine/core/line_slot.h"
#include "klv3.h"

#include <cstdint>

namespace klv::engine {

// Output frames of one chunk, and the largest input chunk (48000 per second).
constexpr int32_t kWavChunkOutputFrames = 4096;
constexpr int32_t kWavMaxChunkFrames = 48000 * 4096 / 44100;

// The buffers of one decoder thread. Threads of different lines convert at the same time, so
// each has its own.
struct WavScratch {
    uint8_t staging[kWavMaxChunkFrames * 4];
    Frame input[kWavMaxChunkFrames];
    Frame output[kWavChunkOutputFrames];
};

// Input frames per chunk for a sample rate.
constexpr int32_t wavChunkFrames(int32_t sampleRate) {
    return sampleRate * 4096 / 44100;
}

// Converts one chunk from the FileRing into the SampleRing when the FileRing holds a whole
// chunk; otherwise does nothing. The caller makes sure the SampleRing has room for 4096 frames.
// Returns 0. [the line's decoder thread]
int32_t convertWavChunk(LineHandle* h, LineSlot& slot, WavScratch& scratch);

} // namespace klv::engine
