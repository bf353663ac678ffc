// Loop tuning, measured: for the shipped Default.dat's two outputs in the library's simulation
// and for each source preset of the virtual coater, the source is identified from an open-loop
// step at the power that holds the setpoint, loop terms come from the tuner (SIMC PI or IMC PID,
// normal), and the rate loop is run from power 0 with the terms of a fresh setup (P 100, I 1,
// D 0) and with the proposed ones; then once more with the terms proposed for a start after a
// soak at the tuner's soak power (soak_*). Counters: settle time (s until the rate as the
// instrument shows it stays within +-5 % for 10 s, from the start of rate control; -1 never)
// and overshoot (%), measured and predicted (pred_*), before and after; the steady power swing
// (+- % of the steady power); the model and the proposed terms. The *_bound cases give the best
// settle time any terms reach in the simulation from power 0. Every run is on a stepped clock:
// the figures do not depend on the machine.
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
constexpr double kStep = 2;       // % of full power, as Default.dat's terms were found
constexpr double kCoaterStep = 5; // % of full power, the tuning run's default

struct Record {
    std::vector<double> times, rates;
    double stepTime = 0;
};

tuning::StepRecord ToStepRecord(const Record& r, double base, double step, double period)
{
    tuning::StepRecord out;
    out.window = period * 4;
    out.powers = {{r.stepTime - 8, base}, {r.stepTime, base + step}};
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

using Rehearse = std::function<rehearsal::LoopRun(const rehearsal::LoopTerms&)>;

tuning::LoopConditions ConditionsOf(const rehearsal::LoopTerms& base, const tuning::StepFit& fit)
{
    tuning::LoopConditions c;
    c.setpoint = base.setpoint;
    c.period = base.period;
    c.filter = base.filter;
    c.maxPower = base.maxPower;
    c.slewRate = base.slewRate;
    c.seconds = base.seconds;
    c.rateNoise = 2 * fit.rateNoise; // the shown rate is the mean of four readings
    return c;
}

rehearsal::LoopTerms WithTerms(rehearsal::LoopTerms t, const tuning::LoopTermSet& terms)
{
    t.pTerm = terms.p;
    t.iTerm = terms.i;
    t.dTerm = terms.d;
    return t;
}

// Terms chosen for a loop started from power 0 (as Start does with an output in Auto): the
// figures before (the shipped terms) and after, measured and predicted.
void Report(benchmark::State& state, const tuning::StepFit& fit, const rehearsal::LoopTerms& base,
            const Rehearse& rehearse)
{
    if (fit.verdict != tuning::FitVerdict::Fitted) {
        state.SkipWithError(fit.message.c_str());
        return;
    }
    const tuning::LoopConditions c = ConditionsOf(base, fit);
    const tuning::RuleResult rule =
        tuning::ChooseTerms(fit.model, tuning::Aggressiveness::Normal, c);
    const rehearsal::LoopRun before = rehearse(base), after = rehearse(WithTerms(base, rule.terms));
    const tuning::Prediction predictedBefore =
        tuning::PredictLoop(fit.model, {base.pTerm, base.iTerm, base.dTerm}, c);
    const tuning::Prediction predictedAfter = tuning::PredictLoop(fit.model, rule.terms, c);
    state.counters["gain"] = fit.model.gain;
    state.counters["tau_s"] = fit.model.timeConstant;
    state.counters["dead_s"] = fit.model.deadTime;
    state.counters["threshold_pct"] = fit.model.thresholdPower;
    state.counters["P"] = rule.terms.p;
    state.counters["I"] = rule.terms.i;
    state.counters["D"] = rule.terms.d;
    state.counters["imc_pid"] = rule.rule == tuning::TuningRuleKind::ImcPid ? 1 : 0;
    state.counters["tau_c_s"] = rule.closedLoopTime;
    state.counters["i_factor"] = rule.integralFactor;
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
    state.counters["pred_swing_after_pct"] = predictedAfter.powerSwing;
}

// Terms chosen for a loop started after a soak at the model's threshold power (as a recipe's
// pre-conditioning leaves the source): soak_*.
void ReportSoak(benchmark::State& state, const tuning::StepFit& fit,
                const rehearsal::LoopTerms& base, double soakSeconds, const Rehearse& rehearse)
{
    if (fit.verdict != tuning::FitVerdict::Fitted) return;
    tuning::LoopConditions c = ConditionsOf(base, fit);
    const double soak = tuning::SoakPower(fit.model, c);
    c.startPower = soak / 100;
    const tuning::RuleResult rule =
        tuning::ChooseTerms(fit.model, tuning::Aggressiveness::Normal, c);
    rehearsal::LoopTerms soaked = WithTerms(base, rule.terms);
    soaked.startPower = soak / 100;
    soaked.soakSeconds = soakSeconds;
    const rehearsal::LoopRun run = rehearse(soaked);
    const tuning::Prediction predicted = tuning::PredictLoop(fit.model, rule.terms, c);
    state.counters["soak_power_pct"] = soak;
    state.counters["soak_P"] = rule.terms.p;
    state.counters["soak_I"] = rule.terms.i;
    state.counters["soak_D"] = rule.terms.d;
    state.counters["soak_settle_s"] = run.filtered.settleTime;
    state.counters["soak_overshoot_pct"] = run.filtered.overshoot;
    state.counters["soak_swing_pct"] = SwingOf(run.powers);
    state.counters["pred_soak_settle_s"] = predicted.settleTime;
    state.counters["pred_soak_overshoot_pct"] = predicted.overshoot;
}

// The library's simulation (what Default.dat runs without a card): setpoint 5 (Silver) or 3
// (Copper) Angstrom/s, density 10; `shipped` are the terms Default.dat carries for it (found by
// coflux --tune on that output), measured as shipped_*.
void SimulationCase(benchmark::State& state, double setpoint, tuning::LoopTermSet shipped)
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
        const tuning::StepFit fit = tuning::FitStep(ToStepRecord(r, power, kStep, base.period));
        const Rehearse rehearse = [](const rehearsal::LoopTerms& t) {
            return rehearsal::RehearseSimulatedLoop(t);
        };
        Report(state, fit, base, rehearse);
        // The simulated rate is the mean of the last ten cycles' deposition: ten seconds of
        // soak leave it steady.
        ReportSoak(state, fit, base, 10, rehearse);
        const rehearsal::LoopRun run = rehearsal::RehearseSimulatedLoop(WithTerms(base, shipped));
        state.counters["shipped_settle_s"] = run.filtered.settleTime;
        state.counters["shipped_overshoot_pct"] = run.filtered.overshoot;
    }
}

// A preset of the virtual coater on output 0 / sensor 0 at setpoint 5 Angstrom/s.
// `spitless`: the same source without its spits, to tell the loop from the spits it cannot
// prevent (a spit's film is on the crystal before any reading shows it).
void CoaterCase(benchmark::State& state, const char* preset, bool spitless = false)
{
    bus::emu::SourceParameters source;
    if (!bus::emu::SourcePreset(preset, &source)) {
        state.SkipWithError("unknown preset");
        return;
    }
    if (spitless) source.spitsPerMinute = 0;
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
            Xdc770SetPower(0, (power + kCoaterStep) / 100);
            coater.runFor(8 * source.lag + source.deadTime + 5);
            r.times = coater.times();
            r.rates = coater.rates(0);
        }
        const tuning::StepFit fit =
            tuning::FitStep(ToStepRecord(r, power, kCoaterStep, base.period));
        const Rehearse rehearse = [&chamber](const rehearsal::LoopTerms& t) {
            rehearsal::LoopRun run;
            std::string why;
            rehearsal::RehearseLoop(chamber, t, &run, &why);
            return run;
        };
        Report(state, fit, base, rehearse);
        ReportSoak(state, fit, base, 6 * source.lag + source.deadTime + 2, rehearse);
    }
}

// The best any terms can do in the simulation from power 0: P from 30 to 600 and I from 0.5 to
// 4 s on logarithmic grids (where the best terms lie; wider grids find nothing better), D from 0 to
// 0.8 s in steps of 0.05 s, the loop run by the library's own arithmetic; best_settle_s is the
// soonest settle with at most 3 % overshoot, with its terms.
void SimulationBound(benchmark::State& state, double setpoint)
{
    for (auto _ : state) {
        double best = -1, bestP = 0, bestI = 0, bestD = 0, bestOvershoot = 0;
        for (int a = 0; a <= 60; ++a) {
            for (int b = 0; b <= 30; ++b) {
                for (int c = 0; c <= 16; ++c) {
                    const double d = 0.05 * c;
                    rehearsal::LoopTerms t;
                    t.setpoint = setpoint;
                    t.seconds = 60;
                    t.pTerm = 30 * std::pow(20.0, a / 60.0);
                    t.iTerm = 0.5 * std::pow(8.0, b / 30.0);
                    t.dTerm = d;
                    const rehearsal::LoopFigures f = rehearsal::RehearseSimulatedLoop(t).filtered;
                    if (f.settleTime < 0 || f.overshoot > 3) continue;
                    if (best < 0 || f.settleTime < best) {
                        best = f.settleTime;
                        bestP = t.pTerm;
                        bestI = t.iTerm;
                        bestD = d;
                        bestOvershoot = f.overshoot;
                    }
                }
            }
        }
        state.counters["best_settle_s"] = best;
        state.counters["best_overshoot_pct"] = bestOvershoot;
        state.counters["best_P"] = bestP;
        state.counters["best_I"] = bestI;
        state.counters["best_D"] = bestD;
    }
}

// Fixed terms on a preset from power 0 (no tuning): what terms calm enough for the electron-beam
// gun's spits do, measured as fixed_*.
void CoaterTermsCase(benchmark::State& state, const char* preset, tuning::LoopTermSet terms)
{
    bus::emu::SourceParameters source;
    if (!bus::emu::SourcePreset(preset, &source)) {
        state.SkipWithError("unknown preset");
        return;
    }
    rehearsal::LoopTerms t;
    t.seconds = 120;
    for (auto _ : state) {
        rehearsal::LoopRun run;
        std::string why;
        if (!rehearsal::RehearseLoop(rehearsal::OneSourceChamber(source, kSeed),
                                     WithTerms(t, terms), &run, &why)) {
            state.SkipWithError(why.c_str());
            return;
        }
        state.counters["fixed_settle_s"] = run.filtered.settleTime;
        state.counters["fixed_overshoot_pct"] = run.filtered.overshoot;
        state.counters["fixed_swing_pct"] = SwingOf(run.powers);
    }
}

// P 50, I 0.2 s: Kc (1 + period / I) = 0.011, within the 0.014 a spit allows for +-10 % power.
BENCHMARK_CAPTURE(CoaterTermsCase, ebeam_spit_calm, "ebeam", tuning::LoopTermSet{50, 0.2, 0})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SimulationBound, simulation_silver_bound, 5.0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SimulationBound, simulation_copper_bound, 3.0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SimulationCase, simulation_silver, 5.0, tuning::LoopTermSet{72.5, 1.3, 0.2})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SimulationCase, simulation_copper, 3.0, tuning::LoopTermSet{77.4, 1.3, 0.2})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CoaterCase, thermal, "thermal")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CoaterCase, ebeam, "ebeam")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CoaterCase, ebeam_spitless, "ebeam", true)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CoaterCase, sputter, "sputter")->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
