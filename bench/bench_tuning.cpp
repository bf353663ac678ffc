// Loop tuning, measured: for the shipped Default.dat's two outputs in the library's simulation
// and for each source preset of the virtual coater, the source is identified from an open-loop
// step at the power that holds the setpoint, loop terms come from the SIMC rule (normal), and
// the rate loop is run from power 0 with the shipped terms (P 100, I 1, D 0) and with the
// proposed ones. Counters: settle time (s until the rate as the instrument shows it stays within
// +-5 % for 10 s, from the start of rate control; -1 never) and overshoot (%), measured and
// predicted, before and after; the steady power swing (+- % of the steady power) after; and the
// proposed P and I. Every run is on a stepped clock: the figures do not depend on the machine.
#include "LoopPrediction.h"
#include "LoopRehearsal.h"
#include "SimulationRehearsal.h"
#include "StepFit.h"
#include "TuningRule.h"
#include "VirtualCoater.h"
#include "emulated/SourceModel.h"
#include "tlv880a.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

namespace {

using namespace tlv880;

constexpr uint64_t kSeed = 2024;
constexpr double kStep = 2; // % of full power

struct Record {
    std::vector<double> times, rates;
    double stepTime = 0;
};

tuning::StepRecord ToStepRecord(const Record& r, double base, double period)
{
    tuning::StepRecord out;
    out.window = period * 4;
    out.powers = {{r.stepTime - 8, base}, {r.stepTime, base + kStep}};
    const std::vector<double> shown = rehearsal::MovingMean(r.rates, 4);
    for (size_t k = 0; k < r.times.size(); ++k) {
        if (r.times[k] < r.stepTime - 8) continue;
        out.times.push_back(r.times[k]);
        out.rates.push_back(shown[k]);
    }
    return out;
}

double SwingOf(const std::vector<double>& powers)
{
    const auto from = powers.begin() + std::ptrdiff_t(powers.size() * 3 / 4);
    const auto [low, high] = std::minmax_element(from, powers.end());
    double sum = 0;
    for (auto it = from; it != powers.end(); ++it)
        sum += *it;
    const double mean = sum / double(powers.end() - from);
    return mean > 0 ? (*high - *low) / 2 / mean * 100 : 0;
}

void Report(benchmark::State& state, const tuning::StepFit& fit, const rehearsal::LoopTerms& base,
            const std::function<rehearsal::LoopRun(const rehearsal::LoopTerms&)>& rehearse)
{
    if (fit.verdict != tuning::FitVerdict::Fitted) {
        state.SkipWithError(fit.message.c_str());
        return;
    }
    tuning::LoopConditions c;
    c.setpoint = base.setpoint;
    c.period = base.period;
    c.filter = base.filter;
    c.maxPower = base.maxPower;
    c.slewRate = base.slewRate;
    c.seconds = base.seconds;
    c.rateNoise = 2 * fit.rateNoise; // the shown rate is the mean of four readings
    const tuning::RuleResult rule =
        tuning::ChooseTerms(fit.model, tuning::Aggressiveness::Normal, c);
    rehearsal::LoopTerms tuned = base;
    tuned.pTerm = rule.terms.p;
    tuned.iTerm = rule.terms.i;
    tuned.dTerm = rule.terms.d;
    const rehearsal::LoopRun before = rehearse(base), after = rehearse(tuned);
    const tuning::Prediction predictedBefore =
        tuning::PredictLoop(fit.model, {base.pTerm, base.iTerm, base.dTerm}, c);
    const tuning::Prediction predictedAfter = tuning::PredictLoop(fit.model, rule.terms, c);
    state.counters["gain"] = fit.model.gain;
    state.counters["tau_s"] = fit.model.timeConstant;
    state.counters["dead_s"] = fit.model.deadTime;
    state.counters["P"] = rule.terms.p;
    state.counters["I"] = rule.terms.i;
    state.counters["tau_c_s"] = rule.closedLoopTime;
    state.counters["noise"] = fit.rateNoise;
    state.counters["settle_before_s"] = before.filtered.settleTime;
    state.counters["overshoot_before_pct"] = before.filtered.overshoot;
    state.counters["pred_settle_before_s"] = predictedBefore.settleTime;
    state.counters["pred_overshoot_before_pct"] = predictedBefore.overshoot;
    state.counters["settle_after_s"] = after.filtered.settleTime;
    state.counters["overshoot_after_pct"] = after.filtered.overshoot;
    state.counters["pred_settle_after_s"] = predictedAfter.settleTime;
    state.counters["pred_overshoot_after_pct"] = predictedAfter.overshoot;
    state.counters["swing_after_pct"] = SwingOf(after.powers);
}

// The library's simulation (what Default.dat runs without a card): setpoint 5 (Silver) or 3
// (Copper) Angstrom/s, density 10; `shippedP` is the P term Default.dat carries for it (found by
// coflux --tune on that output), measured as shipped_*.
void SimulationCase(benchmark::State& state, double setpoint, double shippedP)
{
    rehearsal::LoopTerms base;
    base.setpoint = setpoint;
    base.seconds = 90;
    for (auto _ : state) {
        // The power that holds the setpoint, as the shipped loop finds it.
        const rehearsal::LoopRun settled = rehearsal::RehearseSimulatedLoop(base);
        const double power = settled.powers.back() * 100;
        rehearsal::SimulatedChamber chamber(base.period, base.density);
        chamber.SetPower(power / 100);
        chamber.Run(int(20 / base.period));
        Record r;
        r.stepTime = chamber.Now();
        chamber.SetPower((power + kStep) / 100);
        chamber.Run(int(20 / base.period));
        r.times = chamber.Times();
        r.rates = chamber.Rates();
        Report(state, tuning::FitStep(ToStepRecord(r, power, base.period)), base,
               [](const rehearsal::LoopTerms& t) { return rehearsal::RehearseSimulatedLoop(t); });
        rehearsal::LoopTerms shipped = base;
        shipped.pTerm = shippedP;
        const rehearsal::LoopRun run = rehearsal::RehearseSimulatedLoop(shipped);
        state.counters["shipped_settle_s"] = run.filtered.settleTime;
        state.counters["shipped_overshoot_pct"] = run.filtered.overshoot;
    }
}

// A preset of the virtual coater on output 0 / sensor 0 at setpoint 5 Angstrom/s.
void CoaterCase(benchmark::State& state, const char* preset)
{
    bus::emu::SourceParameters source;
    if (!bus::emu::SourcePreset(preset, &source)) {
        state.SkipWithError("unknown preset");
        return;
    }
    const std::string chamber = rehearsal::OneSourceChamber(source, kSeed);
    rehearsal::LoopTerms base;
    base.seconds = 120;
    // The power that gives the setpoint, from the preset's rate curve.
    double low = 0, high = 1;
    for (int k = 0; k < 60; ++k)
        (bus::emu::SteadyRate(source, (low + high) / 2) < base.setpoint ? low : high) =
            (low + high) / 2;
    const double power = low * 100;
    for (auto _ : state) {
        Record r;
        { // the coater owns the emulated cards while it lives: gone before the loop runs
            rehearsal::VirtualCoater coater;
            std::string error;
            rehearsal::CoaterSetup setup;
            setup.chamber = chamber;
            if (!coater.start(setup, &error) || coater.material(0x1, base.density, 1, 1) != 0) {
                state.SkipWithError(error.c_str());
                return;
            }
            Xdc770SetPower(0, power / 100);
            coater.runFor(8 * source.lag + source.deadTime + 10);
            r.stepTime = coater.now();
            Xdc770SetPower(0, (power + kStep) / 100);
            coater.runFor(8 * source.lag + source.deadTime + 5);
            r.times = coater.times();
            r.rates = coater.rates(0);
        }
        Report(state, tuning::FitStep(ToStepRecord(r, power, base.period)), base,
               [&chamber](const rehearsal::LoopTerms& t) {
                   rehearsal::LoopRun run;
                   std::string why;
                   rehearsal::RehearseLoop(chamber, t, &run, &why);
                   return run;
               });
    }
}

BENCHMARK_CAPTURE(SimulationCase, simulation_silver, 5.0, 45.3)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SimulationCase, simulation_copper, 3.0, 48.0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CoaterCase, thermal, "thermal")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CoaterCase, ebeam, "ebeam")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CoaterCase, sputter, "sputter")->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
