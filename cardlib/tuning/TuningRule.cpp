#include "TuningRule.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace tlv880::tuning {

namespace {

constexpr double kPMax = 9999, kTermMax = 99.9, kIMin = 0.1;
constexpr double kPeriodsAtLeast = 3; // tau_c is never shorter than this many periods

double OneDecimal(double value)
{
    return std::round(value * 10) / 10;
}

} // namespace

double ClosedLoopTime(const SourceModel& model, Aggressiveness aggressiveness, double period)
{
    const double factor = aggressiveness == Aggressiveness::Fast   ? 1
                          : aggressiveness == Aggressiveness::Calm ? 4
                                                                   : 2;
    return std::max(factor * model.deadTime, factor * kPeriodsAtLeast * period / 2);
}

RuleResult SimcTerms(const SourceModel& model, Aggressiveness aggressiveness, double period)
{
    return SimcTermsFor(model, ClosedLoopTime(model, aggressiveness, period));
}

double OvershootLimit(Aggressiveness aggressiveness)
{
    return aggressiveness == Aggressiveness::Calm   ? 1
           : aggressiveness == Aggressiveness::Fast ? 5
                                                    : 3;
}

namespace {

// Rounds the terms as the setup file stores them and brings them within the instrument's limits.
RuleResult Limited(RuleResult result, double kc, double ti, double td)
{
    const double p = OneDecimal(10000 * kc);
    const double i = OneDecimal(ti);
    const double d = OneDecimal(td);
    result.limited = p > kPMax || p <= 0 || i > kTermMax || i < kIMin || d > kTermMax;
    result.terms.p = std::clamp(p, 0.1, kPMax);
    result.terms.i = std::clamp(i, kIMin, kTermMax);
    result.terms.d = std::clamp(d, 0.0, kTermMax);
    return result;
}

bool Identified(const SourceModel& model)
{
    return model.gain > 0 && model.timeConstant > 0;
}

// What a rule was asked for, before its terms.
RuleResult Asked(TuningRuleKind rule, double closedLoopTime, double integralFactor)
{
    RuleResult result;
    result.closedLoopTime = closedLoopTime;
    result.integralFactor = integralFactor;
    result.rule = rule;
    return result;
}

} // namespace

RuleResult SimcTermsFor(const SourceModel& model, double closedLoopTime, double integralFactor)
{
    const RuleResult result = Asked(TuningRuleKind::SimcPi, closedLoopTime, integralFactor);
    if (!Identified(model)) return result;
    const double gainPerFraction = model.gain * 100; // Angstrom/s per fraction of power
    const double sum = closedLoopTime + model.deadTime;
    const double kc = model.timeConstant / (gainPerFraction * sum);
    const double ti = integralFactor * std::min(model.timeConstant, 4 * sum);
    return Limited(result, kc, ti, 0);
}

RuleResult ImcPidTermsFor(const SourceModel& model, double closedLoopTime, double integralFactor)
{
    const RuleResult result = Asked(TuningRuleKind::ImcPid, closedLoopTime, integralFactor);
    if (!Identified(model)) return result;
    const double tau = model.timeConstant, theta = model.deadTime;
    const double kc = (tau + theta / 2) / (model.gain * 100 * (closedLoopTime + theta / 2));
    const double ti = integralFactor * (tau + theta / 2);
    const double td = tau * theta / (2 * tau + theta);
    return Limited(result, kc, ti, td);
}

RuleResult RuleTermsFor(TuningRuleKind rule, const SourceModel& model, double closedLoopTime,
                        double integralFactor)
{
    return rule == TuningRuleKind::ImcPid ? ImcPidTermsFor(model, closedLoopTime, integralFactor)
                                          : SimcTermsFor(model, closedLoopTime, integralFactor);
}

const char* TuningRuleName(TuningRuleKind rule)
{
    return rule == TuningRuleKind::ImcPid ? "IMC PID" : "SIMC PI";
}

const char* AggressivenessName(Aggressiveness aggressiveness)
{
    switch (aggressiveness) {
    case Aggressiveness::Calm:
        return "calm";
    case Aggressiveness::Fast:
        return "fast";
    case Aggressiveness::Normal:
        break;
    }
    return "normal";
}

bool ParseAggressiveness(const std::string& text, Aggressiveness* aggressiveness)
{
    std::string lower;
    for (char c : text)
        lower += char(std::tolower(static_cast<unsigned char>(c)));
    for (Aggressiveness a : {Aggressiveness::Calm, Aggressiveness::Normal, Aggressiveness::Fast}) {
        if (lower == AggressivenessName(a)) {
            *aggressiveness = a;
            return true;
        }
    }
    return false;
}

} // namespace tlv880::tuning
