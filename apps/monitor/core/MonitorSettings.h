#pragma once
// Program-wide settings and state of tlvmonitor, shared by the main window and the setup form.
// One instance lives in frmMain; frmSetup reads and writes it through frmMain.

#include "tlv880a/Dimensions.h"

#include <QString>
#include <array>

namespace monitor {

// Names the program shows and stores under.
inline constexpr const char* kProgramTitle = "tlvmonitor";
inline constexpr const char* kProductName = "TLV-880 Monitor";
inline constexpr const char* kDefaultSetupFile = "tlvmonitor.dat";

inline constexpr int kMaxSensors = tlv880::kSensors;

// Material texts of a sensor before any setup file supplied them.
inline constexpr const char* kDefaultDensityText = "10.00";
inline constexpr const char* kDefaultToolingText = "100.0";
inline constexpr const char* kDefaultZFactorText = "1.000";

enum class DisplayMode : short { Thickness = 0, Mass = 1 };

struct MonitorSettings {
    int runState = 0;          // 0 stopped, 1 running
    bool setupChanged = false; // set by every accepted change, never cleared while running
    double period = 0.25;      // measurement period, s
    double maxFreq = 6000000.0;
    double minFreq = 4000000.0;
    double initFreq = 5000000.0;
    int filter = 1;       // readings in the rate filter, 1..10
    int sensorsShown = 4; // 1..24
    DisplayMode display = DisplayMode::Thickness;
    short onTop = 0;
    short logEnabled = 0;
    QString logFile = QStringLiteral("TLV880.LOG");
    std::array<QString, kMaxSensors> densityText;
    std::array<QString, kMaxSensors> toolingText;
    std::array<QString, kMaxSensors> zFactorText;
    // The film material each sensor's density and Z-factor were picked as; empty when typed by
    // hand. A label only: the numbers are what is measured with.
    std::array<QString, kMaxSensors> materialName;

    MonitorSettings()
    {
        densityText.fill(QString::fromLatin1(kDefaultDensityText));
        toolingText.fill(QString::fromLatin1(kDefaultToolingText));
        zFactorText.fill(QString::fromLatin1(kDefaultZFactorText));
    }
};

// Parses a whole text as a number (blanks around it allowed). Text that is empty or not a
// number in full gives false, so "12abc" or "abc" are never taken for a value.
bool ParseNumber(const QString& text, double& value);

} // namespace monitor
