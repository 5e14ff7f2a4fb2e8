#include "engine/tags/fd_stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

namespace klv::engine::tags {

namespace {

// Tags grow or shrink by moving the audio behind them; a megabyte at a time keeps that to a
// few dozen system calls for a song.
constexpr long kMovePiece = 1 << 20;

} // namespace

FdStream::FdStream(int fd, std::string name) : m_fd(fd), m_name(std::move(name)) {}

TagLib::FileName FdStream::name() const {
    return m_name.c_str();
}

bool FdStream::readAt(long offset, char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::pread(m_fd, data, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n < 0 && m_error == 0)
                m_error = errno;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

bool FdStream::writeAt(long offset, const char* data, size_t size) {
    if (m_error != 0)
        return false;
    while (size > 0) {
        const ssize_t n = ::pwrite(m_fd, data, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_error = n < 0 ? errno : EIO;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

TagLib::ByteVector FdStream::readBlock(unsigned long length) {
    const long size = this->length();
    const long available = std::max(0L, size - m_position);
    const auto wanted = static_cast<unsigned long>(available) < length
                            ? static_cast<unsigned int>(available)
                            : static_cast<unsigned int>(length);
    TagLib::ByteVector data(wanted, '\0');
    size_t got = 0;
    while (got < wanted) {
        const ssize_t n =
            ::pread(m_fd, data.data() + got, wanted - got, m_position + static_cast<long>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n < 0 && m_error == 0)
                m_error = errno;
            break;
        }
        got += static_cast<size_t>(n);
    }
    data.resize(static_cast<unsigned int>(got));
    m_position += static_cast<long>(got);
    return data;
}

void FdStream::writeBlock(const TagLib::ByteVector& data) {
    if (writeAt(m_position, data.data(), data.size()))
        m_position += static_cast<long>(data.size());
}

bool FdStream::move(long from, long to, long size) {
    std::vector<char> piece(static_cast<size_t>(std::min(size, kMovePiece)));
    if (to > from) {
        // Towards the end: from the back, so that nothing is overwritten before it is read.
        for (long left = size; left > 0;) {
            const long n = std::min(left, kMovePiece);
            left -= n;
            if (!readAt(from + left, piece.data(), static_cast<size_t>(n)) ||
                !writeAt(to + left, piece.data(), static_cast<size_t>(n)))
                return false;
        }
    } else {
        for (long done = 0; done < size;) {
            const long n = std::min(size - done, kMovePiece);
            if (!readAt(from + done, piece.data(), static_cast<size_t>(n)) ||
                !writeAt(to + done, piece.data(), static_cast<size_t>(n)))
                return false;
            done += n;
        }
    }
    return true;
}

void FdStream::insert(const TagLib::ByteVector& data, unsigned long start, unsigned long replace) {
    const long size = length();
    const auto at = static_cast<long>(start);
    const long end = std::min(size, at + static_cast<long>(replace));
    const long grow = static_cast<long>(data.size()) - (end - at);
    if (grow > 0 && end < size && !move(end, end + grow, size - end))
        return;
    if (!writeAt(at, data.data(), data.size()))
        return;
    if (grow < 0)
        removeBlock(static_cast<unsigned long>(at + static_cast<long>(data.size())),
                    static_cast<unsigned long>(-grow));
}

void FdStream::removeBlock(unsigned long start, unsigned long length) {
    const long size = this->length();
    const auto at = static_cast<long>(start);
    const long end = std::min(size, at + static_cast<long>(length));
    if (at >= end)
        return;
    if (move(end, at, size - end))
        truncate(size - (end - at));
}

bool FdStream::readOnly() const {
    return false;
}

bool FdStream::isOpen() const {
    return m_fd >= 0;
}

void FdStream::seek(long offset, Position p) {
    switch (p) {
    case Beginning:
        m_position = offset;
        break;
    case Current:
        m_position += offset;
        break;
    case End:
        m_position = length() + offset;
        break;
    }
    m_position = std::max(0L, m_position);
}

long FdStream::tell() const {
    return m_position;
}

long FdStream::length() {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        if (m_error == 0)
            m_error = errno;
        return 0;
    }
    return static_cast<long>(st.st_size);
}

void FdStream::truncate(long length) {
    if (m_error != 0)
        return;
    int result;
    do {
        result = ::ftruncate(m_fd, length);
    } while (result != 0 && errno == EINTR);
    if (result != 0)
        m_error = errno;
}

} // namespace klv::engine::tags
