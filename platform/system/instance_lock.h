#pragma once
// One running program per Kelvara home: an exclusive flock on KLV3.lock in configDir().
// Two different homes (parallel tests) are two instances.

#include "platform/platform_api.h"

namespace klv::platform {

class KLV_PLATFORM_API InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // true when this process now holds the lock; false when another process holds it.
    // A home where the lock file cannot be created counts as free (the program still runs).
    bool acquire();

private:
    int m_fd = -1;
};

} // namespace klv::platform
