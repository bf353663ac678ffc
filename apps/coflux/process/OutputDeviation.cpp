#include "OutputDeviation.h"

#include <cmath>
#include <limits>

namespace coflux {

void OutputDeviations::Update(int slot, bool controlled, double setpoint, double rate, double now)
{
    if (slot < 0 || slot >= kSlots) return;
    const auto i = static_cast<std::size_t>(slot);
    RateDeviation& d = m_deviations[i];
    tlv::RateBandWatch& watch = m_watches[i];
    if (!controlled || !std::isfinite(setpoint) || !std::isfinite(rate)) {
        d = RateDeviation{};
        watch.reset();
        return;
    }
    d.shown = true;
    d.setpoint = setpoint;
    d.rate = rate;
    d.difference = rate - setpoint;
    d.percent = setpoint != 0 ? d.difference / std::fabs(setpoint) * 100.0
                              : std::numeric_limits<double>::quiet_NaN();
    d.band = watch.update(m_tolerance, setpoint, rate, now);
    d.outside = !m_tolerance.isWithin(setpoint, rate);
    d.secondsOutside = watch.secondsOutside();
}

void OutputDeviations::Clear()
{
    m_deviations.fill(RateDeviation{});
    for (tlv::RateBandWatch& watch : m_watches)
        watch.reset();
}

const RateDeviation& OutputDeviations::At(int slot) const
{
    static const RateDeviation none;
    if (slot < 0 || slot >= kSlots) return none;
    return m_deviations[static_cast<std::size_t>(slot)];
}

QString OutputDeviations::Text(const RateDeviation& d)
{
    if (!d.shown) return {};
    // Rounded first, so a difference that shows as zero carries no sign.
    const double diff = std::round(d.difference * 100.0) / 100.0;
    QString text = QStringLiteral("%1%2 \u00c5/s")
                       .arg(diff > 0 ? QStringLiteral("+") : QString())
                       .arg(diff == 0 ? 0.0 : diff, 0, 'f', 2);
    if (std::isfinite(d.percent)) {
        const double pct = std::round(d.percent * 10.0) / 10.0;
        text += QStringLiteral(" (%1%2 %)")
                    .arg(pct > 0 ? QStringLiteral("+") : QString())
                    .arg(pct == 0 ? 0.0 : pct, 0, 'f', 1);
    }
    return text;
}

} // namespace coflux
