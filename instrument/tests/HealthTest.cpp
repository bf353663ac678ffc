// Health rules driven through the poll: crystal failure, quality, stability, control error,
// disabled sensors and "all crystals failed", with their status bits and events.

#include "InstrumentRig.h"

#include <gtest/gtest.h>

using fake::Rig;

namespace {
// Sensors 0 and 1 feed output 2 with a rate setpoint of 10 Å/s.
struct HealthRig : Rig {
    HealthRig()
    {
        EXPECT_EQ(tlv->SendLoop(10, 1, 0, 0, 2), 0);
        EXPECT_EQ(tlv->setSensorLoop(0, 2), 0);
        EXPECT_EQ(tlv->setSensorLoop(1, 2), 0);
        sensorEvents->clear();
        outputEvents->clear();
        tlv->setFilterSize(1);
    }
    // One poll with sensor 0 at this rate and frequency; sensor 1 steady and on setpoint.
    void poll(double rate, double frequency, double rate1 = 10.0)
    {
        fake::Reading r;
        r.sensor(0, rate, 0, frequency).sensor(1, rate1, 0, 5.9e6);
        lib->readings.push_back(r);
        tlv->TLVTimer_Timer();
    }
    QStringList sensorMessages() const
    {
        QStringList list;
        for (const QList<QVariant>& e : *sensorEvents)
            list << e.at(1).toString();
        return list;
    }
};
} // namespace

TEST(CrystalRule, FailsAfterTheLimitNetAndRecovers)
{
    HealthRig rig;
    const double frequencies[] = {-1, -1, 5e6, -1};
    for (double f : frequencies)
        rig.poll(10, f);
    EXPECT_FALSE(rig.tlv->SensorStatus(0, 1)); // counts 1, 2, 1, 2
    rig.poll(10, -1);
    EXPECT_TRUE(rig.tlv->SensorStatus(0, 1)); // 3
    ASSERT_EQ(rig.sensorEvents->count(), 1);
    EXPECT_EQ(rig.sensorEvents->at(0).at(0).toInt(), 1);
    EXPECT_EQ(rig.sensorEvents->at(0).at(1).toString(), "Sensor 1 Crystal Failure.");
    EXPECT_EQ(rig.sensorEvents->at(0).at(2).toInt(), 0);
    // A failed crystal stays in the library's map; the output has another enabled sensor.
    EXPECT_EQ(rig.lib->lastMap()[0], 2);
    EXPECT_TRUE(rig.outputEvents->isEmpty());

    rig.poll(10, 5e6);
    rig.poll(10, 5e6);
    EXPECT_TRUE(rig.tlv->SensorStatus(0, 1));
    rig.poll(10, 5e6);
    EXPECT_FALSE(rig.tlv->SensorStatus(0, 1));
    ASSERT_EQ(rig.sensorEvents->count(), 2);
    EXPECT_EQ(rig.sensorEvents->at(1).at(0).toInt(), -1);
    EXPECT_EQ(rig.sensorEvents->at(1).at(1).toString(), "Sensor 1 Sensor OK.");
}

TEST(CrystalRule, OffBelowOneAndWithoutLoop)
{
    HealthRig rig;
    rig.tlv->setSensorFailLimit(2, 0);
    for (int i = 0; i < 5; ++i)
        rig.poll(10, -1);
    EXPECT_EQ(rig.tlv->SensorStatusWord(0), 0);
    rig.tlv->setSensorFailLimit(2, 1);
    rig.tlv->setSensorLoop(0, -1);
    rig.poll(10, -1);
    EXPECT_EQ(rig.tlv->SensorStatusWord(0), 0);
}

TEST(CrystalRule, ClearingOneBitWhileAnotherStaysRaisesNothing)
{
    HealthRig rig;
    rig.tlv->setSensorFailLimit(2, 1);
    rig.tlv->setSensorStabilitySingle(2, 100);
    rig.poll(10, 5.9e6);
    rig.poll(10, 5.9e6 + 200); // stability single failure
    rig.poll(10, -1);          // crystal failure
    ASSERT_EQ(rig.sensorMessages(),
              (QStringList{"Sensor 1 Stability single failure.", "Sensor 1 Crystal Failure."}));
    rig.poll(10, 5.9e6);
    EXPECT_FALSE(rig.tlv->SensorStatus(0, 1));
    EXPECT_TRUE(rig.tlv->SensorStatus(0, 3));
    EXPECT_EQ(rig.sensorEvents->count(), 2);
}

TEST(QualityRule, SetOnTheThirdReadingOverTheLimit)
{
    HealthRig rig;
    rig.tlv->setSensorQuality(2, 5);
    rig.tlv->setSensorQualityLimit(2, 3);
    // A rate of 11 is a deviation of 10 %: the 16-reading mean starts with zeros.
    for (int i = 0; i < 7; ++i)
        rig.poll(11, 5.9e6); // mean 0.625 .. 4.375 %
    EXPECT_FALSE(rig.tlv->SensorStatus(0, 2));
    rig.poll(11, 5.9e6); // 5.0 %: count 1
    rig.poll(11, 5.9e6); // count 2
    EXPECT_FALSE(rig.tlv->SensorStatus(0, 2));
    rig.poll(11, 5.9e6); // count 3
    EXPECT_TRUE(rig.tlv->SensorStatus(0, 2));
    EXPECT_EQ(rig.sensorMessages(), QStringList{"Sensor 1 Quality Failure."});
    EXPECT_FALSE(rig.tlv->SensorStatus(1, 2));
}

TEST(QualityRule, GoodReadingsCountBackDown)
{
    HealthRig rig;
    rig.tlv->setSensorQuality(2, 5);
    rig.tlv->setSensorQualityLimit(2, 3);
    rig.poll(90, 5.9e6);   // 800 %: mean 50 %, count 1
    rig.poll(90, 5.9e6);   // mean 100 %: count 2
    rig.poll(-180, 5.9e6); // -1900 %: mean -18.75 %, the magnitude counts: count 3
    EXPECT_TRUE(rig.tlv->SensorStatus(0, 2));

    HealthRig other;
    other.tlv->setSensorQuality(2, 5);
    other.tlv->setSensorQualityLimit(2, 3);
    other.poll(90, 5.9e6);   // mean 50 %: count 1
    other.poll(90, 5.9e6);   // mean 100 %: count 2
    other.poll(-150, 5.9e6); // -1600 %: mean 0 %, count 1
    other.poll(10, 5.9e6);   // mean 0 %: count 0
    other.poll(90, 5.9e6);   // mean 50 %: count 1
    EXPECT_FALSE(other.tlv->SensorStatus(0, 2));
}

TEST(StabilityRule, SingleRiseAndSum)
{
    HealthRig rig;
    rig.tlv->setSensorStabilitySingle(2, 100);
    rig.tlv->setSensorStabilityLimit(2, 250);
    rig.poll(10, 5900000);
    rig.poll(10, 5900099); // 99 Hz: sum only
    EXPECT_FALSE(rig.tlv->SensorStatus(0, 3));
    rig.poll(10, 5899000); // falls are normal
    rig.poll(10, 5899100); // 100 Hz: single failure, sum 199
    EXPECT_TRUE(rig.tlv->SensorStatus(0, 3));
    EXPECT_FALSE(rig.tlv->SensorStatus(0, 4));
    rig.poll(10, 5899151); // sum 250
    EXPECT_TRUE(rig.tlv->SensorStatus(0, 4));
    EXPECT_EQ(rig.sensorMessages(), (QStringList{"Sensor 1 Stability single failure.",
                                                 "Sensor 1 Stability sum failure."}));
}

TEST(StabilityRule, CrystalDropoutIsNotARise)
{
    HealthRig rig;
    rig.tlv->setSensorStabilitySingle(2, 100);
    rig.tlv->setSensorStabilityLimit(2, 1000);
    rig.poll(10, 5900000);
    rig.poll(10, -1);
    rig.poll(10, 5900000);
    rig.poll(10, 5899990);
    EXPECT_EQ(rig.tlv->SensorStatusWord(0), 0);
}

TEST(StabilityRule, OffForDisabledSensorsAndZeroSettings)
{
    HealthRig rig;
    rig.poll(10, 5900000);
    rig.poll(10, 5990000);
    EXPECT_EQ(rig.tlv->SensorStatusWord(0), 0);
    rig.tlv->setSensorStabilitySingle(2, 100);
    rig.tlv->setSensorEnabled(1, false);
    rig.sensorEvents->clear();
    for (double f : {5900000.0, 5990000.0}) {
        fake::Reading r;
        r.sensor(1, 10, 0, f);
        rig.lib->readings.push_back(r);
        rig.tlv->TLVTimer_Timer();
    }
    EXPECT_FALSE(rig.tlv->SensorStatus(1, 3));
}

TEST(ControlErrorRule, RaisedAfterTheLimitAndRestartedByAGoodReading)
{
    HealthRig rig;
    rig.tlv->setOutputName(2, "Gold");
    rig.tlv->setControlError(2, 5);
    rig.tlv->setControlErrorLimit(2, 10);
    // Both sensors 6 % off, one reading a second.
    for (int i = 0; i <= 10; ++i) {
        rig.poll(10.6, 5.9e6, 10.6);
        rig.clock->advance(1);
    }
    EXPECT_EQ(rig.tlv->OutputStatus(2), 0);
    rig.poll(10.4, 5.9e6, 10.6); // 4 %: the 10 s start again
    for (int i = 0; i < 10; ++i) {
        rig.clock->advance(1);
        rig.poll(10.6, 5.9e6, 10.6);
    }
    EXPECT_EQ(rig.tlv->OutputStatus(2), 0);
    rig.clock->advance(1);
    rig.poll(10.6, 5.9e6, 10.6);
    EXPECT_EQ(rig.tlv->OutputStatus(2), 16);
    ASSERT_EQ(rig.outputEvents->count(), 1);
    EXPECT_EQ(rig.outputEvents->at(0).at(0).toInt(), 4);
    EXPECT_EQ(rig.outputEvents->at(0).at(1).toString(), "Control error on Gold!");
    EXPECT_EQ(rig.outputEvents->at(0).at(2).toInt(), 2);
    rig.clock->advance(30);
    rig.poll(10.6, 5.9e6, 10.6);
    EXPECT_EQ(rig.outputEvents->count(), 1); // set only once

    rig.tlv->SendStartMeas();
    EXPECT_EQ(rig.tlv->OutputStatus(2), 0);
}

TEST(ControlErrorRule, OneSensorWithinToleranceKeepsTheLoopGood)
{
    HealthRig rig;
    rig.tlv->setControlError(2, 5);
    rig.tlv->setControlErrorLimit(2, 2);
    for (int i = 0; i < 10; ++i) {
        rig.poll(20, 5.9e6, 10.1);
        rig.clock->advance(1);
    }
    EXPECT_EQ(rig.tlv->OutputStatus(2), 0);
}

TEST(DisabledSensors, LastEnabledSensorOfAnOutput)
{
    HealthRig rig;
    rig.tlv->setOutputName(2, "Output 3");
    EXPECT_EQ(rig.tlv->setSensorEnabled(0, false), 0);
    EXPECT_FALSE(rig.tlv->SensorEnabled(0));
    EXPECT_EQ(rig.tlv->SensorStatusWord(0), 1);
    EXPECT_TRUE(rig.outputEvents->isEmpty());
    EXPECT_EQ(rig.tlv->setSensorEnabled(1, false), 0);
    ASSERT_EQ(rig.sensorEvents->count(), 2);
    EXPECT_EQ(rig.sensorEvents->at(1).at(0).toInt(), 0);
    EXPECT_EQ(rig.sensorEvents->at(1).at(1).toString(), "Sensor 2 Sensor Disabled.");
    ASSERT_EQ(rig.outputEvents->count(), 1);
    EXPECT_EQ(rig.outputEvents->at(0).at(0).toInt(), 5);
    EXPECT_EQ(rig.outputEvents->at(0).at(1).toString(), "All crystals failed on Output 3!");
    EXPECT_EQ(rig.outputEvents->at(0).at(2).toInt(), 2);
    EXPECT_EQ(rig.lib->lastMap()[1], -1);

    // Enabling one again does not clear the output's bit.
    EXPECT_EQ(rig.tlv->setSensorEnabled(1, true), 0);
    EXPECT_EQ(rig.tlv->OutputStatus(2), 32);
    EXPECT_EQ(rig.sensorEvents->last().at(1).toString(), "Sensor 2 Sensor OK.");
    EXPECT_EQ(rig.lib->lastMap()[1], 2);
    EXPECT_EQ(rig.tlv->setSensorEnabled(24, true), 10);
    EXPECT_FALSE(rig.tlv->SensorEnabled(24));
}

TEST(DisabledSensors, LeaveTheOutputMeansButStillCountCrystalFailures)
{
    HealthRig rig;
    rig.tlv->setSensorEnabled(0, false);
    rig.sensorEvents->clear();
    QSignalSpy readings(rig.tlv.get(), &cTLV880a::TLVReading);
    for (int i = 0; i < 3; ++i)
        rig.poll(100, -1, 12);
    const OutputArray o = readings.last().at(1).value<OutputArray>();
    EXPECT_DOUBLE_EQ(o[2][0], 12);
    EXPECT_TRUE(rig.tlv->SensorStatus(0, 1));
    EXPECT_EQ(rig.sensorMessages(), QStringList{"Sensor 1 Crystal Failure."});
}

TEST(DisabledSensors, EnablingResetsTheCounters)
{
    HealthRig rig;
    rig.poll(10, -1);
    rig.poll(10, -1);
    rig.tlv->setSensorEnabled(0, false);
    rig.tlv->setSensorEnabled(0, true);
    rig.poll(10, -1);
    EXPECT_FALSE(rig.tlv->SensorStatus(0, 1)); // counting starts again at 1
    rig.poll(10, -1);
    rig.poll(10, -1);
    EXPECT_TRUE(rig.tlv->SensorStatus(0, 1));
}

TEST(SensorStatus, BitsAndWord)
{
    HealthRig rig;
    rig.tlv->setSensorEnabled(4, false);
    EXPECT_TRUE(rig.tlv->SensorStatus(4, 0));
    EXPECT_FALSE(rig.tlv->SensorStatus(4, 1));
    EXPECT_FALSE(rig.tlv->SensorStatus(4, 200));
    EXPECT_FALSE(rig.tlv->SensorStatus(30, 0));
    EXPECT_EQ(rig.lastErrorNumber(), 10);
    EXPECT_EQ(rig.tlv->SensorStatusWord(4), 1);
    EXPECT_EQ(rig.tlv->OutputStatus(15), 0);
    EXPECT_EQ(rig.lastErrorNumber(), 5);
}
