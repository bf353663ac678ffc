// Output codes, the output count of a single card, analog inputs and the front panel, seen
// through the emulated card bus.
#include "EmulatedFixture.h"
#include "Loops.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tlv880 {
namespace {

using test::EmulatedTest;

class Outputs : public EmulatedTest {
protected:
    void StartRealMode(const std::string& cards)
    {
        UseCards(cards);
        ASSERT_EQ(Xdc770Startup2(0, nullptr), 0);
        ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.25), 0);
        ASSERT_EQ(Xdc770Simulate(0), 0);
    }
};

TEST_F(Outputs, CodesOfTheSecondCardWithValidFirmware)
{
    StartRealMode("id=1F,fw=300;id=0F,fw=300");
    ASSERT_EQ(Xdc770SetPower(2, 0.5), 0);
    ASSERT_EQ(Xdc770SetPower(3, 0.25), 0);
    EXPECT_EQ(Trace().back(), Line(1, 0x08, 0xC003E002u));
}

TEST_F(Outputs, CodesWithoutValidFirmware)
{
    StartRealMode("id=1F,fw=100;id=0F,fw=100");
    ASSERT_EQ(Xdc770SetPower(2, 0.5), 0);
    ASSERT_EQ(Xdc770SetPower(3, 0.25), 0);
    EXPECT_EQ(Trace().back(), Line(1, 0x08, 0x3FFC1FFEu));
}

TEST_F(Outputs, MaxPowerLimitsTheCode)
{
    StartRealMode("id=1F,fw=100");
    ASSERT_EQ(Xdc770FullScale(1, 10, 0.5, 0), 0);
    ASSERT_EQ(Xdc770SetPower(1, 0.9), 0);
    EXPECT_EQ(Trace().back(), Line(0, 0x08, 16380));
    double power[14] = {};
    Xdc770GetPower(power);
    EXPECT_EQ(power[1], 0.9);
}

TEST_F(Outputs, SingleMasterWithoutAnalogSectionHasTwoOutputs)
{
    StartRealMode("id=1F,fw=300");
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.outputCount, 2);
        EXPECT_EQ(s.sensorCount, 4);
        EXPECT_EQ(s.analogSection, 0);
    });
    EXPECT_EQ(Xdc770Loop2(1, 1, 1, 1, 11), 1);
    EXPECT_EQ(Xdc770Loop2(1, 1, 1, 1, 12), 0);
    EXPECT_EQ(Xdc770SetPower(13, 0.5), 0);
    EXPECT_EQ(Trace().back(), Line(0, 0x14, 0xFFFFC004u)); // outputs 12/13 on register 0x14
    int32_t map[24];
    for (int i = 0; i < 24; ++i)
        map[i] = i;
    EXPECT_EQ(Xdc770MapSensors(map), 1);
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.sensorMask[0], 0x1u);
        EXPECT_EQ(s.sensorMask[1], 0x2u);
    });
}

TEST_F(Outputs, RealCyclesWriteOutputsAndRestart)
{
    StartRealMode("id=1F,fw=300");
    ASSERT_EQ(Xdc770SetPower(0, 0.5), 0);
    const size_t before = Trace().size();
    bus::emu::AdvanceClock(std::chrono::milliseconds(260));
    double readings[72], power[14];
    ASSERT_TRUE(test::WaitFor([&] { return Xdc770GetReadings(readings, power) > 0; }));
    ASSERT_TRUE(test::WaitFor([&] { return TraceFrom(before).size() >= 9; }));
    const uint32_t outputs = PackCodes(-16380, 0);
    EXPECT_THAT(TraceFrom(before),
                ::testing::ElementsAre(Line(0, 0x08, outputs), Line(0, 0x08, outputs),
                                       Line(0, 0x14, 0), Line(0, 0x14, 0), Line(0, 0x10, 2),
                                       Line(0, 0x0C, 0), Line(0, 0x0C, 1), Line(0, 0x0C, 3),
                                       Line(0, 0x0C, 1)));
    EXPECT_EQ(power[0], 0.5);
}

class ReadingRing : public EmulatedTest {};

TEST_F(ReadingRing, TwelveUnreadCyclesLeaveTheNineNewest)
{
    UseCards("id=1F,fw=300,f=5900000");
    ASSERT_EQ(Xdc770Startup2(0, nullptr), 0);
    ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.25), 0);
    ASSERT_EQ(Xdc770Material(0x1, 2.7, 1.0, 1.0), 0);
    int32_t map[24];
    std::fill(std::begin(map), std::end(map), -1);
    map[0] = 0;
    ASSERT_EQ(Xdc770MapSensors(map), 0);
    ASSERT_EQ(Xdc770Simulate(0), 0);
    ASSERT_EQ(Xdc770SetPower(0, 0.5), 0);
    for (int cycle = 0; cycle < 12; ++cycle)
        ASSERT_TRUE(RunCycle(std::chrono::milliseconds(260))) << cycle;

    double readings[72], power[14];
    std::vector<double> thickness;
    for (int expected = 9; expected >= 1; --expected) {
        ASSERT_EQ(Xdc770GetReadings(readings, power), expected);
        thickness.push_back(readings[24]);
    }
    EXPECT_EQ(Xdc770GetReadings(readings, power), 0);
    // Oldest first, and the three oldest were overwritten: the film grows from the zero the
    // first cycle recorded, so even the first reading left is past it.
    EXPECT_GT(thickness.front(), 0.0);
    EXPECT_TRUE(std::is_sorted(thickness.begin(), thickness.end()));
    EXPECT_LT(thickness.front(), thickness.back());
}

class AnalogSection : public EmulatedTest {};

TEST_F(AnalogSection, ResetSequenceAndConvertedInputs)
{
    UseCards("id=1E,fw=300,ain=1.5/-2.25/9.75/0.125", false);
    int32_t info[8] = {};
    ASSERT_EQ(Xdc770Startup2(0, info), 0);
    EXPECT_EQ(info[7], 300);
    EXPECT_THAT(Trace(),
                ::testing::ElementsAre(Line(0, 0x18, 4), Line(0, 0x18, 12), Line(0, 0x18, 4),
                                       Line(0, 0x18, 0), Line(0, 0x18, 16)));
    ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.25), 0);
    ASSERT_EQ(Xdc770Simulate(0), 0);
    EXPECT_EQ(Engine::Instance().AnalogInterval(), 10);
    double analog[4] = {}, power[14] = {};
    ASSERT_TRUE(test::WaitFor([&] { return Xdc770GetAnReadings(analog, power) > 0; }));
    const double volts[4] = {1.5, -2.25, 9.75, 0.125};
    for (int a = 0; a < 4; ++a)
        EXPECT_NEAR(analog[a], volts[a], 2e-5) << a;
    // Every conversion read is acknowledged with 0x30 then 0x10.
    const auto trace = Trace();
    const auto ack = std::find(trace.begin() + 5, trace.end(), Line(0, 0x18, 0x30));
    ASSERT_NE(ack, trace.end());
    EXPECT_EQ(*(ack + 1), Line(0, 0x18, 0x10));
}

TEST_F(AnalogSection, ConverterChannelRule)
{
    // The converter's next-channel bits name the input after the one just converted.
    UseCards("id=1E,fw=300,ain=0/0/0/0");
    ASSERT_EQ(Xdc770Startup2(0, nullptr), 0);
    WithState([](LibraryState& s) { s.simulate = 0; });
    bus::emu::SetAnalogInput(0, 3, 4.0);
    bus::emu::SetAnalogInput(0, 0, -1.0);
    for (int step = 0; step < 12; ++step) {
        bus::emu::AdvanceClock(std::chrono::milliseconds(3));
        Engine::Instance().AnalogStep();
    }
    WithState([](LibraryState& s) {
        EXPECT_NEAR(s.analogValues[3], 4.0, 2e-5);
        EXPECT_NEAR(s.analogValues[0], -1.0, 2e-5);
        EXPECT_NEAR(s.analogValues[1], 0.0, 2e-5);
    });
}

TEST_F(AnalogSection, AnalogInputLoopDrivesItsOutput)
{
    UseCards("id=1E,fw=300,ain=0/0/2/0", false);
    ASSERT_EQ(Xdc770Startup2(0, nullptr), 0);
    ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.25), 0);
    const int32_t map[4] = {-1, -1, 12, -1};
    ASSERT_EQ(Xdc770MapAnSensors(map), 0);
    ASSERT_EQ(Xdc770Loop2(5.0, 100, 0, 0, 12), 0);
    ASSERT_EQ(Xdc770Simulate(0), 0);
    double power[14] = {};
    // Error 5 - 2 = 3 on the first conversion: the power steps up by 3 * 100 / 10000.
    ASSERT_TRUE(test::WaitFor([&] {
        Xdc770GetPower(power);
        return power[12] > 0;
    }));
    EXPECT_NEAR(power[12], 0.03, 1e-6); // within the converter's resolution
}

class Panel : public EmulatedTest {};

TEST_F(Panel, SwitchLatchAndKnobInRealModeOnly)
{
    UseCards("id=1F,fw=300,panel=7E00");
    ASSERT_EQ(Xdc770Startup2(0, nullptr), 0);
    int16_t pressed = -1, knob = -1;
    EXPECT_EQ(GetSwitchData(&pressed, &knob), 0);
    EXPECT_EQ(pressed, 0); // simulate mode reads no panel
    EXPECT_EQ(knob, 0);

    ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.25), 0);
    ASSERT_EQ(Xdc770Simulate(0), 0);
    EXPECT_EQ(GetSwitchData(&pressed, &knob), 0);
    EXPECT_EQ(pressed, 0x20);
    EXPECT_EQ(GetSwitchData(&pressed, &knob), 0);
    EXPECT_EQ(pressed, 0); // still held: reported once
    bus::emu::SetPanel(0, 0x7FFF);
    GetSwitchData(&pressed, &knob);
    bus::emu::SetPanel(0, 0x7F01);
    GetSwitchData(&pressed, &knob);
    EXPECT_EQ(knob, 2);
    EXPECT_EQ(DimBacklight(1), 0);
    WithState([](LibraryState& s) { EXPECT_EQ(s.dimBacklight, 1); });
}

} // namespace
} // namespace tlv880
