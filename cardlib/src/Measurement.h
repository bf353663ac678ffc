// Measurement arithmetic of one cycle: crystal frequency from a card count, the Z-match thickness
// and the rate of every sensor, zeroing, and the group average that a rate loop controls on.
// Pure functions over LibraryState; the caller holds the state mutex.
#pragma once

#include "LibraryState.h"

namespace tlv880 {

// Frequency of a crystal from the number c of reference-clock periods counted during gate crystal
// periods: -1 for no signal (c = 0), -2 above maxFrequency, -3 below minFrequency. Inline, so a
// cycle's loop over 24 counts works from its own copies of the constants.
inline double FrequencyFromCount(uint32_t count, uint32_t gate, double referenceClock,
                                 double minFrequency, double maxFrequency)
{
    if (count == 0) return kNoSignal;
    const double f = static_cast<double>(gate) * referenceClock / static_cast<double>(count);
    if (f > maxFrequency) return kTooHigh;
    if (f < minFrequency) return kTooLow;
    return f;
}

// Gate count for a window minimum and a period: trunc(minimum / 1000 * whole milliseconds).
uint32_t GateCount(double minFrequency, double period);
// Whole milliseconds of a period (truncated).
int32_t PeriodMilliseconds(double period);

// Recomputes K and P of every sensor below the sensor count whose density and Z-factor are set.
void ComputeThicknessConstants(LibraryState& s);

// Raw Z-match thickness of sensor i at frequency f (Angstrom, tooling applied).
double RawThickness(const LibraryState& s, int sensor, double frequency);

// Thickness and rate of every sensor below the sensor count in the current write slot, from the
// frequencies already stored there; rebuilds the valid-sensor mask and records pending zeros.
void ComputeThicknessAndRate(LibraryState& s);

// Average rate and thickness of the valid, tooled sensors of sensorMask in the current slot;
// re-bases the sensors whose tooling changed onto that average, then clears the tooling-changed
// mask. Returns the average rate.
double GroupAverage(LibraryState& s, uint32_t sensorMask);

} // namespace tlv880
