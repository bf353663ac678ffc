#pragma once
// The rate tolerance as a program keeps it in its setup file: four keys of one section,
//   RateTolerance=5        % of the setpoint
//   RateToleranceMin=0.1   Å/s, the narrowest band
//   RateWarnAfter=20       s outside the band before the warning
//   RateAlarmAfter=60      s outside the band before the alarm
// A file without them (every file written before the setting existed) reads the defaults, and
// is written back without them as long as the tolerance keeps its defaults, so its bytes stay.

#include "common/alarms/RateTolerance.h"

#include <QString>
#include <QStringList>

class cIniFile;

namespace tlv {

// Reads the tolerance from `section` of the file `ini` points at. A value outside its limits,
// or four values that do not work together (the warning after the alarm, no band at all), take
// the defaults, each described in `replaced` like the setup's other values
// ("[Card] RateTolerance=150 (limits 0 to 100): 5 is used").
RateTolerance ReadRateTolerance(cIniFile& ini, const QString& section,
                                QStringList* replaced = nullptr);

// Writes the four keys when the file does not already read as `tolerance` (decide before any
// other key of the file is written). False when a write failed.
bool WriteRateTolerance(cIniFile& ini, const QString& section, const RateTolerance& tolerance);

} // namespace tlv
