#include "platform/store/replace_file.h"

#include "platform/system/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace klv::platform {

namespace {

constexpr size_t kFlushSize = 64 * 1024;

std::atomic<unsigned> g_counter{0};

// The rename is only durable once the folder itself is on the disk; a failure here loses
// nothing that was there before, so it is not reported.
void syncFolder(const std::filesystem::path& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::filesystem::path followLink(const std::filesystem::path& target) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(target, ec))
        return target;
    const auto resolved = std::filesystem::canonical(target, ec);
    return ec ? target : resolved;
}

} // namespace

ReplacingFile::~ReplacingFile() {
    discard();
}

void ReplacingFile::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
}

bool ReplacingFile::begin(const std::filesystem::path& target) {
    discard();
    m_error = 0;
    m_buffer.clear();
    if (target.empty()) {
        errno = ENOENT;
        return false;
    }
    m_target = followLink(target);
    if (m_target.filename().empty()) {
        errno = EISDIR;
        return false;
    }
    struct stat old {};
    const bool exists = ::stat(m_target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        errno = EISDIR;
        return false;
    }
    if (exists && ::access(m_target.c_str(), W_OK) != 0)
        return false;

    const std::filesystem::path folder = m_target.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%d.%u.tmp", static_cast<int>(::getpid()),
                      g_counter.fetch_add(1, std::memory_order_relaxed));
        std::filesystem::path temp = folder / ("." + m_target.filename().string() + suffix);
        // 0666 lets the umask decide, as for any new file; an existing file keeps its mode.
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return false;
        m_fd = fd;
        m_temp = std::move(temp);
        if (exists)
            ::fchmod(m_fd, old.st_mode & 07777);
        return true;
    }
    errno = EEXIST;
    return false;
}

void ReplacingFile::write(std::string_view data) {
    if (m_fd < 0 || m_error != 0)
        return;
    m_buffer.append(data);
    if (m_buffer.size() >= kFlushSize)
        flush();
}

bool ReplacingFile::flush() {
    if (m_error != 0)
        return false;
    if (!writeAll(m_fd, m_buffer.data(), m_buffer.size())) {
        m_error = errno;
        return false;
    }
    m_buffer.clear();
    return true;
}

bool ReplacingFile::commit() {
    if (m_fd < 0) {
        errno = m_error != 0 ? m_error : EBADF;
        return false;
    }
    bool ok = flush();
    if (ok && ::fsync(m_fd) != 0) {
        m_error = errno;
        ok = false;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && ok) {
        m_error = errno;
        ok = false;
    }
    if (ok && ::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        m_error = errno;
        ok = false;
    }
    if (!ok) {
        const int error = m_error;
        discard();
        errno = error;
        return false;
    }
    m_temp.clear();
    syncFolder(m_target.parent_path());
    return true;
}

} // namespace klv::platform
