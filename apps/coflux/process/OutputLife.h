#pragma once
// The "life left" of an output: of the crystals that measure it, the one that will be used up
// first, as the main window shows it beside the output's rate.

#include "ReadingArrays.h"

#include <QString>

namespace coflux {

// The sensor (0..23) among `sensorBits` whose crystal can take the least thickness, -1 when
// none of them has a forecast (no sensor, or every crystal failed).
int LeastLifeSensor(const ReadingArrays& r, int sensorBits);

// "12.35 kA 0:04:10" for that sensor (without the time while not depositing), "--" when every
// crystal failed, empty for an output without sensors.
QString OutputLifeText(const ReadingArrays& r, int sensorBits);

// One line per sensor: "Sensor 1: 12.35 kA 0:04:10".
QString OutputLifeDetail(const ReadingArrays& r, int sensorBits);

} // namespace coflux
