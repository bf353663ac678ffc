// cTLV880a over the real libtlv880a.so with one emulated master card carrying the analog
// section: firmware versions, counts, normal mode, measurement start and real readings.

#include "instrument/cTLV880a.h"

#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

TEST(EmulatedCard, MeasuresInNormalMode)
{
    cTLV880a tlv;
    ASSERT_EQ(tlv.Revision(0), 0);
    EXPECT_EQ(tlv.Revision(1), 300);
    EXPECT_EQ(tlv.Revision(2), 0);
    EXPECT_EQ(tlv.Revision(7), 300);
    EXPECT_EQ(tlv.NumCards(), 1);
    EXPECT_EQ(tlv.NumSensors(), 4);
    EXPECT_EQ(tlv.NumOutputs(), 2);
    EXPECT_EQ(tlv.NumAnalog(), 4);
    EXPECT_FALSE(tlv.NumSensorValid(4));
    EXPECT_TRUE(tlv.NumOutputValid(12));
    EXPECT_EQ(tlv.OpMode(), 1);

    ASSERT_EQ(tlv.SendInit(6050000, 5000000, 5950000, 0.1), 0);
    EXPECT_EQ(tlv.findChild<QTimer*>(QStringLiteral("TLVTimer"))->interval(), 50);
    for (short s = 0; s < 4; ++s)
        ASSERT_EQ(tlv.SendMaterial(s, 2.7, 1.08, 100), 0);
    ASSERT_EQ(tlv.setSensorLoop(0, 0), 0);

    QSignalSpy events(&tlv, &cTLV880a::TLVOutputEvent);
    ASSERT_EQ(tlv.setOpMode(0), 0);
    EXPECT_EQ(tlv.OpMode(), 0);
    ASSERT_EQ(events.count(), 1);
    EXPECT_EQ(events.at(0).at(1).toString(), "TLV880 set to normal mode.");
    ASSERT_EQ(tlv.SendStartMeas(), 0);
    ASSERT_EQ(tlv.ClearBuff(), 0);

    QSignalSpy readings(&tlv, &cTLV880a::TLVReading);
    QSignalSpy analog(&tlv, &cTLV880a::TLVAnalog);
    tlv.setTimerEnabled(true);
    for (int i = 0; i < 100 && (readings.count() < 5 || analog.count() < 5); ++i)
        readings.wait(200);
    tlv.setTimerEnabled(false);
    ASSERT_GE(readings.count(), 5);
    ASSERT_GE(analog.count(), 5);

    // The emulated crystals run at 5,900,000 Hz; the analog inputs read 1, 2, 3 and 4 V.
    const SensorArray sensors = readings.last().at(0).value<SensorArray>();
    for (int s = 0; s < 4; ++s)
        EXPECT_NEAR(sensors[s][2], 5900000, 50) << s;
    const AnalogArray volts = analog.last().at(0).value<AnalogArray>();
    for (int a = 0; a < 4; ++a)
        EXPECT_NEAR(volts[a], a + 1.0, 0.01) << a;

    // Back to simulate mode on the way out.
    EXPECT_EQ(tlv.SendSimulate(1), 0);
    EXPECT_EQ(tlv.OpMode(), 1);
}
