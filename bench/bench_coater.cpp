// Rate loops on the virtual coater with the terms the shipped Default.dat gives its outputs
// (P 100, I 1 s, D 0, period 0.25 s, full scale 10 V, max power 100 %, slew 100 %/s, filter 4,
// density 10, setpoint 5 A/s), one case per source preset and one on the emulated cards' plain
// model (no chamber). Each iteration rehearses two minutes of card time on the manual clock, so
// the figures do not depend on the machine; the counters are the settle time (the first time
// the rate stays within +-5 % of the setpoint for 10 s, counted from the start of rate control;
// -1 when it never does) and the overshoot (% above the setpoint at most), both of the rate as
// the instrument shows it (mean of the last 4 readings) and of the library's raw readings.
#include "LoopRehearsal.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace tlv880;

constexpr uint64_t kSeed = 2024; // noise and spits are drawn the same way every run

// quiet: the preset without its random parts (noise, sweep, spits), to tell the loop's own
// overshoot from the source's.
void RehearseLoopCase(benchmark::State& state, const char* preset, bool quiet = false)
{
    std::string chamber;
    if (*preset) {
        bus::emu::SourceParameters source;
        if (!bus::emu::SourcePreset(preset, &source)) {
            state.SkipWithError("unknown preset");
            return;
        }
        if (quiet) source.noise = source.sweep = source.spitsPerMinute = 0;
        chamber = rehearsal::OneSourceChamber(source, kSeed);
    }
    const rehearsal::LoopTerms terms; // the shipped setup's terms
    rehearsal::LoopRun run;
    for (auto _ : state) {
        std::string error;
        if (!rehearsal::RehearseLoop(chamber, terms, &run, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    state.counters["settle_s"] = run.filtered.settleTime;
    state.counters["overshoot_pct"] = run.filtered.overshoot;
    state.counters["raw_settle_s"] = run.raw.settleTime;
    state.counters["raw_overshoot_pct"] = run.raw.overshoot;
}

BENCHMARK_CAPTURE(RehearseLoopCase, thermal, "thermal")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RehearseLoopCase, ebeam, "ebeam")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RehearseLoopCase, ebeam_quiet, "ebeam", true)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RehearseLoopCase, sputter, "sputter")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RehearseLoopCase, plain_cards, "")->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
