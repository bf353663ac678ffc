// Assignment of sensors and analog inputs to outputs: dual heads, disabled sensors, the monitor
// variant, the analog/sensor exclusion and LoopType.

#include "InstrumentRig.h"

#include <gtest/gtest.h>

using fake::Rig;

namespace {
SensorMap noLoops()
{
    SensorMap map;
    map.fill(-1);
    return map;
}
} // namespace

TEST(MapSensors, SendsAndStoresTheMap)
{
    Rig rig;
    SensorMap map = noLoops();
    map[0] = 0;
    map[1] = 0;
    map[6] = 13;
    EXPECT_EQ(rig.tlv->SendMapSensors(map), 0);
    EXPECT_EQ(rig.lib->lastMap(), std::vector<int>(map.begin(), map.end()));
    EXPECT_EQ(rig.tlv->SensorLoop(6), 13);
    EXPECT_EQ(rig.tlv->LoopType(13), 2);
    EXPECT_EQ(rig.tlv->LoopType(5), 0);
}

TEST(MapSensors, LibraryRefusalReportsItsResultAndStoresNothing)
{
    Rig rig;
    rig.lib->results["Xdc770MapSensors"] = 1;
    SensorMap map = noLoops();
    map[0] = 3;
    EXPECT_EQ(rig.tlv->SendMapSensors(map), 1);
    EXPECT_EQ(rig.lastErrorNumber(), 1);
    EXPECT_EQ(rig.lastErrorMessage(), "Unresolved MapSensors Error.");
    EXPECT_EQ(rig.tlv->SensorLoop(0), -1);
    rig.lib->results["Xdc770MapSensors"] = 7;
    EXPECT_EQ(rig.tlv->setSensorLoop(0, 3), 7);
    EXPECT_EQ(rig.lastErrorNumber(), 7);
}

TEST(MapSensors, DualSpareFollowsItsPartner)
{
    Rig rig;
    rig.tlv->setSensorDual(2, true);
    SensorMap map = noLoops();
    map[2] = 1;
    map[3] = 4; // ignored: the spare follows sensor 2
    EXPECT_EQ(rig.tlv->SendMapSensors(map), 0);
    EXPECT_EQ(rig.lib->lastMap()[3], 1);
    EXPECT_EQ(rig.tlv->SensorLoop(3), 1); // what the library was sent
    EXPECT_EQ(rig.tlv->LoopType(4), 0);
}

TEST(MapSensors, DisabledSensorIsSentAsNoneAndKeepsItsLoop)
{
    Rig rig;
    ASSERT_EQ(rig.tlv->setSensorLoop(5, 1), 0);
    rig.tlv->setSensorEnabled(5, false);
    EXPECT_EQ(rig.lib->lastMap()[5], -1);
    EXPECT_EQ(rig.tlv->setSensorLoop(5, 2), 0);
    EXPECT_EQ(rig.tlv->SensorLoop(5), 1);
    EXPECT_EQ(rig.lib->lastMap()[5], -1);
    rig.tlv->setSensorEnabled(5, true);
    EXPECT_EQ(rig.lib->lastMap()[5], 1); // sent again when enabled
}

TEST(MapSensors, MonitorLeavesOutSensorsTheCardsDoNotHave)
{
    auto oneCard = [](fake::Library& lib) {
        lib.startupInfo = {0, 300, 0, 0, 0, 0, 0, 0};
        lib.startupResult = 0;
    };
    SensorMap map;
    map.fill(0);
    Rig monitor(cTLV880a::Build::Monitor, oneCard);
    ASSERT_EQ(monitor.tlv->SendMapSensors(map), 0);
    std::vector<int> sent = monitor.lib->lastMap();
    EXPECT_EQ(sent[3], 0);
    EXPECT_EQ(sent[4], -1);
    EXPECT_EQ(sent[23], -1);

    Rig standard(cTLV880a::Build::Standard, oneCard);
    ASSERT_EQ(standard.tlv->SendMapSensors(map), 0);
    EXPECT_EQ(standard.lib->lastMap()[23], 0);
}

TEST(MapSensors, SensorMapTakesTheOutputFromAnAnalogInput)
{
    Rig rig;
    ASSERT_EQ(rig.tlv->setAnalogLoop(0, 1), 0);
    EXPECT_EQ(rig.tlv->LoopType(1), 1);
    EXPECT_EQ(rig.tlv->setSensorLoop(3, 1), 0);
    EXPECT_EQ(rig.tlv->AnalogLoop(0), -1);
    const fake::Call* analog = rig.lib->last("Xdc770MapAnSensors");
    EXPECT_EQ(analog->args.at(0).toInt(), -1);
    EXPECT_EQ(rig.tlv->LoopType(1), 2);
}

TEST(SensorLoop, IndexChecks)
{
    Rig rig;
    EXPECT_EQ(rig.tlv->setSensorLoop(24, 0), 10);
    EXPECT_EQ(rig.lastErrorMessage(), "Invalid Sensor Number.");
    EXPECT_EQ(rig.tlv->setSensorLoop(0, 14), 5);
    EXPECT_EQ(rig.tlv->setSensorLoop(0, -2), 5);
    EXPECT_EQ(rig.lastErrorMessage(), "Invalid Output Number.");
    EXPECT_EQ(rig.lib->count("Xdc770MapSensors"), 0);
    EXPECT_EQ(rig.tlv->setSensorLoop(0, -1), 0);
    EXPECT_EQ(rig.tlv->SensorLoop(-1), 0);
    EXPECT_EQ(rig.lastErrorNumber(), 10);
}

TEST(MapAnalog, DuplicateOutputsAreRefusedBeforeSending)
{
    Rig rig;
    EXPECT_EQ(rig.tlv->SendMapAnalog({2, 2, -1, -1}), 1);
    EXPECT_EQ(rig.lastErrorMessage(), "Unresolved MapAnalog Error.");
    EXPECT_EQ(rig.lib->count("Xdc770MapAnSensors"), 0);
    EXPECT_EQ(rig.tlv->SendMapAnalog({-1, -1, -1, -1}), 0); // several "none" are fine
}

TEST(MapAnalog, TakesTheOutputAwayFromSensors)
{
    Rig rig;
    ASSERT_EQ(rig.tlv->setSensorLoop(7, 2), 0);
    ASSERT_EQ(rig.tlv->setSensorLoop(8, 3), 0);
    EXPECT_EQ(rig.tlv->SendMapAnalog({-1, 2, -1, -1}), 0);
    EXPECT_EQ(rig.tlv->SensorLoop(7), -1);
    EXPECT_EQ(rig.tlv->SensorLoop(8), 3);
    EXPECT_EQ(rig.lib->lastMap()[7], -1);
    EXPECT_EQ(rig.tlv->AnalogLoop(1), 2);
    EXPECT_EQ(rig.tlv->LoopType(2), 1);
}

TEST(MapAnalog, LibraryRefusalReportsItsResult)
{
    Rig rig;
    rig.lib->results["Xdc770MapAnSensors"] = 1;
    EXPECT_EQ(rig.tlv->SendMapAnalog({0, -1, -1, -1}), 1);
    EXPECT_EQ(rig.lastErrorNumber(), 1);
    EXPECT_EQ(rig.lastErrorMessage(), "Unresolved MapAnalog Error.");
    EXPECT_EQ(rig.tlv->AnalogLoop(0), -1);
}

TEST(AnalogLoop, AnOutputIsFedByOneInputAtMost)
{
    Rig rig;
    ASSERT_EQ(rig.tlv->setAnalogLoop(0, 12), 0);
    EXPECT_EQ(rig.tlv->setAnalogLoop(2, 12), 0);
    EXPECT_EQ(rig.tlv->AnalogLoop(0), -1);
    EXPECT_EQ(rig.tlv->AnalogLoop(2), 12);
    const fake::Call* call = rig.lib->last("Xdc770MapAnSensors");
    EXPECT_EQ(call->args, (QVariantList{-1, -1, 12, -1}));

    EXPECT_EQ(rig.tlv->setAnalogLoop(4, 1), 10);
    EXPECT_EQ(rig.lastErrorMessage(), "Invalid Sensor Number.");
    EXPECT_EQ(rig.tlv->setAnalogLoop(1, 14), 5);
    EXPECT_EQ(rig.tlv->AnalogLoop(4), 0);
    EXPECT_EQ(rig.lastErrorNumber(), 10);
}

TEST(LoopType, InvalidOutputs)
{
    Rig rig;
    EXPECT_EQ(rig.tlv->LoopType(-1), 0);
    EXPECT_EQ(rig.lastErrorNumber(), 5);
    EXPECT_EQ(rig.tlv->LoopType(14), 0);
}

TEST(MapCascade, RefusedMapsCannotRecurseWithoutEnd)
{
    // A library that refuses every analog map leaves analog input 0 and sensor 0 both on
    // output 1; the next map must still come back.
    Rig rig;
    ASSERT_EQ(rig.tlv->setAnalogLoop(0, 1), 0);
    ASSERT_EQ(rig.tlv->setAnalogLoop(1, 2), 0);
    rig.lib->results["Xdc770MapAnSensors"] = 1;
    SensorMap map = noLoops();
    map[0] = 1;
    map[5] = 2;
    rig.tlv->SendMapSensors(map);
    EXPECT_EQ(rig.tlv->setSensorLoop(0, 2), 0);
    EXPECT_EQ(rig.tlv->SendMapAnalog({1, 2, -1, -1}), 1);
}
