#include "ZMatch.h"

#include <cmath>

namespace tlv880::bus::emu {

double MassOfFrequency(double fresh, double f, double zRatio)
{
    if (fresh <= 0 || f <= 0) return 0;
    return kQuartzFrequencyConstant * kQuartzDensity / (kPi * f * zRatio) *
           std::atan(zRatio * std::tan(kPi * (fresh - f) / fresh));
}

double FrequencyOfMass(double fresh, double mass, double zRatio)
{
    if (fresh <= 0 || mass <= 0) return fresh;
    if (zRatio == 1.0)
        return fresh / (1 + mass * fresh / (kQuartzFrequencyConstant * kQuartzDensity));
    // The mass grows monotonically as the frequency falls from fresh to fresh / 2: bisection
    // needs no derivative and no start value, and sixty halvings reach far below a millihertz.
    double high = fresh;
    double low = fresh / 2 * (1 + 1e-12);
    if (MassOfFrequency(fresh, low, zRatio) <= mass) return low;
    for (int i = 0; i < 60; ++i) {
        const double middle = (low + high) / 2;
        if (MassOfFrequency(fresh, middle, zRatio) > mass)
            low = middle;
        else
            high = middle;
    }
    return (low + high) / 2;
}

} // namespace tlv880::bus::emu
