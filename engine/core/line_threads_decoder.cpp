// The decoder thread's pass: one decode step when the SampleRing has room, the leading-silence
// skip before the line plays, and the end of the song.

#include "engine/audio/sample_ring.h"
#include "engine/codec/coded_source.h"
#include "engine/core/file_ring.h"
#include "engine/core/line_threads.h"
#include "engine/core/line_threads_handle.h"
#include "engine/core/options_copy.h"

#include <cmath>

namespace klv::engine {

namespace {

constexpr int32_t kBurstSteps = 64;
constexpr int32_t kDecodeRoomFrames = 8192;
constexpr int32_t kStepRestMs = 3;
constexpr int32_t kBurstRestMs = 10;
// The skip looks at the ring only while it holds more than this, so a song of 2032 frames or
// less is never taken for silence.
constexpr int32_t kSkipKeepFrames = 2048 - kSampleRingGuard;
constexpr int32_t kSkipStride = 4;

} // namespace

void skipLeadingSilence(LineHandle* h, LineSlot& slot, DecoderRun& run) {
    (void)h;
    // While the line is not playing the decoder is the ring's consumer.
    SampleRingView ring = sampleRingOf(slot);
    while (run.skipPending && ring.used() > kSkipKeepFrames) {
        // Once the line plays, the output thread owns the read index again.
        if (slot.playing.load(std::memory_order_acquire) != 0) {
            run.skipPending = false;
            return;
        }
        const Frame frame = ring.readSpan().front();
        if (std::fabs(frame.left) >= run.threshold || std::fabs(frame.right) >= run.threshold) {
            run.skipPending = false;
            return;
        }
        ring.commitRead(kSkipStride);
        slot.position.fetch_add(kSkipStride, std::memory_order_relaxed);
    }
}

// An empty SampleRing at the end of the file is not yet the end of the song while the FileRing
// still holds bytes that decode: when the decoder falls behind (a starved machine, a high
// pitch), the ring runs dry before the reader's last bytes are decoded, and a line marked
// finished then would lose the end of its song.
void checkFinished(LineHandle* h, LineSlot& slot, const DecoderRun& run) {
    if (sampleRingUsed(slot) != 0 || slot.endOfFile.load(std::memory_order_acquire) == 0)
        return;
    // A coded line's records are always whole, so nothing in its FileRing is left over: the
    // song ends once the End record has been decoded and all it left written.
    if (h->isWave == KLV_SOURCE_CODED) {
        if (h->decoder != nullptr && static_cast<const CodedSource*>(h->decoder)->drained())
            storeField(h->finished, 1);
        return;
    }
    if (fileRingBuffered(slot) == 0 || run.stepIdle)
        storeField(h->finished, 1);
}

int32_t decoderPass(LineHandle* h, LineSlot& slot, DecoderRun& run, WavScratch& wav,
                    Mp3Scratch& mp3) {
    if (loadField(h->finished) != 0)
        return kDecoderPassDone;
    int32_t sleep = 0;
    ++run.burst;
    const bool room = sampleRingFree(slot) > kDecodeRoomFrames;
    if (run.burst < kBurstSteps && room && !decodingHeld(slot)) {
        const int32_t fileRead = slot.fileRead.load(std::memory_order_relaxed);
        const int32_t sampleWrite = slot.sampleWrite.load(std::memory_order_relaxed);
        if (h->isWave == KLV_SOURCE_WAV) {
            convertWavChunk(h, slot, wav);
        } else if (h->isWave == KLV_SOURCE_CODED) {
            if (h->decoder != nullptr &&
                static_cast<CodedSource*>(h->decoder)->decodeStep(h, slot) != 0)
                return kDecoderPassFailed;
        } else if (h->decoder != nullptr &&
                   decodeMp3Step(h, slot, *static_cast<Mp3Decoder*>(h->decoder), mp3) != 0) {
            return kDecoderPassFailed;
        }
        run.stepIdle = fileRead == slot.fileRead.load(std::memory_order_relaxed) &&
                       sampleWrite == slot.sampleWrite.load(std::memory_order_relaxed);
        sleep = kStepRestMs;
    }
    if (run.burst >= kBurstSteps || !room) {
        run.burst = 0;
        sleep += kBurstRestMs;
    }
    if (run.skipPending && loadField(h->state) != 0 && option(&OptionsRecord::SkipSilence) != 0)
        skipLeadingSilence(h, slot, run);
    checkFinished(h, slot, run);
    return sleep;
}

} // namespace klv::engine
