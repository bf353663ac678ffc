// The main window: start-up defaults, run states, zeroing, frames for each mode and input,
// setpoint entry with its limits and focus guard, closing.

#include "CofluxTestSupport.h"
#include "FocusSupport.h"

#include "common/SetupFile.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>

using namespace coflux;
using namespace coflux::test;

namespace {

void Enter(QLineEdit* box, const QString& text)
{
    Focus(box);
    box->setText(text);
    QTest::keyClick(box, Qt::Key_Return);
}

// Two outputs on sensors, one analog-fed output (input 2, shown in mbar = 2 × V + 1).
const char* const kSetup = R"([Card]
Period=.25
[OUTPUT1]
Name=Gold
Mode=2
Input=1
FullScale=10
[OUTPUT2]
Name=Silver
Mode=3
Input=2
FullScale=10
[OUTPUT3]
Name=Heater
Mode=3
Input=33554432
Rate=2
FullScale=10
[ANALOG2]
Gain=2
Offset=1
Units=mbar
)";

class MainWindow : public CofluxWindowTest {};

} // namespace

TEST_F(MainWindow, FreshInstallationStartsWithEveryDefault)
{
    frmMain& w = Open();
    const QStringList messages = TakeMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], HomeFile("Default.dat") + " Not Found.\r\nContinuing with defaults.");
    EXPECT_EQ(w.windowTitle(), QStringLiteral("TLV-880 Coflux Controller - [ Default.dat ]"));
    EXPECT_EQ(tlv::SavedSetupFile(), QStringLiteral("Default.dat"));

    cTLV880a& tlv = w.Instrument();
    EXPECT_DOUBLE_EQ(tlv.Period(), 0.25);
    EXPECT_EQ(tlv.FilterSize(), 4);
    EXPECT_DOUBLE_EQ(tlv.SensorMinFreq(), 5000000);
    EXPECT_DOUBLE_EQ(tlv.SensorInitFreq(), 6000000);
    EXPECT_DOUBLE_EQ(tlv.SensorMaxFreq(), 6100000);
    EXPECT_EQ(tlv.OpMode(), 1);
    EXPECT_TRUE(tlv.TimerEnabled());
    for (short s = 0; s < 8; ++s) {
        EXPECT_DOUBLE_EQ(tlv.Density(s), 10);
        EXPECT_DOUBLE_EQ(tlv.ZFactor(s), 1);
        EXPECT_DOUBLE_EQ(tlv.Tooling(s), 100);
    }

    for (int j : kShownOutputs) {
        const OutputRecord& out = w.Tables().Output(j);
        EXPECT_EQ(out.Mode, ModeOff);
        EXPECT_EQ(out.Name.trimmed(), QStringLiteral("Output %1").arg(j + 1));
        EXPECT_EQ(out.Rate, 10);
        EXPECT_EQ(out.Thick, 100);
        EXPECT_EQ(out.PTerm, 10);
        EXPECT_EQ(out.ITerm, 1);
        EXPECT_EQ(out.DTerm, 0);
        EXPECT_EQ(out.FullScale, 10); // volts: the card's range is -10..10
        EXPECT_EQ(out.MaxPwr, 100);
        EXPECT_EQ(out.SlewRate, 100);
        EXPECT_EQ(out.XOut, -1);
        EXPECT_EQ(out.Input, 0);
        const QString n = QString::number(j);
        EXPECT_TRUE(Find<QGroupBox>("fraLoop_" + n)->isVisibleTo(&w));
        EXPECT_EQ(Find<QGroupBox>("fraLoop_" + n)->title(), out.Name.trimmed());
        EXPECT_EQ(Find<QLineEdit>("txtThick_" + n)->text(), QStringLiteral("100.000"));
        EXPECT_EQ(Find<QLineEdit>("txtRate_" + n)->text(), QStringLiteral("10.00"));
        EXPECT_FALSE(Find<QLineEdit>("txtRate_" + n)->isVisibleTo(&w)); // Off hides the boxes
    }
    EXPECT_TRUE(Find<QRadioButton>("optMode0_0")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>("optModeA1_0")->isChecked());
    EXPECT_EQ(w.Tables().Flags.LogFile, QStringLiteral("TLV880.LOG"));
    EXPECT_EQ(w.Tables().Analog(3).Units, QStringLiteral("Volts"));
    EXPECT_EQ(w.RunState(), RunStopped);
    EXPECT_EQ(w.CurrentEntry(), Find<QPushButton>("cmdFSwitch_0"));
    EXPECT_TRUE(Find<QLabel>("lblSim")->isVisibleTo(&w));
}

TEST_F(MainWindow, ControlsCarryTheirCaptionsAndTips)
{
    frmMain& w = Open();
    EXPECT_EQ(Find<QRadioButton>("optMode2_2")->toolTip(),
              QStringLiteral("Set this outputl to Manual power control."));
    EXPECT_EQ(Find<QRadioButton>("optModeA0_3")->text(), QStringLiteral("Auto"));
    EXPECT_EQ(Find<QLineEdit>("txtManPwr_12")->toolTip(),
              QStringLiteral("Manual power setpoint in %. Press enter to send value."));
    EXPECT_EQ(Find<QLineEdit>("txtThickRdg_13")->toolTip(),
              QStringLiteral("Thickness reading in kA."));
    EXPECT_EQ(Find<QPushButton>("cmdFSwitch_1")->toolTip(),
              QStringLiteral("Hold/Resume measurements without Zeroing Thickness."));
    EXPECT_EQ(Find<QPushButton>("cmdFSwitch_2")->text(), QStringLiteral("&Zero All"));
    EXPECT_EQ(Find<QPushButton>("cmdZero_3")->toolTip(),
              QStringLiteral("Zero thickness on this channel."));
    EXPECT_EQ(Find<QLabel>("lblSim")->text(), QStringLiteral("SIMULATE"));
    for (const char* menu : {"mnuOpen", "mnuSave", "mnuExit", "mnuViewSensors", "mnuViewMonitor",
                             "mnuViewCard", "mnuHelp", "mnuAbout"})
        EXPECT_NE(w.findChild<QAction*>(QString::fromLatin1(menu)), nullptr) << menu;
}

TEST_F(MainWindow, RunStatesFollowTheButtons)
{
    frmMain& w = Open();
    auto* start = Find<QPushButton>("cmdFSwitch_0");
    auto* hold = Find<QPushButton>("cmdFSwitch_1");
    EXPECT_FALSE(hold->isVisibleTo(&w));
    EXPECT_EQ(start->palette().color(QPalette::Button), QColor(0, 255, 0));

    w.cmdFSwitch_Click(1); // second button while stopped: nothing
    EXPECT_EQ(w.RunState(), RunStopped);
    w.cmdFSwitch_Click(2); // zero all: state unchanged
    EXPECT_EQ(w.RunState(), RunStopped);

    start->click();
    EXPECT_EQ(w.RunState(), RunRunning);
    EXPECT_EQ(start->text(), QStringLiteral("&Stop"));
    EXPECT_EQ(start->palette().color(QPalette::Button), QColor(255, 0, 0));
    EXPECT_EQ(hold->text(), QStringLiteral("&Hold"));
    EXPECT_TRUE(hold->isVisibleTo(&w));

    hold->click();
    EXPECT_EQ(w.RunState(), RunHeld);
    EXPECT_EQ(hold->text(), QStringLiteral("&Resume"));
    EXPECT_EQ(start->text(), QStringLiteral("&Stop"));
    w.cmdFSwitch_Click(2);
    EXPECT_EQ(w.RunState(), RunHeld);

    hold->click();
    EXPECT_EQ(w.RunState(), RunRunning);
    EXPECT_EQ(hold->text(), QStringLiteral("&Hold"));

    start->click();
    EXPECT_EQ(w.RunState(), RunStopped);
    EXPECT_EQ(start->text(), QStringLiteral("&Start"));
    EXPECT_FALSE(hold->isVisibleTo(&w));
    EXPECT_TRUE(TakeMessages().size() <= 1); // only the missing-file notice
}

TEST_F(MainWindow, StartDrivesManualPowerAndStopHoldZeroIt)
{
    WriteFile("Default.dat", kSetup);
    frmMain& w = Open();
    w.Instrument().setTimerEnabled(false);
    Enter(Find<QLineEdit>("txtManPwr_0"), "40");
    EXPECT_EQ(Find<QLineEdit>("txtManPwr_0")->text(), QStringLiteral("40.0"));
    EXPECT_DOUBLE_EQ(w.Instrument().GetPower(0), 0); // stopped: nothing sent yet

    w.cmdFSwitch_Click(0);
    EXPECT_NEAR(w.Instrument().GetPower(0), 40, 1e-9);
    EXPECT_EQ(Find<QLineEdit>("txtThickRdg_0")->text(), QStringLiteral("0.000"));
    Enter(Find<QLineEdit>("txtManPwr_0"), "55.55");
    EXPECT_EQ(Find<QLineEdit>("txtManPwr_0")->text(), QStringLiteral("55.6"));
    EXPECT_NEAR(w.Instrument().GetPower(0), 55.55, 1e-9);

    w.cmdFSwitch_Click(1); // hold
    EXPECT_DOUBLE_EQ(w.Instrument().GetPower(0), 0);
    w.cmdFSwitch_Click(1); // resume sends the manual power as the box shows it
    EXPECT_NEAR(w.Instrument().GetPower(0), 55.6, 1e-9);
    w.ChannelMode(0, ModeOff); // Off while running: power 0 and both boxes show 0.0
    EXPECT_DOUBLE_EQ(w.Instrument().GetPower(0), 0);
    EXPECT_EQ(Find<QLineEdit>("txtManPwr_0")->text(), QStringLiteral("0.0"));
    EXPECT_EQ(Find<QLineEdit>("txtPowerRdg_0")->text(), QStringLiteral("0.0"));
    w.cmdFSwitch_Click(0);
    EXPECT_EQ(w.RunState(), RunStopped);
    EXPECT_TRUE(TakeMessages().isEmpty());
}

TEST_F(MainWindow, FramesFollowModeAndInput)
{
    WriteFile("Default.dat", kSetup);
    frmMain& w = Open();
    auto visible = [&](const char* name, int j) {
        return Find<QWidget>(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(j))
            ->isVisibleTo(&w);
    };
    // Manual on sensors: all nine shown, power box black, rate box grey.
    for (const char* n : {"txtManPwr", "txtThick", "txtRate", "txtRateRdg", "txtThickRdg",
                          "txtPowerRdg", "lblRateRdg", "lblThickRdg", "lblPowerRdg"})
        EXPECT_TRUE(visible(n, 0)) << n;
    EXPECT_EQ(Find<QLineEdit>("txtManPwr_0")->palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(Find<QLineEdit>("txtRate_0")->palette().color(QPalette::Text), QColor(128, 128, 128));
    EXPECT_EQ(Find<QGroupBox>("fraLoop_0")->title(), QStringLiteral("Gold"));
    // Auto: the reverse.
    EXPECT_EQ(Find<QLineEdit>("txtRate_1")->palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(Find<QLineEdit>("txtManPwr_1")->palette().color(QPalette::Text),
              QColor(128, 128, 128));
    // Analog-fed: no thickness, the rate label shows the input's units, the rate box its value.
    EXPECT_FALSE(visible("txtThick", 2));
    EXPECT_FALSE(visible("txtThickRdg", 2));
    EXPECT_FALSE(visible("lblThickRdg", 2));
    EXPECT_TRUE(visible("txtRate", 2));
    EXPECT_EQ(Find<QLabel>("lblRateRdg_2")->text(), QStringLiteral("mbar"));
    EXPECT_EQ(Find<QLineEdit>("txtRate_2")->text(), QStringLiteral("5.00")); // 2 × 2 V + 1

    // Record and Off hide everything.
    w.ChannelMode(0, ModeRecord);
    EXPECT_FALSE(visible("txtManPwr", 0));
    EXPECT_FALSE(visible("lblPowerRdg", 0));
    EXPECT_EQ(w.Tables().Output(0).Mode, ModeRecord);
    EXPECT_TRUE(Find<QRadioButton>("optMode0_1")->isChecked());

    // Cross-rate: the rate label names the cross output.
    w.Core().TablesForTesting().Flags.XRate = 1;
    w.Core().TablesForTesting().Output(1).XOut = 0;
    w.UpdateFrame(1);
    EXPECT_EQ(Find<QLabel>("lblRateRdg_1")->text(), QStringLiteral("Gold"));
    w.Core().TablesForTesting().Flags.XRate = 0;
    w.UpdateFrame(1);
    EXPECT_EQ(Find<QLabel>("lblRateRdg_1")->text(), QStringLiteral("Rate"));

    // An output as input cannot run a loop: the message names it, the boxes stay as they were.
    TakeMessages();
    w.Core().TablesForTesting().Output(1).Input = WithOutput(0, 12);
    w.UpdateFrame(1);
    EXPECT_EQ(TakeMessages(),
              QStringList{QStringLiteral("PID control can't use output 5 as an input.")});
    EXPECT_TRUE(visible("txtRate", 1));
}

TEST_F(MainWindow, SetpointBoxesAcceptTheirLimitsAndRefuseBeyond)
{
    WriteFile("Default.dat", kSetup);
    frmMain& w = Open();
    TakeMessages();
    struct Case {
        const char* box;
        const char* atLimit;
        const char* shown;
        const char* beyond;
        const char* message;
    };
    const Case cases[] = {
        {"txtRate_1", "999.9", "999.90", "1000", "Rate must be between 0 and 999.9 !"},
        {"txtRate_1", "0", "0.00", "-0.01", "Rate must be between 0 and 999.9 !"},
        {"txtThick_0", "999.9", "999.9", "999.91", "Thickness must be between 0 and 999.9 !"},
        {"txtThick_0", "1.2345", "1.235", "-1", "Thickness must be between 0 and 999.9 !"},
        {"txtManPwr_0", "100", "100.0", "100.1", "Power must be between 0 and 100 !"},
        {"txtManPwr_0", "0", "0.0", "abc", "Power must be between 0 and 100 !"},
        {"txtRate_2", "21", "21.00", "21.02",
         "Rate value is not between -10 volts and +10 analog volts!"},
        {"txtRate_2", "-19", "-19.00", "-19.1",
         "Rate value is not between -10 volts and +10 analog volts!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        auto* box = Find<QLineEdit>(QString::fromLatin1(c.box));
        Focus(box);
        ASSERT_EQ(w.CurrentEntry(), box);
        Enter(box, QString::fromLatin1(c.atLimit));
        EXPECT_EQ(box->text(), QString::fromLatin1(c.shown));
        EXPECT_TRUE(TakeMessages().isEmpty());

        Enter(box, QString::fromLatin1(c.beyond));
        EXPECT_EQ(TakeMessages(), QStringList{QString::fromLatin1(c.message)});
        // Leaving the refused entry is not allowed: the focus comes back with the text selected.
        Focus(Find<QPushButton>("cmdZero_0"));
        EXPECT_EQ(TakeMessages(), QStringList{QString::fromLatin1(c.message)});
        EXPECT_EQ(w.CurrentEntry(), box);
        EXPECT_EQ(box->selectedText(), QString::fromLatin1(c.beyond));
        Enter(box, QString::fromLatin1(c.atLimit)); // put it right before the next case
        EXPECT_TRUE(TakeMessages().isEmpty());
    }
    // A manual power is limited by the output's own maximum, and the box names it.
    w.Core().TablesForTesting().Output(0).MaxPwr = 50;
    auto* power = Find<QLineEdit>("txtManPwr_0");
    Focus(power);
    Enter(power, QStringLiteral("80"));
    EXPECT_EQ(TakeMessages(), QStringList{QStringLiteral("Power must be between 0 and 50 !")});
    EXPECT_DOUBLE_EQ(w.Core().ManualPower(0), 0);
    Enter(power, QStringLiteral("50"));
    EXPECT_TRUE(TakeMessages().isEmpty());
    EXPECT_DOUBLE_EQ(w.Core().ManualPower(0), 50);
    // What the valid entries stored and sent.
    // Leaving a box validates it again, as shown: 1.2345 became 1.235.
    EXPECT_DOUBLE_EQ(w.Tables().Output(0).Thick, 1.235);
    EXPECT_DOUBLE_EQ(w.Tables().Output(2).Rate, -10); // (-19 − 1) ÷ 2 volts
    EXPECT_DOUBLE_EQ(w.Tables().Output(1).Rate, 0);
    EXPECT_DOUBLE_EQ(w.Instrument().Rate(1), 0);
}

TEST_F(MainWindow, OpeningAMenuValidatesTheEntryFirst)
{
    frmMain& w = Open();
    TakeMessages();
    auto* thick = Find<QLineEdit>("txtThick_1");
    Focus(thick);
    thick->setText("5000"); // typed, Enter not pressed
    auto* file = w.findChild<QMenu*>("mnuFile");
    ASSERT_NE(file, nullptr);
    emit file->aboutToShow();
    EXPECT_EQ(TakeMessages(),
              QStringList{QStringLiteral("Thickness must be between 0 and 999.9 !")});
    EXPECT_EQ(w.CurrentEntry(), thick);
    EXPECT_DOUBLE_EQ(w.Tables().Output(1).Thick, 100); // nothing stored
    // Closing validates too, and a refused entry keeps the window open without asking to save.
    EXPECT_FALSE(w.close());
    EXPECT_EQ(TakeMessages(),
              QStringList{QStringLiteral("Thickness must be between 0 and 999.9 !")});
    thick->setText("5");
}

TEST_F(MainWindow, CrossRateEntryWaitsForTheNextReading)
{
    WriteFile("Default.dat", "[Card]\nXRate=1\n[OUTPUT2]\nMode=3\nInput=2\nXOut=0\nFullScale=10\n");
    frmMain& w = Open();
    w.Instrument().setTimerEnabled(false);
    const double before = w.Instrument().Rate(1);
    auto* box = Find<QLineEdit>("txtRate_1");
    Focus(box);
    Enter(box, "0.5");
    EXPECT_DOUBLE_EQ(w.Tables().Output(1).Rate, 0.5);
    EXPECT_DOUBLE_EQ(w.Instrument().Rate(1), before); // not sent as a setpoint of its own
}

TEST_F(MainWindow, ClosingAsksToSaveAndKeepsAnUnsavableSetup)
{
    frmMain& w = Open();
    TakeMessages();

    m_answer = [](const tlv::DialogRequest&) { return tlv::DialogAnswer(QMessageBox::Cancel); };
    EXPECT_FALSE(w.close());
    ASSERT_EQ(m_requests.size(), 1);
    EXPECT_EQ(m_requests[0].text, QStringLiteral("Save current setup to Default.dat ?"));
    EXPECT_EQ(m_requests[0].title, QStringLiteral("Quitting"));
    EXPECT_EQ(m_requests[0].icon, QMessageBox::Question);
    EXPECT_EQ(m_requests[0].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_TRUE(w.isVisible());
    TakeMessages();

    // A read-only setup file: Yes reports it and the window stays, so nothing is lost.
    WriteFile("Default.dat", "[Card]\n");
    QFile::setPermissions(HomeFile("Default.dat"), QFileDevice::ReadOwner);
    m_answer = [](const tlv::DialogRequest&) { return tlv::DialogAnswer(QMessageBox::Yes); };
    EXPECT_FALSE(w.close());
    EXPECT_EQ(TakeMessages(), (QStringList{QStringLiteral("Save current setup to Default.dat ?"),
                                           QStringLiteral("Default.dat is Read Only!")}));
    EXPECT_TRUE(w.isVisible());

    QFile::setPermissions(HomeFile("Default.dat"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(ReadFile(HomeFile("Default.dat")).contains(QStringLiteral("[OUTPUT14]")));
    auto settings = ProgramSettings();
    EXPECT_EQ(settings->value(QStringLiteral("frmReadings/Form Visible")).toString(),
              QStringLiteral("False"));
    EXPECT_TRUE(
        settings->value(QStringLiteral("Form Positions/frmMain")).toString().startsWith("L="));
    m_window.reset();
}

TEST_F(MainWindow, ClassEventsAreShownOnlyWithShowErrors)
{
    frmMain& w = Open();
    TakeMessages();
    w.Instrument().SendPower(20, 0);
    EXPECT_TRUE(TakeMessages().isEmpty());

    DeliverQueued();
    EXPECT_TRUE(TakeMessages().isEmpty());

    w.Core().TablesForTesting().Flags.ShowErrors = true;
    w.Instrument().SendPower(20, 0);
    EXPECT_TRUE(TakeMessages().isEmpty()) << "shown once the caller has returned";
    DeliverQueued();
    EXPECT_EQ(TakeMessages(),
              QStringList{QStringLiteral("TLV880 Error: 5\r\nInvalid Output Number.")});
    w.Core().TLVSensorEvent(1, QStringLiteral("Sensor 2 Crystal Failure."), 1);
    w.Core().TLVOutputEvent(4, QStringLiteral("Control error on Output 1!"), 0);
    DeliverQueued();
    EXPECT_EQ(TakeMessages(),
              (QStringList{QStringLiteral("Sensor Event: 1\r\nSensor 2 Crystal Failure."),
                           QStringLiteral("Output Event: 4\r\nControl error on Output 1!")}));
}
