#pragma once

#include <string>

namespace tlv {

// How far an output's measured rate may stray from its setpoint, and for how long.
//
// The band around a setpoint is the larger of `percent` of the setpoint and `minimumRate`
// (Å/s): with the defaults, ±5 % of 10 Å/s is ±0.5 Å/s, while 1 Å/s keeps the ±0.1 Å/s floor.
// A rate on the band's edge is inside. A rate that stays outside for `warningAfter` seconds is a
// warning; one that stays outside for `alarmAfter` seconds raises the alarm. A single reading
// back inside the band restarts the count.
struct RateTolerance {
    double percent = 5.0;       // % of the setpoint
    double minimumRate = 0.1;   // Å/s, the narrowest the band gets (low setpoints)
    double warningAfter = 20.0; // s outside the band before the warning
    double alarmAfter = 60.0;   // s outside the band before the alarm

    // Half the width of the band around `setpoint` (Å/s).
    double bandHalfWidth(double setpoint) const;
    // Whether `rate` lies within the band around `setpoint` (edges included).
    bool isWithin(double setpoint, double rate) const;

    // Empty when the tolerance can be used; otherwise the reason, for the setting's entry check
    // ("The rate tolerance must be between 0 and 100 %." and the like).
    std::string problem() const;

    friend bool operator==(const RateTolerance&, const RateTolerance&) = default;
};

// Where a rate stands against its setpoint.
enum class RateBand {
    InBand,  // inside the band, or outside for less than the warning time
    Warning, // outside for the warning time or longer
    Out,     // outside for the alarm time or longer: the alarm
};

// The band for a rate that has been outside the band for `secondsOutside` seconds so far (0 or
// less: it is inside or has just left it). A rate that is inside the band is InBand whatever
// the time given.
RateBand classifyRate(const RateTolerance& tolerance, double setpoint, double rate,
                      double secondsOutside);

// Follows one output's rate reading by reading and tells how long it has been out of the band.
// The time is the instrument's clock in seconds (any origin, never going back while a run
// lasts); a step back restarts the count rather than producing a negative time.
class RateBandWatch {
public:
    // The band of this reading; remembers when the rate left the band.
    RateBand update(const RateTolerance& tolerance, double setpoint, double rate, double now);
    // Forgets the excursion (the output stopped depositing, the setpoint was set aside).
    void reset()
    {
        m_outside = false;
        m_outsideSince = -1.0;
        m_secondsOutside = 0.0;
    }

    // Seconds outside the band as of the last update (0 when inside).
    double secondsOutside() const { return m_secondsOutside; }

private:
    bool m_outside = false;
    double m_outsideSince = -1.0;
    double m_secondsOutside = 0.0;
};

} // namespace tlv
