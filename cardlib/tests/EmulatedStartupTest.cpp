// Start-up, discovery order, firmware versions, period programming, restart and shutdown
// sequences, seen through the emulated card bus and its write trace.
#include "EmulatedFixture.h"
#include "Loops.h"

#include <gmock/gmock.h>

#include <algorithm>

namespace tlv880 {
namespace {

using test::EmulatedTest;
using ::testing::ElementsAre;

class Discovery : public EmulatedTest {};

TEST_F(Discovery, MasterGoesFirstThenASlave)
{
    UseCards("id=0F,fw=300;id=1F,fw=301;id=0F,fw=302");
    int32_t info[8] = {};
    ASSERT_EQ(Xdc770Startup2(0, info), 0);
    EXPECT_EQ(info[1], 301); // the master, found second
    EXPECT_EQ(info[2], 300);
    EXPECT_EQ(info[3], 302);
    EXPECT_EQ(info[7], 0);
    // The first card (scan number 1) gets the start-up write.
    EXPECT_THAT(Trace(), ElementsAre(Line(1, 0x10, 2)));
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.cardCount, 3);
        EXPECT_EQ(s.multiCard, 1);
        EXPECT_EQ(s.analogSection, 0);
        EXPECT_EQ(s.simulate, 1);
    });

    // A later start only reports the versions again.
    int32_t again[8] = {};
    EXPECT_EQ(Xdc770Startup2(0, again), 0);
    EXPECT_EQ(again[1], 301);
    EXPECT_EQ(again[3], 302);
    EXPECT_EQ(Trace().size(), 1u);
}

TEST_F(Discovery, CardThatFailsToOpenIsSkipped)
{
    UseCards("id=1F,fw=300;id=0F,fw=301,fail=open;id=0F,fw=302");
    int32_t info[8] = {};
    ASSERT_EQ(Xdc770Startup2(0, info), 0);
    EXPECT_EQ(info[1], 300);
    EXPECT_EQ(info[2], 302);
    WithState([](LibraryState& s) { EXPECT_EQ(s.cardCount, 2); });
}

TEST_F(Discovery, CardWhoseTransfersFailReadsZeroAndKeepsGoing)
{
    UseCards("id=1E,fw=300,fail=io");
    int32_t info[8] = {};
    ASSERT_EQ(Xdc770Startup2(0, info), 0);
    EXPECT_EQ(info[1], 0); // the firmware word reads 0
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.analogSection, 0); // so does the identity
        EXPECT_EQ(s.referenceClock, kSlowReferenceClock);
    });
    ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.1), 0);
    ASSERT_EQ(Xdc770Simulate(0), 0);
    EXPECT_EQ(Xdc770SetPower(0, 0.5), 0);
    // Whole periods pass on the cards' clock and the cycle looks at the card each time, as the
    // acquisition thread would; the status word reads 0, so no cycle ever runs.
    const uint64_t cyclesBefore = Engine::Instance().cyclesRun.load();
    for (int wake = 0; wake < 5; ++wake) {
        bus::emu::AdvanceClock(std::chrono::milliseconds(300));
        Engine::Instance().AcquisitionStep();
    }
    EXPECT_EQ(Engine::Instance().cyclesRun.load(), cyclesBefore);
    double readings[72], power[14];
    EXPECT_EQ(Xdc770GetReadings(readings, power), 0); // no ready bit: no cycle
    int16_t pressed = -1, knob = -1;
    EXPECT_EQ(GetSwitchData(&pressed, &knob), 0);
    EXPECT_EQ(Xdc770Startup2(-1, nullptr), 0);
}

TEST_F(Discovery, AtMostSixCards)
{
    UseCards("id=1F;id=0F;id=0F;id=0F;id=0F;id=0F;id=0F,fw=250");
    int32_t info[8] = {};
    ASSERT_EQ(Xdc770Startup2(0, info), 0);
    WithState([](LibraryState& s) { EXPECT_EQ(s.cardCount, 6); });
    EXPECT_EQ(info[6], 300);
    EXPECT_EQ(info[7], 0);
}

TEST_F(Discovery, NoCardForcesSimulation)
{
    UseCards("");
    int32_t info[8] = {};
    EXPECT_EQ(Xdc770Startup2(0, info), 904);
    ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.25), 0);
    EXPECT_EQ(Xdc770Simulate(0), 0);
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.forcedSimulate, 1);
        EXPECT_EQ(s.simulate, 1);
        EXPECT_EQ(s.sensorCount, 24);
    });
    EXPECT_EQ(Engine::Instance().AcquisitionInterval(), 250);
}

TEST_F(Discovery, OldDriverIsRefused)
{
    UseCards("id=1F");
    setenv("TLV880_EMU_VERSION", "520", 1);
    bus::emu::ResetEmulatedBus();
    EXPECT_EQ(Xdc770Startup2(0, nullptr), 906);
    unsetenv("TLV880_EMU_VERSION");
    EXPECT_TRUE(Trace().empty());
}

class Firmware : public EmulatedTest {};

TEST_F(Firmware, VersionsAndReferenceClock)
{
    struct Case {
        int firmware;
        int reported;
        double clock;
    };
    for (const Case c : {Case{201, 201, 153000000.0}, Case{501, 0, 153000000.0},
                         Case{202, 202, 199065600.0}, Case{199, 0, 153000000.0}}) {
        UseCards("id=1E,fw=" + std::to_string(c.firmware));
        int32_t info[8] = {};
        ASSERT_EQ(Xdc770Startup2(0, info), 0);
        EXPECT_EQ(info[1], c.reported) << c.firmware;
        EXPECT_EQ(info[7], c.reported) << c.firmware; // analog section present
        WithState([&](LibraryState& s) { EXPECT_EQ(s.referenceClock, c.clock) << c.firmware; });
    }
}

TEST_F(Firmware, RealCycleMeasuresTheCrystalWithTheMatchingClock)
{
    for (int firmware : {201, 202, 501}) {
        UseCards("id=1F,fw=" + std::to_string(firmware) + ",f=5900000");
        ASSERT_EQ(Xdc770Startup2(0, nullptr), 0);
        ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.25), 0);
        ASSERT_EQ(Xdc770Simulate(0), 0);
        bus::emu::AdvanceClock(std::chrono::milliseconds(260));
        double readings[72], power[14];
        std::fill(std::begin(readings), std::end(readings), -99.0);
        ASSERT_TRUE(test::WaitFor([&] { return Xdc770GetReadings(readings, power) > 0; }));
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(readings[48 + i], 5900000.0, 0.5) << firmware;
        EXPECT_EQ(readings[48 + 4], -99.0); // one card: four sensors
    }
}

class Sequences : public EmulatedTest {};

TEST_F(Sequences, StartMeasurementProgramsPeriodAndGateThenRestarts)
{
    UseCards("id=1F,fw=300;id=0F,fw=300");
    ASSERT_EQ(Xdc770Startup2(0, nullptr), 0);
    ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.25), 0);
    const size_t before = Trace().size();
    ASSERT_EQ(Xdc770Simulate(0), 0);
    const uint32_t period = ~3906u, gate = ~1250000u;
    EXPECT_THAT(TraceFrom(before),
                ElementsAre(Line(0, 0x00, period), Line(1, 0x00, period), Line(0, 0x04, gate),
                            Line(1, 0x04, gate), Line(0, 0x10, 2), Line(0, 0x0C, 0),
                            Line(1, 0x0C, 0), Line(0, 0x0C, 1), Line(1, 0x0C, 1), Line(0, 0x0C, 3),
                            Line(1, 0x0C, 3), Line(0, 0x0C, 1), Line(1, 0x0C, 1)));
    WithState([](LibraryState& s) {
        EXPECT_EQ(s.gate, 1250000u);
        EXPECT_EQ(s.simulate, 0);
        EXPECT_EQ(s.sensorCount, 8);
        EXPECT_EQ(s.outputCount, 4);
    });
    EXPECT_EQ(Engine::Instance().AcquisitionInterval(), 2);
}

TEST_F(Sequences, ShutdownStopsTheCardsAndReleasesThem)
{
    UseCards("id=1F,fw=300;id=0F,fw=300");
    ASSERT_EQ(Xdc770Startup2(0, nullptr), 0);
    ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.25), 0);
    ASSERT_EQ(Xdc770Simulate(0), 0);
    const size_t before = Trace().size();
    ASSERT_EQ(Xdc770Startup2(-1, nullptr), 0);
    EXPECT_THAT(TraceFrom(before), ElementsAre(Line(0, 0x0C, 0), Line(1, 0x0C, 0), Line(0, 0x18, 0),
                                               Line(0, 0x08, 0), Line(1, 0x08, 0)));
    EXPECT_EQ(Engine::Instance().AcquisitionInterval(), -1);
    EXPECT_EQ(Engine::Instance().AnalogInterval(), -1);
    // Released cards take no more writes.
    const size_t after = Trace().size();
    EXPECT_EQ(Xdc770SetPower(0, 0.5), 0);
    EXPECT_EQ(Trace().size(), after);

    // A start after the shutdown finds the cards again.
    int32_t info[8] = {};
    ASSERT_EQ(Xdc770Startup2(0, info), 0);
    EXPECT_EQ(info[2], 300);
    EXPECT_EQ(Xdc770SetPower(0, 0.5), 0);
    EXPECT_EQ(Trace().back(), Line(0, 0x08, PackCodes(-16380, 0)));
}

TEST_F(Sequences, SimulateOnCardsWritesZerosToTheOutputs)
{
    UseCards("id=1E,fw=300");
    ASSERT_EQ(Xdc770Startup2(0, nullptr), 0);
    ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, 0.25), 0);
    ASSERT_EQ(Xdc770Simulate(0), 0);
    ASSERT_EQ(Xdc770SetPower(1, 0.5), 0);
    const size_t before = Trace().size();
    ASSERT_EQ(Xdc770Simulate(1), 0);
    EXPECT_THAT(TraceFrom(before), ElementsAre(Line(0, 0x0C, 0), Line(0, 0x08, 0), Line(0, 0x08, 0),
                                               Line(0, 0x14, 0), Line(0, 0x14, 0)));
    double power[14] = {};
    Xdc770GetPower(power);
    EXPECT_EQ(power[1], 0.5); // the output keeps its power setting
    // In simulate mode nothing reaches the cards.
    ASSERT_EQ(Xdc770SetPower(1, 0.7), 0);
    EXPECT_EQ(Trace().size(), before + 5);
}

} // namespace
} // namespace tlv880
