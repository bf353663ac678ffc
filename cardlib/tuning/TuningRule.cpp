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

RuleResult SimcTermsFor(const SourceModel& model, double closedLoopTime)
{
    RuleResult result;
    result.closedLoopTime = closedLoopTime;
    const double gainPerFraction = model.gain * 100; // Angstrom/s per fraction of power
    if (!(gainPerFraction > 0) || !(model.timeConstant > 0)) return result;
    const double sum = result.closedLoopTime + model.deadTime;
    const double kc = model.timeConstant / (gainPerFraction * sum);
    const double ti = std::min(model.timeConstant, 4 * sum);
    double p = OneDecimal(10000 * kc);
    double i = OneDecimal(ti);
    result.limited = p > kPMax || p <= 0 || i > kTermMax || i < kIMin;
    result.terms.p = std::clamp(p, 0.1, kPMax);
    result.terms.i = std::clamp(i, kIMin, kTermMax);
    result.terms.d = 0;
    return result;
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
