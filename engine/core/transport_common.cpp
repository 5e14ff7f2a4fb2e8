// Pieces shared by the transport calls: the lock, releasing a slot, reopening the file.

#include "engine/core/transport.h"
#include "engine/core/transport_internal.h"

#include "engine/audio/block_mixer.h"
#include "engine/codec/coded_source.h"
#include "engine/core/file_type.h"
#include "engine/core/line_threads.h"
#include "engine/core/line_threads_handle.h"
#include "engine/core/log.h"
#include "engine/core/mp3_decoder.h"
#include "engine/core/slot_pool.h"

#include <unistd.h>

namespace klv::engine {

namespace {

std::recursive_mutex& transportLock() {
    static std::recursive_mutex lock;
    return lock;
}

// The handles the transport calls on this thread's stack are changing, innermost last.
constexpr int kMaxNesting = 16;
thread_local const LineHandle* t_busy[kMaxNesting];
thread_local int t_depth = 0;

} // namespace

bool lineBusyOnThisThread(const LineHandle* h) {
    for (int i = 0; i < t_depth; ++i) {
        if (t_busy[i] == h)
            return true;
    }
    return false;
}

TransportGuard::TransportGuard(LineHandle* h) : m_handle(h) {
    transportLock().lock();
    if (lineBusyOnThisThread(h) || t_depth >= kMaxNesting) {
        logEntry("Transport call on a line that is being changed, not done: %s",
                 h->fileName != nullptr ? h->fileName : "");
        return;
    }
    t_busy[t_depth++] = h;
    m_entered = true;
}

TransportGuard::~TransportGuard() {
    if (m_entered)
        --t_depth;
    transportLock().unlock();
}

void stopPlayingAndThreads(LineHandle* h, LineSlot& slot) {
    slot.playing.store(0, std::memory_order_seq_cst);
    // A block that saw the line playing may still be reading its ring: let it end before the
    // ring is reset or freed.
    waitUntilLineUnmixed();
    stopLineThreads(h);
}

void releaseSlot(LineHandle* h, LineSlot& slot) {
    holdDecoding(slot, false);
    resetLoopRestarts(slot);
    delete[] slot.fileRing;
    delete[] slot.sampleRing;
    delete[] reinterpret_cast<Frame*>(slot.resampleBuffer);
    clearSlot(slot);
    setLineSlot(h, nullptr);
}

void closeLineFile(LineHandle* h) {
    const int fd = loadField(h->file);
    if (fd > 0)
        ::close(fd);
    storeField(h->file, 0);
}

bool reopenLineFile(LineHandle* h) {
    closeLineFile(h);
    const int fd = openAudioFile(h->fileName);
    if (fd < 0)
        return false;
    storeField(h->file, fd);
    return true;
}

void releaseLineDecoder(LineHandle* h) {
    if (h->decoder == nullptr)
        return;
    if (h->isWave == KLV_SOURCE_CODED)
        CodedSource::destroy(static_cast<CodedSource*>(h->decoder));
    else
        Mp3Decoder::destroy(static_cast<Mp3Decoder*>(h->decoder));
    h->decoder = nullptr;
}

void clearStreamState(LineSlot& slot) {
    resetLoopRestarts(slot);
    for (auto& peak : slot.peakLeft)
        peak.store(0.0f, std::memory_order_relaxed);
    for (auto& peak : slot.peakRight)
        peak.store(0.0f, std::memory_order_relaxed);
    slot.stretch = TimeStretchState{};
    slot.sampleRead.store(0, std::memory_order_relaxed);
    slot.sampleWrite.store(0, std::memory_order_relaxed);
    slot.fileRead.store(0, std::memory_order_relaxed);
    slot.fileWrite.store(0, std::memory_order_release);
}

void restartByteRate(LineSlot& slot, int32_t byteRate) {
    slot.byteRateSum.store(byteRate, std::memory_order_release);
    slot.byteRateCount.store(1, std::memory_order_release);
    slot.byteRate.store(byteRate, std::memory_order_release);
}

void stopAfterDecodeFailure(LineHandle* h, LineSlot* slot, uint32_t generation) {
    std::lock_guard<std::recursive_mutex> lock(transportLock());
    // A stop, seek or close since the thread started bumped the generation; then the handle
    // may no longer be this line's (or may be gone) and is not touched.
    if (lineGeneration(*slot) != generation)
        return;
    TransportGuard guard(h);
    holdDecoding(*slot, true);
    stopAndRewindLocked(h);
}

} // namespace klv::engine
