// The card library's process-wide state record and its two reading rings.
//
// LibraryState is a plain aggregate: the library keeps one instance per process (Engine.h), and
// tests build their own instances to drive cycles with counts directly. Nothing in it allocates,
// so a measurement cycle never touches the heap.
#pragma once

#include "tlv880a/Dimensions.h"

#include <cstdint>

namespace tlv880 {

constexpr int kRingSlots = 10;
constexpr int kSimHistory = 10;
constexpr int kAnalogOutputA = 12; // the two analog outputs of the master card
constexpr int kAnalogOutputB = 13;

constexpr double kPi = 3.14159265358979;              // as the library stores it
constexpr double kQuartzFrequencyConstant = 1.668e13; // Hz * Angstrom
constexpr double kQuartzDensity = 2.648;              // g/cm3
constexpr double kReferenceClock = 199065600.0;       // Hz
constexpr double kSlowReferenceClock = 153000000.0;   // first card firmware below 202
constexpr double kSimulatedStartFrequency = 5950000.0;
constexpr int32_t kConverterFullScale = 32760; // codes for full power at full scale

// Frequency field codes of a failed crystal.
constexpr double kNoSignal = -1.0;
constexpr double kTooHigh = -2.0;
constexpr double kTooLow = -3.0;

struct ReadingSlot {
    double rate[kSensors];      // Angstrom/s
    double thickness[kSensors]; // Angstrom
    double frequency[kSensors]; // Hz, or a failure code
    double power[kOutputs];     // fraction 0..1
};

// Written by the acquisition thread only (write index); read by Xdc770GetReadings (read index).
struct ReadingRing {
    ReadingSlot slots[kRingSlots];
    int8_t writeIndex;
    int8_t readIndex;
};

struct AnalogRing {
    double slots[kRingSlots][kAnalogInputs]; // volts
    int16_t writeIndex;
    int16_t readIndex;
};

// Control state of one output (source outputs 0..11, analog outputs 12 and 13).
struct OutputLoop {
    double setpoint = 0; // Angstrom/s, or volts for an analog-input loop
    double pTerm = 0;
    double iTerm = 0; // s; 0 or less: no integral action
    double dTerm = 0; // s
    int32_t enabled = 0;
    double controlOutput = 0; // demanded power, 0..max power
    double power = 0;         // power actually sent
    double e0 = 0, e1 = 0, e2 = 0;
    double lastIncrement = 0;
    double fullScale = 1.0; // full-scale volts / 10
    double maxPower = 1.0;
    double slewRate = 0; // fraction per second; 0: no limit
};

// Front-panel switch latches and knob history (GetSwitchData).
struct PanelState {
    uint8_t released[7] = {1, 1, 1, 1, 1, 1, 1};
    uint8_t latched[7] = {};
    int32_t previousKnob = 0;
};

struct LibraryState {
    int32_t sensorCount = kSensors;
    int32_t outputCount = kOutputs;
    int32_t cardCount = 0;
    uint8_t simulate = 1;
    uint8_t forcedSimulate = 0;
    uint8_t initialised = 0;
    int32_t startupResult = 0;
    int16_t analogSection = 0;
    int16_t multiCard = 0;

    double minFrequency = 5000000.0;
    double maxFrequency = 6050000.0;
    double initialFrequency = 0;
    double period = 0.25;

    // Film material and thickness constants per sensor.
    double density[kSensors] = {};
    double zFactor[kSensors] = {};
    double tooling[kSensors] = {};
    double zeroOffset[kSensors] = {}; // raw thickness at the last zero; 0: record at next cycle
    double thicknessConstant[kSensors] = {}; // K
    double phaseConstant[kSensors] = {};     // P, rad/Hz

    uint32_t sensorMask[kOutputs] = {}; // bit i: sensor i feeds the output's rate loop
    uint32_t analogMask[kOutputs] = {}; // bit a: analog input a feeds the output
    int32_t analogMap[kAnalogInputs] = {-1, -1, -1, -1};
    OutputLoop loops[kOutputs] = {};

    int32_t firmware[kMaxCards] = {};
    double referenceClock = kReferenceClock;
    // Crystal periods per measurement; programmed with the period. Starts at the value the
    // default window and period give (5 MHz, 250 ms).
    uint32_t gate = 1250000;

    uint32_t validSensors = 0;   // rebuilt every cycle
    uint32_t toolingChanged = 0; // set by Xdc770Material, cleared by every cycle

    // Last converter codes: even and odd output of each card, and outputs 12 and 13.
    int32_t evenCode[kMaxCards] = {};
    int32_t oddCode[kMaxCards] = {};
    int32_t analogCode[2] = {};

    ReadingRing readings = {};
    AnalogRing analog = {};
    double analogValues[kAnalogInputs] = {}; // the latest value of each input, volts

    // Simulation.
    double simFrequency[kSensors] = {
        kSimulatedStartFrequency, kSimulatedStartFrequency, kSimulatedStartFrequency,
        kSimulatedStartFrequency, kSimulatedStartFrequency, kSimulatedStartFrequency,
        kSimulatedStartFrequency, kSimulatedStartFrequency, kSimulatedStartFrequency,
        kSimulatedStartFrequency, kSimulatedStartFrequency, kSimulatedStartFrequency,
        kSimulatedStartFrequency, kSimulatedStartFrequency, kSimulatedStartFrequency,
        kSimulatedStartFrequency, kSimulatedStartFrequency, kSimulatedStartFrequency,
        kSimulatedStartFrequency, kSimulatedStartFrequency, kSimulatedStartFrequency,
        kSimulatedStartFrequency, kSimulatedStartFrequency, kSimulatedStartFrequency};
    double simRateHistory[kOutputs][kSimHistory] = {};
    int32_t simHistoryIndex = 0;
    double simAnalog[kAnalogInputs] = {};
    uint32_t randomSeed = 1;

    PanelState panel = {};
    int32_t dimBacklight = 0;
};

// Output index check shared by every export that names an output: 0 <= o < output count, or one
// of the two analog outputs (accepted even without an analog section).
inline bool IsOutputAccepted(const LibraryState& s, int32_t output)
{
    return (output >= 0 && output < s.outputCount) || output == kAnalogOutputA ||
           output == kAnalogOutputB;
}

inline bool IsValidSensor(uint32_t validMask, int sensor)
{
    return (validMask >> sensor) & 1u;
}

} // namespace tlv880
