#pragma once
// A chamber on the recording card-library double that grows film in proportion to the output
// power, and a clock the test steps: a deposition that runs reading by reading, as fast as the
// test drives it.

#include "instrument/cTLV880a.h"
#include "tlvtest/RecordingLibrary.h"
#include "tlvtest/StepClock.h"

#include <array>
#include <memory>

namespace coflux::test {

// The instrument's clock, standing at the runs' date until the test steps it.
inline std::shared_ptr<tlvtest::StepClock> RunClock()
{
    return std::make_shared<tlvtest::StepClock>(QDateTime(QDate(2026, 3, 4), QTime(10, 0, 0)));
}

// A co-deposition setup with its log in %1: output 1 (Gold) at manual power towards a 0.4 kÅ
// thickness trip, output 2 (Silver) beside it with a setpoint it does not reach in the run.
inline constexpr const char* kCoDeposition = R"([Card]
LogEnabled=1
LogFile=%1
Period=.1
Filter=1
[OUTPUT1]
Name=Gold
Mode=2
Input=1
Thick=0.4
FullScale=10
[OUTPUT2]
Name=Silver
Mode=2
Input=2
Thick=100
FullScale=10
)";

// One simulated chamber: every queued reading deposits rate × period on each sensor that feeds
// an output, the rate being 10 Å/s per 10 % power of that output. It follows the power, sensor
// map and zeroing the instrument sends to `lib`, and must outlive the instrument's use of it.
class FilmChamber {
public:
    FilmChamber()
    {
        m_map.fill(-1);
        lib->during = [this](const tlvtest::Call& call) { Follow(call); };
        lib->nextReading = [this](tlvtest::Reading& reading) { return Grow(reading); };
    }
    ~FilmChamber()
    {
        lib->during = nullptr;
        lib->nextReading = nullptr;
    }
    FilmChamber(const FilmChamber&) = delete;
    FilmChamber& operator=(const FilmChamber&) = delete;

    // The next poll finds one reading and `analog` analog readings (at 0 V).
    void Queue(int analog = 1)
    {
        m_pending = true;
        for (int i = 0; i < analog; ++i)
            lib->analog.push_back({});
    }

    const std::shared_ptr<tlvtest::RecordingLibrary> lib =
        std::make_shared<tlvtest::RecordingLibrary>();

private:
    static constexpr double kPeriod = 0.1;

    void Follow(const tlvtest::Call& call)
    {
        if (call.name == QLatin1String("Xdc770SetPower")) {
            const int output = call.args[0].toInt();
            if (output >= 0 && output < tlv880::kOutputs)
                lib->power[static_cast<size_t>(output)] = call.args[1].toDouble();
        } else if (call.name == QLatin1String("Xdc770MapSensors")) {
            for (size_t s = 0; s < m_map.size(); ++s)
                m_map[s] = call.args[static_cast<qsizetype>(s)].toInt();
        } else if (call.name == QLatin1String("Xdc770Zero2")) {
            m_thickness.fill(0);
        }
    }

    bool Grow(tlvtest::Reading& reading)
    {
        if (!m_pending) return false;
        m_pending = false;
        for (size_t s = 0; s < m_map.size(); ++s) {
            const int out = m_map[s];
            const double rate = out >= 0 ? lib->power[static_cast<size_t>(out)] * 100 : 0;
            m_thickness[s] += rate * kPeriod;
            reading.sensor(static_cast<int>(s), rate, m_thickness[s], 5.9e6);
        }
        reading.power = lib->power;
        return true;
    }

    bool m_pending = false;
    std::array<int, tlv880::kSensors> m_map{};
    std::array<double, tlv880::kSensors> m_thickness{};
};

} // namespace coflux::test
