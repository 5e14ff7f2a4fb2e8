#include "engine/core/mp3_stream_search.h"

#include "engine/core/mp3_header.h"

#include <unistd.h>

#include <cerrno>
#include <memory>

namespace klv::engine {

namespace {

constexpr int32_t kScanBlock = 1024;
// The search never holds more than the limit, one block to cross it, one frame and the look at
// the next header.
constexpr int32_t kScanCapacity = kMp3SearchLimit + 3 * kScanBlock + kMp3MaxFrameLength + 8;

class ScanBuffer {
public:
    explicit ScanBuffer(int fd) : m_fd(fd), m_bytes(new uint8_t[kScanCapacity]) {}

    // Appends up to one block from the file; false at the end of the file, on a read error or
    // when the buffer is full.
    bool readMore() {
        const int32_t room = kScanCapacity - m_size;
        const int32_t want = room < kScanBlock ? room : kScanBlock;
        if (want <= 0)
            return false;
        ssize_t got;
        do {
            got = ::read(m_fd, m_bytes.get() + m_size, static_cast<size_t>(want));
        } while (got < 0 && errno == EINTR);
        if (got <= 0)
            return false;
        m_size += static_cast<int32_t>(got);
        return true;
    }

    int32_t size() const { return m_size; }
    uint8_t at(int32_t i) const { return m_bytes[static_cast<size_t>(i)]; }
    const uint8_t* data(int32_t i) const { return m_bytes.get() + i; }

private:
    int m_fd;
    std::unique_ptr<uint8_t[]> m_bytes;
    int32_t m_size = 0;
};

} // namespace

int32_t mp3StreamSearch(int fd, Mp3StreamInfo* info) {
    const off_t start = ::lseek(fd, 0, SEEK_CUR);
    if (start < 0)
        return -1;
    ScanBuffer scan(fd);
    while (scan.size() < 4) {
        if (!scan.readMore())
            return -1;
    }
    uint32_t word = mp3Word(scan.data(0));
    int32_t p = 4; // bytes consumed; word holds bytes p-4 .. p-1

    // Shifts the next byte into the word, reading another block when the buffer is used up.
    auto shiftIn = [&]() -> bool {
        if (p >= scan.size()) {
            if (p > kMp3SearchLimit || !scan.readMore())
                return false;
        }
        word = (word << 8) | scan.at(p);
        ++p;
        return true;
    };

    for (;;) {
        while (!isMp3Sync(word)) {
            if (!shiftIn())
                return -1;
        }
        if (!isValidMp3Header(word)) {
            if (!shiftIn())
                return -1;
            continue;
        }
        // The header must be followed by another sync where the frame ends.
        const int32_t next = p - 4 + mp3FrameLength(word);
        while (next + 8 > scan.size()) {
            if (p > kMp3SearchLimit || !scan.readMore())
                break;
        }
        if (next + 4 > scan.size())
            return -1;
        if (isMp3Sync(mp3Word(scan.data(next)))) {
            if (info != nullptr) {
                info->channels = mp3Channels(word);
                info->sampleRate = mp3SampleRate(word);
                info->byteRate = mp3ByteRate(word);
            }
            if (::lseek(fd, start + p - 4, SEEK_SET) < 0)
                return -1;
            return 0;
        }
        if (p >= kMp3SearchLimit || !shiftIn())
            return -1;
    }
}

} // namespace klv::engine
