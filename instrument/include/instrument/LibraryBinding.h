#pragma once

// The instrument's view of the card library: one call per export it uses, bound by name at run
// time. The real binding loads libtlv880a.so on first use; tests hand the instrument a double.

#include <QString>

#include <memory>
#include <optional>

namespace tlv {

// Result of one call through the binding: the export's own result, or no value when the
// library file or the export could not be bound (failureMessage() then says which).
using BoundResult = std::optional<int>;

// Arrays are owned by the caller and filled or read in place, as the exports do; sizes are those
// of the exports: info 8, map 24, analog map 4, power 14, readings 72, analog 4.
class LibraryBinding {
public:
    virtual ~LibraryBinding() = default;

    virtual BoundResult Xdc770Startup2(int command, int* info) = 0;
    virtual BoundResult Xdc770Init(double fmax, double fmin, double finit, double period) = 0;
    virtual BoundResult Xdc770Material(int sensorMask, double density, double zFactor,
                                       double tooling) = 0;
    virtual BoundResult Xdc770MapSensors(const int* map) = 0;
    virtual BoundResult Xdc770MapAnSensors(const int* map) = 0;
    virtual BoundResult Xdc770Loop2(double setpoint, double pTerm, double iTerm, double dTerm,
                                    int output) = 0;
    virtual BoundResult Xdc770SetPower(int output, double power) = 0;
    virtual BoundResult Xdc770FullScale(int output, double volts, double maxPower,
                                        double slewRate) = 0;
    virtual BoundResult Xdc770GetPower(double* power) = 0;
    virtual BoundResult Xdc770StartMeas() = 0;
    virtual BoundResult Xdc770Simulate(int mode) = 0;
    virtual BoundResult Xdc770GetReadings(double* readings, double* power) = 0;
    virtual BoundResult Xdc770GetAnReadings(double* analog, double* power) = 0;
    virtual BoundResult Xdc770ZeroSensor(int sensor) = 0;
    virtual BoundResult Xdc770Zero2(int output) = 0;
    virtual BoundResult GetSwitchData(short* pressed, short* knobChange) = 0;
    virtual BoundResult DimBacklight(int dim) = 0;

    // Why the last call that returned no value could not be made: names the file or the export.
    virtual QString failureMessage() const = 0;
};

// The binding to the real libtlv880a.so. The file is looked for in this order: the path in
// TLV880_LIBRARY when set; beside the running program; the library search path. The library is
// loaded at the first call and stays loaded for the life of the process; each export is looked
// up at its first call. A missing file or export is remembered and reported on every call.
std::shared_ptr<LibraryBinding> makeLibraryBinding();

// File name of the card library on this platform.
QString libraryFileName();

} // namespace tlv
