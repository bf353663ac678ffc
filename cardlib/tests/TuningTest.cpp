// Loop tuning: the step fit recovers a known source (noisy record, and each preset of the
// virtual coater on the cards' manual clock), refuses what it cannot fit, the rule's terms, and
// the predicted loop against a run of the library itself on the same source.
#include "LoopPrediction.h"
#include "LoopRehearsal.h"
#include "StepFit.h"
#include "TuningRule.h"
#include "VirtualCoater.h"
#include "emulated/SourceModel.h"
#include "tlv880a.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace tlv880::tuning {
namespace {

constexpr const char* kCards = "id=1E,fw=300,f=6000000";

// A record of a lag behind a dead time, integrated finely, each reading the mean over its
// window, with Gaussian noise: as the library would measure the source.
StepRecord SimulatedRecord(const SourceModel& m, const std::vector<PowerChange>& powers,
                           double noise, double window, double seconds, unsigned seed)
{
    StepRecord r;
    r.window = window;
    r.powers = powers;
    std::mt19937 random(seed);
    std::normal_distribution<double> gaussian(0, noise);
    constexpr double dt = 0.001;
    std::vector<double> fine;
    double lagged = m.gain * (powers[0].power - m.thresholdPower);
    for (double t = 0; t < seconds; t += dt) {
        double power = powers[0].power;
        for (const PowerChange& change : powers)
            if (t - m.deadTime >= change.time) power = change.power;
        lagged +=
            (m.gain * (power - m.thresholdPower) - lagged) * (1 - std::exp(-dt / m.timeConstant));
        fine.push_back(lagged);
    }
    const auto perWindow = size_t(std::lround(window / dt));
    for (double t = 2; t < seconds; t += 0.25) {
        const auto end = size_t(std::lround(t / dt));
        double sum = 0;
        for (size_t k = end - perWindow; k < end; ++k)
            sum += fine[k];
        r.times.push_back(t);
        r.rates.push_back(sum / double(perWindow) + gaussian(random));
    }
    return r;
}

StepRecord SimulatedStep(const SourceModel& m, double base, double step, double noise,
                         double window, double seconds, unsigned seed)
{
    return SimulatedRecord(m, {{0, base}, {10, base + step}}, noise, window, seconds, seed);
}

void ExpectModel(const SourceModel& fitted, const SourceModel& known, const char* what)
{
    EXPECT_NEAR(fitted.gain, known.gain, 0.1 * known.gain) << what;
    EXPECT_NEAR(fitted.timeConstant, known.timeConstant, 0.1 * known.timeConstant) << what;
    EXPECT_NEAR(fitted.deadTime, known.deadTime, 0.1 * known.deadTime) << what;
}

TEST(StepFit, RecoversANoisySourceThroughTheFilter)
{
    const SourceModel known{0.4, 6, 1.5, 30};
    // The rate as the library measures it (one period) and as the instrument shows it (four).
    for (double window : {0.25, 1.0}) {
        const StepRecord record = SimulatedStep(known, 50, 5, 0.03, window, 60, 7);
        const StepFit fit = FitStep(record);
        ASSERT_EQ(fit.verdict, FitVerdict::Fitted) << fit.message;
        ExpectModel(fit.model, known, window == 1.0 ? "filtered" : "raw");
        EXPECT_NEAR(fit.model.thresholdPower, known.thresholdPower, 1);
        EXPECT_NEAR(fit.rateNoise, 0.03, 0.01);
        EXPECT_GT(fit.fitQuality, 0.95);
        ASSERT_EQ(fit.modelRates.size(), record.times.size());
        EXPECT_NEAR(fit.modelRates.back(), known.gain * (55 - known.thresholdPower), 0.05);
    }
}

TEST(StepFit, TwoPointFitWithAStepDown)
{
    const SourceModel known{0.25, 3, 0.75, 20};
    const StepFit fit =
        FitStep(SimulatedRecord(known, {{0, 40}, {10, 46}, {25, 40}}, 0.02, 0.25, 40, 3));
    ASSERT_EQ(fit.verdict, FitVerdict::Fitted) << fit.message;
    ExpectModel(fit.model, known, "two steps");
}

TEST(StepFit, RefusesWhatItCannotFit)
{
    const SourceModel known{0.4, 6, 1.5, 30};
    // Below the threshold nothing moves: the rate is noise around 0.
    StepRecord flat = SimulatedStep(known, 50, 5, 0.01, 0.25, 60, 1);
    for (size_t k = 0; k < flat.rates.size(); ++k)
        flat.rates[k] = 0.01 * std::sin(double(k));
    StepFit fit = FitStep(flat);
    EXPECT_EQ(fit.verdict, FitVerdict::NoResponse);
    EXPECT_NE(fit.message.find("No response"), std::string::npos);

    fit = FitStep(SimulatedStep(known, 50, 5, 0.8, 0.25, 60, 2));
    EXPECT_EQ(fit.verdict, FitVerdict::TooNoisy) << fit.message;
    EXPECT_NE(fit.message.find("noisy"), std::string::npos);

    // A response that is not a lag: a ramp that never settles, with a jump back.
    StepRecord odd = SimulatedStep(known, 50, 5, 0.0, 0.25, 60, 3);
    for (size_t k = 0; k < odd.rates.size(); ++k)
        odd.rates[k] = odd.times[k] < 10 ? 8 : 8 + ((k % 40) < 20 ? 4.0 : 0.5);
    fit = FitStep(odd);
    EXPECT_EQ(fit.verdict, FitVerdict::PoorFit) << fit.message;

    StepRecord tooShort;
    tooShort.powers = {{0, 10}, {1, 20}};
    EXPECT_EQ(FitStep(tooShort).verdict, FitVerdict::TooFewReadings);
}

// The library in real mode on the virtual coater: a step of each preset as the library reads it.
TEST(StepFit, RecoversEachVirtualCoaterPreset)
{
    struct Case {
        const char* preset;
        double period, base, step, seconds;
    };
    for (const Case& c : {Case{"thermal", 0.25, 50, 5, 90}, Case{"ebeam", 0.1, 30, 10, 10},
                          Case{"sputter", 0.1, 30, 30, 8}}) {
        bus::emu::SourceParameters source;
        ASSERT_TRUE(bus::emu::SourcePreset(c.preset, &source));
        source.noise = source.sweep = source.spitsPerMinute = 0;
        source.density = 20;
        rehearsal::VirtualCoater coater;
        std::string error;
        ASSERT_TRUE(coater.start(
            {kCards, rehearsal::OneSourceChamber(source, 1), 6.1e6, 5.5e6, 6e6, c.period}, &error))
            << error;
        ASSERT_EQ(coater.material(0x1, 20, 1, 1), 0);
        ASSERT_EQ(Xdc770SetPower(0, c.base / 100), 0);
        ASSERT_TRUE(coater.runFor(5 * source.lag + source.deadTime + 2));
        const double stepTime = coater.now();
        ASSERT_EQ(Xdc770SetPower(0, (c.base + c.step) / 100), 0);
        ASSERT_TRUE(coater.runFor(c.seconds));

        StepRecord r;
        r.window = c.period;
        r.powers = {{0, c.base}, {stepTime, c.base + c.step}};
        const std::vector<double> times = coater.times(), rates = coater.rates(0);
        for (size_t k = 0; k < times.size(); ++k) {
            if (times[k] < stepTime - 3) continue;
            r.times.push_back(times[k]);
            r.rates.push_back(rates[k]);
        }
        const StepFit fit = FitStep(r);
        ASSERT_EQ(fit.verdict, FitVerdict::Fitted) << c.preset << ": " << fit.message;
        const double gain = (bus::emu::SteadyRate(source, (c.base + c.step) / 100) -
                             bus::emu::SteadyRate(source, c.base / 100)) /
                            c.step;
        EXPECT_NEAR(fit.model.gain, gain, 0.1 * gain) << c.preset;
        EXPECT_NEAR(fit.model.timeConstant, source.lag, 0.1 * source.lag) << c.preset;
        // The readings place a change only as finely as the crystal's gate sits in the period:
        // a dead time of 0.1 s is found within a fifth of a 0.1 s period.
        EXPECT_NEAR(fit.model.deadTime, source.deadTime,
                    std::max(0.1 * source.deadTime, c.period / 5))
            << c.preset;
    }
}

TEST(TuningRule, SimcTermsInTheLibrarysUnits)
{
    const SourceModel m{0.5, 8, 1, 40};
    // Normal: tau_c = 2 theta = 2 s; Kc = 8 / (50 * 3) per Angstrom/s; tau_I = min(8, 12).
    RuleResult normal = SimcTerms(m, Aggressiveness::Normal, 0.25);
    EXPECT_DOUBLE_EQ(normal.closedLoopTime, 2);
    EXPECT_DOUBLE_EQ(normal.terms.p, std::round(10000 * 8 / (50.0 * 3) * 10) / 10);
    EXPECT_DOUBLE_EQ(normal.terms.i, 8);
    EXPECT_DOUBLE_EQ(normal.terms.d, 0);
    EXPECT_FALSE(normal.limited);
    // Fast halves tau_c, calm doubles it: the gain follows 1 / (tau_c + theta).
    EXPECT_DOUBLE_EQ(SimcTerms(m, Aggressiveness::Fast, 0.25).terms.p,
                     std::round(10000 * 8 / (50.0 * 2) * 10) / 10);
    EXPECT_DOUBLE_EQ(SimcTerms(m, Aggressiveness::Calm, 0.25).terms.p,
                     std::round(10000 * 8 / (50.0 * 5) * 10) / 10);
    // A slow source with a short dead time: the integral time is capped at 4 (tau_c + theta).
    EXPECT_DOUBLE_EQ(SimcTerms({0.5, 60, 1, 0}, Aggressiveness::Normal, 0.25).terms.i, 12);
    // No dead time: tau_c is still a few periods, not zero.
    EXPECT_DOUBLE_EQ(ClosedLoopTime({1, 1, 0, 0}, Aggressiveness::Normal, 0.25), 0.75);
    // A term beyond the instrument's limits is brought within them, and said so.
    RuleResult tiny = SimcTerms({0.0001, 90, 0.2, 0}, Aggressiveness::Fast, 0.25);
    EXPECT_TRUE(tiny.limited);
    EXPECT_DOUBLE_EQ(tiny.terms.p, 9999);

    // A shorter integral time scales only the integral time.
    const RuleResult shortened = SimcTermsFor(m, 2, 0.5);
    EXPECT_DOUBLE_EQ(shortened.terms.p, normal.terms.p);
    EXPECT_DOUBLE_EQ(shortened.terms.i, 4);

    Aggressiveness a = Aggressiveness::Normal;
    EXPECT_TRUE(ParseAggressiveness("Calm", &a));
    EXPECT_EQ(a, Aggressiveness::Calm);
    EXPECT_FALSE(ParseAggressiveness("wild", &a));
    EXPECT_EQ(a, Aggressiveness::Calm);
}

TEST(TuningRule, ImcPidTermsInTheLibrarysUnits)
{
    const SourceModel m{0.5, 8, 1, 40};
    // tau_c 2 s: Kc = (8 + 0.5) / (50 * (2 + 0.5)), tau_I = 8.5, tau_D = 8 / 17.
    const RuleResult r = ImcPidTermsFor(m, 2);
    EXPECT_EQ(r.rule, TuningRuleKind::ImcPid);
    EXPECT_DOUBLE_EQ(r.terms.p, std::round(10000 * 8.5 / (50 * 2.5) * 10) / 10);
    EXPECT_DOUBLE_EQ(r.terms.i, 8.5);
    EXPECT_DOUBLE_EQ(r.terms.d, 0.5);
    EXPECT_DOUBLE_EQ(ImcPidTermsFor(m, 2, 0.5).terms.i, 4.3); // 4.25 as the setup stores it
    EXPECT_DOUBLE_EQ(RuleTermsFor(TuningRuleKind::ImcPid, m, 2).terms.p, r.terms.p);
    EXPECT_DOUBLE_EQ(RuleTermsFor(TuningRuleKind::SimcPi, m, 2).terms.d, 0);
    EXPECT_STREQ(TuningRuleName(r.rule), "IMC PID");
    // No model, no terms: nothing to divide by.
    EXPECT_DOUBLE_EQ(ImcPidTermsFor({0, 8, 1, 0}, 2).terms.p, 0);
}

// The prediction against the library itself, in real mode on a virtual coater whose source is
// exactly such a model (linear above its threshold), with the same terms.
TEST(LoopPrediction, MatchesTheLibraryOnTheSameSource)
{
    bus::emu::SourceParameters source;
    source.maxRate = 20;
    source.threshold = 0.2;
    source.exponent = 1;
    source.lag = 4;
    source.deadTime = 0.75;
    const SourceModel model{source.maxRate / (1 - source.threshold) / 100, source.lag,
                            source.deadTime, source.threshold * 100};
    struct Case {
        const char* what;
        LoopTermSet terms;
        double startPower; // %
    };
    const Case cases[] = {
        {"SIMC normal", SimcTerms(model, Aggressiveness::Normal, 0.25).terms, 0},
        {"SIMC fast", SimcTerms(model, Aggressiveness::Fast, 0.25).terms, 0},
        {"IMC PID", ImcPidTermsFor(model, 1.5).terms, 0},
        {"SIMC after a soak", SimcTerms(model, Aggressiveness::Normal, 0.25).terms, 15},
    };
    for (const Case& c : cases) {
        const LoopTermSet& terms = c.terms;
        const char* what = c.what;
        rehearsal::LoopTerms run;
        run.setpoint = 5;
        run.pTerm = terms.p;
        run.iTerm = terms.i;
        run.dTerm = terms.d;
        run.seconds = 60;
        run.startPower = c.startPower / 100;
        run.soakSeconds = c.startPower > 0 ? 8 * source.lag : 1;
        rehearsal::LoopRun measured;
        std::string error;
        ASSERT_TRUE(
            rehearsal::RehearseLoop(rehearsal::OneSourceChamber(source, 5), run, &measured, &error))
            << error;

        LoopConditions conditions;
        conditions.setpoint = 5;
        conditions.slewRate = run.slewRate;
        conditions.seconds = 60;
        conditions.startPower = c.startPower / 100;
        const Prediction predicted = PredictLoop(model, terms, conditions);
        ASSERT_GT(measured.filtered.settleTime, 0) << what;
        EXPECT_NEAR(predicted.settleTime, measured.filtered.settleTime,
                    0.1 * measured.filtered.settleTime)
            << what;
        EXPECT_NEAR(predicted.overshoot, measured.filtered.overshoot, 2) << what;
        // The power settles where the source gives the setpoint.
        EXPECT_NEAR(predicted.steadyPower, 20 + 5 / model.gain, 0.5) << what;
        EXPECT_NEAR(predicted.powers.back(), measured.powers.back() * 100, 0.5) << what;
    }
}

// The closed-loop time is chosen by the predicted start-up: the terms are still the rule's for
// that time, keep within the overshoot the aggressiveness accepts and settle no later than the
// plain choice; a noisy source gets a smaller gain.
TEST(LoopPrediction, ChosenTermsAreTheRulesForTheBestClosedLoopTime)
{
    const SourceModel model{0.25, 10, 1.5, 20}; // the thermal preset's
    LoopConditions conditions;
    conditions.seconds = 90;
    for (Aggressiveness a : {Aggressiveness::Calm, Aggressiveness::Normal, Aggressiveness::Fast}) {
        const RuleResult chosen = ChooseTerms(model, a, conditions);
        const RuleResult formula =
            RuleTermsFor(chosen.rule, model, chosen.closedLoopTime, chosen.integralFactor);
        EXPECT_DOUBLE_EQ(chosen.terms.p, formula.terms.p);
        EXPECT_DOUBLE_EQ(chosen.terms.i, formula.terms.i);
        EXPECT_DOUBLE_EQ(chosen.terms.d, formula.terms.d);
        const Prediction p = PredictLoop(model, chosen.terms, conditions);
        const Prediction plain =
            PredictLoop(model, SimcTerms(model, a, conditions.period).terms, conditions);
        ASSERT_GT(p.settleTime, 0) << AggressivenessName(a);
        EXPECT_LE(p.overshoot, OvershootLimit(a)) << AggressivenessName(a);
        if (plain.settleTime > 0 && plain.overshoot <= OvershootLimit(a)) {
            EXPECT_LE(p.settleTime, plain.settleTime) << AggressivenessName(a);
        }
    }
    // From power 0 the whole steady power comes from the integral of the error: the choice
    // shortens the rule's integral time on this slow source, and settles sooner for it.
    const RuleResult normal = ChooseTerms(model, Aggressiveness::Normal, conditions);
    EXPECT_LT(normal.integralFactor, 1);
    EXPECT_LT(PredictLoop(model, normal.terms, conditions).settleTime,
              PredictLoop(model, RuleTermsFor(normal.rule, model, normal.closedLoopTime).terms,
                          conditions)
                  .settleTime);

    // A noisy source: a calmer gain, and no derivative action that would pass the noise on.
    conditions.rateNoise = 0.5;
    const RuleResult noisy = ChooseTerms(model, Aggressiveness::Normal, conditions);
    EXPECT_LT(noisy.terms.p, normal.terms.p);
    EXPECT_LE(NoiseKick(noisy.terms, conditions), 0.1 * (20 + 5 / model.gain));
    EXPECT_GT(NoiseKick({100, 1, 1}, conditions), NoiseKick({100, 1, 0}, conditions));
}

// Soaking at the power where the model's line meets zero, less half the power the setpoint needs
// above it: the loop then winds up only that part, and settles far sooner than from power 0 on a
// source with a high threshold (the library's simulation, as identified).
TEST(LoopPrediction, SoakPowerBelowTheThresholdShortensTheStart)
{
    const SourceModel model{2.35, 0.9, 0.58, 46.3}; // 5 Angstrom/s need 2.1 % above 46.3 %
    LoopConditions conditions;
    conditions.seconds = 90;
    EXPECT_DOUBLE_EQ(SoakPower(model, conditions), 45.2);
    EXPECT_DOUBLE_EQ(SoakPower({0.25, 10, 1.5, 40}, conditions), 30);
    conditions.maxPower = 0.25;
    EXPECT_DOUBLE_EQ(SoakPower(model, conditions), 25) << "never above the output's maximum";
    EXPECT_DOUBLE_EQ(SoakPower({0.25, 10, 1.5, 1}, {}), 0) << "never below 0";

    conditions.maxPower = 1;
    const RuleResult fromZero = ChooseTerms(model, Aggressiveness::Normal, conditions);
    const double zeroSettle = PredictLoop(model, fromZero.terms, conditions).settleTime;
    const double soak = SoakPower(model, conditions);
    conditions.startPower = soak / 100;
    const RuleResult soaked = ChooseTerms(model, Aggressiveness::Normal, conditions);
    const Prediction p = PredictLoop(model, soaked.terms, conditions);
    ASSERT_GT(p.settleTime, 0);
    EXPECT_LT(p.settleTime, zeroSettle / 2);
    EXPECT_LE(p.overshoot, OvershootLimit(Aggressiveness::Normal));
    EXPECT_GE(p.powers.front(), soak) << "the loop starts from the soak";
}

TEST(LoopPrediction, SlowTermsNeverSettleAndPowerStaysWithinMaximum)
{
    const SourceModel model{0.25, 10, 1.5, 20};
    LoopConditions conditions;
    conditions.maxPower = 0.5;
    conditions.seconds = 30;
    // The setpoint needs 40 % power; 50 % is the most the output may give.
    const Prediction p = PredictLoop(model, {5000, 0.5, 0}, conditions);
    EXPECT_LE(p.powerPeak, 50 + 1e-9);
    const Prediction slow = PredictLoop(model, {1, 99.9, 0}, conditions);
    EXPECT_EQ(slow.settleTime, -1);
}

} // namespace
} // namespace tlv880::tuning
