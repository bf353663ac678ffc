// What a rate loop will do on an identified source, before its terms are used: the model in
// closed loop under the card library's own loop pass (its velocity-form increment, clamp and
// slew limit, run on a library state record at the setup's period), with the rate as the
// instrument shows it (moving mean over the filter) and the figures an operator judges by.
#pragma once

#include "StepFit.h"
#include "TuningRule.h"

#include <vector>

namespace tlv880::tuning {

struct LoopConditions {
    double setpoint = 5;   // Angstrom/s
    double period = 0.25;  // s
    int filter = 4;        // readings the instrument averages the rate over
    double maxPower = 1;   // fraction
    double slewRate = 0;   // fraction per second; 0: no limit
    double startPower = 0; // fraction the output has when rate control starts
    double seconds = 60;   // of loop time to predict
    double rateNoise = 0;  // Angstrom/s RMS of the library's own (unfiltered) rate readings
};

struct Prediction {
    std::vector<double> times;  // s from the start of rate control
    std::vector<double> rates;  // Angstrom/s as the instrument shows them
    std::vector<double> powers; // %
    double settleTime = -1;     // s until the shown rate stays within 5 % for 10 s; -1 never
    double overshoot = 0;       // % of the setpoint above it at most
    double powerPeak = 0;       // % at most
    double steadyPower = 0;     // % mean over the last quarter
    double powerSwing = 0;      // % of the steady power, half the peak-to-peak of the last quarter
};

Prediction PredictLoop(const SourceModel& model, const LoopTermSet& terms,
                       const LoopConditions& conditions);

// The SIMC terms whose loop is predicted to settle soonest from the start power without more
// overshoot than the aggressiveness accepts: the closed-loop time constant is searched from a
// fifth of the aggressiveness's own (ClosedLoopTime) to forty times it, each with the rule's
// integral time and with shorter ones (a factor down to a quarter). A source whose rate only
// starts above a threshold power is mostly a matter of how fast the loop winds up to it, which
// the plain choice of the closed-loop time does not see. When no candidate keeps within the
// overshoot, the plain choice stands. The chosen terms are exactly SimcTermsFor(model,
// closedLoopTime, integralFactor) of the result. With rate noise, a candidate whose reaction to
// one noisy reading (NoiseKick) exceeds 10 % of the steady power is not taken: a noisy source
// gets a calmer gain and relies on its integral action.
RuleResult ChooseTerms(const SourceModel& model, Aggressiveness aggressiveness,
                       const LoopConditions& conditions);

// The power (%) to soak the source at before rate control starts, as a recipe's
// pre-conditioning does: where the model's straight line meets zero rate, within the output's
// maximum. The loop then needs to wind up only the power between the threshold and the
// setpoint, not the threshold itself.
double SoakPower(const SourceModel& model, const LoopConditions& conditions);

// The power step (% of full power) one increment of the loop makes for a reading off by twice
// the rate noise: proportional and integral part together.
double NoiseKick(const LoopTermSet& terms, const LoopConditions& conditions);

} // namespace tlv880::tuning
