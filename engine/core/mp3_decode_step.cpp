#include "engine/core/mp3_decode_step.h"

#include "engine/audio/sample_ring.h"
#include "engine/audio/speed_resampler.h"
#include "engine/core/file_ring.h"
#include "engine/core/log.h"
#include "engine/core/user_message.h"

#include <algorithm>
#include <span>

namespace klv::engine {

namespace {

// The rate converter's history per handle index. A line keeps its own so that its frames join
// up from step to step; the output thread's speed resampler has separate state in the slot.
constexpr int32_t kHandleIndices = 64;
float g_rateStates[kHandleIndices][kResampleStateSize];

float (&rateState(int32_t index))[kResampleStateSize] {
    return g_rateStates[((index % kHandleIndices) + kHandleIndices) % kHandleIndices];
}

} // namespace

int32_t decodeMp3Step(LineHandle* h, LineSlot& slot, Mp3Decoder& decoder, Mp3Scratch& scratch) {
    constexpr int32_t kRoom = static_cast<int32_t>(sizeof(scratch.output));
    int32_t frames = 0;
    Mp3Decoder::Answer answer = decoder.request(nullptr, 0, scratch.output, kRoom, frames, slot);
    FileRingView ring = fileRingOf(slot);
    while (answer == Mp3Decoder::Answer::NeedMore) {
        // Fed in place, never across the ring's end: the rest comes with the next piece.
        const std::span<const uint8_t> buffered = ring.readSpan();
        if (buffered.empty())
            break;
        const int32_t piece = std::min(kMp3FeedPiece, static_cast<int32_t>(buffered.size()));
        answer = decoder.request(buffered.data(), piece, scratch.output, kRoom, frames, slot);
        // The decoder has copied the piece, so the reader may have the space back.
        ring.commitRead(piece);
    }
    if (answer == Mp3Decoder::Answer::Corrupt) {
        logEntry("Corrupt MP3 File: %s", h->fileName != nullptr ? h->fileName : "");
        if (!h->quiet)
            sendUserMessage("Invalid or corrupted MP3 File");
        return -1;
    }
    if (answer != Mp3Decoder::Answer::Frame || frames <= 0)
        return 0;

    const int32_t sampleRate = slot.sampleRate.load(std::memory_order_relaxed);
    const int32_t converted =
        sampleRate > 0 ? static_cast<int32_t>(int64_t{frames} * 44100 / sampleRate) : frames;
    if (converted == frames || converted <= 0 ||
        converted > kResampleBufferBytes / static_cast<int32_t>(sizeof(Frame))) {
        sampleRingWrite(h, scratch.output, frames);
        return 0;
    }
    auto* resampled = reinterpret_cast<Frame*>(slot.resampleBuffer);
    speedResample(rateState(h->index), scratch.output, frames, resampled, converted);
    sampleRingWrite(h, resampled, converted);
    return 0;
}

} // namespace klv::engine
