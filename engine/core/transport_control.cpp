// klvPlay, klvPause, klvStop and klvSetPos.

#include "engine/codec/coded_source.h"
#include "engine/core/line_threads.h"
#include "engine/core/line_threads_handle.h"
#include "engine/core/mp3_decoder.h"
#include "engine/core/mp3_stream_search.h"
#include "engine/core/transport.h"
#include "engine/core/transport_internal.h"
#include "engine/core/wav_header.h"

#include <unistd.h>

#include <algorithm>

namespace klv::engine {

namespace {

// Runs the MP3 stream search from the file's current offset and restarts the byte-rate average
// from the frame found. When no frame is found the file goes back to where the search started
// (the decoder finds its own way from there) and the average starts from the last known rate.
void searchFrameFrom(LineHandle* h, LineSlot& slot, off_t offset) {
    const int fd = loadField(h->file);
    Mp3StreamInfo info;
    if (fd > 0 && ::lseek(fd, offset, SEEK_SET) == offset && mp3StreamSearch(fd, &info) == 0) {
        restartByteRate(slot, info.byteRate);
        return;
    }
    if (fd > 0)
        ::lseek(fd, offset, SEEK_SET);
    restartByteRate(slot, slot.byteRate.load(std::memory_order_relaxed));
}

// The decoder starts a new stream at frame (at 44100); a coded line's reader seeks there.
void resetDecoder(LineHandle* h, int64_t frame) {
    if (h->decoder == nullptr)
        return;
    if (h->isWave == KLV_SOURCE_CODED)
        static_cast<CodedSource*>(h->decoder)->restartAt(frame);
    else if (h->isWave == KLV_SOURCE_MP3)
        static_cast<Mp3Decoder*>(h->decoder)->reset();
}

} // namespace

void stopAndRewindLocked(LineHandle* h) {
    LineSlot* slot = lineSlot(h);
    if (slot == nullptr)
        return;
    storeField(h->paused, 0);
    stopPlayingAndThreads(h, *slot);

    slot->endOfFile.store(0, std::memory_order_relaxed);
    slot->filePos.store(0, std::memory_order_relaxed);
    const bool opened = reopenLineFile(h);
    storeField(h->state, 1);
    resetDecoder(h, 0);

    clearStreamState(*slot);
    slot->position.store(0, std::memory_order_relaxed);
    storeField(h->percent, 0);

    if (h->isWave == KLV_SOURCE_WAV) {
        if (opened)
            ::lseek(loadField(h->file), kWavHeaderBytes, SEEK_SET);
        slot->filePos.store(kWavHeaderBytes, std::memory_order_relaxed);
    } else if (h->isWave == KLV_SOURCE_MP3 && opened) {
        searchFrameFrom(h, *slot, 0);
    }
    startLineThreads(h);
}

} // namespace klv::engine

using namespace klv::engine;

extern "C" KLV_API int32_t klvPlay(LineHandle* h) {
    LineSlot* slot = h != nullptr ? lineSlot(h) : nullptr;
    // A line that a transport call further up is stopping or closing must not start playing.
    if (slot == nullptr || lineBusyOnThisThread(h))
        return 0;
    holdDecoding(*slot, false);
    storeField(h->state, 2);
    slot->playing.store(1, std::memory_order_release);
    return 0;
}

extern "C" KLV_API int32_t klvPause(LineHandle* h) {
    LineSlot* slot = h != nullptr ? lineSlot(h) : nullptr;
    if (slot == nullptr || lineBusyOnThisThread(h))
        return 0;
    if (slot->playing.load(std::memory_order_acquire) != 0) {
        slot->playing.store(0, std::memory_order_release);
        storeField(h->paused, 1);
        return 0;
    }
    klvPlay(h);
    // The line fades in from silence rather than starting with a click.
    slot->currentVolume.store(0.0f, std::memory_order_release);
    storeField(h->paused, 0);
    return 0;
}

extern "C" KLV_API int32_t klvStop(LineHandle* h) {
    if (h == nullptr)
        return 0;
    TransportGuard guard(h);
    if (!guard.entered())
        return 0;
    if (LineSlot* slot = lineSlot(h))
        holdDecoding(*slot, false);
    stopAndRewindLocked(h);
    return 0;
}

extern "C" KLV_API int32_t klvSetPos(LineHandle* h, int32_t percent) {
    if (h == nullptr)
        return 0;
    TransportGuard guard(h);
    LineSlot* slot = lineSlot(h);
    if (!guard.entered() || slot == nullptr)
        return 0;
    const int32_t p = std::clamp(percent, 0, 99);
    holdDecoding(*slot, false);
    stopPlayingAndThreads(h, *slot);

    slot->endOfFile.store(0, std::memory_order_relaxed);
    const bool opened = reopenLineFile(h);
    storeField(h->state, 1);
    const int64_t length = slot->length.load(std::memory_order_relaxed);
    resetDecoder(h, p * length / 100);
    storeField(h->finished, 0);

    clearStreamState(*slot);
    slot->position.store(static_cast<int32_t>(p * length / 100), std::memory_order_relaxed);
    storeField(h->percent, p);

    const int32_t entry = slot->seekTable[p].load(std::memory_order_relaxed);
    if (h->isWave == KLV_SOURCE_CODED) {
        // The reader seeks the demuxer to the frame on its first pass.
        slot->filePos.store(entry, std::memory_order_relaxed);
    } else if (h->isWave == KLV_SOURCE_WAV) {
        // Whole frames of every format start on a multiple of 4 from byte 44.
        const int32_t offset = std::max(entry & ~3, kWavHeaderBytes);
        slot->filePos.store(offset, std::memory_order_relaxed);
        if (opened)
            ::lseek(loadField(h->file), offset, SEEK_SET);
    } else {
        slot->filePos.store(entry, std::memory_order_relaxed);
        if (opened)
            searchFrameFrom(h, *slot, entry);
    }
    if (p > 0)
        slot->currentVolume.store(0.0f, std::memory_order_release);

    startLineThreads(h);
    storeField(h->state, 2);
    return 0;
}
