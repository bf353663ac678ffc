// Reading events: displays, recorder outputs, cross-rate, the log line and the automatic stop
// at thickness, monitor-sensor and voltage setpoints. Readings are handed to the window's
// handlers directly; the instrument behind it is the real one in simulate mode.

#include "CofluxTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

using namespace coflux;
using namespace coflux::test;

namespace {

const char* const kSetup = R"([Card]
LogEnabled=1
LogFile=%1
[OUTPUT1]
Name=Gold
Mode=2
Input=1
Thick=0.5
FullScale=10
[OUTPUT2]
Name=Idle
Mode=0
Input=2
Thick=0.1
FullScale=10
[OUTPUT3]
Name=Chart
Mode=1
Input=4
RecScale=1
FullScale=10
[OUTPUT4]
Name=Follower
Mode=3
Input=8
Rate=0.5
XOut=0
FullScale=10
[OUTPUT13]
Name=Heater
Mode=2
Input=16777216
FullScale=10
[SENSOR5]
Monitor=1
ThickSP=1.5
[ANALOG1]
Gain=2
Units=mbar
[ANALOG2]
Monitor=1
AnalogSP=2.5
)";

class Trips : public CofluxWindowTest {
protected:
    void SetUp() override
    {
        CofluxWindowTest::SetUp();
        WriteFile("Default.dat", QString::fromLatin1(kSetup).arg(LogPath()));
        Open();
        m_window->Instrument().setTimerEnabled(false); // readings come from the test only
        m_answer = [this](const tlv::DialogRequest&) {
            m_stateAtMessage = m_window->RunState();
            return tlv::DialogAnswer(QMessageBox::Ok);
        };
        TakeMessages();
    }

    QString LogPath() const { return HomeFile("run.log"); }
    QStringList LogLines() const
    {
        return ReadFile(LogPath()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

    // One event as the instrument delivers it, then back to the event loop.
    void Reading(double time = 3723)
    {
        m_window->Core().TLVReading(m_sensors, m_outputs, time);
        DeliverQueued();
    }
    void Analog()
    {
        m_window->Core().TLVAnalog(m_analog, 3723);
        DeliverQueued();
    }

    void ExpectStopped()
    {
        EXPECT_EQ(m_window->RunState(), RunStopped);
        EXPECT_EQ(m_stateAtMessage, RunStopped); // stopped before the message came up
        for (int j : kShownOutputs)
            EXPECT_DOUBLE_EQ(m_window->Instrument().GetPower(static_cast<short>(j)), 0) << j;
    }

    SensorArray m_sensors{};
    OutputArray m_outputs{};
    AnalogArray m_analog{};
    int m_stateAtMessage = -1;
};

} // namespace

TEST_F(Trips, ThicknessSetpointStopsTheDepositionThenTellsWhy)
{
    ASSERT_TRUE(m_window->Core().SetManualPower(0, 30).ok());
    EXPECT_EQ(m_window->findChild<QLineEdit*>("txtManPwr_0")->text(), QStringLiteral("30.0"));
    m_window->cmdFSwitch_Click(0);
    ASSERT_NEAR(m_window->Instrument().GetPower(0), 30, 1e-9);

    m_outputs[0] = {2.5, 499, 30, 0}; // 0.499 kÅ: below the setpoint
    Reading();
    EXPECT_EQ(m_window->RunState(), RunRunning);
    EXPECT_EQ(m_window->findChild<QLineEdit*>("txtThickRdg_0")->text(), QStringLiteral("0.499"));
    EXPECT_EQ(m_window->findChild<QLineEdit*>("txtRateRdg_0")->text(), QStringLiteral("2.50"));
    EXPECT_EQ(m_window->findChild<QLineEdit*>("txtPowerRdg_0")->text(), QStringLiteral("30.0"));

    m_outputs[0] = {2.5, 500, 30, 0}; // exactly the setpoint
    Reading();
    EXPECT_EQ(TakeMessages(), QStringList{QStringLiteral(
                                  "Deposition halted.\r\nThickness setpoint reached on Gold.")});
    ExpectStopped();

    // Later readings still update the displays but trip nothing.
    m_outputs[0] = {0, 800, 0, 0};
    Reading();
    EXPECT_EQ(m_window->findChild<QLineEdit*>("txtThickRdg_0")->text(), QStringLiteral("0.800"));
    EXPECT_TRUE(TakeMessages().isEmpty());
}

TEST_F(Trips, OffOutputNeverTripsNorLogs)
{
    m_window->cmdFSwitch_Click(0);
    m_outputs[1] = {9, 5000, 0, 0}; // Idle is far beyond its 0.1 kÅ
    m_outputs[0] = {1.234, 100, 12.34, 0};
    Reading(3723.4);
    Analog();
    EXPECT_EQ(m_window->RunState(), RunRunning);
    EXPECT_TRUE(TakeMessages().isEmpty());

    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Date: ")));
    EXPECT_EQ(lines[1], QStringLiteral("Time, Output, Thick, Rate, Power, Output, Thick, etc."));
    // Gold, Chart (Record), Follower (Auto), then the analog-fed Heater; Idle is Off.
    EXPECT_EQ(lines[2], QStringLiteral("1:02:03, Gold, 0.100, 1.23, 12.3, Chart, 0.000, 0.00, 0.0, "
                                       "Follower, 0.000, 0.00, 0.0, Heater, Analog, .000, 0.0"));
}

TEST_F(Trips, LogLineWithEveryOutputOffIsTheTimeAlone)
{
    for (int j : kShownOutputs)
        m_window->ChannelMode(j, ModeOff);
    m_window->cmdFSwitch_Click(0);
    Reading(36000);
    Analog();
    ASSERT_EQ(LogLines().size(), 3);
    EXPECT_EQ(LogLines().last(), QStringLiteral("10:00:00"));
    m_window->cmdFSwitch_Click(1); // held: no data lines
    Reading(36001);
    Analog();
    EXPECT_EQ(LogLines().last(), QStringLiteral("10:00:00"));
}

TEST_F(Trips, MonitorSensorTripsAtItsSetpointAlsoWhileHeld)
{
    m_window->cmdFSwitch_Click(0);
    m_window->cmdFSwitch_Click(1);
    ASSERT_EQ(m_window->RunState(), RunHeld);
    m_sensors[4] = {0, 1499, 5.9e6, 0};
    Reading();
    EXPECT_EQ(m_window->RunState(), RunHeld);
    // Sensors beyond 8 are stored but never monitors.
    m_window->Core().TablesForTesting().Sensor(9).Monitor = 1;
    m_sensors[9] = {0, 9e6, 5.9e6, 0};
    Reading();
    EXPECT_EQ(m_window->RunState(), RunHeld);
    EXPECT_DOUBLE_EQ(m_window->Readings().SenThick[9], 9000);

    m_sensors[4][1] = 1500;
    Reading();
    EXPECT_EQ(TakeMessages(),
              QStringList{QStringLiteral(
                  "Deposition halted.\r\nThickness setpoint reached on input monitor Sensor 5.")});
    ExpectStopped();
}

TEST_F(Trips, VoltageSetpointStopsTheDeposition)
{
    m_window->cmdFSwitch_Click(0);
    m_analog = {0.5, 2.49, 0, 0};
    Analog();
    EXPECT_EQ(m_window->RunState(), RunRunning);
    // The analog-fed output shows the scaled input in its units.
    EXPECT_EQ(m_window->findChild<QLineEdit*>("txtRateRdg_12")->text(), QStringLiteral("1.000"));
    EXPECT_EQ(m_window->findChild<QLabel*>("lblRateRdg_12")->text(), QStringLiteral("mbar"));

    m_analog[1] = 2.5;
    Analog();
    EXPECT_EQ(TakeMessages(),
              QStringList{QStringLiteral(
                  "Deposition halted.\r\nVoltage setpoint reached on input monitor Analog 2.")});
    ExpectStopped();
}

TEST_F(Trips, RecorderOutputFollowsItsSensorClamped)
{
    m_window->cmdFSwitch_Click(0);
    m_sensors[2] = {37.5, 0, 5.9e6, 0}; // 100 Å/s scale
    Reading();
    EXPECT_NEAR(m_window->Instrument().GetPower(2), 37.5, 1e-9);
    m_sensors[2][0] = 150;
    Reading();
    EXPECT_NEAR(m_window->Instrument().GetPower(2), 100, 1e-9);
    m_sensors[2][0] = -4;
    Reading();
    EXPECT_NEAR(m_window->Instrument().GetPower(2), 0, 1e-9);
}

TEST_F(Trips, RecorderOnAnAnalogInputFollowsTheSameAnalogReading)
{
    OutputRecord& chart = m_window->Core().TablesForTesting().Output(13);
    chart.Mode = ModeRecord;
    chart.Input = WithAnalog(0, 2);
    chart.RecScale = 7; // 10 V full scale
    chart.FullScale = 10;
    m_window->Core().ApplyOutputSetup(13);
    m_window->cmdFSwitch_Click(0);
    m_analog = {0, 0, 2.5, 0};
    Analog();
    EXPECT_NEAR(m_window->Instrument().GetPower(13), 25, 1e-9);
    m_analog[2] = 12;
    Analog();
    EXPECT_NEAR(m_window->Instrument().GetPower(13), 100, 1e-9);
}

TEST_F(Trips, CrossRateSetsTheLoopFromTheCrossOutput)
{
    m_window->cmdFSwitch_Click(0);
    m_outputs[0] = {8, 0, 10, 0};
    Reading();
    EXPECT_DOUBLE_EQ(m_window->Instrument().Rate(3), 0.5); // cross-rate off: the plain setpoint

    m_window->Core().TablesForTesting().Flags.XRate = 1;
    Reading();
    EXPECT_DOUBLE_EQ(m_window->Instrument().Rate(3), 4); // 0.5 × 8 Å/s

    m_window->Core().TablesForTesting().Output(3).XOut =
        -1; // no cross output: the loop keeps its setpoint
    m_outputs[0][0] = 20;
    Reading();
    EXPECT_DOUBLE_EQ(m_window->Instrument().Rate(3), 4);
}

TEST_F(Trips, SimulateLabelFollowsTheOperatingMode)
{
    Reading();
    EXPECT_TRUE(m_window->findChild<QLabel*>("lblSim")->isVisibleTo(m_window.get()));
}
