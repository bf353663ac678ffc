// cTLV880a over the real libtlv880a.so without a kernel driver (TLV880_DRIVER=none): start-up
// result 906, simulate mode only, and simulated readings flowing through the poll.

#include "instrument/cTLV880a.h"

#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

namespace {
// The library starts once per process: one instrument serves every test of this program, as
// one serves a whole program run, and is released at the end as a program releases it.
class NoDriver : public ::testing::Test {
public:
    static void SetUpTestSuite() { s_tlv = new cTLV880a(); }
    static void TearDownTestSuite()
    {
        delete s_tlv;
        s_tlv = nullptr;
    }

protected:
    static cTLV880a* s_tlv;
};
cTLV880a* NoDriver::s_tlv = nullptr;
} // namespace

TEST_F(NoDriver, StartsInSimulateModeWith906)
{
    cTLV880a& tlv = *s_tlv;
    EXPECT_EQ(tlv.Revision(0), 906);
    EXPECT_EQ(tlv.Revision(1), 0);
    EXPECT_EQ(tlv.NumCards(), 0);
    EXPECT_EQ(tlv.OpMode(), 1);
}

TEST_F(NoDriver, NormalModeIsRefused)
{
    cTLV880a& tlv = *s_tlv;
    QSignalSpy events(&tlv, &cTLV880a::TLVOutputEvent);
    QSignalSpy errors(&tlv, &cTLV880a::TLVError);
    EXPECT_EQ(tlv.setOpMode(0), 0);
    EXPECT_EQ(tlv.OpMode(), 1);
    ASSERT_EQ(events.count(), 1);
    EXPECT_EQ(events.at(0).at(0).toInt(), 1);
    EXPECT_EQ(events.at(0).at(1).toString(), "TLV880 set to simulate mode.");
    EXPECT_EQ(tlv.SendSimulate(2), 17);
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(1).toString(), "TLV mode must be Normal(0) or Simulate(1)");
}

TEST_F(NoDriver, InitSetsThePollInterval)
{
    cTLV880a& tlv = *s_tlv;
    auto* timer = tlv.findChild<QTimer*>(QStringLiteral("TLVTimer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(tlv.SendInit(6050000, 5000000, 5950000, 0.25), 0);
    EXPECT_EQ(timer->interval(), 125);
    EXPECT_EQ(tlv.SendInit(6050000, 5000000, 5950000, 2.01), 2);
    EXPECT_EQ(timer->interval(), 125);
    EXPECT_EQ(tlv.SendStartMeas(), 0);
}

TEST_F(NoDriver, SimulatedReadingsFlowThroughThePoll)
{
    cTLV880a& tlv = *s_tlv;
    ASSERT_EQ(tlv.SendInit(6050000, 5000000, 5950000, 0.1), 0);
    ASSERT_EQ(tlv.SendMaterial(0, 2.7, 1.08, 100), 0);
    ASSERT_EQ(tlv.SendFullScale(0, 10, 100, 0), 0);
    ASSERT_EQ(tlv.setSensorLoop(0, 0), 0);
    ASSERT_EQ(tlv.SendPower(0, 100), 0);
    ASSERT_EQ(tlv.ClearBuff(), 0);

    QSignalSpy readings(&tlv, &cTLV880a::TLVReading);
    QSignalSpy analog(&tlv, &cTLV880a::TLVAnalog);
    tlv.setTimerEnabled(true);
    for (int i = 0; i < 100 && readings.count() < 10; ++i)
        readings.wait(200);
    tlv.setTimerEnabled(false);
    ASSERT_GE(readings.count(), 10);
    EXPECT_GE(analog.count(), 10);

    const SensorArray first = readings.first().at(0).value<SensorArray>();
    const SensorArray last = readings.last().at(0).value<SensorArray>();
    const OutputArray outputs = readings.last().at(1).value<OutputArray>();
    // Sensor 0 is fed by output 0 at full power: its crystal loses frequency, film builds up.
    EXPECT_LT(last[0][2], first[0][2]);
    EXPECT_GT(last[0][2], 5000000);
    EXPECT_GT(last[0][1], first[0][1]);
    EXPECT_GT(last[0][0], 0);
    // Sensor 5 is fed by nothing and keeps its frequency.
    EXPECT_DOUBLE_EQ(last[5][2], first[5][2]);
    EXPECT_NEAR(outputs[0][2], 100, 1e-9);
    EXPECT_NEAR(outputs[0][0], last[0][0], 1e-9);
    EXPECT_NEAR(tlv.GetPower(0), 100, 1e-9);
    // Time stamps are seconds since midnight, close to now.
    const double now = QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
    const double stamp = readings.last().at(2).toDouble();
    EXPECT_LT(std::abs(now - stamp), 5.0);
}
