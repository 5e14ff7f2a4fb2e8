#include "engine/core/id3_tag.h"

#include "engine/core/user_message.h"
#include "platform/system/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

using namespace klv::engine;

namespace {

int32_t cannotWrite(int error) {
    return sendUserMessage("Can't open file for writing: %s", std::strerror(error));
}

} // namespace

extern "C" KLV_API int32_t setid3(const char* path, Id3Record* tag) {
    if (path == nullptr || tag == nullptr)
        return -1;
    // 0 means "no year": left as it is, or every tag saved without a year would claim 2000.
    if (tag->year != 0)
        tag->year = normaliseId3Year(tag->year);
    uint8_t block[kId3BlockSize];
    encodeId3Block(*tag, block);

    // Never O_CREAT or O_TRUNC: only the last 128 bytes are ever touched, or 128 appended.
    const int fd = ::open(path, O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return cannotWrite(errno);
    struct stat st {};
    const bool stated = ::fstat(fd, &st) == 0;
    if (!stated || !S_ISREG(st.st_mode)) {
        const int error = stated ? EINVAL : errno;
        ::close(fd);
        return cannotWrite(error);
    }
    const off_t size = st.st_size;
    off_t at = size;
    // The tag being replaced, to put back if the new one cannot be written whole.
    uint8_t old[kId3BlockSize];
    if (size >= static_cast<off_t>(kId3BlockSize)) {
        ssize_t n;
        do {
            n = ::pread(fd, old, sizeof old, size - static_cast<off_t>(kId3BlockSize));
        } while (n < 0 && errno == EINTR);
        if (n != static_cast<ssize_t>(sizeof old)) {
            const int error = n < 0 ? errno : EIO;
            ::close(fd);
            return cannotWrite(error);
        }
        if (std::memcmp(old, "TAG", 3) == 0)
            at = size - static_cast<off_t>(kId3BlockSize);
    }
    if (!klv::platform::writeAllAt(fd, block, sizeof block, at)) {
        const int error = errno;
        if (at == size) {
            // A tag only partly appended (full disk) is taken off again: the audio ends where
            // it ended before.
            (void)::ftruncate(fd, size);
        } else {
            // A tag only partly overwritten (a size limit, a failing medium) would be half new
            // and half old: the bytes that did reach the file were written where the old ones
            // were, so writing the old ones back needs no more room.
            (void)klv::platform::writeAllAt(fd, old, sizeof old, at);
        }
        ::close(fd);
        return cannotWrite(error);
    }
    if (::close(fd) != 0)
        return cannotWrite(errno);
    return 0;
}
