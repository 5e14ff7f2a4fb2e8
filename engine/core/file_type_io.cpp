#include "engine/core/file_type.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace klv::engine {

int openAudioFile(const char* path) {
    if (path == nullptr || path[0] == '\0') {
        errno = ENOENT;
        return -1;
    }
    // O_NONBLOCK keeps a FIFO from blocking the open until a writer appears; it is refused
    // below like any other file that is not a regular file.
    int fd;
    do {
        fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : ENODEV;
        ::close(fd);
        errno = error;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (fd == 0) {
        // 0 means "no file" in the LineHandle; only happens when stdin was closed.
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
        ::close(fd);
        if (moved < 0)
            return -1;
        fd = moved;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd;
}

int64_t audioFileSize(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return -1;
    return info.st_size;
}

} // namespace klv::engine
