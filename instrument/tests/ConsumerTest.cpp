// A program's view of the instrument: built against the public header alone and run over the
// real libtlv880a.so with two emulated cards (a master with analog section and front panel, and
// a slave without crystals). It drives the members a program uses and observes every event.

#include "instrument/cTLV880a.h"
#include "tlvtest/WaitEvents.h"

#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

class Consumer : public ::testing::Test {
public:
    static void SetUpTestSuite()
    {
        // A master with analog section whose panel shows switch line 5 held and the knob
        // counter at 5, and a slave whose channels have no crystal.
        qputenv("TLV880_EMU_CARDS",
                "id=1E,fw=300,f=5900000,ain=1/2/3/4,panel=7E05;id=0F,fw=300,f=0");
        s_tlv = new cTLV880a();
    }
    static void TearDownTestSuite()
    {
        delete s_tlv;
        s_tlv = nullptr;
    }

protected:
    static cTLV880a* s_tlv;

    // Runs the event loop until pred() holds: the library's threads and the poll timer bring it
    // about at their own pace. The bound (two minutes) only ends a test that hangs.
    static bool waitFor(const std::function<bool()>& pred)
    {
        return tlvtest::WaitForEvents(pred, std::chrono::seconds(120));
    }
    static bool hasEvent(const QSignalSpy& spy, int code, const QString& message, int index)
    {
        for (const QList<QVariant>& e : spy)
            if (e.at(0).toInt() == code && e.at(1).toString() == message &&
                e.at(2).toInt() == index)
                return true;
        return false;
    }
};
cTLV880a* Consumer::s_tlv = nullptr;

} // namespace

TEST_F(Consumer, StartupFindsBothCards)
{
    cTLV880a& tlv = *s_tlv;
    EXPECT_EQ(tlv.Revision(0), 0);
    EXPECT_EQ(tlv.Revision(1), 300);
    EXPECT_EQ(tlv.Revision(2), 300);
    EXPECT_EQ(tlv.Revision(7), 300);
    EXPECT_EQ(tlv.NumCards(), 2);
    EXPECT_EQ(tlv.NumSensors(), 8);
    EXPECT_EQ(tlv.NumOutputs(), 4);
    EXPECT_EQ(tlv.NumAnalog(), 4);
    EXPECT_TRUE(tlv.NumSensorValid(7));
    EXPECT_FALSE(tlv.NumSensorValid(8));
    EXPECT_TRUE(tlv.NumOutputValid(13));
    EXPECT_TRUE(tlv.NumAnalogValid(0));
    EXPECT_EQ(tlv.OpMode(), 1);
    EXPECT_EQ(tlv.DLLName(), "libtlv880a.so");
    EXPECT_FALSE(tlv.TimerDLLName().isEmpty());
    EXPECT_EQ(tlv.SendStartup(0), 0);
}

TEST_F(Consumer, RefusalsCarryTheirNumbersAndMessages)
{
    cTLV880a& tlv = *s_tlv;
    QSignalSpy errors(&tlv, &cTLV880a::TLVError);
    struct Case {
        std::function<int()> call;
        int number;
        QString message;
    };
    const std::vector<Case> cases{
        // The library refuses material and measurement start before SendInit.
        {[&] { return tlv.SendMaterial(0, 2.7, 1.08, 100); }, 99,
         "Unexpected Material Error on Sensor 1"},
        {[&] { return tlv.SendStartMeas(); }, 99, "Unexpected StartMeas Error"},
        {[&] { return tlv.SendInit(5e6, 6e6, 5.5e6, 0.1); }, 1,
         "Frequency must be: 1000000 <= XFMin <= XFInit <= XFmax <= 10000000"},
        {[&] { return tlv.setPeriod(0.05); }, 2, "Period must be: 0.1 <= Period <= 2"},
        {[&] { return tlv.setRate(14, 1); }, 5, "Invalid Output Number."},
        {[&] { return tlv.setRate(0, 1000); }, 6, "Rate must be: 0 <= Rate <= 999.9"},
        {[&] { return tlv.setPTerm(0, 10000); }, 7, "PTerm must be: 0 <= PTerm <= 9999"},
        {[&] { return tlv.setITerm(0, 100); }, 8, "ITerm must be: 0 <= ITerm <= 99.9"},
        {[&] { return tlv.setDTerm(0, 100); }, 9, "DTerm must be: 0 <= DTerm <= 99.9"},
        {[&] { return tlv.ZeroSensor(24); }, 10, "Invalid Sensor Number."},
        {[&] { return tlv.setDensity(0, 100); }, 11, "Density must be: 0.4 <= Density <= 99.99"},
        {[&] { return tlv.setTooling(0, 1000); }, 12, "Tooling must be: 0 <= Tooling <= 999"},
        {[&] { return tlv.setZFactor(0, 10); }, 13, "ZFactor must be: 0.1 <= ZFactor <= 9.999"},
        {[&] { return tlv.setFSOut(0, -11); }, 14,
         "Ouput voltage must be: -10 <= Output Voltage <= 10"},
        {[&] { return tlv.setMaxPower(0, 101); }, 15, "Output Power must be: 0 <= Power <= 100"},
        {[&] { return tlv.setSlewRate(0, 101); }, 16, "Slew Rate must be: 0 <= Slew Rate <= 100"},
        {[&] { return tlv.setOpMode(3); }, 17, "TLV mode must be Normal(0) or Simulate(1)"},
        {[&] {
             return tlv.SendMapAnalog({3, 3, -1, -1});
         },
         1, "Unresolved MapAnalog Error."},
        // Outputs 0..5 exist in simulate mode with two cards and the analog section.
        {[&] { return tlv.SendLoop(1, 1, 1, 1, 7); }, 99, "Unexpected Loop Error on Output 8"},
        {[&] { return tlv.SendFullScale(7, 5, 50, 5); }, 99,
         "Unexpected FullScale Error on Output 8"},
        {[&] { return tlv.SendPower(7, 0); }, 99, "Unexpected SendPower Error on Output 8"},
        {[&] {
             SensorMap map;
             map.fill(-1);
             map[0] = 14;
             return tlv.SendMapSensors(map);
         },
         1, "Unresolved MapSensors Error."},
        {[&] {
             return tlv.SendMapAnalog({14, -1, -1, -1});
         },
         1, "Unresolved MapAnalog Error."},
    };
    for (const Case& c : cases) {
        errors.clear();
        EXPECT_EQ(c.call(), c.number) << c.message.toStdString();
        ASSERT_EQ(errors.count(), 1) << c.message.toStdString();
        EXPECT_EQ(errors.at(0).at(0).toInt(), c.number);
        EXPECT_EQ(errors.at(0).at(1).toString(), c.message);
    }
    EXPECT_EQ(tlv.SensorName(-1), "");
    EXPECT_EQ(tlv.OutputName(14), "");
    EXPECT_EQ(tlv.AnalogLoop(4), 0);
    EXPECT_DOUBLE_EQ(tlv.GetPower(-1), 0.0);
}

TEST_F(Consumer, MeasuresAndRaisesEveryEvent)
{
    cTLV880a& tlv = *s_tlv;
    QSignalSpy readings(&tlv, &cTLV880a::TLVReading);
    QSignalSpy analog(&tlv, &cTLV880a::TLVAnalog);
    QSignalSpy sensorEvents(&tlv, &cTLV880a::TLVSensorEvent);
    QSignalSpy outputEvents(&tlv, &cTLV880a::TLVOutputEvent);
    QSignalSpy panel(&tlv, &cTLV880a::TLVFPChange);
    QSignalSpy errors(&tlv, &cTLV880a::TLVError);

    ASSERT_EQ(tlv.SendInit(6050000, 5000000, 5950000, 0.1), 0);
    for (short s = 0; s < 8; ++s)
        ASSERT_EQ(tlv.SendMaterial(s, 2.7, 1.08, 100), 0);
    for (short o = 0; o < 4; ++o)
        ASSERT_EQ(tlv.SendFullScale(o, 10, 100, 0), 0);
    ASSERT_EQ(tlv.setSensorLoop(0, 0), 0);
    ASSERT_EQ(tlv.setSensorLoop(1, 1), 0);
    ASSERT_EQ(tlv.setSensorLoop(4, 2), 0); // card 2 has no crystals
    ASSERT_EQ(tlv.setAnalogLoop(0, 12), 0);
    EXPECT_EQ(tlv.LoopType(0), 2);
    EXPECT_EQ(tlv.LoopType(12), 1);
    EXPECT_EQ(tlv.LoopType(3), 0);
    tlv.setFilterSize(2);
    tlv.setFPEnabled(true);
    tlv.setFPInterval(50);
    tlv.setMedChange(15);
    tlv.setFastChange(40);
    tlv.setDisplayTimer(1);
    // Output 1 asks for far more than it gets: quality and control error follow.
    ASSERT_EQ(tlv.SendLoop(999, 0, 0, 0, 1), 0);
    tlv.setSensorQuality(1, 1);
    tlv.setSensorQualityLimit(1, 1);
    tlv.setControlError(1, 1);
    tlv.setControlErrorLimit(1, 1);

    ASSERT_EQ(tlv.setOpMode(0), 0);
    EXPECT_TRUE(hasEvent(outputEvents, 0, "TLV880 set to normal mode.", 0));
    ASSERT_EQ(tlv.SendStartMeas(), 0);
    EXPECT_TRUE(hasEvent(sensorEvents, -1, "Sensor status cleared.", 23));
    ASSERT_EQ(tlv.SendPower(0, 20), 0);
    EXPECT_TRUE(hasEvent(outputEvents, 3, "Output 1 PID -> Manual Power 20.0% .", 0));
    EXPECT_EQ(tlv.PIDMode(0), 3);
    ASSERT_EQ(tlv.setPIDMode(0, true), 0);
    EXPECT_TRUE(hasEvent(outputEvents, 2, "Output 1 set to PID mode.", 0));
    ASSERT_EQ(tlv.ZeroAll(), 0);

    tlv.setTimerEnabled(true);
    EXPECT_TRUE(waitFor([&] {
        return readings.count() >= 5 && analog.count() >= 5 && !panel.isEmpty() &&
               hasEvent(sensorEvents, 1, "Sensor 5 Crystal Failure.", 4) &&
               hasEvent(sensorEvents, 2, "Sensor 2 Quality Failure.", 1) &&
               hasEvent(outputEvents, 4, "Control error on Output 2!", 1);
    }));
    tlv.setTimerEnabled(false);
    EXPECT_TRUE(tlv.SensorStatus(4, 1));
    EXPECT_EQ(tlv.OutputStatus(1), 16);

    // The master's panel: switch line 5 held down, knob counter at 5 (accelerated to 30).
    ASSERT_FALSE(panel.isEmpty());
    EXPECT_EQ(panel.at(0).at(0).value<short>(), 32);
    EXPECT_EQ(panel.at(0).at(1).value<short>(), 30);

    const SensorArray sensors = readings.last().at(0).value<SensorArray>();
    EXPECT_GT(sensors[0][2], 5000000);
    EXPECT_LE(sensors[0][2], 5900001);
    EXPECT_LT(sensors[4][2], 0);
    EXPECT_LT(sensors[1][3], -50); // far below its setpoint
    const AnalogArray volts = analog.last().at(0).value<AnalogArray>();
    EXPECT_NEAR(volts[2], 3.0, 0.01);

    // A program that polls for itself.
    SensorArray own{};
    OutputArray ownOutputs{};
    AnalogArray ownAnalog{};
    int count = 0;
    EXPECT_TRUE(waitFor([&] {
        tlv.GetReadings(own, ownOutputs, count);
        return count > 0;
    }));
    EXPECT_GT(own[0][2], 5000000);
    EXPECT_TRUE(waitFor([&] {
        tlv.GetAnalog(ownAnalog, count);
        return count > 0;
    }));
    EXPECT_NEAR(ownAnalog[0], 1.0, 0.01);

    // Disabling the only sensor of output 3 leaves it without crystals.
    outputEvents.clear();
    ASSERT_EQ(tlv.setSensorEnabled(4, false), 0);
    EXPECT_TRUE(hasEvent(sensorEvents, 0, "Sensor 5 Sensor Disabled.", 4));
    EXPECT_TRUE(hasEvent(outputEvents, 5, "All crystals failed on Output 3!", 2));
    ASSERT_EQ(tlv.setSensorEnabled(0, false), 0);
    ASSERT_EQ(tlv.setSensorEnabled(0, true), 0);
    EXPECT_TRUE(hasEvent(sensorEvents, -1, "Sensor 1 Sensor OK.", 0));

    EXPECT_EQ(tlv.ZeroSensor(0), 0);
    EXPECT_EQ(tlv.ZeroThickness(0), 0);
    EXPECT_EQ(tlv.ClearBuff(), 0);
    tlv.setDisplayTimer(0);
    tlv.setFPEnabled(false);
    short switches = 0;
    short knob = 0;
    EXPECT_EQ(tlv.ReadFP(switches, knob), 0);
    EXPECT_EQ(tlv.SendSimulate(1), 0);
    EXPECT_TRUE(hasEvent(outputEvents, 1, "TLV880 set to simulate mode.", 0));
    EXPECT_TRUE(errors.isEmpty()) << errors.first().at(1).toString().toStdString();
}
