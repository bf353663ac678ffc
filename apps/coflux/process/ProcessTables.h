#pragma once
// The process tables of coflux: outputs, sensors, analog inputs and the program flags.
//
// One instance lives for the whole program run, owned by the deposition process
// (Deposition::Tables()); every editor form works on that instance by reference and tells the
// process what it changed. Loading a setup file replaces the contents; saving stores them.
// Plain data, no Qt objects, no card traffic.

#include "instrument/OutputSlots.h"
#include "tlv880a/Dimensions.h"

#include "common/alarms/RateTolerance.h"

#include <QString>

#include <array>

namespace coflux {

// Output modes (OutputRecord::Mode).
enum OutputMode : short { ModeOff = 0, ModeRecord = 1, ModeManual = 2, ModeAuto = 3 };

inline constexpr int kOutputSlots = tlv880::kOutputs;       // slots 0..13 by output number
inline constexpr int kSensorSlots = tlv880::kSensors;       // slots 0..23
inline constexpr int kConfiguredSensors = 8;                // sensors 1..8 are set up and stored
inline constexpr int kAnalogInputs = tlv880::kAnalogInputs; // analog inputs 1..4
inline constexpr int kOutputNameLength = 12;                // Name is blank padded to this width
inline constexpr int kAnalogUnitsLength = 6;                // Units is cut to this width

// The output slots that coflux shows, reads, writes and drives: the four loop outputs of the
// first card and the two analog outputs (shown as "Output 5" and "Output 6", stored as 13, 14).
inline constexpr std::array<int, 6> kShownOutputs = tlv880::kNumberedOutputSlots;

inline constexpr bool IsShownOutput(int slot)
{
    return tlv880::IsNumberedOutput(slot);
}

// One output (source supply or analog output). Field order is the stored record order.
struct OutputRecord {
    QString Name; // 12 characters, blank padded; shown trimmed
    short Mode = ModeOff;
    double Thick = 100; // thickness setpoint, kÅ
    double Rate = 10;   // rate setpoint Å/s; raw volts when analog-fed; ratio with cross-rate
    double PTerm = 10;
    double ITerm = 1;
    double DTerm = 0;
    double FullScale = 10; // full-scale output voltage of the supply, V (-10..10)
    double MaxPwr = 100;   // % of full scale
    double SlewRate = 100; // maximum change of the output
    // Bits 0..23: sensor s+1 feeds this output. Bits 24..26: analog input + 1 (0 none).
    // Bits 27..29 (and 30 for A1/A2): output used as input + 1 (0 none; recorder only).
    int Input = 0;
    short RecScale = 0; // recorder scale 0..7
    short XOut = -1;    // output whose measured rate sets this rate setpoint; -1 none
    // A sensor slot (0..7) that takes over the loop when every sensor of the output has failed,
    // -1 none; and the tooling (%) it measures with, 0 = its own sensor record's.
    short Backup = -1;
    double BackupTooling = 0;
};

struct SensorRecord {
    double Density = 10;
    double ZFactor = 1;
    double Tooling = 100;
    short Monitor = 0;  // non-zero: thickness monitor that stops the deposition at ThickSP
    double ThickSP = 0; // kÅ
    // The name of the material density and Z-factor were picked as; empty when they were typed
    // by hand. Only a label: the two numbers are what the card measures with.
    QString Material;
};

struct AnalogRecord {
    double Gain = 1;
    double Offset = 0;
    QString Units = QStringLiteral("Volts"); // display units, at most 6 characters
    short Monitor = 0;                       // non-zero: stops the deposition at AnalogSP
    double AnalogSP = 0;                     // raw volts
};

// Program flags kept with the card settings in the setup file.
struct ProgramFlags {
    short LogEnabled = 0;                           // non-zero: log while running
    QString LogFile = QStringLiteral("TLV880.LOG"); // log path, used unchanged
    short XRate = 0;                                // > 0: cross-rate function on
    bool ShowErrors = false;                        // show class errors and events
    // How far an output's rate may stray from its setpoint, and for how long, before the
    // rate alarm (the Card section's RateTolerance... keys; the defaults without them).
    tlv::RateTolerance RateTolerance;
};

struct ProcessTables {
    std::array<OutputRecord, kOutputSlots> Outputs;
    std::array<SensorRecord, kSensorSlots> Sensors;
    std::array<AnalogRecord, kAnalogInputs> Analogs;
    ProgramFlags Flags;

    ProcessTables() { ResetToDefaults(); }

    // The defaults of a fresh installation (every key missing from the setup file).
    void ResetToDefaults()
    {
        for (int j = 0; j < kOutputSlots; ++j) {
            Outputs[static_cast<size_t>(j)] = OutputRecord{};
            Outputs[static_cast<size_t>(j)].Name = DefaultOutputName(j);
        }
        Sensors.fill(SensorRecord{});
        Analogs.fill(AnalogRecord{});
        Flags = ProgramFlags{};
    }

    OutputRecord& Output(int slot) { return Outputs.at(static_cast<size_t>(slot)); }
    const OutputRecord& Output(int slot) const { return Outputs.at(static_cast<size_t>(slot)); }
    SensorRecord& Sensor(int slot) { return Sensors.at(static_cast<size_t>(slot)); }
    const SensorRecord& Sensor(int slot) const { return Sensors.at(static_cast<size_t>(slot)); }
    AnalogRecord& Analog(int slot) { return Analogs.at(static_cast<size_t>(slot)); }
    const AnalogRecord& Analog(int slot) const { return Analogs.at(static_cast<size_t>(slot)); }

    // "Output " and the stored section number (slot + 1: 13 and 14 for the analog outputs).
    static QString DefaultOutputName(int slot)
    {
        return FixedWidth(QStringLiteral("Output %1").arg(slot + 1), kOutputNameLength);
    }

    // Cuts or blank-pads text to a fixed width, as the stored name fields are kept.
    static QString FixedWidth(const QString& text, int width)
    {
        return text.left(width).leftJustified(width, QLatin1Char(' '));
    }
};

// ---- The Input bit field --------------------------------------------------------------------

inline constexpr int kSensorBitsMask = 0x00FFFFFF;
inline constexpr int kAnalogFieldShift = 24;
inline constexpr int kOutputFieldShift = 27;
inline constexpr int kFieldMask = 0x7; // the analog field: bits 24..26
// The output field starts at bit 27 and is read with bit 30 as well: the analog outputs A1 and A2
// (slots 12, 13) are stored as 13 and 14, which do not fit in three bits. Bit 30 is otherwise
// unused, so fields of outputs 1..4 read the same either way.
inline constexpr int kOutputFieldMask = 0xF;

// The analog input (0..3) feeding the output, -1 when none.
inline constexpr int InputAnalog(int input)
{
    return ((input >> kAnalogFieldShift) & kFieldMask) - 1;
}

// The output named as this output's input (recorder function), -1 when none.
inline constexpr int InputOutput(int input)
{
    return ((input >> kOutputFieldShift) & kOutputFieldMask) - 1;
}

// True when sensor s (0..23) feeds the output.
inline constexpr bool InputHasSensor(int input, int sensor)
{
    return sensor >= 0 && sensor < kSensorSlots && ((input >> sensor) & 1) != 0;
}

inline constexpr int WithAnalog(int input, int analog)
{
    const int cleared = input & ~(kFieldMask << kAnalogFieldShift);
    return analog < 0 ? cleared : cleared | (((analog + 1) & kFieldMask) << kAnalogFieldShift);
}

inline constexpr int WithOutput(int input, int output)
{
    const int cleared = input & ~(kOutputFieldMask << kOutputFieldShift);
    return output < 0 ? cleared
                      : cleared | (((output + 1) & kOutputFieldMask) << kOutputFieldShift);
}

inline constexpr int WithSensor(int input, int sensor, bool on)
{
    return on ? (input | (1 << sensor)) : (input & ~(1 << sensor));
}

// Shown value of an analog input: Gain × volts + Offset.
inline double ScaleAnalog(const AnalogRecord& a, double volts)
{
    return a.Gain * volts + a.Offset;
}

} // namespace coflux
