// Simulate mode: deposition of the simulated crystals under power, crystal failure, analog values
// and the pseudo-random noise.
#include "Simulation.h"
#include "Cycle.h"
#include "StateBuilder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tlv880 {
namespace {

constexpr double kNoise = 0.2048;

// Sensors 0 and 1 on output o at steady power p, history filled.
LibraryState SteadyState(int output, double power)
{
    LibraryState s = test::MakeState();
    s.sensorMask[output] = 0x3;
    s.loops[output].power = power;
    for (int c = 0; c < kSimHistory; ++c)
        RunSimulationUpdate(s);
    return s;
}

TEST(SimulatedRate, FromPower)
{
    EXPECT_EQ(SimulatedRate(0.0), 0.0);
    EXPECT_EQ(SimulatedRate(0.4), 0.0);
    EXPECT_NEAR(SimulatedRate(0.5), 4.28, 1e-12);
    EXPECT_NEAR(SimulatedRate(1.0), 133.38, 1e-12);
}

TEST(SimulationUpdate, SteadyPowerFallsFourTimesTheRatePerCycle)
{
    for (auto [power, fall] : {std::pair{0.5, 17.12}, std::pair{1.0, 533.52}}) {
        LibraryState s = SteadyState(0, power);
        for (int c = 0; c < 20; ++c) {
            const double before = s.simFrequency[0];
            RunSimulationUpdate(s);
            EXPECT_NEAR(before - s.simFrequency[0], fall, kNoise + 1e-9) << power;
        }
        EXPECT_EQ(s.simFrequency[5], kSimulatedStartFrequency); // assigned to no output
    }
}

TEST(SimulationUpdate, AnalogOutputsDepositOnceEvenWithFourteenOutputs)
{
    LibraryState s = SteadyState(kAnalogOutputA, 0.5);
    ASSERT_EQ(s.outputCount, 14);
    const double before = s.simFrequency[0];
    RunSimulationUpdate(s);
    EXPECT_NEAR(before - s.simFrequency[0], 17.12, kNoise + 1e-9);
}

TEST(SimulationUpdate, CrystalFailsBelowTheMinimumAndStaysFailed)
{
    LibraryState s = SteadyState(0, 1.0);
    int cycles = kSimHistory;
    while (s.simFrequency[0] > 0 && cycles < 5000) {
        RunSimulationUpdate(s);
        ++cycles;
    }
    // About 1,780 cycles from 5.95 MHz to 5 MHz at 533.52 Hz per cycle.
    EXPECT_NEAR(cycles, 1780, 15);
    EXPECT_EQ(s.simFrequency[0], -1.0);
    for (int c = 0; c < 5; ++c)
        RunSimulationUpdate(s);
    EXPECT_EQ(s.simFrequency[0], -1.0);
    EXPECT_EQ(s.simFrequency[1], -1.0);
}

TEST(SimulationUpdate, AnalogValueFollowsTheHistoryClampedAtTenVolts)
{
    LibraryState s = SteadyState(3, 1.0);
    s.analogMap[0] = 3;
    s.analogMap[1] = -1;
    RunSimulationUpdate(s);
    EXPECT_EQ(s.simAnalog[0], 10.0); // 133.38 clamped
    EXPECT_EQ(s.simAnalog[1], 0.0);

    LibraryState half = SteadyState(3, 0.5);
    half.analogMap[0] = 3;
    RunSimulationUpdate(half);
    EXPECT_NEAR(half.simAnalog[0], 4.28, 1e-12);
}

TEST(SimulatedCycle, ReadingsShowTheSimulatedCrystalAndAnalogValues)
{
    LibraryState s = SteadyState(0, 1.0);
    s.analogMap[2] = 0;
    s.simFrequency[1] = -1;
    RunSimulatedCycle(s);
    const ReadingSlot& slot = s.readings.slots[s.readings.writeIndex];
    EXPECT_EQ(slot.frequency[1], -1.0);
    EXPECT_EQ(slot.thickness[1], 0.0);
    EXPECT_GT(slot.frequency[0], 5000000.0);
    EXPECT_EQ(s.analog.slots[s.analog.writeIndex][2], 10.0);
    EXPECT_EQ(s.analogValues[2], 10.0);
}

TEST(SimulatedCycle, RateLoopClosesOnTheSimulatedCrystals)
{
    LibraryState s = test::MakeState(2.7, 1.0, 1.0);
    s.period = 0.1;
    s.sensorMask[0] = 0x3;
    OutputLoop& loop = s.loops[0];
    loop.power = loop.controlOutput = 0.46; // just below the onset of deposition
    loop.enabled = 1;
    loop.setpoint = 10;
    loop.pTerm = 2;
    loop.iTerm = 1;
    double sum = 0;
    int samples = 0;
    for (int c = 0; c < 600; ++c) {
        RunSimulatedCycle(s);
        const ReadingSlot& slot = s.readings.slots[s.readings.writeIndex];
        const double rate = (slot.rate[0] + slot.rate[1]) / 2;
        if (c >= 400) {
            EXPECT_NEAR(rate, 10.0, 1.5) << c;
            sum += rate;
            ++samples;
        }
    }
    EXPECT_NEAR(sum / samples, 10.0, 0.3);
    EXPECT_GT(loop.power, 0.461);
}

TEST(RandomGenerator, DeterministicFromItsDefaultSeedAndInRange)
{
    uint32_t seed = 1;
    EXPECT_EQ(NextRandom(seed), 41);
    EXPECT_EQ(NextRandom(seed), 18467);
    EXPECT_EQ(NextRandom(seed), 6334);
    int low = 32767, high = 0;
    double sum = 0;
    for (int i = 0; i < 100000; ++i) {
        const int r = NextRandom(seed);
        low = std::min(low, r);
        high = std::max(high, r);
        sum += r;
    }
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 32767);
    EXPECT_NEAR(sum / 100000, 16383.5, 100);
}

} // namespace
} // namespace tlv880
