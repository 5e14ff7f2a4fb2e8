// klvOpen and klvClose.

#include "engine/audio/eq_file.h"
#include "engine/core/file_type.h"
#include "engine/core/line_threads.h"
#include "engine/core/line_threads_handle.h"
#include "engine/core/log.h"
#include "engine/core/mp3_xing.h"
#include "engine/core/slot_pool.h"
#include "engine/core/transport.h"
#include "engine/core/transport_internal.h"
#include "engine/core/transport_message.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_set>

namespace klv::engine {

namespace {

constexpr size_t kMaxPathLength = KLV_PATH_BUFFER - 1;

// The fileName buffers this library handed out. A handle keeps its buffer from one open to the
// next (the line's threads may read it up to the moment they end); buffers live until the
// library is unloaded, so nothing a thread reads is ever freed under it.
std::unordered_set<char*>& nameBuffers() {
    static auto* buffers = new std::unordered_set<char*>;
    return *buffers;
}

char* nameBufferFor(LineHandle* h) {
    if (h->fileName != nullptr && nameBuffers().count(h->fileName) != 0)
        return h->fileName;
    auto* buffer = new (std::nothrow) char[KLV_PATH_BUFFER];
    if (buffer == nullptr)
        return nullptr;
    buffer[0] = '\0';
    nameBuffers().insert(buffer);
    return buffer;
}

bool setUpSlot(LineHandle* h, LineSlot& slot, int32_t fileSize) {
    slot.fileRing = new (std::nothrow) uint8_t[kFileRingBytes];
    storeField(h->state, 1);
    slot.sampleRing = new (std::nothrow) Frame[kSampleRingFrames];
    slot.resampleBuffer =
        reinterpret_cast<uint8_t*>(new (std::nothrow) Frame[kResampleBufferBytes / sizeof(Frame)]);
    if (slot.fileRing == nullptr || slot.sampleRing == nullptr || slot.resampleBuffer == nullptr)
        return false;
    slot.currentVolume.store(1.0f, std::memory_order_relaxed);
    slot.volume.store(1.0f, std::memory_order_relaxed);
    slot.pitch.store(1000, std::memory_order_relaxed);
    slot.dataEnd.store(fileSize, std::memory_order_relaxed);
    for (auto& band : slot.songEq)
        band.store(1.0f, std::memory_order_relaxed);
    return true;
}

// The per-song equalizer values stored for this file are applied here, after every band has
// been set to unity; the song equalizer reads them from its file.
void loadStoredSongEq(LineHandle* h, LineSlot& slot) {
    loadSongEq(h->fileName, slot);
}

void fillEvenSeekTable(LineSlot& slot) {
    const int64_t dataEnd = slot.dataEnd.load(std::memory_order_relaxed);
    for (int i = 0; i < kSeekTableEntries; ++i)
        slot.seekTable[i].store(static_cast<int32_t>(i * dataEnd / 100), std::memory_order_relaxed);
}

// Refuses the open with the "Can't open" box (unless quiet).
int32_t cannotOpen(LineHandle* h, const char* path, DeferredMessage& message) {
    if (!h->quiet)
        message.box("Can't open \"%s\"", path);
    return -1;
}

int32_t openLocked(LineHandle* h, const char* path, DeferredMessage& message) {
    if (lineSlot(h) != nullptr)
        closeLocked(h);

    if (path != nullptr) {
        const size_t length = std::strlen(path);
        if (length > kMaxPathLength) {
            logEntry("Path too long to open (%zu characters): %.200s...", length, path);
            return cannotOpen(h, path, message);
        }
        char* buffer = nameBufferFor(h);
        if (buffer == nullptr) {
            logEntry("Out of memory opening %s", path);
            return -1;
        }
        if (buffer != path)
            std::memmove(buffer, path, length + 1);
        h->fileName = buffer;
    } else if (h->fileName == nullptr) {
        logEntry("Nothing to reopen: the line never had a file");
        return -1;
    }
    const char* name = h->fileName;

    const int fd = openAudioFile(name);
    if (fd < 0) {
        if (errno == EISDIR || errno == ENODEV)
            logEntry("Not a regular file, not opened: %s", name);
        return cannotOpen(h, name, message);
    }
    storeField(h->file, fd);
    const int64_t size = audioFileSize(fd);
    if (size < 0 || size > INT32_MAX) {
        logEntry("File too large to play (%lld bytes): %s", static_cast<long long>(size), name);
        closeLineFile(h);
        return cannotOpen(h, name, message);
    }

    LineSlot* slot = takeSlot();
    if (slot == nullptr) {
        logEntry("All %d lines are in use, not opened: %s", kLineSlotCount, name);
        closeLineFile(h);
        return cannotOpen(h, name, message);
    }
    setLineSlot(h, slot);
    holdDecoding(*slot, false);
    resetLoopRestarts(*slot);
    h->decoder = nullptr;
    if (!setUpSlot(h, *slot, static_cast<int32_t>(size))) {
        logEntry("Out of memory opening %s", name);
        releaseSlot(h, *slot);
        closeLineFile(h);
        return -1;
    }
    loadStoredSongEq(h, *slot);

    if (detectFileType(h, *slot, message) != 0) {
        releaseSlot(h, *slot);
        closeLineFile(h);
        return -1;
    }
    slot->byteRateCount.store(1, std::memory_order_relaxed);
    slot->byteRate.store(slot->byteRateSum.load(std::memory_order_relaxed),
                         std::memory_order_relaxed);

    if (h->isWave == KLV_SOURCE_WAV) {
        const int64_t dataEnd = slot->dataEnd.load(std::memory_order_relaxed);
        slot->seekTable[0].store(44, std::memory_order_relaxed);
        for (int i = 1; i < kSeekTableEntries; ++i)
            slot->seekTable[i].store(static_cast<int32_t>(i * dataEnd / 100),
                                     std::memory_order_relaxed);
    } else if (h->isWave == KLV_SOURCE_CODED || readXingSeekTable(fd, *slot) != 0) {
        // A coded line seeks by time; the table only shows where in the file that is about.
        fillEvenSeekTable(*slot);
    }

    startLineThreads(h);
    return 0;
}

} // namespace

void closeLocked(LineHandle* h) {
    LineSlot* slot = lineSlot(h);
    if (slot == nullptr)
        return;
    stopPlayingAndThreads(h, *slot);
    releaseSlot(h, *slot);
    closeLineFile(h);
    releaseLineDecoder(h);
    storeField(h->state, 0);
}

} // namespace klv::engine

using namespace klv::engine;

extern "C" KLV_API int32_t klvOpen(LineHandle* h, const char* path) {
    if (h == nullptr)
        return -1;
    DeferredMessage message;
    int32_t result;
    {
        TransportGuard guard(h);
        result = guard.entered() ? openLocked(h, path, message) : -1;
    }
    message.send();
    return result;
}

extern "C" KLV_API int32_t klvClose(LineHandle* h) {
    if (h == nullptr)
        return 0;
    TransportGuard guard(h);
    if (guard.entered())
        closeLocked(h);
    return 0;
}
