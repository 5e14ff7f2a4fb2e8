#include "engine/core/mp3_xing.h"
#include "platform/system/file_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace klv::engine {

namespace {

constexpr off_t kXingOffset = 36;
constexpr int32_t kXingRead = 1024;
constexpr int32_t kAcceptedByteCountDifference = 4096;

enum XingFlags : uint32_t { kHasFrames = 1, kHasBytes = 2, kHasToc = 4 };

uint32_t readBe32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

} // namespace

int32_t readXingSeekTable(int fd, LineSlot& slot) {
    uint8_t bytes[kXingRead];
    const int32_t size = platform::readAt(fd, bytes, kXingRead, kXingOffset);
    if (size < 8 || std::memcmp(bytes, "Xing", 4) != 0)
        return -1;
    const uint32_t flags = readBe32(bytes + 4);
    int32_t at = 8;
    if (flags & kHasFrames)
        at += 4;
    const int64_t dataEnd = slot.dataEnd.load(std::memory_order_relaxed);
    if (flags & kHasBytes) {
        if (at + 4 > size)
            return -1;
        const int64_t byteCount = readBe32(bytes + at);
        at += 4;
        const int64_t difference = byteCount > dataEnd ? byteCount - dataEnd : dataEnd - byteCount;
        if (byteCount != 0 && difference > kAcceptedByteCountDifference)
            return -1;
    }
    if (!(flags & kHasToc) || at + kSeekTableEntries > size)
        return -1;
    int64_t previous = 0;
    for (int i = 0; i < kSeekTableEntries; ++i) {
        const int64_t entry = dataEnd * bytes[at + i] / 256;
        if (entry > dataEnd || (i > 0 && entry < previous))
            return -1;
        slot.seekTable[i].store(static_cast<int32_t>(entry), std::memory_order_relaxed);
        previous = entry;
    }
    return 0;
}

} // namespace klv::engine
