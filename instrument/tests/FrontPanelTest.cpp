// Front panel: knob acceleration, switch events, FPEnabled, the change limits and the backlight.

#include "InstrumentRig.h"

#include <gtest/gtest.h>

using fake::Rig;

namespace {
short knobAfter(Rig& rig, short steps)
{
    rig.lib->panel.push_back({0, steps});
    short switches = -1;
    short knob = -1;
    EXPECT_EQ(rig.tlv->ReadFP(switches, knob), 0);
    return knob;
}
} // namespace

TEST(Knob, Acceleration)
{
    Rig rig;
    const std::vector<std::pair<short, short>> table{
        {-6, -6}, {-7, -80}, {-9, -160}, {-5, -30}, {-4, -15}, {-3, -3},  {0, 0},
        {3, 3},   {4, 15},   {5, 30},    {6, 6},    {7, 80},   {10, 200},
    };
    for (const auto& [steps, expected] : table)
        EXPECT_EQ(knobAfter(rig, steps), expected) << steps;
    rig.tlv->setFastChange(300);
    EXPECT_EQ(knobAfter(rig, 32767), 32767); // held within 16 bits
    EXPECT_EQ(knobAfter(rig, -32768), -32768);
}

TEST(Knob, ChangeLimits)
{
    Rig rig;
    rig.tlv->setMedChange(10);
    EXPECT_EQ(rig.tlv->MedChange(), 10);
    rig.tlv->setMedChange(0);
    EXPECT_EQ(rig.tlv->MedChange(), 300);
    rig.tlv->setFastChange(301);
    EXPECT_EQ(rig.tlv->FastChange(), 300);
    rig.tlv->setFastChange(1);
    EXPECT_EQ(rig.tlv->FastChange(), 1);
    EXPECT_EQ(knobAfter(rig, 7), 2);
}

TEST(Panel, DisabledReturnsValuesWithoutEvent)
{
    Rig rig;
    QSignalSpy changes(rig.tlv.get(), &cTLV880a::TLVFPChange);
    rig.lib->panel.push_back({0x1FF, 4});
    short switches = 0;
    short knob = 0;
    rig.tlv->ReadFP(switches, knob);
    EXPECT_EQ(switches, 0x1FF);
    EXPECT_EQ(knob, 15);
    EXPECT_TRUE(changes.isEmpty());
    rig.tlv->FPTimer_Timer(); // not enabled: the panel is not read
    EXPECT_EQ(rig.lib->count("GetSwitchData"), 1);
}

TEST(Panel, EnabledRaisesChangesOnly)
{
    Rig rig;
    QSignalSpy changes(rig.tlv.get(), &cTLV880a::TLVFPChange);
    rig.lib->panel = {{0x40, 0}}; // pressed before the panel was switched on
    rig.tlv->setFPEnabled(true);
    EXPECT_TRUE(rig.tlv->FPEnabled());
    EXPECT_EQ(rig.lib->count("GetSwitchData"), 1);
    rig.lib->panel = {{0, 0}, {0x1C3, 5}, {0, -1}};
    rig.tlv->FPTimer_Timer();
    EXPECT_TRUE(changes.isEmpty());
    rig.tlv->FPTimer_Timer();
    rig.tlv->FPTimer_Timer();
    ASSERT_EQ(changes.count(), 2);
    EXPECT_EQ(changes.at(0).at(0).value<short>(), 0x43); // seven switch lines
    EXPECT_EQ(changes.at(0).at(1).value<short>(), 30);
    EXPECT_EQ(changes.at(1).at(1).value<short>(), -1);
    // The out arguments are left alone while enabled.
    rig.lib->panel = {{1, 1}};
    short switches = 9;
    short knob = 9;
    rig.tlv->ReadFP(switches, knob);
    EXPECT_EQ(switches, 9);
    EXPECT_EQ(knob, 9);
}

TEST(Panel, IntervalOfThePanelTimer)
{
    Rig rig;
    rig.tlv->setFPInterval(100);
    EXPECT_EQ(rig.tlv->FPInterval(), 100);
    rig.tlv->setFPInterval(0);
    EXPECT_EQ(rig.tlv->FPInterval(), 100);
    EXPECT_TRUE(rig.tlv->findChild<QTimer*>(QStringLiteral("FPTimer"))->timerType() ==
                Qt::PreciseTimer);
}

TEST(Backlight, DimsOnceAfterTheDisplayTime)
{
    Rig rig;
    rig.tlv->setDisplayTimer(60);
    EXPECT_EQ(rig.tlv->DisplayTimer(), 60);
    rig.clock->advance(60);
    rig.tlv->FPTimer_Timer();
    EXPECT_EQ(rig.lib->count("DimBacklight"), 0);
    rig.clock->advance(1);
    rig.tlv->FPTimer_Timer();
    rig.clock->advance(10);
    rig.tlv->FPTimer_Timer();
    ASSERT_EQ(rig.lib->count("DimBacklight"), 1);
    EXPECT_EQ(rig.lib->last("DimBacklight")->args.at(0).toInt(), 1);

    rig.tlv->setDisplayTimer(0);
    EXPECT_EQ(rig.lib->count("DimBacklight"), 2);
    EXPECT_EQ(rig.lib->last("DimBacklight")->args.at(0).toInt(), 0);
    rig.clock->advance(1000);
    rig.tlv->FPTimer_Timer();
    EXPECT_EQ(rig.lib->count("DimBacklight"), 2);

    // Setting it again restarts the time from now.
    rig.tlv->setDisplayTimer(5);
    rig.clock->advance(5);
    rig.tlv->FPTimer_Timer();
    EXPECT_EQ(rig.lib->count("DimBacklight"), 2);
    rig.clock->advance(1);
    rig.tlv->FPTimer_Timer();
    EXPECT_EQ(rig.lib->count("DimBacklight"), 3);
}

TEST(Unbound, PanelTimerReportsAMissingExportOnce)
{
    Rig rig;
    rig.lib->missing << "GetSwitchData";
    rig.tlv->setFPEnabled(true);
    EXPECT_EQ(rig.errors->count(), 1);
    rig.tlv->FPTimer_Timer();
    rig.tlv->FPTimer_Timer();
    EXPECT_EQ(rig.errors->count(), 2);
    EXPECT_EQ(rig.lastErrorNumber(), 98);
    EXPECT_EQ(rig.lastErrorMessage(),
              "The card library libtlv880a.so has no export GetSwitchData.");
}
