// cTLV880a over the real libtlv880a.so with the emulated card bus and no card on it: start-up
// result 904, every channel valid for simulation, normal mode refused.

#include "instrument/cTLV880a.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(NoCard, StartsInSimulateModeWith904)
{
    cTLV880a tlv;
    EXPECT_EQ(tlv.Revision(0), 904);
    for (short i = 1; i <= 7; ++i)
        EXPECT_EQ(tlv.Revision(i), 0) << i;
    EXPECT_EQ(tlv.NumCards(), 0);
    EXPECT_EQ(tlv.NumSensors(), 0);
    EXPECT_TRUE(tlv.NumSensorValid(23));
    EXPECT_TRUE(tlv.NumOutputValid(13));
    EXPECT_TRUE(tlv.NumAnalogValid(3));
    EXPECT_EQ(tlv.OpMode(), 1);

    QSignalSpy events(&tlv, &cTLV880a::TLVOutputEvent);
    EXPECT_EQ(tlv.SendSimulate(0), 0);
    EXPECT_EQ(tlv.OpMode(), 1);
    ASSERT_EQ(events.count(), 1);
    EXPECT_EQ(events.at(0).at(1).toString(), "TLV880 set to simulate mode.");

    // The library's own checks agree with the class's: a map naming output 14 is refused.
    QSignalSpy errors(&tlv, &cTLV880a::TLVError);
    SensorMap map;
    map.fill(-1);
    map[0] = 14;
    EXPECT_EQ(tlv.SendMapSensors(map), 1);
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(1).toString(), "Unresolved MapSensors Error.");
    EXPECT_EQ(tlv.SensorLoop(0), -1);
}
