// One 24-sensor measurement cycle: frequency, thickness, rate, group averages and loop pass of
// twelve outputs (arithmetic only), and one real-mode cycle over six emulated cards (register
// reads, arithmetic, output and restart writes). BM_BareArithmetic24 is the floor the cycle is
// compared against: the 24 tan/atan evaluations of the Z-match thickness and nothing else.
#include "Cycle.h"
#include "Engine.h"
#include "Measurement.h"
#include "driver/EmulatedCards.h"
#include "tlv880a.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using namespace tlv880;

LibraryState ConfiguredState()
{
    LibraryState s;
    s.initialFrequency = 6000000.0;
    s.cardCount = 6;
    for (int i = 0; i < kSensors; ++i) {
        s.density[i] = 2.7;
        s.zFactor[i] = 1.2;
        s.tooling[i] = 1.0;
    }
    ComputeThicknessConstants(s);
    for (int o = 0; o < 12; ++o) {
        s.sensorMask[o] = 0x3u << (2 * o);
        s.loops[o] = OutputLoop{};
        s.loops[o].enabled = 1;
        s.loops[o].setpoint = 5;
        s.loops[o].pTerm = 50;
        s.loops[o].iTerm = 1;
    }
    return s;
}

void BM_MeasurementCycle24(benchmark::State& bench)
{
    static LibraryState s = ConfiguredState();
    uint32_t counts[kSensors];
    for (int i = 0; i < kSensors; ++i)
        counts[i] = static_cast<uint32_t>(1250000.0 * kReferenceClock / (5900000.0 - 100 * i));
    RegisterWrites writes;
    for (auto _ : bench) {
        writes.clear();
        counts[0] ^= 1; // a changing count, as from a depositing crystal
        RunMeasurementCycle(s, counts, writes);
        benchmark::DoNotOptimize(s.readings.slots[s.readings.writeIndex].rate[23]);
    }
}
BENCHMARK(BM_MeasurementCycle24)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_BareArithmetic24(benchmark::State& bench)
{
    static LibraryState s = ConfiguredState();
    double frequency[kSensors];
    for (int i = 0; i < kSensors; ++i)
        frequency[i] = 5900000.0 - 100 * i;
    double thickness[kSensors];
    for (auto _ : bench) {
        frequency[0] += 1e-3; // a changing frequency, so the work is not hoisted out of the loop
        benchmark::DoNotOptimize(frequency);
        for (int i = 0; i < kSensors; ++i)
            thickness[i] = RawThickness(s, i, frequency[i]);
        benchmark::DoNotOptimize(thickness);
    }
}
BENCHMARK(BM_BareArithmetic24)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_RealCycleEmulatedBus(benchmark::State& bench)
{
    setenv("TLV880_DRIVER", "emulated", 1);
    setenv("TLV880_EMU_CARDS", "id=1E;id=0F;id=0F;id=0F;id=0F;id=0F", 1);
    unsetenv("TLV880_EMU_TRACE");
    bus::emu::ResetEmulatedBus();
    ResetEngineForTesting();
    bus::emu::UseManualClock(true);
    Xdc770Startup2(0, nullptr);
    Xdc770Init(6.05e6, 5e6, 6e6, 0.1);
    Xdc770Material(0xFFFFFF, 2.7, 1.0, 1.0);
    Xdc770Simulate(0);
    Engine& engine = Engine::Instance();
    // Park the library's own acquisition thread: the benchmark runs the cycles itself.
    engine.SetAcquisitionInterval(-1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const uint64_t before = engine.cyclesRun.load();
    double readings[72], power[14];
    for (auto _ : bench) {
        bus::emu::AdvanceClock(std::chrono::milliseconds(100));
        engine.AcquisitionStep();
        Xdc770GetReadings(readings, power);
    }
    bench.counters["cycles"] = static_cast<double>(engine.cyclesRun.load() - before);
    ResetEngineForTesting();
}
BENCHMARK(BM_RealCycleEmulatedBus)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
