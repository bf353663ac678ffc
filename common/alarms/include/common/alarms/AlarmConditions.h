#pragma once
// The conditions the programs raise alarms for, and the watchers that raise and clear them from
// what the instrument reports. The watchers hold no widget and no timer: a core feeds them its
// readings and events with the instrument's time, so a test steps that time by hand.
//
//   crystal    a sensor's crystal failed (the instrument's crystal rule, or three failed
//              readings in a row where a program reads frequencies itself); clears when it
//              reads again or the measurement restarts
//   quality    a sensor's quality rule tripped; clears when the measurement restarts
//   stability  a sensor's stability rule tripped (single jump or sum); as quality
//   control    an output's control error (the instrument's rule); clears on the next start
//   crystals   every crystal of an output failed; clears on the next start
//   rate       an output's rate stayed out of its tolerance (a warning first, then the alarm);
//              clears with the first reading back inside, or when rate control ends
//   power      an output under rate control sat at its maximum power for 5 s; clears as soon
//              as the loop takes power back (or rate control ends)
//   shutter    a recipe's shutter delay timed out; clears when the next recipe starts
//   life       a crystal cannot take what the next layer needs (warning); clears when that
//              layer ends or the run does
//   backup     a backup sensor took over an output (warning); clears on the next start
//   card       a card failed its Init (tlvmulti); clears with a good Init

#include "common/alarms/AlarmModel.h"
#include "common/alarms/RateTolerance.h"

#include <QString>

#include <vector>

namespace tlv::condition {
inline const QString kCrystal = QStringLiteral("crystal");
inline const QString kQuality = QStringLiteral("quality");
inline const QString kStability = QStringLiteral("stability");
inline const QString kControl = QStringLiteral("control");
inline const QString kCrystals = QStringLiteral("crystals");
inline const QString kRate = QStringLiteral("rate");
inline const QString kPower = QStringLiteral("power");
inline const QString kShutter = QStringLiteral("shutter");
inline const QString kLife = QStringLiteral("life");
inline const QString kBackup = QStringLiteral("backup");
inline const QString kCard = QStringLiteral("card");
} // namespace tlv::condition

namespace tlv {

// The instrument's health rules as alarms: its sensor events (crystal, quality and stability
// failures; "Sensor OK.") and output events (control error, every crystal failed).
class InstrumentEventAlarms {
public:
    explicit InstrumentEventAlarms(AlarmModel& model) : m_model(model) {}

    // A sensor event of the instrument: codes 1..4 raise, -1 ("Sensor OK.") clears the
    // sensor's alarms; 0 (disabled by the operator) is no alarm.
    void sensorEvent(int code, const QString& message, int sensor);
    // The sensor's status word after a reading: a rule whose bit is clear again clears its
    // alarm (the instrument tells a crystal that reads again only when no other bit is set).
    void sensorStatus(int sensor, int statusWord);
    // An output event: 4 (control error) and 5 (every crystal failed) raise.
    void outputEvent(int code, const QString& message, const AlarmSource& output);
    // The measurement (re)started: the instrument has cleared every status bit.
    void measurementStarted();

private:
    AlarmModel& m_model;
};

// A program that reads frequencies itself (tlvmonitor) judges its crystals from them: a sensor
// whose frequency carries a failure code (-1 no signal, -2 above, -3 below the frequency range)
// for `failLimit` readings in a row raises "crystal"; its first good reading clears it.
class CrystalReadingAlarms {
public:
    explicit CrystalReadingAlarms(AlarmModel& model, int sensors, int failLimit = 3);

    // One reading of sensor `sensor` (0-based).
    void update(int sensor, double frequency);
    // The sensor is no longer read (not displayed, measuring stopped): its alarm clears.
    void forget(int sensor);

private:
    AlarmModel& m_model;
    int m_failLimit;
    std::vector<int> m_failed; // failed readings in a row per sensor
};

// What a core knows of an output at one reading.
struct OutputAlarmSample {
    double rate = 0;       // Å/s
    double setpoint = 0;   // Å/s
    double power = 0;      // %
    double maxPower = 100; // %
    // A rate loop on crystals holds the output now (running, in Auto, not in an open-loop
    // phase of a recipe): only then do the rate and maximum-power conditions apply.
    bool rateControl = false;
};

// The rate tolerance and maximum-power conditions of each output.
class OutputAlarms {
public:
    // An output that has sat at its maximum power this long (s) under rate control raises.
    static constexpr double kMaxPowerSeconds = 5.0;

    OutputAlarms(AlarmModel& model, int outputs);

    void setTolerance(const RateTolerance& tolerance) { m_tolerance = tolerance; }
    const RateTolerance& tolerance() const { return m_tolerance; }

    // One reading of `source` (its index selects the output) at `now` (instrument seconds).
    void update(const AlarmSource& source, const OutputAlarmSample& sample, double now);
    // Rate control ended for every output (the deposition stopped): their alarms clear.
    void stopAll();

private:
    struct Watch {
        RateBandWatch band;
        double atMaxSince = -1; // instrument seconds, -1 while below its maximum
    };
    void stop(const AlarmSource& source, Watch& watch);

    AlarmModel& m_model;
    RateTolerance m_tolerance;
    std::vector<Watch> m_watches;
    std::vector<AlarmSource> m_sources; // as last seen, to clear them by index
};

} // namespace tlv
