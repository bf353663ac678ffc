#include "common/alarms/AlarmConditions.h"
#include "tlvtest/PrintQt.h"

#include <gtest/gtest.h>

namespace {

using namespace tlv;

struct Conditions {
    double seconds = 36000; // the instrument's time, stepped by the test
    AlarmModel model{[this] {
        return QDateTime(QDate(2026, 12, 8), QTime(0, 0)).addMSecs(qint64(seconds * 1000));
    }};
    const AlarmSource out1 = AlarmSource::output(0, "Output 1");

    const Alarm* openAlarm(const QString& condition, const AlarmSource& source) const
    {
        for (const Alarm& alarm : model.history())
            if (alarm.isOpen() && alarm.condition == condition && alarm.source.sameAs(source))
                return &alarm;
        return nullptr;
    }
};

OutputAlarmSample Holding(double rate, double power = 40)
{
    OutputAlarmSample s;
    s.rate = rate;
    s.setpoint = 10.0;
    s.power = power;
    s.maxPower = 80;
    s.rateControl = true;
    return s;
}

TEST(RateCondition, WarningAtTheWarningTimeAlarmAtTheAlarmTimeClearOnReturn)
{
    Conditions c;
    OutputAlarms outputs(c.model, 14);
    outputs.update(c.out1, Holding(10.4), c.seconds); // inside ±0.5
    outputs.update(c.out1, Holding(10.6), c.seconds += 1);
    outputs.update(c.out1, Holding(10.6), c.seconds += 19.9);
    EXPECT_EQ(c.openAlarm(condition::kRate, c.out1), nullptr);

    outputs.update(c.out1, Holding(10.6), c.seconds += 0.1); // 20 s outside
    const Alarm* alarm = c.openAlarm(condition::kRate, c.out1);
    ASSERT_NE(alarm, nullptr);
    EXPECT_EQ(alarm->severity, AlarmSeverity::Warning);
    EXPECT_EQ(alarm->text, "Rate of Output 1 out of tolerance: 10.60 \u00c5/s against 10.00 \u00b1 "
                           "0.50 \u00c5/s for 20 s.");
    const quint64 id = alarm->id;
    c.model.acknowledge(id);

    outputs.update(c.out1, Holding(10.6), c.seconds += 39.9);
    EXPECT_EQ(c.model.find(id)->severity, AlarmSeverity::Warning);
    outputs.update(c.out1, Holding(10.6), c.seconds += 0.1); // 60 s
    EXPECT_EQ(c.model.find(id)->severity, AlarmSeverity::Alarm);
    EXPECT_EQ(c.model.find(id)->state, AlarmState::Active); // asks again

    outputs.update(c.out1, Holding(10.5), c.seconds += 1); // on the band's edge: inside
    EXPECT_EQ(c.model.find(id)->state, AlarmState::Cleared);
}

TEST(RateCondition, ToleranceSettingAndEndOfRateControl)
{
    Conditions c;
    OutputAlarms outputs(c.model, 14);
    RateTolerance narrow;
    narrow.percent = 1;
    narrow.warningAfter = 2;
    narrow.alarmAfter = 4;
    outputs.setTolerance(narrow);
    outputs.update(c.out1, Holding(10.2), c.seconds);
    outputs.update(c.out1, Holding(10.2), c.seconds += 4);
    ASSERT_NE(c.openAlarm(condition::kRate, c.out1), nullptr);
    EXPECT_EQ(c.openAlarm(condition::kRate, c.out1)->severity, AlarmSeverity::Alarm);

    // Out of Auto (or stopped): the cause is gone, and the count starts afresh afterwards.
    OutputAlarmSample manual = Holding(10.2);
    manual.rateControl = false;
    outputs.update(c.out1, manual, c.seconds += 1);
    EXPECT_EQ(c.openAlarm(condition::kRate, c.out1), nullptr);
    outputs.update(c.out1, Holding(10.2), c.seconds += 1);
    outputs.update(c.out1, Holding(10.2), c.seconds += 1.5);
    EXPECT_EQ(c.openAlarm(condition::kRate, c.out1), nullptr);

    outputs.update(c.out1, Holding(10.2), c.seconds += 3);
    ASSERT_NE(c.openAlarm(condition::kRate, c.out1), nullptr);
    outputs.stopAll();
    EXPECT_EQ(c.openAlarm(condition::kRate, c.out1), nullptr);
}

TEST(PowerCondition, AtMaximumForFiveSecondsUnderRateControl)
{
    Conditions c;
    OutputAlarms outputs(c.model, 14);
    const AlarmSource out2 = AlarmSource::output(1, "Output 2");
    outputs.update(out2, Holding(10, 79.9), c.seconds);
    outputs.update(out2, Holding(10, 80), c.seconds += 1);
    outputs.update(out2, Holding(10, 80), c.seconds += 4.9);
    EXPECT_EQ(c.openAlarm(condition::kPower, out2), nullptr);
    outputs.update(out2, Holding(10, 80), c.seconds += 0.1);
    const Alarm* alarm = c.openAlarm(condition::kPower, out2);
    ASSERT_NE(alarm, nullptr);
    EXPECT_EQ(alarm->text, "Output 2 at its maximum power (80 %) for 5 s: the rate cannot be "
                           "held.");
    EXPECT_EQ(c.openAlarm(condition::kPower, c.out1), nullptr); // the other output is fine

    outputs.update(out2, Holding(10, 79.5), c.seconds += 1); // the loop takes power back
    EXPECT_EQ(c.openAlarm(condition::kPower, out2), nullptr);

    // Manual power at the maximum is the operator's choice: no alarm.
    OutputAlarmSample manual = Holding(10, 80);
    manual.rateControl = false;
    outputs.update(out2, manual, c.seconds += 1);
    outputs.update(out2, manual, c.seconds += 10);
    EXPECT_EQ(c.openAlarm(condition::kPower, out2), nullptr);
}

TEST(InstrumentEvents, SensorRulesRaiseAndTheirBitsClear)
{
    Conditions c;
    InstrumentEventAlarms events(c.model);
    events.sensorEvent(1, "Sensor 1 Crystal Failure.", 0);
    events.sensorEvent(2, "Sensor 1 Quality Failure.", 0);
    events.sensorEvent(0, "Sensor 2 Sensor Disabled.", 1); // the operator's choice
    events.sensorEvent(4, "Sensor 3 Stability sum failure.", 2);
    EXPECT_EQ(c.model.open().size(), 3);
    EXPECT_EQ(c.openAlarm(condition::kCrystal, AlarmSource::sensor(0))->text,
              "Sensor 1 Crystal Failure.");

    // The crystal reads again while the quality bit stays: no event, the status word tells.
    events.sensorStatus(0, 1 << 2);
    EXPECT_EQ(c.openAlarm(condition::kCrystal, AlarmSource::sensor(0)), nullptr);
    EXPECT_NE(c.openAlarm(condition::kQuality, AlarmSource::sensor(0)), nullptr);
    events.sensorStatus(2, 1 << 3); // the single failure still set: stability stays
    EXPECT_NE(c.openAlarm(condition::kStability, AlarmSource::sensor(2)), nullptr);
    events.sensorEvent(-1, "Sensor 1 Sensor OK.", 0);
    EXPECT_EQ(c.openAlarm(condition::kQuality, AlarmSource::sensor(0)), nullptr);
    EXPECT_EQ(c.model.open().size(), 1);
}

TEST(InstrumentEvents, OutputRulesRaiseUntilTheMeasurementRestarts)
{
    Conditions c;
    InstrumentEventAlarms events(c.model);
    events.outputEvent(4, "Control error on Output 1!", c.out1);
    events.outputEvent(5, "All crystals failed on Output 1!", c.out1);
    events.outputEvent(3, "not a rule", c.out1);
    events.sensorEvent(1, "Sensor 7 Crystal Failure.", 6);
    EXPECT_EQ(c.model.open().size(), 3);
    EXPECT_NE(c.openAlarm(condition::kControl, c.out1), nullptr);
    c.model.raise(condition::kShutter, {}, "kept"); // not an instrument rule
    events.measurementStarted();
    ASSERT_EQ(c.model.open().size(), 1);
    EXPECT_EQ(c.model.open().front().condition, condition::kShutter);
}

TEST(CrystalReadings, ThreeFailedReadingsInARowRaiseTheFirstGoodOneClears)
{
    Conditions c;
    CrystalReadingAlarms crystals(c.model, 24);
    const AlarmSource s3 = AlarmSource::sensor(2);
    crystals.update(2, -1);
    crystals.update(2, -1);
    crystals.update(2, 5.9e6); // a glitch is no failure
    crystals.update(2, -3);
    crystals.update(2, -3);
    EXPECT_EQ(c.openAlarm(condition::kCrystal, s3), nullptr);
    crystals.update(2, -3);
    ASSERT_NE(c.openAlarm(condition::kCrystal, s3), nullptr);
    EXPECT_EQ(c.openAlarm(condition::kCrystal, s3)->text,
              "Sensor 3 Crystal Failure: frequency too low.");
    crystals.update(2, -3);
    EXPECT_EQ(c.model.history().size(), 1u) << "one alarm while it lasts";
    crystals.update(2, 5.0e6);
    EXPECT_EQ(c.openAlarm(condition::kCrystal, s3), nullptr);

    for (int i = 0; i < 3; ++i)
        crystals.update(23, -2);
    EXPECT_EQ(c.openAlarm(condition::kCrystal, AlarmSource::sensor(23))->text,
              "Sensor 24 Crystal Failure: frequency too high.");
    crystals.forget(23);
    EXPECT_TRUE(c.model.open().isEmpty());
    crystals.update(24, -1); // beyond the sensors: ignored
    EXPECT_TRUE(c.model.open().isEmpty());
}

} // namespace
