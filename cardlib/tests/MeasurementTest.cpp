// Frequency from counts, Z-match thickness, zeroing, rate and group averaging of one cycle.
#include "Measurement.h"
#include "Cycle.h"
#include "Loops.h"
#include "Rings.h"
#include "StateBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace tlv880 {
namespace {

using test::CountFor;
using test::MakeState;

// One simulated-style cycle with given frequencies for the first sensors (others keep theirs).
void CycleWithFrequencies(LibraryState& s, std::initializer_list<double> frequencies)
{
    uint32_t counts[kSensors] = {};
    int i = 0;
    for (double f : frequencies)
        counts[i++] = f > 0 ? CountFor(s, f) : 0u;
    for (; i < kSensors; ++i)
        counts[i] = CountFor(s, 5950000.0);
    RegisterWrites writes;
    RunMeasurementCycle(s, counts, writes);
}

const ReadingSlot& Current(const LibraryState& s)
{
    return s.readings.slots[s.readings.writeIndex];
}

// Lu-Lewis relation written out independently of the library's constants.
double LuLewisThickness(double f, double fq, double density, double z, double tooling)
{
    const double nq = 1.668e13, rhoq = 2.648, pi = std::numbers::pi;
    return tooling * nq * rhoq / (pi * density * f * z) *
           std::atan(z * std::tan(pi * (fq - f) / fq));
}

TEST(FrequencyFromCount, FailureCodesAndWindow)
{
    EXPECT_EQ(FrequencyFromCount(0, 1250000, kReferenceClock, 5e6, 6.05e6), -1.0);
    EXPECT_NEAR(FrequencyFromCount(41820504, 1250000, kReferenceClock, 5e6, 6.05e6), 5950000.03,
                0.005);
    // 6.1 MHz is above the window, 4.9 MHz below it.
    const auto high = static_cast<uint32_t>(1250000.0 * kReferenceClock / 6.1e6);
    const auto low = static_cast<uint32_t>(1250000.0 * kReferenceClock / 4.9e6);
    EXPECT_EQ(FrequencyFromCount(high, 1250000, kReferenceClock, 5e6, 6.05e6), -2.0);
    EXPECT_EQ(FrequencyFromCount(low, 1250000, kReferenceClock, 5e6, 6.05e6), -3.0);
    // The slow clock of old firmware gives a proportionally lower frequency for the same count.
    EXPECT_NEAR(FrequencyFromCount(41820504, 1250000, kSlowReferenceClock, 1e6, 1e7),
                5950000.03 * kSlowReferenceClock / kReferenceClock, 0.01);
}

TEST(FrequencyFromCount, GateFromPeriodAndWindow)
{
    EXPECT_EQ(GateCount(5000000.0, 0.25), 1250000u);
    EXPECT_EQ(GateCount(5000000.0, 0.1), 500000u);
    EXPECT_EQ(GateCount(4500000.0, 2.0), 9000000u);
    EXPECT_EQ(PeriodMilliseconds(0.2509), 250);
}

TEST(FrequencyFromCount, CycleIgnoresTheReadyBitAndStoresCodes)
{
    LibraryState s = MakeState();
    uint32_t counts[kSensors] = {};
    counts[0] = 41820504u | 0x80000000u; // bit 31 is the ready flag, not part of the count
    counts[1] = 0;
    counts[2] = static_cast<uint32_t>(1250000.0 * kReferenceClock / 6.1e6);
    RegisterWrites writes;
    RunMeasurementCycle(s, counts, writes);
    const ReadingSlot& slot = Current(s);
    EXPECT_NEAR(slot.frequency[0], 5950000.03, 0.005);
    EXPECT_EQ(slot.frequency[1], -1.0);
    EXPECT_EQ(slot.frequency[2], -2.0);
    EXPECT_EQ(slot.thickness[2], 0.0);
    EXPECT_EQ(slot.rate[2], 0.0);
    EXPECT_TRUE(IsValidSensor(s.validSensors, 0));
    EXPECT_FALSE(IsValidSensor(s.validSensors, 1));
    EXPECT_FALSE(IsValidSensor(s.validSensors, 2));
}

TEST(Thickness, MatchesTheZMatchRelation)
{
    for (double z : {0.3, 1.0, 2.5}) {
        for (double f : {5990000.0, 5800000.0, 5200000.0}) {
            LibraryState s = MakeState(5.0, z, 1.3);
            const double expected = LuLewisThickness(f, 6000000.0, 5.0, z, 1.3);
            EXPECT_NEAR(RawThickness(s, 0, f), expected, std::fabs(expected) * 1e-9 + 1e-9)
                << "z " << z << " f " << f;
        }
    }
    LibraryState s = MakeState();
    EXPECT_NEAR(RawThickness(s, 0, 6000000.0), 0.0, 1e-6); // an uncoated crystal
}

TEST(Thickness, ZeroingThenGrowthAndRate)
{
    LibraryState s = MakeState();
    CycleWithFrequencies(s, {5900000.0});
    EXPECT_EQ(Current(s).thickness[0], 0.0); // the first cycle records the zero offset
    EXPECT_EQ(Current(s).rate[0], 0.0);
    const double zero = s.zeroOffset[0];
    EXPECT_NE(zero, 0.0);

    CycleWithFrequencies(s, {5899000.0});
    const double grown = RawThickness(s, 0, Current(s).frequency[0]) - zero;
    EXPECT_GT(grown, 0.0);
    EXPECT_DOUBLE_EQ(Current(s).thickness[0], grown);
    EXPECT_DOUBLE_EQ(Current(s).rate[0], grown / 0.25);

    s.zeroOffset[0] = 0; // what Xdc770ZeroSensor does
    CycleWithFrequencies(s, {5898000.0});
    EXPECT_EQ(Current(s).thickness[0], 0.0);
    EXPECT_EQ(Current(s).rate[0], 0.0);
    const double before = RawThickness(s, 0, Current(s).frequency[0]);
    CycleWithFrequencies(s, {5897000.0});
    const double growth = RawThickness(s, 0, Current(s).frequency[0]) - before;
    EXPECT_DOUBLE_EQ(Current(s).thickness[0], growth);
    EXPECT_DOUBLE_EQ(Current(s).rate[0], growth / 0.25);
}

TEST(Thickness, NoMaterialReadsZeroAndKeepsNoOffset)
{
    LibraryState s;
    s.initialFrequency = 6000000.0;
    CycleWithFrequencies(s, {5900000.0});
    CycleWithFrequencies(s, {5800000.0});
    EXPECT_EQ(Current(s).thickness[0], 0.0);
    EXPECT_EQ(Current(s).rate[0], 0.0);
    EXPECT_EQ(s.zeroOffset[0], 0.0);
}

TEST(Thickness, FailedCrystalDropsOutAndComesBackOnItsOldZero)
{
    LibraryState s = MakeState();
    CycleWithFrequencies(s, {5900000.0});
    const double zero = s.zeroOffset[0];
    CycleWithFrequencies(s, {0.0}); // no signal
    EXPECT_EQ(Current(s).frequency[0], -1.0);
    EXPECT_EQ(Current(s).thickness[0], 0.0);
    EXPECT_EQ(s.zeroOffset[0], zero);
    CycleWithFrequencies(s, {5890000.0});
    const double thickness = RawThickness(s, 0, Current(s).frequency[0]) - zero;
    EXPECT_DOUBLE_EQ(Current(s).thickness[0], thickness);
    EXPECT_DOUBLE_EQ(Current(s).rate[0], thickness / 0.25); // against the 0 of the failed cycle
}

TEST(GroupAverage, AveragesValidToolledSensorsOfTheMask)
{
    LibraryState s = MakeState();
    s.tooling[2] = 0; // out of averaging
    ComputeThicknessConstants(s);
    CycleWithFrequencies(s, {5900000.0, 5900000.0, 5900000.0, 5900000.0});
    CycleWithFrequencies(s, {5899000.0, 5898000.0, 5890000.0, 0.0});
    const ReadingSlot& slot = Current(s);
    const double expected = (slot.rate[0] + slot.rate[1]) / 2;
    EXPECT_DOUBLE_EQ(GroupAverage(s, 0xF), expected);
    EXPECT_EQ(GroupAverage(s, 0x8), 0.0); // only a failed sensor
    EXPECT_EQ(GroupAverage(s, 0), 0.0);
}

TEST(GroupAverage, SensorsFromTheSensorCountOnTakeNoPart)
{
    LibraryState s = MakeState();
    CycleWithFrequencies(s, {5900000.0, 5900000.0, 5900000.0, 5900000.0});
    CycleWithFrequencies(s, {5899000.0, 5898000.0, 5890000.0, 5880000.0});
    const ReadingSlot& slot = Current(s);
    const double belowCount = (slot.rate[0] + slot.rate[1]) / 2;
    const double zeroOfThird = s.zeroOffset[3];
    const double thicknessOfThird = slot.thickness[3];

    // Sensors 2 and 3 are valid and in the mask, but no longer below the sensor count.
    s.sensorCount = 2;
    s.toolingChanged = 0x8;
    EXPECT_DOUBLE_EQ(GroupAverage(s, 0xF), belowCount);
    EXPECT_EQ(s.zeroOffset[3], zeroOfThird) << "no re-basing beyond the sensor count";
    EXPECT_EQ(slot.thickness[3], thicknessOfThird);
    EXPECT_EQ(s.toolingChanged, 0u);

    s.sensorCount = 0;
    EXPECT_EQ(GroupAverage(s, 0xF), 0.0);
}

TEST(GroupAverage, ToolingChangeCarriesOnFromTheGroup)
{
    LibraryState s = MakeState();
    s.sensorMask[0] = 0x3;
    s.loops[0].enabled = 1;
    CycleWithFrequencies(s, {5900000.0, 5900000.0});
    CycleWithFrequencies(s, {5899000.0, 5899000.0});
    CycleWithFrequencies(s, {5898000.0, 5898000.0});

    // Sensor 1 gets a new tooling: its next reading equals the group average.
    s.tooling[1] = 1.5;
    s.toolingChanged = 0x2;
    ComputeThicknessConstants(s);
    const double zeroBefore = s.zeroOffset[1];
    const double previousThickness = Current(s).thickness[1];
    CycleWithFrequencies(s, {5897000.0, 5897000.0});
    const ReadingSlot& slot = Current(s);
    const double ownThickness = RawThickness(s, 1, slot.frequency[1]) - zeroBefore;
    const double ownRate = (ownThickness - previousThickness) / 0.25;
    EXPECT_DOUBLE_EQ(slot.thickness[1], (slot.thickness[0] + ownThickness) / 2);
    EXPECT_DOUBLE_EQ(slot.rate[1], (slot.rate[0] + ownRate) / 2);
    EXPECT_EQ(s.toolingChanged, 0u);

    // From then on it continues from the group's thickness plus its own (new tooling) growth.
    const double groupThickness = slot.thickness[1];
    const double rawBefore = RawThickness(s, 1, slot.frequency[1]);
    CycleWithFrequencies(s, {5896000.0, 5896000.0});
    const double ownGrowth = RawThickness(s, 1, Current(s).frequency[1]) - rawBefore;
    EXPECT_NEAR(Current(s).thickness[1], groupThickness + ownGrowth, 1e-6);
}

} // namespace
} // namespace tlv880
