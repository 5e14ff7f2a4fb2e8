// klvDisplayPos, klvUpdatePos, klvGetInfo and klvSetPreview: position, length and times.

#include "engine/audio/sample_ring.h"
#include "engine/codec/coded_source.h"
#include "engine/core/file_ring.h"
#include "engine/core/line_threads.h"
#include "engine/core/line_threads_handle.h"
#include "engine/core/mp3_decoder.h"

#include <algorithm>
#include <cstdio>

using namespace klv::engine;

namespace {

constexpr int64_t kFramesPerSecond = 44100;
// The program's time buffers hold at least this much; "-99:59.99" and its zero fit.
constexpr size_t kTimeText = 10;

// Frames as minutes (modulo 100), seconds and hundredths. A position a little before the start
// (the rings are filled ahead) shows as 0:00.00.
void formatTime(char* out, const char* sign, int64_t frames) {
    if (frames < 0)
        frames = 0;
    const int64_t seconds = frames / kFramesPerSecond;
    std::snprintf(out, kTimeText, "%s%d:%02d.%02d", sign, static_cast<int>((seconds / 60) % 100),
                  static_cast<int>(seconds % 60), static_cast<int>((frames / 441) % 100));
}

} // namespace

extern "C" KLV_API int32_t klvDisplayPos(LineHandle* h, int32_t percent) {
    LineSlot* slot = h != nullptr ? lineSlot(h) : nullptr;
    if (slot == nullptr)
        return 0;
    const int32_t p = std::clamp(percent, 0, 99);
    const int64_t length = slot->length.load(std::memory_order_relaxed);
    slot->position.store(static_cast<int32_t>(p * length / 100), std::memory_order_relaxed);
    storeField(h->percent, p);
    return 0;
}

namespace {

// The position a line shows, and what that makes of its remaining time and percent.
void publishPosition(LineHandle* h, LineSlot& slot, int64_t position, int64_t length) {
    slot.position.store(static_cast<int32_t>(position), std::memory_order_relaxed);
    slot.length.store(static_cast<int32_t>(length), std::memory_order_relaxed);
    storeField(h->remaining, static_cast<int32_t>((length - position) * 100 / kFramesPerSecond));
    storeField(h->percent, static_cast<int32_t>(position * 100 / length));
}

// A coded line counts its frames: the decoder's count less what the SampleRing still holds,
// exact to the frame; the length is the container's (or, once played through, the count).
void updateCodedPosition(LineHandle* h, LineSlot& slot, const CodedSource& source) {
    const int64_t length = slot.length.load(std::memory_order_relaxed);
    if (length <= 0)
        return;
    int64_t position = source.position(slot);
    if (loopRestarts(slot) == 0)
        position = std::clamp<int64_t>(position, 0, length);
    else if (position < 0)
        position += length; // the end of the previous pass is still buffered
    publishPosition(h, slot, std::clamp<int64_t>(position, 0, length), length);
}

} // namespace

extern "C" KLV_API int32_t klvUpdatePos(LineHandle* h) {
    LineSlot* slot = h != nullptr ? lineSlot(h) : nullptr;
    if (slot == nullptr)
        return 0;
    if (h->isWave == KLV_SOURCE_CODED) {
        if (h->decoder != nullptr)
            updateCodedPosition(h, *slot, *static_cast<const CodedSource*>(h->decoder));
        return 0;
    }
    const int64_t byteRate = slot->byteRate.load(std::memory_order_acquire);
    if (byteRate <= 0)
        return 0;
    const int64_t length =
        slot->dataEnd.load(std::memory_order_relaxed) * kFramesPerSecond / byteRate;
    if (length <= 0)
        return 0;

    int64_t bytesWaiting = kFileRingBytes - fileRingFree(*slot);
    if (h->isWave == KLV_SOURCE_MP3 && h->decoder != nullptr)
        bytesWaiting += static_cast<Mp3Decoder*>(h->decoder)->heldBytes();
    const int64_t framesWaiting = kSampleRingFrames - sampleRingFree(*slot);
    const int64_t filePos = slot->filePos.load(std::memory_order_relaxed);
    int64_t position = (filePos - bytesWaiting) * kFramesPerSecond / byteRate - framesWaiting;

    if (loopRestarts(*slot) == 0) {
        // Not yet read again from its start: the rings' 16-frame and 16-byte guards (and a
        // variable bit rate's average) put a line at its start a little before 0, and an
        // estimate may overshoot the end; neither means anything but the start or the end.
        position = std::clamp<int64_t>(position, 0, length);
    } else {
        // Folds the position back into the song when the file has been read again from its
        // start. Whole multiples at once, as repeated steps of one length would give.
        const int64_t previousLength = slot->length.load(std::memory_order_relaxed);
        if (position < 0)
            position += (-position + length - 1) / length * length;
        if (position > previousLength)
            position -= (position - previousLength + length - 1) / length * length;
    }

    publishPosition(h, *slot, position, length);
    return 0;
}

extern "C" KLV_API int32_t klvGetInfo(LineHandle* h, int32_t* byteRate, int32_t* sampleRate,
                                      char* total, char* remaining, char* elapsed) {
    LineSlot* slot = h != nullptr ? lineSlot(h) : nullptr;
    if (slot == nullptr)
        return 0;
    if (byteRate != nullptr)
        *byteRate = slot->byteRate.load(std::memory_order_acquire);
    if (sampleRate != nullptr)
        *sampleRate = slot->sampleRate.load(std::memory_order_relaxed);
    if (loadField(h->state) != 2)
        slot->position.store(0, std::memory_order_relaxed);
    const int64_t length = slot->length.load(std::memory_order_relaxed);
    const int64_t position = slot->position.load(std::memory_order_relaxed);
    if (length < position)
        return 0;
    if (total != nullptr)
        formatTime(total, "", length);
    if (remaining != nullptr)
        formatTime(remaining, "-", length - position);
    if (elapsed != nullptr)
        formatTime(elapsed, "", position);
    return 0;
}

extern "C" KLV_API int32_t klvSetPreview(LineHandle* h) {
    LineSlot* slot = h != nullptr ? lineSlot(h) : nullptr;
    if (slot == nullptr)
        return 0;
    slot->preview.store(loadField(h->preview), std::memory_order_release);
    return 0;
}
