// Real-time scheduling of the acquisition thread: what the request reports is what the thread
// got, whether or not this machine permits it, and the switch in the environment keeps normal
// scheduling.

#include "RealTime.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>

#include <cstdlib>
#include <thread>

namespace tlv880 {
namespace {

struct Outcome {
    int granted = -1;
    int policy = -1;
    int priority = -1;
};

// Runs the request on a thread of its own, so the test's thread keeps its scheduling.
Outcome RequestOnAThread(int priority)
{
    Outcome out;
    std::thread([&] {
        out.granted = RequestRealTimeScheduling(priority);
        sched_param param{};
        pthread_getschedparam(pthread_self(), &out.policy, &param);
        out.priority = param.sched_priority;
    }).join();
    return out;
}

TEST(RealTimeScheduling, TheReportedPriorityIsTheOneTheThreadRunsAt)
{
    unsetenv("TLV880_REALTIME");
    const Outcome out = RequestOnAThread(kAcquisitionPriority);
    if (out.granted > 0) {
        EXPECT_EQ(out.policy, SCHED_FIFO);
        EXPECT_EQ(out.priority, out.granted);
        EXPECT_LE(out.granted, kAcquisitionPriority) << "never above what was asked";
    } else {
        EXPECT_EQ(out.granted, 0);
        EXPECT_EQ(out.policy, SCHED_OTHER) << "refused: normal scheduling, silently";
    }
}

TEST(RealTimeScheduling, TheEnvironmentSwitchKeepsNormalScheduling)
{
    setenv("TLV880_REALTIME", "0", 1);
    const Outcome out = RequestOnAThread(kAcquisitionPriority);
    unsetenv("TLV880_REALTIME");
    EXPECT_EQ(out.granted, 0);
    EXPECT_EQ(out.policy, SCHED_OTHER);
}

} // namespace
} // namespace tlv880
