#include "engine/core/id3_tag.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

using namespace klv::engine;

extern "C" KLV_API int32_t getid3(const char* path, Id3Record* tag) {
    if (tag == nullptr)
        return -1;
    std::memset(tag, 0, sizeof *tag);
    if (path == nullptr)
        return -1;
    // Non-blocking so that a pipe named like a song cannot hang the file list.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    uint8_t block[kId3BlockSize];
    struct stat st {};
    bool read = false;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
        st.st_size >= static_cast<off_t>(kId3BlockSize)) {
        ssize_t n;
        do {
            n = ::pread(fd, block, sizeof block, st.st_size - static_cast<off_t>(kId3BlockSize));
        } while (n < 0 && errno == EINTR);
        read = n == static_cast<ssize_t>(sizeof block);
    }
    ::close(fd);
    if (!read)
        return -1;
    return decodeId3Block(block, *tag) ? 0 : -1;
}
