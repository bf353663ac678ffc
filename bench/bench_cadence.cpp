// Cadence of simulated measurement cycles: period 0.1 s over 20 s (or the seconds given as the
// first argument). Prints whether the acquisition thread got real-time scheduling, cycles
// delivered against expected, readings taken, and the wake-up lateness of each cycle against the
// ideal schedule (percentiles). With --busy, two processes spin on the CPUs meanwhile, as other
// programs on a loaded machine would.
#include "Engine.h"
#include "tlv880a.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {
// Processes that keep a CPU busy until killed.
std::vector<pid_t> StartSpinners(int count)
{
    std::vector<pid_t> pids;
    for (int i = 0; i < count; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            volatile unsigned long spin = 0;
            for (;;)
                spin = spin + 1;
        }
        if (pid > 0) pids.push_back(pid);
    }
    return pids;
}

void StopSpinners(const std::vector<pid_t>& pids)
{
    for (pid_t pid : pids)
        kill(pid, SIGKILL);
    for (pid_t pid : pids)
        waitpid(pid, nullptr, 0);
}
} // namespace

int main(int argc, char** argv)
{
    using Clock = std::chrono::steady_clock;
    double seconds = 20.0;
    bool busy = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--busy") == 0)
            busy = true;
        else
            seconds = std::atof(argv[i]);
    }
    const double period = 0.1;
    const std::vector<pid_t> spinners = StartSpinners(busy ? 2 : 0);
    setenv("TLV880_DRIVER", "none", 1);
    tlv880::Engine& engine = tlv880::Engine::Instance();

    Xdc770Startup2(0, nullptr);
    Xdc770Init(6.05e6, 5e6, 6e6, period);

    std::vector<int64_t> starts;
    starts.reserve(static_cast<size_t>(seconds / period) + 16);
    uint64_t seen = engine.cyclesRun.load(std::memory_order_acquire);
    const uint64_t firstCycle = seen;
    Xdc770Simulate(1); // the first cycle runs at once, then one per period
    long taken = 0;
    double readings[72], power[14];
    const auto begin = Clock::now();
    const auto end =
        begin + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        const uint64_t now = engine.cyclesRun.load(std::memory_order_acquire);
        if (now != seen) {
            if (now - seen > 1)
                std::printf("missed %llu cycle stamps\n",
                            static_cast<unsigned long long>(now - seen - 1));
            seen = now;
            starts.push_back(engine.lastCycleStartNs.load(std::memory_order_relaxed));
        }
        while (Xdc770GetReadings(readings, power) > 0)
            ++taken;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    while (Xdc770GetReadings(readings, power) > 0)
        ++taken;
    const int priority = engine.realTimePriority.load(std::memory_order_acquire);
    Xdc770Startup2(-1, nullptr);
    StopSpinners(spinners);

    // Cycles should follow the first one at whole periods. Each stamp is placed in its period
    // slot (a stamp the poller missed leaves a gap, not a shift), and the schedule is anchored at
    // the earliest wake of the run, so each lateness is how far a cycle came after its slot.
    std::vector<double> offsets;
    const double periodNs = period * 1e9;
    for (int64_t stamp : starts) {
        const double since = static_cast<double>(stamp - starts[0]);
        offsets.push_back(since - std::round(since / periodNs) * periodNs);
    }
    const double anchor = offsets.empty() ? 0 : *std::min_element(offsets.begin(), offsets.end());
    std::vector<double> lateness;
    for (double offset : offsets)
        lateness.push_back((offset - anchor) / 1e3); // microseconds
    std::sort(lateness.begin(), lateness.end());
    auto percentile = [&](double p) {
        return lateness.empty() ? 0.0
                                : lateness[std::min(lateness.size() - 1,
                                                    static_cast<size_t>(p * lateness.size()))];
    };
    const double expected = seconds / period;
    const auto delivered = static_cast<double>(engine.cyclesRun.load() - firstCycle);
    if (priority > 0)
        std::printf("real-time scheduling: granted (SCHED_FIFO, priority %d)\n", priority);
    else
        std::printf("real-time scheduling: not granted (normal scheduling)\n");
    std::printf("load: %s\n", busy ? "two spinning processes" : "none added");
    std::printf("cycles delivered %.0f, expected %.0f (%.2f %%), readings taken %ld\n", delivered,
                expected, 100.0 * delivered / expected, taken);
    std::printf("wake-up lateness: p50 %.0f us, p90 %.0f us, p99 %.0f us, p99.9 %.0f us, "
                "max %.0f us\n",
                percentile(0.5), percentile(0.9), percentile(0.99), percentile(0.999),
                lateness.empty() ? 0.0 : lateness.back());
    return 0;
}
