#pragma once
// How far each output's measured rate is from the rate setpoint in force, for the operator:
// the difference in Å/s and in percent of the setpoint, and where it stands against the rate
// tolerance (in the band, outside it for less than the warning time, a warning, an alarm).
// Only an output under rate control from its sensors while the deposition runs has a
// deviation; any other has none, and its time outside the band starts again from zero.
// Plain data and arithmetic: the process updates it with every reading, the views read it.

#include "common/alarms/RateTolerance.h"

#include <QString>

#include <array>

namespace coflux {

struct RateDeviation {
    bool shown = false;    // the output is under rate control while running
    double setpoint = 0;   // Å/s in force
    double rate = 0;       // Å/s measured
    double difference = 0; // rate - setpoint, Å/s
    double percent = 0;    // difference in % of the setpoint; NaN for a setpoint of 0
    bool outside = false;  // outside the tolerance band now
    double secondsOutside = 0;
    tlv::RateBand band = tlv::RateBand::InBand;
};

class OutputDeviations {
public:
    static constexpr int kSlots = 14;

    void SetTolerance(const tlv::RateTolerance& tolerance) { m_tolerance = tolerance; }
    const tlv::RateTolerance& Tolerance() const { return m_tolerance; }

    // The reading of output `slot` at `now` (instrument clock, s): `controlled` when it runs
    // under rate control from its sensors. Out-of-range slots are ignored.
    void Update(int slot, bool controlled, double setpoint, double rate, double now);
    // No output has a deviation (the deposition stopped or was held).
    void Clear();

    const RateDeviation& At(int slot) const;

    // "+0.12 Å/s (+2.4 %)"; without a percentage for a setpoint of 0; empty when not shown.
    static QString Text(const RateDeviation& deviation);

private:
    tlv::RateTolerance m_tolerance;
    std::array<RateDeviation, kSlots> m_deviations{};
    std::array<tlv::RateBandWatch, kSlots> m_watches{};
};

} // namespace coflux
