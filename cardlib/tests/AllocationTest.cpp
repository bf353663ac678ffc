// A measurement cycle never touches the heap: global operator new is replaced in this program and
// counted while cycles run.
#include "Cycle.h"
#include "Engine.h"
#include "StateBuilder.h"
#include "driver/Card.h"
#include "driver/EmulatedCards.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>

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

TEST(Allocation, ChamberCardsAnswerWithoutAllocating)
{
    // The virtual coater steps its sources and crystals when the cards are read and written,
    // on the acquisition thread: all of it, the control file's commands too, allocates nothing.
    const std::string folder = ::testing::TempDir();
    const std::string chamber = folder + "tlv880_alloc.chamber";
    const std::string control = folder + "tlv880_alloc_control.txt";
    std::ofstream(chamber) << "[Chamber]\nseed=2\n[Source Boat]\noutput=0\npreset=thermal\n"
                              "[Source Gun]\noutput=1\npreset=ebeam\nspits=60\n"
                              "[Crystal A]\nsensor=0\nfeed=Boat,Gun:0.1\nzratio=0.7\n"
                              "fail=5990000\nmodehop=1000\n[Crystal B]\nsensor=1\nfeed=Gun\n";
    // Opened before the count, unbuffered, so appending a command allocates nothing either.
    std::FILE* controlFile = std::fopen(control.c_str(), "w");
    ASSERT_NE(controlFile, nullptr);
    std::setvbuf(controlFile, nullptr, _IONBF, 0);
    setenv("TLV880_EMU_CARDS", "id=1E,fw=300,f=6000000", 1);
    setenv("TLV880_EMU_CHAMBER", chamber.c_str(), 1);
    setenv("TLV880_EMU_CONTROL", control.c_str(), 1);
    bus::emu::ResetEmulatedBus();
    bus::emu::UseManualClock(true);
    ASSERT_EQ(bus::emu::ConfigError(), "");
    bus::CardRecord card;
    ASSERT_TRUE(bus::OpenCard(bus::EmulatedBus(), 1, card));

    uint32_t sum = 0;
    const long before = gAllocations.load();
    for (int c = 0; c < 2000; ++c) {
        if (c == 1000) std::fputs("replace 0 0\nreplace 0 1\n", controlFile);
        bus::emu::AdvanceClock(std::chrono::milliseconds(100));
        for (uint32_t offset : {0x00u, 0x04u, 0x08u, 0x0Cu})
            sum += bus::ReadRegister(card, offset);
        bus::WriteRegister(card, 0x08, c % 2 ? 0xC003E002u : 0x80008000u);
    }
    EXPECT_EQ(gAllocations.load() - before, 0);
    EXPECT_NE(sum, 0u);
    // Both commands were carried out: the crystals carry only the film of the second half.
    EXPECT_LT(bus::emu::CrystalMass(0, 1), 0.6 * 10 * bus::emu::SourceFilm(1));
    std::fclose(controlFile);

    bus::ReleaseCard(card);
    unsetenv("TLV880_EMU_CHAMBER");
    unsetenv("TLV880_EMU_CONTROL");
    bus::emu::ResetEmulatedBus();
    std::remove(chamber.c_str());
    std::remove(control.c_str());
}

} // namespace
} // namespace tlv880
