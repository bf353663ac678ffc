#pragma once

// The instrument's source of "now": time stamps of readings, the control-error timer and the
// backlight timer. Tests replace it with a clock they step by hand.

#include <QDateTime>

#include <memory>

namespace tlv {

class InstrumentClock {
public:
    virtual ~InstrumentClock() = default;

    // The current local date and time.
    virtual QDateTime now() const = 0;

    // Seconds since local midnight with fractions: the time stamp of readings and events.
    virtual double secondsSinceMidnight() const
    {
        return now().time().msecsSinceStartOfDay() / 1000.0;
    }
};

// The wall clock of the machine.
std::shared_ptr<InstrumentClock> makeSystemClock();

} // namespace tlv
