#pragma once

// The instrument's clock for tests: it stands still until the test steps it.

#include "instrument/InstrumentClock.h"

#include <QDateTime>

namespace tlvtest {

class StepClock final : public tlv::InstrumentClock {
public:
    StepClock() = default;
    explicit StepClock(QDateTime start) : current(std::move(start)) {}

    QDateTime now() const override { return current; }
    void advance(double seconds) { current = current.addMSecs(qRound64(seconds * 1000.0)); }

    QDateTime current{QDate(2026, 3, 2), QTime(10, 0, 0)};
};

} // namespace tlvtest
