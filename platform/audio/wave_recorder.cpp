#include "platform/audio/wave_recorder.h"

#include "platform/system/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace klv::platform {

namespace {

constexpr uint32_t kHeaderBytes = 44;
constexpr uint32_t kChannels = 2;
constexpr uint32_t kRate = 44100;
constexpr uint32_t kBits = 16;
constexpr uint32_t kBlockAlign = kChannels * kBits / 8;
// The RIFF size field is 32 bits and counts everything after its first 8 bytes.
constexpr uint64_t kMaxDataBytes = (0xFFFFFFFFull - (kHeaderBytes - 8)) / kBlockAlign * kBlockAlign;

void putLe32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

void putLe16(unsigned char* at, uint16_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void fillHeader(unsigned char (&header)[kHeaderBytes], uint32_t dataBytes) {
    const unsigned char text[] = "RIFF....WAVEfmt ";
    for (int i = 0; i < 16; ++i)
        header[i] = text[i];
    putLe32(header + 4, dataBytes + kHeaderBytes - 8);
    putLe32(header + 16, 16); // fmt chunk size
    putLe16(header + 20, 1);  // PCM
    putLe16(header + 22, kChannels);
    putLe32(header + 24, kRate);
    putLe32(header + 28, kRate * kBlockAlign);
    putLe16(header + 32, kBlockAlign);
    putLe16(header + 34, kBits);
    header[36] = 'd';
    header[37] = 'a';
    header[38] = 't';
    header[39] = 'a';
    putLe32(header + 40, dataBytes);
}

} // namespace

WavRecorder::~WavRecorder() {
    close();
}

bool WavRecorder::open(const std::filesystem::path& folder) {
    close();
    m_folder = folder;
    return create();
}

bool WavRecorder::create() {
    // O_EXCL: two recorders (or two Kelvara homes sharing a folder) never write one file.
    for (int n = 1; n < 1000000; ++n) {
        const std::filesystem::path candidate =
            m_folder / ("kelvara-rec-" + std::to_string(n) + ".wav");
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        m_fd = fd;
        m_path = candidate;
        m_dataBytes = 0;
        m_dirty = true;
        finalise();
        return true;
    }
    return false;
}

bool WavRecorder::append(const void* data, uint32_t bytes) {
    if (m_fd < 0)
        return false;
    if (m_dataBytes + bytes > kMaxDataBytes) {
        close();
        if (!create())
            return false;
    }
    if (!writeAllAt(m_fd, data, bytes, static_cast<off_t>(kHeaderBytes + m_dataBytes)))
        return false;
    m_dataBytes += bytes;
    m_dirty = true;
    return true;
}

void WavRecorder::finalise() {
    if (m_fd < 0 || !m_dirty)
        return;
    unsigned char header[kHeaderBytes];
    fillHeader(header, static_cast<uint32_t>(m_dataBytes));
    if (writeAllAt(m_fd, header, sizeof(header), 0))
        m_dirty = false;
}

void WavRecorder::close() {
    if (m_fd < 0)
        return;
    finalise();
    ::close(m_fd);
    m_fd = -1;
}

} // namespace klv::platform
