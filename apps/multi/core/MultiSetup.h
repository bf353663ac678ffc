#pragma once
// The stored configuration of the test window and its file "tlvmulti.INI".
//
// Every value is kept as the text the operator typed or the file held, so that what was sent is
// what gets saved. Rows 12 and 13 of the output tables belong to the analog outputs: no control of
// the window reaches them, but they are read and written with the file.

#include "TargetSets.h"

#include <QString>
#include <QStringList>
#include <array>

namespace multi {

inline constexpr auto kIniFileName = "tlvmulti.INI";

struct SensorRow {
    QString density = QStringLiteral("1");
    QString zFactor = QStringLiteral("1");
    QString tooling = QStringLiteral("100");
    int output = -1; // zero-based output the sensor feeds; -1 = none
};

struct OutputRow {
    // full-scale voltage (V), maximum power (%), slew rate
    std::array<QString, 3> fullScale{QStringLiteral("10"), QStringLiteral("100"),
                                     QStringLiteral("100")};
    // rate setpoint, P term, I term, D term
    std::array<QString, 4> loop{QStringLiteral("10"), QStringLiteral("50"), QStringLiteral("1"),
                                QStringLiteral("0")};
    // power panel: which option was chosen and the manual power text (not saved in the file)
    bool pidChosen = true;
    bool manualChosen = false;
    QString powerText = QStringLiteral("0");
};

struct CardSettings {
    int simulate = 1; // 0 "Normal", 1 "Simulate"
    QString period = QStringLiteral(".25");
    QString fMax = QStringLiteral("6100000");
    QString fMin = QStringLiteral("5000000");
    QString fInit = QStringLiteral("6000000");
    QString filter = QStringLiteral("4");
    int showErrors = 0; // read only; above 0 the instrument's errors are shown
};

struct MultiSetup {
    CardSettings card;
    std::array<SensorRow, kSensorCount> sensors{};
    std::array<OutputRow, kOutputRows> outputs{};
};

// Reads the file at path; a missing file or missing keys give the defaults above. A number
// outside the limits the instrument accepts for its field takes the field's default (text that is
// no number is kept: the send names it); each such replacement is described in `replaced`, e.g.
// "Output 3 Volts 100 (limits -10 to 10): 10 is used".
MultiSetup ReadMultiSetup(const QString& path, QStringList* replaced = nullptr);

// Writes every key of the file at path (the file must exist); other lines of the file stay.
// Returns false when the file is missing or any key could not be written.
bool WriteMultiSetup(const QString& path, const MultiSetup& setup);

// The value of one "Sensor" key: density, Z-factor, tooling and the output number + 1 (0 = none).
QString SensorKeyValue(const SensorRow& row);
QString OutputKeyValue(const OutputRow& row);
QString LoopKeyValue(const OutputRow& row);

} // namespace multi
