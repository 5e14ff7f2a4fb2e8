#include "engine/tags/replacement_copy.h"

#include "engine/core/utf8_cut.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace klv::engine::tags {

namespace {

constexpr const char* kCopyMark = ".klvtmp-XXXXXX";
constexpr size_t kNameMax = 255;

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Copies the whole of in to out; 0 or the errno of the failure.
int copyAll(int in, int out, off_t size) {
    off_t offset = 0;
    // The kernel copies without a round trip through this process where it can.
    while (offset < size) {
        const ssize_t n = ::sendfile(out, in, &offset, static_cast<size_t>(size - offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EINVAL || errno == ENOSYS) && offset == 0)
            break; // no sendfile between these files: copy by hand
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO; // the file shrank while it was copied
    }
    if (offset >= size)
        return 0;
    std::vector<char> buffer(1 << 20);
    while (offset < size) {
        const ssize_t got = ::pread(in, buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? errno : EIO;
        for (ssize_t put = 0; put < got;) {
            const ssize_t n =
                ::pwrite(out, buffer.data() + put, static_cast<size_t>(got - put), offset + put);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return n < 0 ? errno : EIO;
            put += n;
        }
        offset += got;
    }
    return 0;
}

// The replacement keeps the file's owner and group. Only root may give away a file; a user
// may still give it the file's group. false: the copy keeps its own.
bool keepOwner(int fd, const struct stat& st) {
    return ::fchown(fd, st.st_uid, st.st_gid) == 0 ||
           ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) == 0;
}

} // namespace

std::string writeFailure(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return "Not enough space on the disk";
    case EFBIG:
        return "The file is too large for the disk";
    case EROFS:
        return "The disk is read-only";
    default:
        return std::strerror(error);
    }
}

ReplacementCopy::~ReplacementCopy() {
    discard();
}

void ReplacementCopy::discard() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_copy.empty())
        ::unlink(m_copy.c_str());
    m_copy.clear();
}

bool ReplacementCopy::open(const std::string& path, std::string& reason) {
    discard();
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) {
        reason = errno == ENOENT ? "The file does not exist" : std::strerror(errno);
        return false;
    }
    m_target = resolved;
    const int original = ::open(m_target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (original < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(original, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(original);
        reason = "The file is not a regular file";
        return false;
    }
    // A rename would replace a file that may not be written, so ask the file itself.
    const int writable = ::open(m_target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (writable < 0) {
        const int error = errno;
        ::close(original);
        reason = error == EACCES || error == EPERM ? "The file is read-only" : writeFailure(error);
        return false;
    }
    ::close(writable);

    std::string name = nameOf(m_target);
    const size_t room = kNameMax - std::strlen(kCopyMark) - 1;
    if (name.size() > room)
        name.resize(utf8CutLength(name.data(), room));
    std::string pattern = folderOf(m_target) + "/." + name + kCopyMark;
    const int copy = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (copy < 0) {
        const int error = errno;
        ::close(original);
        reason =
            error == EACCES || error == EPERM ? "The folder is read-only" : writeFailure(error);
        return false;
    }
    m_copy = pattern;
    m_fd = copy;
    const int error = copyAll(original, m_fd, st.st_size);
    ::close(original);
    if (error != 0) {
        reason = writeFailure(error);
        discard();
        return false;
    }
    keepOwner(m_fd, st);
    if (::fchmod(m_fd, st.st_mode & 07777) != 0) {
        reason = writeFailure(errno);
        discard();
        return false;
    }
    return true;
}

bool ReplacementCopy::commit(std::string& reason) {
    if (m_fd < 0) {
        reason = "Nothing to write";
        return false;
    }
    if (::fsync(m_fd) != 0) {
        reason = writeFailure(errno);
        discard();
        return false;
    }
    const int result = ::close(m_fd);
    m_fd = -1;
    if (result != 0 && errno != EINTR) {
        reason = writeFailure(errno);
        discard();
        return false;
    }
    if (::rename(m_copy.c_str(), m_target.c_str()) != 0) {
        reason = writeFailure(errno);
        discard();
        return false;
    }
    m_copy.clear();
    // The rename itself reaches the disk with the folder.
    const int folder = ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace klv::engine::tags
