#pragma once
// Waits for a condition that another thread of the engine brings about. The deadline only
// keeps a broken engine from hanging the test; nothing depends on how long the wait takes.

#include "platform/system/clock.h"

#include <cstdint>
#include <functional>

namespace klv::test {

inline bool eventually(const std::function<bool()>& condition, uint32_t deadlineMs = 30000) {
    const uint32_t start = platform::tickCount();
    while (!condition()) {
        if (platform::tickCount() - start > deadlineMs)
            return false;
        platform::sleepMs(1);
    }
    return true;
}

} // namespace klv::test
