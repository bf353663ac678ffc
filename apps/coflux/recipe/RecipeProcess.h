#pragma once
// What a recipe run needs of the deposition process: a few commands to the outputs, and the
// readings it acts on. The process core of coflux implements the commands through a thin
// adapter; the tests implement them on a simulated source.

#include <QString>

#include <array>

namespace coflux {

inline constexpr int kProcessOutputs = 14; // output slots 0..13
inline constexpr int kProcessSensors = 24; // sensor slots 0..23

// One reading of the process, as the recipe sees it.
struct RecipeReading {
    double time = 0;                                   // instrument clock, seconds since midnight
    std::array<double, kProcessOutputs> outputRate{};  // Å/s
    std::array<double, kProcessOutputs> outputThick{}; // Å
    std::array<double, kProcessOutputs> outputPower{}; // %
    std::array<double, kProcessSensors> sensorRate{};  // Å/s
    std::array<double, kProcessSensors> sensorThick{}; // Å
    // A crystal of the output (or the sensor itself) has failed.
    std::array<bool, kProcessOutputs> outputCrystalFailed{};
    std::array<bool, kProcessSensors> sensorCrystalFailed{};
    // The sensor bits (0..23) measuring each output, and what each sensor's crystal can still
    // take (kÅ as the sensor reads thickness; NaN for a failed crystal).
    std::array<int, kProcessOutputs> outputSensors{};
    std::array<double, kProcessSensors> sensorLeft{};
    bool crystalsKnown = false; // the two above were filled (the layer check runs)
};

class RecipeProcess {
public:
    virtual ~RecipeProcess() = default;
    // Output `slot` leaves rate control (if it was under it) and runs open loop at `percent`.
    virtual void SetPower(int slot, double percent) = 0;
    // Output `slot` goes under rate control from its sensors with this rate setpoint (Å/s).
    virtual void StartRateControl(int slot, double rate) = 0;
    // A new rate setpoint for an output under rate control.
    virtual void SetRateSetpoint(int slot, double rate) = 0;
    virtual void ZeroThickness(int slot) = 0;
    virtual void ZeroSensor(int sensor) = 0;
    // The sensors that feed output `slot` measure the film of this material (a name the
    // material table has) from now on.
    virtual void SetOutputMaterial(int slot, const QString& material) = 0;
    // Every output to power 0 (abort and failures).
    virtual void AllOutputsOff() = 0;
};

} // namespace coflux
