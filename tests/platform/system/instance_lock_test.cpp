#include "platform/system/instance_lock.h"

#include "tests/platform/support/platform_test_util.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace fs = std::filesystem;
using namespace klv::platform;
using klv::test::runInChild;
using klv::test::ScopedEnv;
using klv::test::TempDir;

namespace {

// 1 when a fresh lock in the child could be taken, 0 when not.
int childAcquires() {
    return runInChild([] {
        InstanceLock lock;
        return lock.acquire() ? 1 : 0;
    });
}

TEST(InstanceLock, OneHolderPerHomeAcrossProcesses) {
    auto held = std::make_unique<InstanceLock>();
    ASSERT_TRUE(held->acquire());
    EXPECT_TRUE(held->acquire()); // asking again keeps it
    EXPECT_EQ(childAcquires(), 0);

    // Another home is another instance.
    {
        TempDir other;
        ScopedEnv env("KELVARA_HOME", other.path().c_str());
        EXPECT_EQ(childAcquires(), 1);
    }

    held.reset();
    EXPECT_EQ(childAcquires(), 1);
}

TEST(InstanceLock, ASecondLockInTheSameProcessIsRefusedToo) {
    InstanceLock first;
    ASSERT_TRUE(first.acquire());
    InstanceLock second;
    EXPECT_FALSE(second.acquire());
}

TEST(InstanceLock, AHomeWithoutRoomForTheLockFileCountsAsFree) {
    TempDir place;
    std::ofstream(place.path() / "file") << "in the way";
    ScopedEnv env("KELVARA_HOME", (place.path() / "file" / "sub").c_str());
    InstanceLock lock;
    EXPECT_TRUE(lock.acquire());
}

} // namespace
