// Loop terms from an identified source by the SIMC rule (Skogestad's simple internal-model
// rules) for a first-order lag with dead time, in the card library's own units.
//
// The rule, with process gain K (Angstrom/s per fraction of power), time constant tau, dead time
// theta and the chosen closed-loop time constant tau_c:
//   controller gain  Kc = tau / (K * (tau_c + theta))
//   integral time    tau_I = min(tau, 4 * (tau_c + theta))
//   derivative time  0: the rate is a difference quotient, derivative action would amplify its
//                    noise. For a fast, noisy source (tau short against theta) tau_I = tau is
//                    short and Kc small: the loop is then integral dominant, as the rule intends.
// tau_c follows the aggressiveness: fast theta, normal 2 theta, calm 4 theta, but never shorter
// than a few measurement periods (the loop cannot act faster than it measures).
//
// The library's velocity-form loop adds (e0 - e1 + period e0 / I + D (e0 - 2e1 + e2) / period)
// x P / 10000 to the power fraction per cycle, with the error in Angstrom/s: so P = 10000 Kc,
// I = tau_I and D = tau_D in seconds.
#pragma once

#include "StepFit.h"

namespace tlv880::tuning {

enum class Aggressiveness { Calm, Normal, Fast };

struct LoopTermSet {
    double p = 0; // the library's P term (1/10,000 of a power fraction per Angstrom/s)
    double i = 0; // s; 0: no integral action
    double d = 0; // s
};

struct RuleResult {
    LoopTermSet terms;
    double closedLoopTime = 0; // tau_c, s
    bool limited = false;      // a term was brought within the instrument's limits
};

// The closed-loop time constant the aggressiveness asks for.
double ClosedLoopTime(const SourceModel& model, Aggressiveness aggressiveness, double period);

// The terms for the model, rounded as the setup file stores them (one decimal) and brought
// within the instrument's limits (P 0..9999, I and D 0..99.9; I at least 0.1).
RuleResult SimcTerms(const SourceModel& model, Aggressiveness aggressiveness, double period);
// The same rule for a closed-loop time constant given directly.
RuleResult SimcTermsFor(const SourceModel& model, double closedLoopTime);

// The overshoot (% of the setpoint) the aggressiveness accepts: calm 1, normal 3, fast 5.
double OvershootLimit(Aggressiveness aggressiveness);

const char* AggressivenessName(Aggressiveness aggressiveness);
// "calm", "normal" or "fast" (any case); false for anything else.
bool ParseAggressiveness(const std::string& text, Aggressiveness* aggressiveness);

} // namespace tlv880::tuning
