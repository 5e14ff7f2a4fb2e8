#include "engine/core/wav_convert.h"

#include "engine/audio/sample_ring.h"
#include "engine/core/file_ring.h"

namespace klv::engine {

namespace {

void toFrames(const uint8_t* bytes, int32_t frames, int32_t channels, int32_t bits, Frame* out) {
    if (bits == 16) {
        auto sample = [bytes](int32_t i) {
            return static_cast<float>(
                       static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8))) /
                   32768.0f;
        };
        for (int32_t i = 0; i < frames; ++i) {
            if (channels == 2)
                out[i] = {sample(2 * i), sample(2 * i + 1)};
            else
                out[i] = {sample(i), sample(i)};
        }
    } else {
        auto sample = [bytes](int32_t i) {
            return (static_cast<float>(bytes[i]) - 128.0f) / 128.0f;
        };
        for (int32_t i = 0; i < frames; ++i) {
            if (channels == 2)
                out[i] = {sample(2 * i), sample(2 * i + 1)};
            else
                out[i] = {sample(i), sample(i)};
        }
    }
}

// Rate conversion of one chunk of n input frames into at most 4096 output frames.
int32_t convertRate(LineSlot& slot, const Frame* input, int32_t n, Frame* output) {
    const double step = static_cast<double>(n) / kWavChunkOutputFrames;
    const double smoothing = step <= 1.0 ? step : 1.0 / step;
    double phase = slot.pcmPhase;
    double y[2] = {slot.pcmSmooth[0], slot.pcmSmooth[1]};
    double previous[2] = {slot.pcmSmoothPrev[0], slot.pcmSmoothPrev[1]};
    int32_t produced = 0;
    for (; produced < kWavChunkOutputFrames; ++produced) {
        const auto idx = static_cast<int32_t>(phase);
        if (idx >= n)
            break;
        const double frac = phase - idx;
        // The fraction of the last frame made, not the overshoot, is where the next chunk
        // starts.
        slot.pcmPhase = static_cast<float>(frac);
        const double x[2] = {input[idx].left, input[idx].right};
        double value[2];
        for (int c = 0; c < 2; ++c) {
            y[c] = static_cast<float>(y[c] + (x[c] - y[c]) * smoothing);
            value[c] = y[c] * frac + previous[c] * (1.0 - frac);
            previous[c] = y[c];
        }
        output[produced] = {static_cast<float>(value[0]), static_cast<float>(value[1])};
        phase += step;
    }
    for (int c = 0; c < 2; ++c) {
        slot.pcmSmooth[c] = static_cast<float>(y[c]);
        slot.pcmSmoothPrev[c] = static_cast<float>(previous[c]);
    }
    return produced;
}

} // namespace

int32_t convertWavChunk(LineHandle* h, LineSlot& slot, WavScratch& scratch) {
    const int32_t channels = slot.channels.load(std::memory_order_relaxed);
    const int32_t bits = slot.bitsPerSample.load(std::memory_order_relaxed);
    const int32_t n = wavChunkFrames(slot.sampleRate.load(std::memory_order_relaxed));
    if (n <= 0 || n > kWavMaxChunkFrames)
        return 0;
    const int32_t needed = n * (bits == 16 ? 2 : 1) * (channels == 2 ? 2 : 1);
    if (fileRingBuffered(slot) < needed)
        return 0;
    fileRingOf(slot).read(scratch.staging, needed);
    toFrames(scratch.staging, n, channels, bits, scratch.input);
    if (n == kWavChunkOutputFrames) {
        sampleRingWrite(h, scratch.input, n);
        return 0;
    }
    const int32_t produced = convertRate(slot, scratch.input, n, scratch.output);
    sampleRingWrite(h, scratch.output, produced);
    return 0;
}

} // namespace klv::engine
