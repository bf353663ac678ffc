// Loop terms from an identified source by two rules for a first-order lag with dead time, in the
// card library's own units: the SIMC rule (Skogestad's simple internal-model rules, PI) and the
// IMC-PID rule (Rivera, Morari and Skogestad, the dead time by its first-order Pade
// approximation) for a source quiet enough for derivative action.
//
// The rule, with process gain K (Angstrom/s per fraction of power), time constant tau, dead time
// theta and the chosen closed-loop time constant tau_c:
//   controller gain  Kc = tau / (K * (tau_c + theta))
//   integral time    tau_I = min(tau, 4 * (tau_c + theta))
//   derivative time  0: the rate is a difference quotient, derivative action would amplify its
//                    noise. For a fast, noisy source (tau short against theta) tau_I = tau is
//                    short and Kc small: the loop is then integral dominant, as the rule intends.
// The IMC-PID rule with the same symbols:
//   controller gain  Kc = (tau + theta / 2) / (K * (tau_c + theta / 2))
//   integral time    tau_I = tau + theta / 2
//   derivative time  tau_D = tau theta / (2 tau + theta)
// The library's loop is the ideal (parallel) PID, the form this rule is written for.
//
// tau_c follows the aggressiveness: fast theta, normal 2 theta, calm 4 theta, but never shorter
// than a few measurement periods (the loop cannot act faster than it measures).
//
// The rule's integral time is made for a loop already at its operating point. A loop that starts
// from power 0 must build its whole steady power from the integral of its error (the
// velocity-form loop has no other memory), and that error is at most the setpoint: the
// integral time may therefore be shortened by a factor (integralFactor, 1 = the rule's own),
// which the choice of terms (ChooseTerms) weighs by the predicted start-up.
//
// The library's velocity-form loop adds (e0 - e1 + period e0 / I + D (e0 - 2e1 + e2) / period)
// x P / 10000 to the power fraction per cycle, with the error in Angstrom/s: so P = 10000 Kc,
// I = tau_I and D = tau_D in seconds.
#pragma once

#include "StepFit.h"

namespace tlv880::tuning {

enum class Aggressiveness { Calm, Normal, Fast };

enum class TuningRuleKind { SimcPi, ImcPid };

struct LoopTermSet {
    double p = 0; // the library's P term (1/10,000 of a power fraction per Angstrom/s)
    double i = 0; // s; 0: no integral action
    double d = 0; // s
};

struct RuleResult {
    LoopTermSet terms;
    double closedLoopTime = 0; // tau_c, s
    double integralFactor = 1; // share of the rule's integral time used
    TuningRuleKind rule = TuningRuleKind::SimcPi;
    bool limited = false; // a term was brought within the instrument's limits
};

// The closed-loop time constant the aggressiveness asks for.
double ClosedLoopTime(const SourceModel& model, Aggressiveness aggressiveness, double period);

// The terms for the model, rounded as the setup file stores them (one decimal) and brought
// within the instrument's limits (P 0..9999, I and D 0..99.9; I at least 0.1).
RuleResult SimcTerms(const SourceModel& model, Aggressiveness aggressiveness, double period);
// The same rule for a closed-loop time constant given directly, with the integral time
// tau_I = integralFactor x min(tau, 4 (tau_c + theta)).
RuleResult SimcTermsFor(const SourceModel& model, double closedLoopTime, double integralFactor = 1);

// The IMC-PID rule for a closed-loop time constant, with tau_I = integralFactor x (tau + theta/2).
RuleResult ImcPidTermsFor(const SourceModel& model, double closedLoopTime,
                          double integralFactor = 1);
// The terms of either rule.
RuleResult RuleTermsFor(TuningRuleKind rule, const SourceModel& model, double closedLoopTime,
                        double integralFactor = 1);
// "SIMC PI" or "IMC PID".
const char* TuningRuleName(TuningRuleKind rule);

// The overshoot (% of the setpoint) the aggressiveness accepts: calm 1, normal 3, fast 5.
double OvershootLimit(Aggressiveness aggressiveness);

const char* AggressivenessName(Aggressiveness aggressiveness);
// "calm", "normal" or "fast" (any case); false for anything else.
bool ParseAggressiveness(const std::string& text, Aggressiveness* aggressiveness);

} // namespace tlv880::tuning
