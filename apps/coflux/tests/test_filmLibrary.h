#pragma once
// A card-library double that grows film in proportion to the output power, and a clock the test
// steps: a deposition that runs reading by reading, as fast as the test drives it.

#include "test_frmSupport.h"

#include "instrument/InstrumentClock.h"

namespace coflux::test {

// A clock that only moves when the test says so.
class SteppedClock : public tlv::InstrumentClock {
public:
    QDateTime now() const override { return m_now; }
    void step(int ms) { m_now = m_now.addMSecs(ms); }

private:
    QDateTime m_now{QDate(2026, 3, 4), QTime(10, 0, 0)};
};

// One simulated chamber: every pending reading deposits rate × period on each sensor that feeds
// an output, the rate being 10 Å/s per 10 % power of that output.
class FilmLibrary : public FakeLibrary {
public:
    int pending = 0;       // readings the library holds unread
    int analogPending = 0; // analog readings likewise
    std::array<double, 4> volts{};
    std::array<double, 14> power{}; // fractions, as last set
    std::array<double, 24> thickness{};
    std::array<int, 24> map{};
    double period = 0.1;

    FilmLibrary() { map.fill(-1); }

    tlv::BoundResult Xdc770SetPower(int output, double fraction) override
    {
        if (output >= 0 && output < 14) power[static_cast<size_t>(output)] = fraction;
        return FakeLibrary::Xdc770SetPower(output, fraction);
    }
    tlv::BoundResult Xdc770GetPower(double* out) override
    {
        std::copy(power.begin(), power.end(), out);
        return 0;
    }
    tlv::BoundResult Xdc770MapSensors(const int* m) override
    {
        std::copy(m, m + 24, map.begin());
        return FakeLibrary::Xdc770MapSensors(m);
    }
    tlv::BoundResult Xdc770Zero2(int) override
    {
        thickness.fill(0);
        return 0;
    }
    tlv::BoundResult Xdc770GetReadings(double* readings, double* fractions) override
    {
        if (pending <= 0) return 0;
        const int unread = pending--;
        for (int s = 0; s < 24; ++s) {
            const int out = map[static_cast<size_t>(s)];
            const double rate = out >= 0 ? power[static_cast<size_t>(out)] * 100 : 0;
            thickness[static_cast<size_t>(s)] += rate * period;
            readings[s] = rate;
            readings[24 + s] = thickness[static_cast<size_t>(s)];
            readings[48 + s] = 5.9e6;
        }
        std::copy(power.begin(), power.end(), fractions);
        return unread;
    }
    tlv::BoundResult Xdc770GetAnReadings(double* values, double*) override
    {
        if (analogPending <= 0) return 0;
        std::copy(volts.begin(), volts.end(), values);
        return analogPending--;
    }
};

} // namespace coflux::test
