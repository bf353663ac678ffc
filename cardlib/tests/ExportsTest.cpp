// The exports' argument rules and effects, called in-process without any card.
#include "EngineFixture.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tlv880 {
namespace {

using test::EngineTest;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class Arguments : public EngineTest {};

TEST_F(Arguments, InitChecksTheWindowAndPeriodAndKeepsOldValues)
{
    EXPECT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.25), 0);
    EXPECT_EQ(Xdc770Init(6.05e6, 5e6, 6.1e6, 0.25), 1); // initial above maximum
    EXPECT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 2.01), 1);
    EXPECT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.09), 1);
    EXPECT_EQ(Xdc770Init(10.1e6, 5e6, 6e6, 0.25), 1);
    EXPECT_EQ(Xdc770Init(6e6, 0.9e6, 1e6, 0.25), 1);
    EXPECT_EQ(Xdc770Init(5e6, 6e6, 5.5e6, 0.25), 1); // maximum below minimum
    EXPECT_EQ(Xdc770Init(6.05e6, 5e6, kNaN, 0.25), 1);
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.maxFrequency, 6.05e6);
        EXPECT_EQ(s.initialFrequency, 6e6);
        EXPECT_EQ(s.period, 0.25);
    });
    EXPECT_EQ(Xdc770Init(1e7, 1e6, 1e6, 2.0), 0);              // every limit itself is accepted
    EXPECT_EQ(Engine::Instance().AcquisitionInterval(), 2000); // simulate mode: the wake interval
}

TEST_F(Arguments, MaterialNeedsInitAndItsRanges)
{
    EXPECT_EQ(Xdc770Material(0x1, 2.7, 1.0, 1.0), 1);
    ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.25), 0);
    EXPECT_EQ(Xdc770Material(0x1, 0.39, 1.0, 1.0), 1);
    EXPECT_EQ(Xdc770Material(0x1, 2.7, 10.1, 1.0), 1);
    EXPECT_EQ(Xdc770Material(0x1, 2.7, 1.0, -0.1), 1);
    EXPECT_EQ(Xdc770Material(0x1, kNaN, 1.0, 1.0), 1);
    EXPECT_EQ(Xdc770Material(0x5, 2.7, 1.0, 1.0), 0);
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.density[0], 2.7);
        EXPECT_EQ(s.density[1], 0.0);
        EXPECT_EQ(s.density[2], 2.7);
        EXPECT_EQ(s.toolingChanged, 0x5u);
        EXPECT_GT(s.thicknessConstant[0], 0.0);
        EXPECT_DOUBLE_EQ(s.phaseConstant[2], kPi / 6e6);
        s.toolingChanged = 0;
    });
    EXPECT_EQ(Xdc770Material(0x3, 3.0, 1.0, 1.0), 0); // sensor 0 keeps its tooling
    WithState([](LibraryState& s) { EXPECT_EQ(s.toolingChanged, 0x2u); });
}

TEST_F(Arguments, MapSensorsAssignsUntilTheFirstBadEntry)
{
    WithState([](LibraryState& s) {
        s.outputCount = 2;
        s.sensorMask[5] = 0x80; // an output beyond the count keeps its mask
    });
    int32_t map[24];
    for (int i = 0; i < 24; ++i)
        map[i] = i;
    EXPECT_EQ(Xdc770MapSensors(map), 1);
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.sensorMask[0], 0x1u);
        EXPECT_EQ(s.sensorMask[1], 0x2u);
        EXPECT_EQ(s.sensorMask[5], 0x80u);
    });

    int32_t negative[24];
    std::fill(std::begin(negative), std::end(negative), -1);
    negative[3] = 1;
    EXPECT_EQ(Xdc770MapSensors(negative), 0);
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.sensorMask[0], 0u);
        EXPECT_EQ(s.sensorMask[1], 0x8u);
    });
}

TEST_F(Arguments, MapSensorsWithAnalogSectionSkipsMissingOutputs)
{
    WithState([](LibraryState& s) {
        s.outputCount = 4;
        s.analogSection = 1;
    });
    int32_t map[24];
    std::fill(std::begin(map), std::end(map), -1);
    map[0] = 12;
    map[1] = 13;
    map[2] = 7; // between the output count and 11: left unassigned
    map[3] = 3;
    EXPECT_EQ(Xdc770MapSensors(map), 0);
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.sensorMask[12], 0x1u);
        EXPECT_EQ(s.sensorMask[13], 0x2u);
        EXPECT_EQ(s.sensorMask[7], 0u);
        EXPECT_EQ(s.sensorMask[3], 0x8u);
    });
    map[4] = 14;
    EXPECT_EQ(Xdc770MapSensors(map), 1);
    EXPECT_EQ(Xdc770MapSensors(nullptr), 1);
}

TEST_F(Arguments, MapAnSensorsKeepsTheMapOnRejection)
{
    const int32_t good[4] = {0, -1, 13, -7};
    EXPECT_EQ(Xdc770MapAnSensors(good), 0);
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.analogMask[0], 0x1u);
        EXPECT_EQ(s.analogMask[13], 0x4u);
        EXPECT_EQ(s.analogMap[0], 0);
        EXPECT_EQ(s.analogMap[1], -1);
        EXPECT_EQ(s.analogMap[3], -1);
    });
    const int32_t bad[4] = {5, 14, 2, 2};
    EXPECT_EQ(Xdc770MapAnSensors(bad), 1);
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.analogMask[5], 0x1u); // built before the offending entry
        EXPECT_EQ(s.analogMask[0], 0u);
        EXPECT_EQ(s.analogMask[2], 0u);
        EXPECT_EQ(s.analogMap[0], 0); // the map is unchanged
        EXPECT_EQ(s.analogMap[2], 13);
    });
}

TEST_F(Arguments, OutputIndexRule)
{
    WithState([](LibraryState& s) { s.outputCount = 2; });
    for (int o : {0, 1, 12, 13}) {
        EXPECT_EQ(Xdc770SetPower(o, 0.5), 0) << o;
        EXPECT_EQ(Xdc770Loop2(1, 1, 1, 1, o), 0) << o;
        EXPECT_EQ(Xdc770Auto(o), 0) << o;
        EXPECT_EQ(Xdc770FullScale(o, 5, 1, 0), 0) << o;
    }
    for (int o : {-1, 2, 11, 14}) {
        EXPECT_EQ(Xdc770SetPower(o, 0.5), 1) << o;
        EXPECT_EQ(Xdc770Loop2(1, 1, 1, 1, o), 1) << o;
        EXPECT_EQ(Xdc770Auto(o), 1) << o;
        EXPECT_EQ(Xdc770FullScale(o, 5, 1, 0), 1) << o;
    }
    EXPECT_EQ(Xdc770SetPower(0, 1.2), 1);
    EXPECT_EQ(Xdc770SetPower(0, -0.01), 1);
    EXPECT_EQ(Xdc770FullScale(0, -10.5, 1, 0), 1);
    EXPECT_EQ(Xdc770FullScale(0, 10.5, 1, 0), 1);
    EXPECT_EQ(Xdc770FullScale(0, -10, 3, -2), 0); // max power and slew are not range-checked
    EXPECT_EQ(Xdc770FullScale(0, 1, kNaN, 0), 1);
    EXPECT_EQ(Xdc770Loop2(kNaN, 1, 1, 1, 0), 1);
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.loops[0].fullScale, -1.0);
        EXPECT_EQ(s.loops[0].maxPower, 3.0);
        EXPECT_EQ(s.loops[0].slewRate, -2.0);
    });
}

TEST_F(Arguments, LoopTakesOverBumplesslyAndAutoClearsHistory)
{
    ASSERT_EQ(Xdc770SetPower(4, 0.3), 0);
    ASSERT_EQ(Xdc770Loop2(10, 2, 3, 4, 4), 0);
    WithState([](LibraryState& s) {
        const OutputLoop& l = s.loops[4];
        EXPECT_EQ(l.enabled, 1);
        EXPECT_EQ(l.controlOutput, 0.3);
        EXPECT_EQ(l.setpoint, 10.0);
        EXPECT_EQ(l.dTerm, 4.0);
        s.loops[4].e0 = 1;
        s.loops[4].lastIncrement = 2;
    });
    ASSERT_EQ(Xdc770Loop2(12, 2, 3, 4, 4), 0); // already enabled: the history stays
    WithState([](LibraryState& s) { EXPECT_EQ(s.loops[4].e0, 1.0); });
    ASSERT_EQ(Xdc770Auto(4), 0);
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.loops[4].e0, 0.0);
        EXPECT_EQ(s.loops[4].lastIncrement, 0.0);
        EXPECT_EQ(s.loops[4].enabled, 1);
    });
    ASSERT_EQ(Xdc770SetPower(4, 0.6), 0); // manual again; the control output stays
    ASSERT_EQ(Xdc770Auto(4), 0);
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.loops[4].enabled, 0);
        EXPECT_EQ(s.loops[4].controlOutput, 0.6);
    });
}

TEST_F(Arguments, ZeroCalls)
{
    WithState([](LibraryState& s) {
        for (double& z : s.zeroOffset)
            z = 5;
        s.sensorMask[3] = 0x30;
    });
    EXPECT_EQ(Xdc770ZeroSensor(24), 0);
    EXPECT_EQ(Xdc770ZeroSensor(-1), 0);
    EXPECT_EQ(Xdc770Zero2(14), 0);
    EXPECT_EQ(Xdc770Zero2(-3), 0);
    WithState([](LibraryState& s) {
        for (double z : s.zeroOffset)
            EXPECT_EQ(z, 5.0);
    });
    EXPECT_EQ(Xdc770ZeroSensor(23), 0);
    EXPECT_EQ(Xdc770Zero2(3), 0);
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.zeroOffset[23], 0.0);
        EXPECT_EQ(s.zeroOffset[4], 0.0);
        EXPECT_EQ(s.zeroOffset[5], 0.0);
        EXPECT_EQ(s.zeroOffset[6], 5.0);
    });
}

TEST_F(Arguments, GetPowerWritesOnlyTheOutputsInUse)
{
    WithState([](LibraryState& s) {
        s.outputCount = 2;
        for (int o = 0; o < kOutputs; ++o)
            s.loops[o].power = o / 100.0;
    });
    double power[kOutputs];
    std::fill(std::begin(power), std::end(power), -5.0);
    EXPECT_EQ(Xdc770GetPower(power), 0);
    EXPECT_EQ(power[1], 0.01);
    EXPECT_EQ(power[2], -5.0);
    EXPECT_EQ(power[11], -5.0);
    EXPECT_EQ(power[13], 0.13);
    EXPECT_EQ(Xdc770GetPower(nullptr), 1);
}

TEST_F(Arguments, NullArraysAreRefused)
{
    double readings[72], power[14];
    int16_t pressed, knob;
    EXPECT_EQ(Xdc770GetReadings(nullptr, power), 0);
    EXPECT_EQ(Xdc770GetReadings(readings, nullptr), 0);
    EXPECT_EQ(Xdc770GetAnReadings(nullptr, power), 0);
    EXPECT_EQ(GetSwitchData(nullptr, &knob), 1);
    EXPECT_EQ(GetSwitchData(&pressed, nullptr), 1);
    EXPECT_EQ(Xdc770Startup2(0, nullptr), 906); // info is optional
}

class WithoutCards : public EngineTest {};

TEST_F(WithoutCards, StartUpReportsNoDriverAndStaysSimulating)
{
    int32_t info[8];
    std::fill(std::begin(info), std::end(info), 77);
    EXPECT_EQ(Xdc770Startup2(0, info), 906);
    EXPECT_TRUE(std::all_of(std::begin(info), std::end(info), [](int32_t v) { return v == 77; }));
    double readings[72], power[14];
    EXPECT_EQ(Xdc770GetReadings(readings, power), 0);

    ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.5), 0);
    EXPECT_EQ(Xdc770Simulate(0), 0);
    WithState([](LibraryState& s) { EXPECT_EQ(s.simulate, 1); });
    EXPECT_EQ(Engine::Instance().AcquisitionInterval(), 500);
    EXPECT_EQ(Xdc770Simulate(1), 0);
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.sensorCount, 24);
        EXPECT_EQ(s.outputCount, 14);
    });
    EXPECT_EQ(Xdc770StartMeas(), 0); // simulate mode: nothing to start
    EXPECT_EQ(Xdc770Startup2(-1, info), 0);
}

TEST_F(WithoutCards, StartMeasNeedsInit)
{
    EXPECT_EQ(Xdc770StartMeas(), 1);
}

TEST_F(WithoutCards, SimulatedReadingsArriveAndOutputsDeposit)
{
    int32_t info[8] = {};
    ASSERT_EQ(Xdc770Startup2(0, info), 906);
    ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.1), 0);
    ASSERT_EQ(Xdc770Material(0xFFFFFF, 2.7, 1.0, 1.0), 0);
    int32_t map[24];
    std::fill(std::begin(map), std::end(map), -1);
    map[0] = 0;
    ASSERT_EQ(Xdc770MapSensors(map), 0);
    ASSERT_EQ(Xdc770SetPower(0, 1.0), 0);
    ASSERT_EQ(Xdc770Simulate(1), 0);

    double readings[72] = {}, power[14] = {};
    double thickness = 0;
    int taken = 0;
    ASSERT_TRUE(test::WaitFor([&] {
        while (Xdc770GetReadings(readings, power) > 0) {
            ++taken;
            thickness = readings[24];
        }
        return taken >= 15;
    }));
    EXPECT_EQ(power[0], 1.0);
    EXPECT_GT(thickness, 0.0);        // the fed sensor grows
    EXPECT_EQ(readings[24 + 1], 0.0); // an unfed one does not
    EXPECT_LT(readings[48], 5950000.0);
    EXPECT_EQ(readings[48 + 1], 5950000.0);
}

TEST_F(WithoutCards, SimulateZeroesEverySensorAtTheNextCycle)
{
    WithState([](LibraryState& s) {
        for (double& z : s.zeroOffset)
            z = 3;
        s.readings.writeIndex = 4;
        s.readings.readIndex = 2;
        s.simRateHistory[0][3] = 1;
    });
    EXPECT_EQ(Xdc770Simulate(1), 0);
    WithState([](LibraryState& s) {
        for (double z : s.zeroOffset)
            EXPECT_EQ(z, 0.0);
        EXPECT_EQ(s.readings.writeIndex, 0);
        EXPECT_EQ(s.readings.readIndex, 0);
        EXPECT_EQ(s.simRateHistory[0][3], 0.0);
    });
    EXPECT_EQ(Xdc770Simulate(7), 0); // unknown mode: no flag or count changes
}

} // namespace
} // namespace tlv880
