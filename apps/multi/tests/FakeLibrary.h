#pragma once
// A card library double for the window tests: it records every call the instrument makes as one
// line of text, can be told to refuse chosen calls, and hands out readings a test prepared.

#include "instrument/LibraryBinding.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>

namespace multi::testing {

class FakeLibrary : public tlv::LibraryBinding {
public:
    // Firmware versions of cards 1..6 reported at start-up (0 = no card).
    std::array<int, 6> revisions{};
    // Consulted for every call; a nonzero result refuses it. Arguments: the recorded line.
    std::function<int(const QString& call)> refuse;
    // Readings handed out by the next Xdc770GetReadings calls (one per call), then none.
    struct Reading {
        std::array<double, 72> values{}; // rates 0..23, thickness 24..47, frequency 48..71
        std::array<double, 14> power{};  // fractions
    };
    QList<Reading> pending;
    // Behave like a library file that cannot be found: every call fails to bind.
    bool missing = false;

    QStringList calls;
    // The calls recorded so far whose line starts with prefix.
    QStringList callsOf(const QString& prefix) const;

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
    QString failureMessage() const override
    {
        return missing ? QStringLiteral("libtlv880a.so was not found") : QString();
    }

private:
    int record(const QString& call);
};

} // namespace multi::testing
