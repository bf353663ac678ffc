#include "common/alarms/RateTolerance.h"

#include <algorithm>
#include <cmath>

namespace tlv {

double RateTolerance::bandHalfWidth(double setpoint) const
{
    return std::max(std::fabs(setpoint) * percent / 100.0, minimumRate);
}

bool RateTolerance::isWithin(double setpoint, double rate) const
{
    // A reading that is not a number is never "within": a failed crystal must not look fine.
    if (!std::isfinite(rate) || !std::isfinite(setpoint)) return false;
    // The small allowance keeps a rate printed exactly on the edge (10.5 against 10 ± 5 %)
    // inside despite binary rounding.
    const double halfWidth = bandHalfWidth(setpoint);
    return std::fabs(rate - setpoint) <= halfWidth * (1.0 + 1e-12);
}

std::string RateTolerance::problem() const
{
    if (!std::isfinite(percent) || percent < 0.0 || percent > 100.0)
        return "The rate tolerance must be between 0 and 100 %.";
    if (!std::isfinite(minimumRate) || minimumRate < 0.0 || minimumRate > 999.99)
        return "The minimum rate tolerance must be between 0 and 999.99 \u00c5/s.";
    if (percent == 0.0 && minimumRate == 0.0)
        return "The rate tolerance needs a percentage or a minimum rate above 0.";
    if (!std::isfinite(alarmAfter) || alarmAfter < 1.0 || alarmAfter > 86400.0)
        return "The time before a rate alarm must be between 1 and 86400 s.";
    if (!std::isfinite(warningAfter) || warningAfter < 0.0 || warningAfter > alarmAfter)
        return "The time before a rate warning must be between 0 s and the time before the alarm.";
    return {};
}

RateBand classifyRate(const RateTolerance& tolerance, double setpoint, double rate,
                      double secondsOutside)
{
    if (tolerance.isWithin(setpoint, rate)) return RateBand::InBand;
    if (secondsOutside >= tolerance.alarmAfter) return RateBand::Out;
    if (secondsOutside >= tolerance.warningAfter) return RateBand::Warning;
    return RateBand::InBand;
}

RateBand RateBandWatch::update(const RateTolerance& tolerance, double setpoint, double rate,
                               double now)
{
    if (tolerance.isWithin(setpoint, rate)) {
        reset();
        return RateBand::InBand;
    }
    if (!m_outside || now < m_outsideSince) {
        m_outside = true;
        m_outsideSince = now;
    }
    m_secondsOutside = now - m_outsideSince;
    return classifyRate(tolerance, setpoint, rate, m_secondsOutside);
}

} // namespace tlv
