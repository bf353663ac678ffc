#pragma once
// The four cell texts of a sensor's row in the readings grid and the log lines built from them.

#include "MonitorSettings.h"

#include <QDateTime>
#include <QString>

namespace monitor {

struct SensorCells {
    QString rate;      // Å/s, or ng/cm²/s in mass mode
    QString thickness; // kÅ, or ng/cm² in mass mode
    QString frequency; // Hz, or "Fail"
    QString life;      // % of the crystal's usable frequency span left, "?" or "0"
};

struct SensorReading {
    double rate = 0.0;      // Å/s
    double thickness = 0.0; // Å
    double frequency = 0.0; // Hz; negative codes mean the crystal failed
};

// Crystal window that the life column is measured against, in Hz.
struct CrystalSpan {
    double initial = 5000000.0;
    double minimum = 4000000.0;
};

// % of the crystal's usable frequency span left; NaN for a failed crystal, 0 for a span of no
// width.
double CrystalLife(double frequency, const CrystalSpan& span);

// density is the number in the sensor's density box (g/cm³); it scales mass mode only.
SensorCells FormatSensorCells(DisplayMode mode, const SensorReading& reading, double density,
                              const CrystalSpan& span);

// Grid heads of columns 1 to 4 for the display mode.
QStringList ColumnHeads(DisplayMode mode);

// Log lines, without the line end (the log appender adds it).
QString LogDateLine(const QDateTime& when);
QString LogColumnLine(DisplayMode mode);
QString LogSensorLine(const QTime& when, int sensorNumber, const SensorCells& cells);

} // namespace monitor
