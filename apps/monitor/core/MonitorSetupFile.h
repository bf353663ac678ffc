#pragma once
// The monitor's setup file: section "Setup" of an INI file, read and written through cIniFile.

#include "MonitorSettings.h"

namespace monitor {

// Class limits a value read from a file must meet to be taken over.
struct SetupLimits {
    double periodMin = 0.1;
    double periodMax = 2.0;
    double densityMin = 0.4, densityMax = 99.99;
    double toolingMin = 0.0, toolingMax = 999.0;
    double zFactorMin = 0.1, zFactorMax = 9.999;
    double freqMin = 1000000.0, freqMax = 10000000.0;
};

// Reads every key into `settings` (run state and setup-changed flag untouched). A missing file
// or key gives the key's default; so does a value that is not a number or lies outside its
// range, so a damaged file never reaches the instrument or the layout. Material texts of all
// 24 sensors are read, whatever number is shown.
void ReadSetupFile(const QString& path, MonitorSettings& settings, const SetupLimits& limits);

// Writes the keys in their fixed order, the "Sensor" keys only for the sensors shown. The file
// must exist. Returns false when any key could not be written.
bool WriteSetupFile(const QString& path, const MonitorSettings& settings);

} // namespace monitor
