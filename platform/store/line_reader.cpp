#include "platform/store/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace klv::platform {

namespace {

// Large enough that a list of ten thousand paths is a handful of reads.
constexpr size_t kChunkSize = 64 * 1024;
constexpr unsigned char kBom[3] = {0xEF, 0xBB, 0xBF};

} // namespace

LineReader::LineReader(size_t maxLength) : m_maxLength(maxLength) {}

LineReader::~LineReader() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool LineReader::open(const std::filesystem::path& path) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_error = 0;
    m_eof = false;
    m_hadBom = false;
    m_pos = m_len = 0;
    m_chunkOffset = 0;
    // Non-blocking so that a pipe given by mistake cannot hang the caller in open().
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    m_fd = fd;
    m_chunk.resize(kChunkSize);
    if (!fill() && m_error != 0) {
        errno = m_error;
        return false;
    }
    if (m_len >= 3 && std::memcmp(m_chunk.data(), kBom, 3) == 0) {
        m_pos = 3;
        m_hadBom = true;
    }
    return true;
}

bool LineReader::fill() {
    m_chunkOffset += m_len;
    m_pos = m_len = 0;
    if (m_eof || m_fd < 0)
        return false;
    for (;;) {
        const ssize_t n = ::read(m_fd, m_chunk.data(), m_chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            m_error = errno;
            return false;
        }
        if (n == 0) {
            m_eof = true;
            return false;
        }
        m_len = static_cast<size_t>(n);
        return true;
    }
}

bool LineReader::next(Line& line) {
    if (m_fd < 0 || m_error != 0)
        return false;
    m_line.clear();
    const uint64_t offset = m_chunkOffset + m_pos;
    uint64_t length = 0;
    for (;;) {
        if (m_pos == m_len && !fill()) {
            if (m_error != 0 || length == 0)
                return false;
            line = Line{m_line, length > m_maxLength, offset, length, End::None};
            return true;
        }
        const char* begin = m_chunk.data() + m_pos;
        const char* end = m_chunk.data() + m_len;
        const char* stop = begin;
        while (stop != end && *stop != '\r' && *stop != '\n')
            ++stop;
        const size_t run = static_cast<size_t>(stop - begin);
        // Only the first maxLength bytes are kept: memory stays bounded whatever the file.
        if (m_line.size() < m_maxLength)
            m_line.append(begin, std::min(run, m_maxLength - m_line.size()));
        length += run;
        m_pos += run;
        if (stop == end)
            continue;
        End ending = *stop == '\n' ? End::Lf : End::Cr;
        ++m_pos;
        if (ending == End::Cr) {
            if (m_pos == m_len)
                fill();
            if (m_pos < m_len && m_chunk[m_pos] == '\n') {
                ++m_pos;
                ending = End::CrLf;
            }
        }
        line = Line{m_line, length > m_maxLength, offset, length, ending};
        return true;
    }
}

const char* lineEndText(LineReader::End end) {
    switch (end) {
    case LineReader::End::Cr:
        return "\r";
    case LineReader::End::Lf:
        return "\n";
    case LineReader::End::CrLf:
        return "\r\n";
    case LineReader::End::None:
        break;
    }
    return "";
}

} // namespace klv::platform
