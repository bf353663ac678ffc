#pragma once

// Error numbers and the system's own messages of the instrument class, in one place. The texts
// are used exactly as the programs and their operators know them.

#include <QString>

namespace tlv::msg {

// Error numbers reported through TLVError and returned by the members. 1 also stands for a sensor
// or analog map the instrument or the library refused.
inline constexpr int kErrFrequency = 1;
inline constexpr int kErrMapRefused = 1;
inline constexpr int kErrPeriod = 2;
inline constexpr int kErrOutputNumber = 5;
inline constexpr int kErrRate = 6;
inline constexpr int kErrPTerm = 7;
inline constexpr int kErrITerm = 8;
inline constexpr int kErrDTerm = 9;
inline constexpr int kErrSensorNumber = 10;
inline constexpr int kErrDensity = 11;
inline constexpr int kErrTooling = 12;
inline constexpr int kErrZFactor = 13;
inline constexpr int kErrOutputVoltage = 14;
inline constexpr int kErrOutputPower = 15;
inline constexpr int kErrSlewRate = 16;
inline constexpr int kErrMode = 17;
inline constexpr int kUnbound = 98;    // library file or export missing
inline constexpr int kErrLibrary = 99; // the library refused a setting the instrument accepted

inline const QString kFrequency =
    QStringLiteral("Frequency must be: 1000000 <= XFMin <= XFInit <= XFmax <= 10000000");
inline const QString kPeriod = QStringLiteral("Period must be: 0.1 <= Period <= 2");
inline const QString kOutputNumber = QStringLiteral("Invalid Output Number.");
inline const QString kRate = QStringLiteral("Rate must be: 0 <= Rate <= 999.9");
inline const QString kPTerm = QStringLiteral("PTerm must be: 0 <= PTerm <= 9999");
inline const QString kITerm = QStringLiteral("ITerm must be: 0 <= ITerm <= 99.9");
inline const QString kDTerm = QStringLiteral("DTerm must be: 0 <= DTerm <= 99.9");
inline const QString kSensorNumber = QStringLiteral("Invalid Sensor Number.");
inline const QString kDensity = QStringLiteral("Density must be: 0.4 <= Density <= 99.99");
inline const QString kTooling = QStringLiteral("Tooling must be: 0 <= Tooling <= 999");
inline const QString kZFactor = QStringLiteral("ZFactor must be: 0.1 <= ZFactor <= 9.999");
inline const QString kOutputVoltage =
    QStringLiteral("Ouput voltage must be: -10 <= Output Voltage <= 10");
inline const QString kOutputPower = QStringLiteral("Output Power must be: 0 <= Power <= 100");
inline const QString kSlewRate = QStringLiteral("Slew Rate must be: 0 <= Slew Rate <= 100");
inline const QString kMode = QStringLiteral("TLV mode must be Normal(0) or Simulate(1)");
inline const QString kInit = QStringLiteral("Unresolved Init Error");
inline const QString kMaterial = QStringLiteral("Unexpected Material Error on Sensor ");
inline const QString kLoop = QStringLiteral("Unexpected Loop Error on Output ");
inline const QString kFullScale = QStringLiteral("Unexpected FullScale Error on Output ");
inline const QString kSendPower = QStringLiteral("Unexpected SendPower Error on Output ");
inline const QString kStartMeas = QStringLiteral("Unexpected StartMeas Error");
inline const QString kSimulate = QStringLiteral("Unexpected SendSimulate Error");
inline const QString kZeroThickness = QStringLiteral("Unexpected ZeroThickness Error");
inline const QString kZeroAll = QStringLiteral("Unexpected ZeroThcikness Error");
inline const QString kMapSensors = QStringLiteral("Unresolved MapSensors Error.");
inline const QString kMapAnalog = QStringLiteral("Unresolved MapAnalog Error.");

// Start-up results from this number on are errors the library reports (901..906).
inline constexpr int kFirstStartupError = 900;

// Message for a start-up result of 900 or above.
inline QString startupMessage(int result)
{
    switch (result) {
    case 901:
        return QStringLiteral("Two TLV-880 cards jumpered as slave.");
    case 902:
        return QStringLiteral("Two TLV-880 cards jumpered as master.");
    case 903:
        return QStringLiteral("TLV-880 is jumpered as a slave.");
    case 904:
        return QStringLiteral("No TLV-880 card found.");
    case 905:
        return QStringLiteral("No TLV-880 interrupt not enabled.");
    case 906:
        return QStringLiteral("No TLV-880 driver found.");
    default:
        return QStringLiteral("Unresolved TLV-880 startup error.");
    }
}

inline const QString kNormalMode = QStringLiteral("TLV880 set to normal mode.");
inline const QString kSimulateMode = QStringLiteral("TLV880 set to simulate mode.");
inline const QString kSensorCleared = QStringLiteral("Sensor status cleared.");
inline const QString kSensorOk = QStringLiteral(" Sensor OK.");

// Text appended to the sensor name when a status bit is set (bit 0..4).
inline QString sensorBitMessage(int bit)
{
    switch (bit) {
    case 0:
        return QStringLiteral(" Sensor Disabled.");
    case 1:
        return QStringLiteral(" Crystal Failure.");
    case 2:
        return QStringLiteral(" Quality Failure.");
    case 3:
        return QStringLiteral(" Stability single failure.");
    default:
        return QStringLiteral(" Stability sum failure.");
    }
}

} // namespace tlv::msg
