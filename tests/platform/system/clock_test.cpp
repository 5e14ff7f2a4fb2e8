#include "platform/system/clock.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>

#include <thread>

using namespace klv::platform;

namespace {

TEST(Clock, TickCountNeverGoesBackAndSleepWaitsAtLeastAsAsked) {
    uint32_t previous = tickCount();
    for (int i = 0; i < 100000; ++i) {
        const uint32_t now = tickCount();
        ASSERT_LT(static_cast<uint32_t>(now - previous), 0x80000000u) << "tick went backwards";
        previous = now;
    }
    for (uint32_t ms : {0u, 1u, 15u}) {
        const uint32_t before = tickCount();
        sleepMs(ms);
        EXPECT_GE(static_cast<uint32_t>(tickCount() - before), ms);
    }
}

TEST(Clock, ThreadPriorityIsRaisedOrReportedAsRefused) {
    // Run on a thread of its own so the test runner's thread keeps its policy.
    bool raised = false;
    int policy = -1;
    int before = -1;
    std::thread([&] {
        sched_param param{};
        pthread_getschedparam(pthread_self(), &before, &param);
        raised = raiseThreadPriority();
        pthread_getschedparam(pthread_self(), &policy, &param);
    }).join();
    if (raised)
        EXPECT_TRUE(policy == SCHED_FIFO || policy == SCHED_RR) << policy;
    else
        EXPECT_EQ(policy, before) << "a refused request must leave the policy as it was";
}

} // namespace
