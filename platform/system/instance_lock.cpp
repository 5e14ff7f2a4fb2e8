#include "platform/system/instance_lock.h"

#include "platform/store/home.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace klv::platform {

InstanceLock::~InstanceLock() {
    // Closing the descriptor releases the flock.
    if (m_fd >= 0)
        close(m_fd);
}

bool InstanceLock::acquire() {
    if (m_fd >= 0)
        return true;
    const auto path = configDir() / "KLV3.lock";
    const int fd = open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (fd < 0) {
        // Without a lock file the program still runs: better two instances than none.
        return true;
    }
    int rc;
    do {
        rc = flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        close(fd);
        // A file system without flock support cannot tell either: let the program run.
        return !heldElsewhere;
    }
    m_fd = fd;
    return true;
}

} // namespace klv::platform
