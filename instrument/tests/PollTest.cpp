// The reading poll: moving averages and the slot/fill rule, backlog time stamps, output
// aggregation, analog readings, ClearBuff and the skipped tick inside ClearBuff's message pump.

#include "InstrumentRig.h"

#include <gtest/gtest.h>

using fake::Rig;

namespace {
double eventTime(const QSignalSpy& spy, int i)
{
    return spy.at(i).at(2).toDouble();
}
SensorArray sensorsOf(const QSignalSpy& spy, int i)
{
    return spy.at(i).at(0).value<SensorArray>();
}
OutputArray outputsOf(const QSignalSpy& spy, int i)
{
    return spy.at(i).at(1).value<OutputArray>();
}
} // namespace

TEST(Filter, MovingAverageOverFilterSizeReadings)
{
    Rig rig;
    QSignalSpy readings(rig.tlv.get(), &cTLV880a::TLVReading);
    const double rates[] = {10, 20, 30, 40, 50};
    for (double r : rates) {
        rig.queue(r, r * 100, 5.9e6 - r);
        rig.tlv->TLVTimer_Timer();
    }
    ASSERT_EQ(readings.count(), 5);
    EXPECT_DOUBLE_EQ(sensorsOf(readings, 0)[0][0], 10); // the first is the raw rate
    EXPECT_DOUBLE_EQ(sensorsOf(readings, 1)[0][0], 15);
    EXPECT_DOUBLE_EQ(sensorsOf(readings, 3)[0][0], 25); // mean of four
    EXPECT_DOUBLE_EQ(sensorsOf(readings, 4)[0][0], 35); // the fifth drops the first
    // Thickness and frequency are the newest, not averaged.
    EXPECT_DOUBLE_EQ(sensorsOf(readings, 4)[5][1], 5000);
    EXPECT_DOUBLE_EQ(sensorsOf(readings, 4)[5][2], 5.9e6 - 50);
}

TEST(Filter, LoweringTheSizeKeepsTheFilledCountUntilClearBuff)
{
    Rig rig;
    QSignalSpy readings(rig.tlv.get(), &cTLV880a::TLVReading);
    for (double r : {10.0, 20.0, 30.0, 40.0}) {
        rig.queue(r);
        rig.tlv->TLVTimer_Timer();
    }
    rig.tlv->setFilterSize(2);
    rig.queue(100); // slot 1
    rig.tlv->TLVTimer_Timer();
    EXPECT_DOUBLE_EQ(sensorsOf(readings, 4)[0][0], (100 + 20 + 30 + 40) / 4.0);
    rig.queue(200); // slot 2
    rig.tlv->TLVTimer_Timer();
    EXPECT_DOUBLE_EQ(sensorsOf(readings, 5)[0][0], (100 + 200 + 30 + 40) / 4.0);
    rig.tlv->ClearBuff();
    rig.queue(7);
    rig.tlv->TLVTimer_Timer();
    EXPECT_DOUBLE_EQ(sensorsOf(readings, 6)[0][0], 7);
    rig.queue(9);
    rig.tlv->TLVTimer_Timer();
    EXPECT_DOUBLE_EQ(sensorsOf(readings, 7)[0][0], 8);
    rig.queue(11); // size 2: the oldest drops out
    rig.tlv->TLVTimer_Timer();
    EXPECT_DOUBLE_EQ(sensorsOf(readings, 8)[0][0], 10);
}

TEST(Filter, SizeLimits)
{
    Rig rig;
    rig.tlv->setFilterSize(25);
    EXPECT_EQ(rig.tlv->FilterSize(), 10);
    rig.tlv->setFilterSize(0);
    EXPECT_EQ(rig.tlv->FilterSize(), 10);
    rig.tlv->setFilterSize(-3);
    EXPECT_EQ(rig.tlv->FilterSize(), 10);
    rig.tlv->setFilterSize(1);
    QSignalSpy readings(rig.tlv.get(), &cTLV880a::TLVReading);
    for (double r : {10.0, 20.0, 30.0}) {
        rig.queue(r);
        rig.tlv->TLVTimer_Timer();
    }
    EXPECT_DOUBLE_EQ(sensorsOf(readings, 2)[0][0], 30);
}

TEST(Filter, TenSlotsWrapWithoutOverrun)
{
    Rig rig;
    rig.tlv->setFilterSize(10);
    QSignalSpy readings(rig.tlv.get(), &cTLV880a::TLVReading);
    for (int i = 1; i <= 25; ++i) {
        rig.queue(i);
        rig.tlv->TLVTimer_Timer();
    }
    ASSERT_EQ(readings.count(), 25);
    EXPECT_DOUBLE_EQ(sensorsOf(readings, 24)[0][0], 20.5); // mean of 16..25
}

TEST(Poll, BacklogReadingsCarryTheTimeTheyWereTaken)
{
    Rig rig;
    ASSERT_EQ(rig.tlv->SendInit(10000000, 1000000, 5500000, 0.25), 0);
    QSignalSpy readings(rig.tlv.get(), &cTLV880a::TLVReading);
    QSignalSpy analog(rig.tlv.get(), &cTLV880a::TLVAnalog);
    const double t = rig.clock->secondsSinceMidnight();
    for (int i = 0; i < 3; ++i)
        rig.queue(i);
    rig.tlv->TLVTimer_Timer();
    rig.tlv->TLVTimer_Timer();
    rig.tlv->TLVTimer_Timer();
    rig.tlv->TLVTimer_Timer(); // nothing left: no event
    ASSERT_EQ(readings.count(), 3);
    EXPECT_DOUBLE_EQ(eventTime(readings, 0), t - 0.5);
    EXPECT_DOUBLE_EQ(eventTime(readings, 1), t - 0.25);
    EXPECT_DOUBLE_EQ(eventTime(readings, 2), t);
    EXPECT_EQ(analog.count(), 3);
    EXPECT_DOUBLE_EQ(analog.at(0).at(1).toDouble(), t);
}

TEST(Poll, NothingNewLeavesTheArraysAsTheyWere)
{
    Rig rig;
    SensorArray s{};
    OutputArray o{};
    s[0][0] = 42;
    o[3][2] = 17;
    int count = -1;
    EXPECT_EQ(rig.tlv->GetReadings(s, o, count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_DOUBLE_EQ(s[0][0], 42);
    EXPECT_DOUBLE_EQ(o[3][2], 17);
}

TEST(Poll, OutputsAggregateTheirEnabledSensors)
{
    Rig rig;
    ASSERT_EQ(rig.tlv->SendLoop(10, 1, 0, 0, 1), 0);
    SensorMap map;
    map.fill(-1);
    map[0] = map[1] = map[2] = 1;
    ASSERT_EQ(rig.tlv->SendMapSensors(map), 0);
    rig.tlv->setSensorEnabled(2, false);
    fake::Reading r;
    r.sensor(0, 8, 1000, 5.9e6).sensor(1, 12, 3000, 5.9e6).sensor(2, 100, 9000, 5.9e6);
    r.power[1] = 0.5;
    rig.lib->readings.push_back(r);
    QSignalSpy readings(rig.tlv.get(), &cTLV880a::TLVReading);
    rig.tlv->TLVTimer_Timer();
    ASSERT_EQ(readings.count(), 1);
    const SensorArray s = sensorsOf(readings, 0);
    const OutputArray o = outputsOf(readings, 0);
    EXPECT_DOUBLE_EQ(s[0][3], -20); // (8 - 10) x 100 / 10
    EXPECT_DOUBLE_EQ(s[1][3], 20);
    EXPECT_DOUBLE_EQ(o[1][0], 10);
    EXPECT_DOUBLE_EQ(o[1][1], 2000);
    EXPECT_DOUBLE_EQ(o[1][3], 0);
    EXPECT_DOUBLE_EQ(o[1][2], 50);
    EXPECT_DOUBLE_EQ(o[0][0], 0); // no sensors
    // Without a setpoint the deviation is the rate itself, at most 100.
    EXPECT_DOUBLE_EQ(s[5][3], 0);
}

TEST(Poll, DeviationWithoutSetpointIsTheRateCappedAt100)
{
    Rig rig;
    rig.tlv->setSensorLoop(0, 0);
    rig.tlv->setSensorLoop(1, 0);
    fake::Reading r;
    r.sensor(0, 40, 0, 5.9e6).sensor(1, 250, 0, 5.9e6);
    rig.lib->readings.push_back(r);
    SensorArray s{};
    OutputArray o{};
    int count = 0;
    rig.tlv->GetReadings(s, o, count);
    EXPECT_DOUBLE_EQ(s[0][3], 40);
    EXPECT_DOUBLE_EQ(s[1][3], 100);
}

TEST(Poll, CallersArraysGetDeviationsOfTheirOwnRates)
{
    Rig rig;
    ASSERT_EQ(rig.tlv->SendLoop(10, 1, 0, 0, 0), 0);
    rig.tlv->setSensorLoop(0, 0);
    rig.queue(15);
    SensorArray s{};
    OutputArray o{};
    int count = 0;
    rig.tlv->GetReadings(s, o, count);
    EXPECT_EQ(count, 1);
    EXPECT_DOUBLE_EQ(s[0][0], 15);
    EXPECT_DOUBLE_EQ(s[0][3], 50);
}

TEST(Analog, NewestReadingAveragedOverTheFilledSlots)
{
    Rig rig;
    QSignalSpy analog(rig.tlv.get(), &cTLV880a::TLVAnalog);
    rig.queue(1);
    rig.lib->analog = {{1, 2, 3, 4}, {5, 5, 5, 5}, {2, 4, 6, 8}};
    rig.tlv->TLVTimer_Timer();
    ASSERT_EQ(analog.count(), 1);
    // The backlog drains; only the newest stays, and a slot never written does not count.
    EXPECT_EQ(analog.at(0).at(0).value<AnalogArray>(), (AnalogArray{2, 4, 6, 8}));
    EXPECT_TRUE(rig.lib->analog.empty());

    rig.queue(1);
    rig.lib->analog = {{4, 4, 4, 4}};
    rig.tlv->TLVTimer_Timer();
    EXPECT_EQ(analog.at(1).at(0).value<AnalogArray>(), (AnalogArray{3, 4, 5, 6}));

    // No analog section: the last values are raised again.
    rig.queue(1);
    rig.tlv->TLVTimer_Timer();
    EXPECT_EQ(analog.at(2).at(0).value<AnalogArray>(), (AnalogArray{3, 4, 5, 6}));
}

TEST(Analog, ConstantInputShowsItsValueFromTheFirstReading)
{
    Rig rig;
    QSignalSpy analog(rig.tlv.get(), &cTLV880a::TLVAnalog);
    for (int i = 0; i < 6; ++i) {
        rig.queue(1);
        rig.lib->analog.push_back({5, 5, 5, 5});
        rig.tlv->TLVTimer_Timer();
    }
    ASSERT_EQ(analog.count(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_DOUBLE_EQ(analog.at(i).at(0).value<AnalogArray>()[0], 5) << i;
}

TEST(ClearBuff, DrainsEveryUnreadReadingAndRestartsTheFilter)
{
    Rig rig;
    QSignalSpy readings(rig.tlv.get(), &cTLV880a::TLVReading);
    rig.queue(100);
    rig.tlv->TLVTimer_Timer();
    for (int i = 0; i < 12; ++i)
        rig.queue(50);
    EXPECT_EQ(rig.tlv->ClearBuff(), 0);
    EXPECT_TRUE(rig.lib->readings.empty());
    EXPECT_EQ(rig.lib->count("Xdc770GetReadings"), 1 + 9 + 1); // 9 unread at most, then 0
    rig.queue(6);
    rig.tlv->TLVTimer_Timer();
    EXPECT_DOUBLE_EQ(sensorsOf(readings, 1)[0][0], 6);
}

TEST(ClearBuff, ZeroThicknessDiscardsReadingsTakenBefore)
{
    Rig rig;
    for (int i = 0; i < 4; ++i)
        rig.queue(1);
    EXPECT_EQ(rig.tlv->ZeroThickness(0), 0);
    EXPECT_TRUE(rig.lib->readings.empty());
    for (int i = 0; i < 4; ++i)
        rig.queue(1);
    EXPECT_EQ(rig.tlv->ZeroAll(), 0);
    EXPECT_TRUE(rig.lib->readings.empty());
}

TEST(Reentry, TickDuringThePumpIsSkipped)
{
    Rig rig;
    QSignalSpy readings(rig.tlv.get(), &cTLV880a::TLVReading);
    int nested = 0;
    rig.lib->during = [&](const fake::Call& call) {
        if (call.name != QLatin1String("Xdc770GetReadings")) return;
        if (nested++ == 0) rig.tlv->TLVTimer_Timer(); // what a timer delivered by the pump would do
    };
    rig.queue(1);
    rig.queue(2);
    rig.tlv->TLVTimer_Timer();
    EXPECT_EQ(readings.count(), 1);
    EXPECT_EQ(rig.lib->count("Xdc770GetReadings"), 1);

    // Nor may a tick take a reading while ClearBuff drains: it would show one taken before a zero.
    nested = 0;
    rig.queue(3);
    rig.tlv->ClearBuff();
    EXPECT_EQ(readings.count(), 1);
    // After both, the poll runs again.
    rig.lib->during = nullptr;
    rig.queue(4);
    rig.tlv->TLVTimer_Timer();
    EXPECT_EQ(readings.count(), 2);
}

TEST(Reentry, TheAnalogDrainRunsNoPostedEvents)
{
    Rig rig;
    QSignalSpy readings(rig.tlv.get(), &cTLV880a::TLVReading);
    QSignalSpy analog(rig.tlv.get(), &cTLV880a::TLVAnalog);
    // Work a reading handler schedules (a deletion, a queued call) waits for the event loop:
    // the poll drains three analog readings without running it.
    bool ranInsideThePoll = false;
    bool polling = false;
    QObject::connect(rig.tlv.get(), &cTLV880a::TLVReading, rig.tlv.get(), [&] {
        QMetaObject::invokeMethod(
            rig.tlv.get(), [&] { ranInsideThePoll = polling; }, Qt::QueuedConnection);
    });
    rig.queue(1);
    rig.queue(2);
    rig.lib->analog = {{1, 1, 1, 1}, {2, 2, 2, 2}, {3, 3, 3, 3}};
    polling = true;
    rig.tlv->TLVTimer_Timer();
    polling = false;
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(ranInsideThePoll);
    EXPECT_EQ(readings.count(), 1);
    ASSERT_EQ(analog.count(), 1);
    EXPECT_EQ(rig.lib->count("Xdc770GetAnReadings"), 3); // drained to the newest
}

TEST(Reentry, AZeroFromAReadingHandlerRunsNoPostedEvents)
{
    Rig rig;
    QSignalSpy readings(rig.tlv.get(), &cTLV880a::TLVReading);
    // A handler that zeroes at a thickness (as a recipe does when the shutter opens) drains the
    // unread readings from inside the poll; work posted before must still wait for the loop.
    bool ranInsideThePoll = false;
    bool polling = false;
    QObject::connect(rig.tlv.get(), &cTLV880a::TLVReading, rig.tlv.get(), [&] {
        QMetaObject::invokeMethod(
            rig.tlv.get(), [&] { ranInsideThePoll = polling; }, Qt::QueuedConnection);
        rig.queue(7);
        rig.queue(8);
        EXPECT_EQ(rig.tlv->ZeroThickness(0), 0);
    });
    rig.queue(1);
    polling = true;
    rig.tlv->TLVTimer_Timer();
    polling = false;
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(ranInsideThePoll);
    EXPECT_EQ(readings.count(), 1);
    EXPECT_GE(rig.lib->count("Xdc770GetReadings"), 3); // the zero drained both new readings
    // Outside a poll no posted work runs inside the drain either: no nested event loop.
    bool ranDuringTheDrain = false;
    bool draining = false;
    QMetaObject::invokeMethod(
        rig.tlv.get(), [&] { ranDuringTheDrain = draining; }, Qt::QueuedConnection);
    rig.queue(9);
    draining = true;
    EXPECT_EQ(rig.tlv->ClearBuff(), 0);
    draining = false;
    EXPECT_FALSE(ranDuringTheDrain);
    QCoreApplication::sendPostedEvents();
}

TEST(ClearBuff, ALibraryThatKeepsFeedingEndsTheDrainAtItsBoundWithoutThePump)
{
    Rig rig;
    QSignalSpy readings(rig.tlv.get(), &cTLV880a::TLVReading);
    bool ranDuringTheDrain = false;
    bool draining = false;
    QMetaObject::invokeMethod(
        rig.tlv.get(), [&] { ranDuringTheDrain = draining; }, Qt::QueuedConnection);
    // Every reading taken brings another: the drain ends at its bound, never in the pump.
    rig.lib->during = [&](const fake::Call& call) {
        if (call.name == QLatin1String("Xdc770GetReadings")) rig.queue(1);
    };
    rig.queue(1);
    draining = true;
    EXPECT_EQ(rig.tlv->ClearBuff(), 0);
    draining = false;
    EXPECT_FALSE(ranDuringTheDrain);
    EXPECT_EQ(rig.lib->count("Xdc770GetReadings"), 32);
    rig.lib->during = nullptr;
    QCoreApplication::sendPostedEvents(); // what was posted runs from the event loop
    // The poll runs again at once.
    rig.tlv->TLVTimer_Timer();
    EXPECT_EQ(readings.count(), 1);
}

TEST(Timer, EnabledRunsThePollFromTheEventLoop)
{
    Rig rig;
    ASSERT_EQ(rig.tlv->SendInit(10000000, 1000000, 5500000, 0.1), 0);
    QSignalSpy readings(rig.tlv.get(), &cTLV880a::TLVReading);
    rig.queue(1);
    rig.tlv->setTimerEnabled(true);
    EXPECT_TRUE(rig.tlv->TimerEnabled());
    EXPECT_TRUE(readings.wait(60000)); // the timer's first tick; the bound only ends a hang
    rig.tlv->setTimerEnabled(false);
    EXPECT_FALSE(rig.tlv->TimerEnabled());
}
