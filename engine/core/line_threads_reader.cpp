// The reader thread's pass: one block from the file into the FileRing (for a coded line, the
// packets of about one block as records), or a wait.

#include "engine/codec/coded_source.h"
#include "engine/core/file_ring.h"
#include "engine/core/file_type.h"
#include "engine/core/line_threads.h"
#include "engine/core/line_threads_handle.h"
#include "engine/core/log.h"
#include "engine/core/mp3_stream_search.h"
#include "engine/core/wav_header.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <span>

namespace klv::engine {

namespace {

constexpr uint32_t kReopenIntervalMs = 50;
constexpr uint32_t kHalfFileWaitMs = 5;
constexpr uint32_t kRingFullWaitMs = 25;
constexpr uint32_t kPassRestMs = 1;
constexpr int32_t kLargestChunkBytes = kWavMaxChunkFrames * 4;

const char* pathOf(const LineHandle* h) {
    return h->fileName != nullptr ? h->fileName : "";
}

struct ReadResult {
    int32_t bytes = 0;
    bool failed = false; // a read reported an error (not the end of the file)
};

// Reads up to count bytes into buffer; stops at the end of the file or at an error.
void readInto(int fd, uint8_t* buffer, int32_t count, ReadResult& result) {
    int32_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(fd, buffer + done, static_cast<size_t>(count - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            result.failed = true;
        if (got <= 0)
            break;
        done += static_cast<int32_t>(got);
    }
    result.bytes += done;
}

// Reads count bytes straight into the ring at the write index, in two parts when the block
// crosses the ring's end, each published after its bytes; stops at the end of the file or an
// error. The caller has checked that count bytes fit.
ReadResult readBlock(int fd, LineSlot& slot, int32_t count) {
    ReadResult result;
    FileRingView ring = fileRingOf(slot);
    while (result.bytes < count && !result.failed) {
        const std::span<uint8_t> room = ring.writeSpan();
        const int32_t wanted = std::min(count - result.bytes, static_cast<int32_t>(room.size()));
        if (wanted <= 0)
            break;
        const int32_t before = result.bytes;
        readInto(fd, room.data(), wanted, result);
        const int32_t got = result.bytes - before;
        if (got > 0)
            ring.commitWrite(got);
        if (got < wanted)
            break;
    }
    return result;
}

// After a read error: the medium may come back, so the file is opened again by path.
bool reopen(LineHandle* h, LineSlot& slot) {
    const int fd = openAudioFile(h->fileName);
    logEntry("Attempting Reopen: %s", pathOf(h));
    if (fd < 0)
        return false;
    ::lseek(fd, slot.filePos.load(std::memory_order_relaxed), SEEK_SET);
    storeField(h->file, fd);
    return true;
}

// The end of the audio data: a looping file starts again, any other is done.
void endOfData(LineHandle* h, LineSlot& slot, int fd) {
    if (loadField(h->loop) != 0) {
        if (h->isWave == KLV_SOURCE_WAV) {
            ::lseek(fd, kWavHeaderBytes, SEEK_SET);
            slot.filePos.store(kWavHeaderBytes, std::memory_order_relaxed);
            countLoopRestart(slot);
            return;
        }
        Mp3StreamInfo info;
        if (::lseek(fd, 0, SEEK_SET) == 0 && mp3StreamSearch(fd, &info) == 0) {
            slot.byteRateSum.store(info.byteRate, std::memory_order_release);
            slot.byteRateCount.store(1, std::memory_order_release);
            slot.byteRate.store(info.byteRate, std::memory_order_release);
            slot.filePos.store(0, std::memory_order_relaxed);
            countLoopRestart(slot);
            return;
        }
        // The file changed under the line: play out what is buffered instead of searching
        // again every pass.
        logEntry("Can't loop, no MP3 stream at the start of %s", pathOf(h));
    }
    slot.endOfFile.store(1, std::memory_order_release);
    slot.filePos.store(slot.dataEnd.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

// A read that failed, not at the end: the file is closed and opened again by its path later.
uint32_t readFailed(LineHandle* h, int fd) {
    ::close(fd);
    storeField(h->file, 0);
    logEntry("Read Error, not EOF - Closing, will re-open in 100ms [%s]", pathOf(h));
    return kReopenIntervalMs;
}

// A coded line's pass: the source demuxes packets into the FileRing as records.
uint32_t codedReaderPass(LineHandle* h, LineSlot& slot, int fd) {
    auto* source = static_cast<CodedSource*>(h->decoder);
    if (source == nullptr)
        return kReopenIntervalMs;
    switch (source->readPass(h, slot, fd)) {
    case CodedReadResult::Rest:
        return kPassRestMs;
    case CodedReadResult::HalfFile:
        return kHalfFileWaitMs;
    case CodedReadResult::RingFull:
        return kRingFullWaitMs;
    case CodedReadResult::IoFailed:
        return readFailed(h, fd);
    }
    return kPassRestMs;
}

} // namespace

uint32_t readerPass(LineHandle* h, LineSlot& slot) {
    int fd = loadField(h->file);
    if (fd <= 0) {
        if (loadField(h->state) == 0 || !reopen(h, slot))
            return kReopenIntervalMs;
        fd = loadField(h->file);
    }
    if (h->isWave == KLV_SOURCE_CODED)
        return codedReaderPass(h, slot, fd);
    const int32_t dataEnd = slot.dataEnd.load(std::memory_order_relaxed);
    // Never more than half the file in the ring, so a short file is not read ahead completely
    // (and a short looping file is never buffered twice); but always enough for the largest
    // WAV chunk, or a very short file could never be converted and never finish.
    const int32_t buffered = fileRingBuffered(slot);
    const int32_t limit = std::max(dataEnd / 2 - kFileRingGuard, kLargestChunkBytes);
    if (buffered >= limit)
        return kHalfFileWaitMs;
    if (fileRingFree(slot) <= kReaderBlock)
        return kRingFullWaitMs;

    const int32_t filePos = slot.filePos.load(std::memory_order_relaxed);
    int32_t count = std::min(kReaderBlock, limit - buffered);
    const bool lastPart = dataEnd - filePos < count;
    if (lastPart)
        count = std::max(dataEnd - filePos, 0);
    const ReadResult result = count > 0 ? readBlock(fd, slot, count) : ReadResult{};

    if (!lastPart && result.bytes == count) {
        // The descriptor knows best where the reads went on from (an MP3 frame search may have
        // moved it past filePos), but only while it still is the file: one that has gone bad
        // under the reads (a pulled medium) may answer -1, or 0, and the line would start over.
        const off_t at = ::lseek(fd, 0, SEEK_CUR);
        slot.filePos.store(std::max(filePos + result.bytes, static_cast<int32_t>(at)),
                           std::memory_order_relaxed);
        return kPassRestMs;
    }
    if (result.failed && !lastPart && slot.endOfFile.load(std::memory_order_relaxed) == 0) {
        slot.filePos.store(filePos + result.bytes, std::memory_order_relaxed);
        return readFailed(h, fd);
    }
    endOfData(h, slot, fd);
    return kPassRestMs;
}

} // namespace klv::engine
