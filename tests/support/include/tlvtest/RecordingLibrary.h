#pragma once

// The one test double of the card library binding, shared by the instrument's, the programs'
// tests and the benchmarks. It records every call with its arguments, answers with the results
// the test sets (or plays a missing export or a missing library file), hands out queued readings
// the way the library's ring does (at most nine unread, oldest first) and can run a test's code
// inside a call, as a library that pumps events would.

#include "instrument/LibraryBinding.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace tlvtest {

struct Call {
    QString name; // the export's name, e.g. "Xdc770SetPower"
    QVariantList args;
};

// One measurement as the library delivers it.
struct Reading {
    std::array<double, 72> values{}; // rate 0..23, thickness 24..47, frequency 48..71
    std::array<double, 14> power{};  // fractions

    Reading& sensor(int s, double rate, double thickness, double frequency)
    {
        values[s] = rate;
        values[24 + s] = thickness;
        values[48 + s] = frequency;
        return *this;
    }
    Reading& all(double rate, double thickness, double frequency)
    {
        for (int s = 0; s < 24; ++s)
            sensor(s, rate, thickness, frequency);
        return *this;
    }
};

class RecordingLibrary : public tlv::LibraryBinding {
public:
    // Start-up: what the library writes into info[1..7] and its result (904: no card).
    std::array<int, 8> startupInfo{};
    int startupResult = 904;

    std::map<QString, int> results; // result per export name; 0 when absent
    // Consulted for every recorded call with its line (see line()); a nonzero answer is the
    // call's result, overriding `results`.
    std::function<int(const QString& line)> refuse;
    QSet<QString> missing;       // exports that cannot be bound
    bool libraryMissing = false; // the library file itself cannot be found: nothing binds
    bool recording = true;       // off: calls are answered but not kept (benchmarks)

    std::vector<Call> calls;
    // Runs after each call was recorded, before it is answered.
    std::function<void(const Call&)> during;

    std::deque<Reading> readings;               // oldest first; at most 9 are reported unread
    std::function<bool(Reading&)> nextReading;  // when set, makes each reading instead
    std::deque<std::array<double, 4>> analog;   // oldest first
    bool steadyAnalog = false;                  // every analog call has one unread set
    std::array<double, 4> steadyAnalogValues{}; // ... with these volts
    std::array<double, 14> power{};             // what Xdc770GetPower reports
    std::deque<std::pair<short, short>> panel;  // switches, knob per GetSwitchData call

    // Calls of one export.
    int count(const QString& name) const;
    const Call* last(const QString& name) const;
    std::vector<Call> all(const QString& name) const;
    // The sensor map of the last Xdc770MapSensors call.
    std::vector<int> lastMap() const;

    // The commands sent (every call but the polls Xdc770GetReadings, Xdc770GetAnReadings,
    // Xdc770GetPower and GetSwitchData), each as one short line: "SetPower 2 0.5",
    // "Loop 0 10 50 1 0" (output first, then setpoint and the three terms), "MapSensors
    // 0,1,-1,...", "Startup 0", "Zero 1" for Xdc770Zero2. Numbers print with up to ten significant
    // digits.
    QStringList lines() const;
    // The lines that start with prefix.
    QStringList linesOf(const QString& prefix) const;
    static QString line(const Call& call);

    tlv::BoundResult Xdc770Startup2(int command, int* info) override;
    tlv::BoundResult Xdc770Init(double fmax, double fmin, double finit, double period) override;
    tlv::BoundResult Xdc770Material(int sensorMask, double density, double zFactor,
                                    double tooling) override;
    tlv::BoundResult Xdc770MapSensors(const int* map) override;
    tlv::BoundResult Xdc770MapAnSensors(const int* map) override;
    tlv::BoundResult Xdc770Loop2(double setpoint, double pTerm, double iTerm, double dTerm,
                                 int output) override;
    tlv::BoundResult Xdc770SetPower(int output, double power) override;
    tlv::BoundResult Xdc770FullScale(int output, double volts, double maxPower,
                                     double slewRate) override;
    tlv::BoundResult Xdc770GetPower(double* power) override;
    tlv::BoundResult Xdc770StartMeas() override;
    tlv::BoundResult Xdc770Simulate(int mode) override;
    tlv::BoundResult Xdc770GetReadings(double* readings, double* power) override;
    tlv::BoundResult Xdc770GetAnReadings(double* analog, double* power) override;
    tlv::BoundResult Xdc770ZeroSensor(int sensor) override;
    tlv::BoundResult Xdc770Zero2(int output) override;
    tlv::BoundResult GetSwitchData(short* pressed, short* knobChange) override;
    tlv::BoundResult DimBacklight(int dim) override;
    QString failureMessage() const override { return m_failure; }

private:
    // Records the call and runs `during`: no value when it cannot be bound (failureMessage()
    // then says why), else what `refuse` answered (0: nothing refused).
    std::optional<int> record(const char* name, QVariantList args);
    int result(const char* name) const;
    tlv::BoundResult answer(const char* name, QVariantList args);

    Call m_scratch;    // the call being answered when recording is off
    int m_refusal = 0; // what refuse() answered for the call being answered
    std::array<double, 14> m_lastPower{};
    QString m_failure;
};

} // namespace tlvtest
