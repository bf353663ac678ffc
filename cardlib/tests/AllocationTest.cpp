// A measurement cycle never touches the heap: global operator new is replaced in this program and
// counted while cycles run.
#include "Cycle.h"
#include "Engine.h"
#include "StateBuilder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> gAllocations{0};
}

// The replacements below pair malloc with free themselves; GCC cannot see that through inlining.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size)
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return ::operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace tlv880 {
namespace {

TEST(Allocation, ThousandCyclesAllocateNothing)
{
    LibraryState s = test::MakeState();
    s.cardCount = 6;
    s.sensorCount = 24;
    for (int o = 0; o < 12; ++o) {
        s.sensorMask[o] = 0x3u << (2 * o);
        s.loops[o].enabled = 1;
        s.loops[o].setpoint = 5;
        s.loops[o].pTerm = 50;
        s.loops[o].iTerm = 1;
        s.loops[o].slewRate = 0.1;
    }
    s.toolingChanged = 0xFFFFFF;
    uint32_t counts[kSensors];
    for (int i = 0; i < kSensors; ++i)
        counts[i] = test::CountFor(s, 5900000.0 - 1000 * i);
    RegisterWrites writes;

    const long before = gAllocations.load();
    for (int c = 0; c < 1000; ++c) {
        writes.clear();
        RunMeasurementCycle(s, counts, writes);
        RunSimulatedCycle(s);
    }
    EXPECT_EQ(gAllocations.load() - before, 0);
    EXPECT_GT(writes.count, 0);
}

TEST(Allocation, EngineSimulatedCyclesAllocateNothing)
{
    Engine& engine = Engine::Instance();
    const long before = gAllocations.load();
    for (int c = 0; c < 1000; ++c)
        engine.AcquisitionStep();
    EXPECT_EQ(gAllocations.load() - before, 0);
    EXPECT_EQ(engine.cyclesRun.load(), 1000u);
}

} // namespace
} // namespace tlv880
