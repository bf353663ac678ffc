#include "Measurement.h"

#include "Rings.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace tlv880 {

namespace {
static_assert(kSensors < 32, "a sensor mask holds every sensor");

// Bits of the sensors below the sensor count.
uint32_t CountedSensors(const LibraryState& s)
{
    return (1u << std::clamp(s.sensorCount, 0, kSensors)) - 1u;
}
} // namespace

int32_t PeriodMilliseconds(double period)
{
    return static_cast<int32_t>(period * 1000.0);
}

uint32_t GateCount(double minFrequency, double period)
{
    return static_cast<uint32_t>(minFrequency / 1000.0 * PeriodMilliseconds(period));
}

void ComputeThicknessConstants(LibraryState& s)
{
    for (int i = 0; i < s.sensorCount && i < kSensors; ++i) {
        if (s.density[i] == 0 || s.zFactor[i] == 0) continue;
        s.thicknessConstant[i] = kQuartzFrequencyConstant * s.tooling[i] * kQuartzDensity /
                                 (kPi * s.density[i] * s.zFactor[i]);
        s.phaseConstant[i] = kPi / s.initialFrequency;
    }
}

double RawThickness(const LibraryState& s, int sensor, double frequency)
{
    return s.thicknessConstant[sensor] / frequency *
           std::atan(s.zFactor[sensor] * std::tan(kPi - s.phaseConstant[sensor] * frequency));
}

void ComputeThicknessAndRate(LibraryState& s)
{
    ReadingSlot& slot = s.readings.slots[s.readings.writeIndex];
    const ReadingSlot& previous = s.readings.slots[PreviousSlotIndex(s.readings.writeIndex)];
    uint32_t valid = 0;
    for (int i = 0; i < s.sensorCount && i < kSensors; ++i) {
        const double f = slot.frequency[i];
        if (!(f > 0)) {
            slot.thickness[i] = 0;
            slot.rate[i] = 0;
            continue;
        }
        valid |= 1u << i;
        const double raw = RawThickness(s, i, f);
        if (s.zeroOffset[i] == 0) {
            s.zeroOffset[i] = raw;
            slot.thickness[i] = 0;
            slot.rate[i] = 0;
            continue;
        }
        slot.thickness[i] = raw - s.zeroOffset[i];
        slot.rate[i] = (slot.thickness[i] - previous.thickness[i]) / s.period;
    }
    s.validSensors = valid;
}

double GroupAverage(LibraryState& s, uint32_t sensorMask)
{
    ReadingSlot& slot = s.readings.slots[s.readings.writeIndex];
    ReadingSlot& previous = s.readings.slots[PreviousSlotIndex(s.readings.writeIndex)];
    const uint32_t counted = CountedSensors(s);
    double rateSum = 0;
    double thicknessSum = 0;
    int members = 0;
    // Only the group's valid sensors are visited, lowest first as the sums always ran, so an
    // output of two sensors costs two steps rather than a pass over all 24.
    for (uint32_t m = sensorMask & s.validSensors & counted; m != 0; m &= m - 1) {
        const int i = std::countr_zero(m);
        if (s.tooling[i] == 0) continue;
        rateSum += slot.rate[i];
        thicknessSum += slot.thickness[i];
        ++members;
    }
    const double rate = members ? rateSum / members : 0.0;
    const double thickness = members ? thicknessSum / members : 0.0;

    // A sensor whose tooling changed carries on from the group's thickness: its zero offset moves
    // by the difference between its own thickness and the group's, so its next reading continues
    // from the group's thickness plus its own growth.
    for (uint32_t m = s.toolingChanged & counted; m != 0; m &= m - 1) {
        const int j = std::countr_zero(m);
        const double own = slot.thickness[j];
        slot.rate[j] = rate;
        slot.thickness[j] = thickness;
        s.zeroOffset[j] += own - thickness;
        previous.thickness[j] = thickness - rate * s.period;
    }
    s.toolingChanged = 0;
    return rate;
}

} // namespace tlv880
