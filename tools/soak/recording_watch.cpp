#include "recording_watch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace klvsoak {

namespace {

constexpr uint64_t kHeaderBytes = 44;
constexpr uint64_t kReadBlocks = 256;             // 1 MiB per read
constexpr uint64_t kPunchGrain = 4 * 1024 * 1024; // whole 4 MiB pieces, well inside the data

} // namespace

RecordingWatch::RecordingWatch(std::filesystem::path file, bool punchHoles)
    : m_file(std::move(file)), m_punchHoles(punchHoles), m_buffer(kReadBlocks * kBlockFrames * 2) {}

RecordingWatch::~RecordingWatch() {
    if (m_fd >= 0)
        ::close(m_fd);
}

uint64_t RecordingWatch::recordedBytes() const {
    struct stat st {};
    if (::stat(m_file.c_str(), &st) != 0 || static_cast<uint64_t>(st.st_size) < kHeaderBytes)
        return 0;
    return static_cast<uint64_t>(st.st_size) - kHeaderBytes;
}

bool RecordingWatch::check(uint64_t limitBytes) {
    if (m_fd < 0) {
        m_fd = ::open(m_file.c_str(), (m_punchHoles ? O_RDWR : O_RDONLY) | O_CLOEXEC);
        if (m_fd < 0)
            return false;
    }
    const uint64_t end = std::min(recordedBytes(), limitBytes) / kBlockBytes * kBlockBytes;
    while (m_offset < end) {
        const uint64_t bytes = std::min<uint64_t>(end - m_offset, kReadBlocks * kBlockBytes);
        const ssize_t got =
            ::pread(m_fd, m_buffer.data(), bytes, static_cast<off_t>(kHeaderBytes + m_offset));
        if (got <= 0)
            return false;
        const uint64_t blocks = static_cast<uint64_t>(got) / kBlockBytes;
        for (uint64_t b = 0; b < blocks; ++b)
            checkBlock(m_buffer.data() + b * kBlockFrames * 2);
        m_offset += blocks * kBlockBytes;
        if (blocks == 0)
            break;
    }
    if (m_punchHoles && m_offset >= m_punched + kPunchGrain) {
        const uint64_t length = (m_offset - m_punched) / kPunchGrain * kPunchGrain;
        // Best effort: a file system without holes keeps the bytes, nothing else changes.
        ::fallocate(m_fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                    static_cast<off_t>(kHeaderBytes + m_punched), static_cast<off_t>(length));
        m_punched += length;
    }
    return true;
}

void RecordingWatch::checkBlock(const int16_t* samples) {
    int peak = 0;
    for (uint32_t i = 0; i < kBlockFrames * 2; ++i)
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    const bool silent = peak < kSilentPeak;
    if (!m_sounded) {
        if (silent) {
            ++m_leadIn;
            return;
        }
        m_sounded = true;
    }
    if (silent) {
        if (m_run == 0)
            m_runStart = m_checked;
        ++m_run;
        ++m_silent;
    } else {
        closeRun();
    }
    ++m_checked;
}

void RecordingWatch::closeRun() {
    if (m_run >= kGapBlocks)
        m_gaps.push_back({static_cast<double>(m_runStart) * kBlockFrames / 44100.0, m_run});
    m_longestRun = std::max(m_longestRun, m_run);
    m_run = 0;
}

void RecordingWatch::finish() {
    closeRun();
}

} // namespace klvsoak
