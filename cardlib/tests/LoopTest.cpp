// Control loops and output writing: converter codes and their register packing, the PID
// increment, clamping and slew limiting, and the analog-input loop.
#include "Cycle.h"
#include "Loops.h"
#include "StateBuilder.h"

#include <gtest/gtest.h>

#include <limits>

namespace tlv880 {
namespace {

const RegisterWrite& LastWrite(const RegisterWrites& w)
{
    return w.items[w.count - 1];
}

TEST(OutputWriting, CodesAndRegisterPackingWithAndWithoutFirmware)
{
    LibraryState s;
    s.firmware[0] = 300; // valid firmware: the card takes negative codes
    RegisterWrites w;
    WriteOutput(s, 2, 0.5, w);
    WriteOutput(s, 3, 0.25, w);
    EXPECT_EQ(s.evenCode[1], -16380);
    EXPECT_EQ(s.oddCode[1], -8190);
    EXPECT_EQ(LastWrite(w).card, 1);
    EXPECT_EQ(LastWrite(w).offset, 0x08u);
    EXPECT_EQ(LastWrite(w).value, 0xC003E002u);

    s.firmware[0] = 0;
    w.clear();
    WriteOutput(s, 2, 0.5, w);
    WriteOutput(s, 3, 0.25, w);
    EXPECT_EQ(LastWrite(w).value, 0x3FFC1FFEu);

    // Outputs 12 and 13 go to register 0x14 of the first card.
    w.clear();
    WriteOutput(s, 12, 1.0, w);
    WriteOutput(s, 13, 0.5, w);
    EXPECT_EQ(LastWrite(w).card, 0);
    EXPECT_EQ(LastWrite(w).offset, 0x14u);
    EXPECT_EQ(LastWrite(w).value, PackCodes(32760, 16380));
}

TEST(OutputWriting, PowerIsLimitedAndScaled)
{
    LibraryState s;
    s.loops[0].maxPower = 0.5;
    EXPECT_EQ(OutputCode(s, 0, 0.9), OutputCode(s, 0, 0.5));
    EXPECT_EQ(OutputCode(s, 0, -0.2), 0);
    s.loops[1].fullScale = -0.5; // -5 V full scale
    EXPECT_EQ(OutputCode(s, 1, 1.0), -16380);
    // Unchecked limits saturate instead of overflowing the conversion.
    s.loops[2].maxPower = 1e12;
    EXPECT_EQ(OutputCode(s, 2, 1e12), std::numeric_limits<int32_t>::max());
    s.loops[3].maxPower = std::numeric_limits<double>::quiet_NaN();
    s.loops[3].fullScale = std::numeric_limits<double>::infinity();
    EXPECT_EQ(OutputCode(s, 3, 0.0), 0);
}

TEST(OutputWriting, RealCycleWritesEveryOutputThenRestartsTheCards)
{
    LibraryState s = test::MakeState();
    s.cardCount = 2;
    s.loops[1].power = 0.5;
    uint32_t counts[kSensors] = {};
    RegisterWrites w;
    RunMeasurementCycle(s, counts, w);
    ASSERT_EQ(w.count, 14 + 1 + 4 * 2);
    for (int o = 0; o < 12; ++o) {
        EXPECT_EQ(w.items[o].card, o / 2);
        EXPECT_EQ(w.items[o].offset, 0x08u);
    }
    EXPECT_EQ(w.items[1].value, PackCodes(0, 16380));
    EXPECT_EQ(w.items[12].offset, 0x14u);
    EXPECT_EQ(w.items[13].offset, 0x14u);
    const RegisterWrite restart[] = {{0, 0x10, 2}, {0, 0x0C, 0}, {1, 0x0C, 0},
                                     {0, 0x0C, 1}, {1, 0x0C, 1}, {0, 0x0C, 3},
                                     {1, 0x0C, 3}, {0, 0x0C, 1}, {1, 0x0C, 1}};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(w.items[14 + i].card, restart[i].card) << i;
        EXPECT_EQ(w.items[14 + i].offset, restart[i].offset) << i;
        EXPECT_EQ(w.items[14 + i].value, restart[i].value) << i;
    }
    EXPECT_EQ(s.readings.slots[s.readings.writeIndex].power[1], 0.5);
}

TEST(Pid, IncrementFromTheErrorHistory)
{
    LibraryState s;
    s.validSensors = 0x1;
    s.sensorMask[0] = 0x1;
    OutputLoop& loop = s.loops[0];
    loop.pTerm = 10000; // increments in units of the error
    loop.iTerm = 1.0;
    loop.dTerm = 0.5;
    // e = 2: proportional 2, integral 0.25 * 2 / 1, derivative 2 * 0.5 / 0.25
    EXPECT_DOUBLE_EQ(PidIncrement(s, 0, 2.0, LoopKind::Rate), 2 + 0.5 + 4);
    // e = 2 again: proportional 0, integral 0.5, derivative (2 - 4 + 2) ... = -2 * 0.5 / 0.25
    EXPECT_DOUBLE_EQ(PidIncrement(s, 0, 2.0, LoopKind::Rate), 0 + 0.5 - 4);
    EXPECT_DOUBLE_EQ(loop.lastIncrement, -3.5);

    // All sensors failed: no increment and the history stays.
    s.validSensors = 0;
    EXPECT_EQ(PidIncrement(s, 0, 7.0, LoopKind::Rate), 0.0);
    EXPECT_EQ(loop.e0, 2.0);
    // An analog-input loop does not look at the sensors.
    EXPECT_NE(PidIncrement(s, 0, 7.0, LoopKind::Analog), 0.0);
    EXPECT_EQ(loop.e0, 7.0);
}

TEST(Pid, WithoutIntegralAConstantErrorActsOnlyOnce)
{
    LibraryState s;
    s.validSensors = 0x1;
    s.sensorMask[0] = 0x1;
    s.loops[0].pTerm = 100;
    EXPECT_DOUBLE_EQ(PidIncrement(s, 0, 5.0, LoopKind::Rate), 0.05);
    EXPECT_EQ(PidIncrement(s, 0, 5.0, LoopKind::Rate), 0.0);
    EXPECT_EQ(PidIncrement(s, 0, 5.0, LoopKind::Rate), 0.0);
}

TEST(LoopPass, SlewLimitAndClamp)
{
    LibraryState s = test::MakeState();
    OutputLoop& loop = s.loops[0];
    loop.enabled = 1;
    loop.controlOutput = 0.5;
    loop.slewRate = 0.1; // per second, period 0.25: 0.025 per cycle
    RunLoopPass(s, nullptr);
    EXPECT_DOUBLE_EQ(loop.power, 0.025);
    RunLoopPass(s, nullptr);
    EXPECT_DOUBLE_EQ(loop.power, 0.05);

    loop.slewRate = 0;
    RunLoopPass(s, nullptr);
    EXPECT_DOUBLE_EQ(loop.power, 0.5);

    loop.controlOutput = 3.0;
    loop.maxPower = 0.8;
    RunLoopPass(s, nullptr);
    EXPECT_DOUBLE_EQ(loop.power, 0.8);
    loop.controlOutput = -1;
    RunLoopPass(s, nullptr);
    EXPECT_EQ(loop.power, 0.0);

    // A step of at most 0.001 is no limit at all.
    loop.slewRate = 0.002;
    loop.controlOutput = 0.7;
    RunLoopPass(s, nullptr);
    EXPECT_DOUBLE_EQ(loop.power, 0.7);
}

TEST(LoopPass, RateLoopRaisesPowerTowardsTheSetpoint)
{
    LibraryState s = test::MakeState();
    s.sensorMask[0] = 0x1;
    s.validSensors = 0;
    OutputLoop& loop = s.loops[0];
    loop.enabled = 1;
    loop.setpoint = 10;
    loop.pTerm = 100;
    loop.iTerm = 1;
    for (int c = 0; c < 4; ++c)
        RunSimulatedCycle(s);
    EXPECT_GT(loop.power, 0.0); // rate 0 below the setpoint: power rises
    EXPECT_EQ(s.readings.slots[s.readings.writeIndex].power[0], loop.power);
}

TEST(AnalogInputLoop, DrivesItsOutputOnlyUnderAutomaticControl)
{
    LibraryState s;
    s.analogMap[2] = 5;
    OutputLoop& loop = s.loops[5];
    loop.setpoint = 4.0;
    loop.pTerm = 10000;
    RunAnalogInputLoop(s, 2, 1.0);
    EXPECT_EQ(loop.power, 0.0); // loop disabled

    loop.enabled = 1;
    loop.maxPower = 10;
    loop.slewRate = 0.05; // step 0.5 for the analog kind
    RunAnalogInputLoop(s, 2, 1.0);
    EXPECT_DOUBLE_EQ(loop.controlOutput, 3.0);
    EXPECT_DOUBLE_EQ(loop.power, 0.5);
    EXPECT_DOUBLE_EQ(s.readings.slots[s.readings.writeIndex].power[5], 0.5);

    s.analogMap[1] = -1;
    RunAnalogInputLoop(s, 1, 1.0); // unmapped input: nothing
    EXPECT_DOUBLE_EQ(loop.controlOutput, 3.0);
}

} // namespace
} // namespace tlv880
