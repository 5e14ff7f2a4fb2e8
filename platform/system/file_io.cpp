#include "platform/system/file_io.h"

#include <unistd.h>

#include <cerrno>

namespace klv::platform {

namespace {

// offset < 0 writes at the descriptor's offset.
bool writeLoop(int fd, const void* data, size_t size, off_t offset) {
    const auto* from = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t n = offset < 0 ? ::write(fd, from, size) : ::pwrite(fd, from, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        from += n;
        size -= static_cast<size_t>(n);
        if (offset >= 0)
            offset += n;
    }
    return true;
}

} // namespace

int32_t readAt(int fd, void* buffer, int32_t size, off_t offset) {
    auto* to = static_cast<unsigned char*>(buffer);
    int32_t total = 0;
    while (total < size) {
        const ssize_t got =
            ::pread(fd, to + total, static_cast<size_t>(size - total), offset + total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        total += static_cast<int32_t>(got);
    }
    return total;
}

bool writeAll(int fd, const void* data, size_t size) {
    return writeLoop(fd, data, size, -1);
}

bool writeAllAt(int fd, const void* data, size_t size, off_t offset) {
    return writeLoop(fd, data, size, offset < 0 ? 0 : offset);
}

} // namespace klv::platform
