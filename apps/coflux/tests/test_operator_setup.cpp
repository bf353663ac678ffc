// What an operator meets first in the coflux window: the defaults of a fresh installation drive
// the card, stored values outside their limits are named once and replaced by their defaults,
// and the Options menu switches the program flags, which a save keeps. The window runs on the
// recording card-library double in simulation, with a clock and a poll the test steps.

#include "CofluxTestSupport.h"
#include "DepositionAlarms.h"
#include "frmFilm.h"

#include "common/StatusLine.h"
#include "common/alarms/AlarmConditions.h"

#include <tlvtest/RecordingLibrary.h>
#include <tlvtest/StepClock.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

namespace coflux::test {
namespace {

class OperatorSetup : public CofluxWindowTest {
protected:
    // Opens the main window as at program start, on whatever setup files the test wrote.
    frmMain& Start()
    {
        m_lib = std::make_shared<tlvtest::RecordingLibrary>();
        // The library reports the power it drives, as the card's converters would.
        m_lib->during = [this](const tlvtest::Call& call) {
            if (call.name == QLatin1String("Xdc770SetPower")) {
                const int out = call.args.value(0).toInt();
                if (out >= 0 && out < 14)
                    m_driven.at(static_cast<size_t>(out)) = call.args.value(1).toDouble();
            }
        };
        m_lib->nextReading = [this](tlvtest::Reading& r) {
            r.power = m_driven;
            return true;
        };
        m_clock = std::make_shared<tlvtest::StepClock>();
        m_tlv = std::make_unique<cTLV880a>(m_lib, m_clock);
        m_window = std::make_unique<frmMain>(nullptr, m_tlv.get());
        m_tlv->setTimerEnabled(false); // the test is the poll
        DeliverQueued();
        return *m_window;
    }

    // One reading a period later, then back to the event loop.
    void Tick()
    {
        m_clock->advance(0.25);
        m_tlv->TLVTimer_Timer();
        DeliverQueued();
    }

    // Types a value into one of the window's boxes and presses Enter, as the operator does.
    void Enter(const QString& box, const QString& text)
    {
        auto* edit = Find<QLineEdit>(box);
        edit->setFocus();
        if (!edit->hasFocus()) { // the window is not active: the focus guard hears of it anyway
            QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
            QCoreApplication::sendEvent(edit, &in);
        }
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    // The lines of a file's text, whatever its line ends.
    static QStringList Lines(const QString& text)
    {
        return QString(text).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    }
    QString StatusLine() const { return Find<QLabel>(QStringLiteral("lblStatusLine"))->text(); }
    QAction* Action(const char* name) const
    {
        return m_window->findChild<QAction*>(QLatin1String(name));
    }
    static frmFilm* OpenFilmEditor()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<frmFilm*>(w); form && form->isVisible()) return form;
        return nullptr;
    }

    std::shared_ptr<tlvtest::RecordingLibrary> m_lib;
    std::shared_ptr<tlvtest::StepClock> m_clock;
    std::unique_ptr<cTLV880a> m_tlv; // outlives the window (destroyed after TearDown)
    std::array<double, 14> m_driven{};
};

// ---- a fresh installation ---------------------------------------------------------------------

TEST_F(OperatorSetup, FreshInstallManualPowerIsDrivenAndShown)
{
    frmMain& w = Start();
    EXPECT_EQ(TakeMessages(),
              QStringList{HomeFile("Default.dat") + " Not Found.\r\nContinuing with defaults."});
    // Every fresh output got a full scale the card takes, so its maximum power is not 0.
    for (int j : kShownOutputs)
        EXPECT_FALSE(m_lib->linesOf(QStringLiteral("FullScale %1 10 ").arg(j)).isEmpty()) << j;

    Find<QRadioButton>("optMode0_2")->click();
    Enter("txtManPwr_0", "20");
    w.cmdFSwitch_Click(0);
    ASSERT_EQ(w.RunState(), RunRunning);
    EXPECT_DOUBLE_EQ(m_driven[0], 0.2);
    for (int reading = 0; reading < 4; ++reading)
        Tick();
    EXPECT_EQ(Find<QLineEdit>("txtPowerRdg_0")->text(), QStringLiteral("20.0"));
    EXPECT_FALSE(StatusLine().contains(QStringLiteral("Error"))) << StatusLine().toStdString();
    EXPECT_TRUE(TakeMessages().isEmpty());
}

TEST_F(OperatorSetup, FreshInstallOutputEditorsFirstOkIsTaken)
{
    frmMain& w = Start();
    TakeMessages();
    w.cmdEdit_Click(0);
    frmFilm* film = OpenFilmEditor();
    ASSERT_NE(film, nullptr);
    EXPECT_EQ(film->findChild<QLineEdit*>("txtFullScale")->text(), QStringLiteral("10.0"));
    film->findChild<QPushButton*>("cmdFSwitch_0")->click();
    EXPECT_TRUE(TakeMessages().isEmpty()) << "no \"Full Scale must be between -10 and 10 !\"";
    EXPECT_FALSE(film->isVisible()) << "OK applied and closed the editor";
    EXPECT_DOUBLE_EQ(w.Tables().Output(0).FullScale, 10);
    EXPECT_DOUBLE_EQ(m_tlv->FSOut(0), 10);
}

// ---- stored values outside their limits ------------------------------------------------------

TEST_F(OperatorSetup, AStoredFullScaleOutsideTheCardsRangeIsNamedOnceAndDefaulted)
{
    WriteFile("Default.dat", "[OUTPUT1]\r\nName=Silver\r\nMode=2\r\nFullScale=100\r\n");
    QStringList classErrors;
    frmMain& w = Start();
    QObject::connect(&w.Core(), &Deposition::classError, [&](int number, const QString& text) {
        classErrors << QString::number(number) + text;
    });
    EXPECT_EQ(TakeMessages(), QStringList{QStringLiteral(
                                  "Default.dat holds values outside their limits:\n"
                                  "[OUTPUT1] FullScale=100 of Silver (limits -10 to 10): 10 is "
                                  "used")});
    EXPECT_TRUE(StatusLine().contains(QStringLiteral("FullScale=100 of Silver")));
    EXPECT_DOUBLE_EQ(w.Tables().Output(0).FullScale, 10);

    // Sending the output again and again (start, power, the editor's OK) repeats nothing.
    Enter("txtManPwr_0", "30");
    w.cmdFSwitch_Click(0);
    Tick();
    w.cmdEdit_Click(0);
    ASSERT_NE(OpenFilmEditor(), nullptr);
    OpenFilmEditor()->findChild<QPushButton*>("cmdFSwitch_0")->click();
    Tick();
    w.cmdFSwitch_Click(0);
    DeliverQueued();
    EXPECT_TRUE(TakeMessages().isEmpty());
    EXPECT_TRUE(classErrors.isEmpty()) << classErrors.join('|').toStdString();
    EXPECT_TRUE(m_lib->linesOf(QStringLiteral("FullScale 0 100")).isEmpty());
    EXPECT_DOUBLE_EQ(m_driven[0], 0);
    EXPECT_EQ(Find<QLineEdit>("txtPowerRdg_0")->text(), QStringLiteral("30.0"));
}

TEST_F(OperatorSetup, ValuesOutsideTheirLimitsTakeTheirDefaultsAndASaveWritesThem)
{
    // One field of each kind: card, sensor, analog input, output, and a whole number.
    WriteFile("Odd.dat", "[Card]\r\nPeriod=5\r\nFilter=50\r\nFMin=999\r\n"
                         "[SENSOR2]\r\nDensity=1e300\r\nZFactor=0.05\r\n"
                         "[ANALOG1]\r\nAnalogSP=50\r\nGain=1e300\r\n"
                         "[OUTPUT13]\r\nName=Boat\r\nPTerm=-3\r\n"
                         "[OUTPUT2]\r\nInput=16777216\r\nRate=20\r\n");
    frmMain& w = Start();
    TakeMessages();
    w.IniRead(QStringLiteral("Odd.dat"));
    const QStringList messages = TakeMessages();
    ASSERT_EQ(messages.size(), 1) << messages.join('|').toStdString();
    EXPECT_EQ(messages[0],
              QStringLiteral("Odd.dat holds values outside their limits:\n"
                             "[Card] Filter=50 (limits 1 to 10): 4 is used\n"
                             "[Card] FMin=999 (limits 1000000 to 10000000): 5000000 is used\n"
                             "[Card] Period=5 (limits 0.1 to 2): 0.25 is used\n"
                             "[SENSOR2] Density=1e300 (limits 0.4 to 99.99): 10 is used\n"
                             "[SENSOR2] ZFactor=0.05 (limits 0.1 to 9.999): 1 is used\n"
                             "[ANALOG1] Gain=1e300 (limits -1e+15 to 1e+15): 1 is used\n"
                             "[ANALOG1] AnalogSP=50 (limits -10 to 10): 0 is used\n"
                             "[OUTPUT2] Rate=20 of Output 2 (limits -10 to 10): 10 is used\n"
                             "[OUTPUT13] PTerm=-3 of Boat (limits 0 to 9999): 10 is used"))
        << messages[0].toStdString();
    const ProcessTables& t = w.Tables();
    EXPECT_DOUBLE_EQ(t.Sensor(1).Density, 10);
    EXPECT_DOUBLE_EQ(t.Analog(0).AnalogSP, 0);
    EXPECT_DOUBLE_EQ(t.Output(12).PTerm, 10);
    EXPECT_DOUBLE_EQ(t.Output(1).Rate, 10) << "volts: the output is fed by analog input 1";
    // The card took the card settings: nothing was refused.
    EXPECT_DOUBLE_EQ(m_tlv->Period(), 0.25);
    EXPECT_DOUBLE_EQ(m_tlv->SensorMinFreq(), 5000000);
    EXPECT_EQ(m_tlv->FilterSize(), 4);
    EXPECT_DOUBLE_EQ(m_tlv->Density(1), 10);

    ASSERT_TRUE(w.IniWrite(QStringLiteral("Odd.dat")));
    const QString text = ReadFile(HomeFile("Odd.dat"));
    for (const char* line : {"Period=.25", "Filter=4", "FMin=5000000", "Density=10.00",
                             "Zfactor=1.000", "AnalogSP=0.00", "Gain=1.00", "PTerm=10.0"})
        EXPECT_TRUE(text.contains(QLatin1String(line))) << line;
    EXPECT_FALSE(text.contains(QLatin1String("1e300")));

    // What coflux wrote reads back without a word and is written back byte for byte.
    const QByteArray saved = text.toUtf8();
    w.IniRead(QStringLiteral("Odd.dat"));
    EXPECT_TRUE(TakeMessages().isEmpty());
    ASSERT_TRUE(w.IniWrite(QStringLiteral("Odd.dat")));
    EXPECT_EQ(ReadFile(HomeFile("Odd.dat")).toUtf8(), saved);
}

// ---- the Options menu ----------------------------------------------------------------------

TEST_F(OperatorSetup, ShowErrorsSwitchesTheMessageBoxesAndTheStatusLineStays)
{
    frmMain& w = Start();
    TakeMessages();
    QAction* showErrors = Action("mnuShowErrors");
    ASSERT_NE(showErrors, nullptr);
    EXPECT_FALSE(showErrors->isChecked());

    EXPECT_NE(w.Instrument().SendPower(20, 0), 0);
    DeliverQueued();
    EXPECT_TRUE(StatusLine().endsWith(QStringLiteral("TLV880 Error: 5: Invalid Output Number.")));
    EXPECT_TRUE(TakeMessages().isEmpty()) << "no box while Show Errors is off";

    showErrors->trigger();
    EXPECT_TRUE(w.Tables().Flags.ShowErrors);
    EXPECT_NE(w.Instrument().SendPower(21, 0), 0);
    DeliverQueued();
    EXPECT_EQ(TakeMessages(),
              QStringList{QStringLiteral("TLV880 Error: 5\r\nInvalid Output Number.")});
}

TEST_F(OperatorSetup, CrossRateFollowsTheMenuAtOnceAndBothFlagsSurviveASave)
{
    WriteFile("Default.dat",
              "[OUTPUT1]\r\nName=Gold\r\nMode=3\r\nInput=1\r\n"
              "[OUTPUT2]\r\nName=Tin\r\nMode=3\r\nInput=2\r\nXOut=0\r\nRate=0.5\r\n");
    frmMain& w = Start();
    TakeMessages();
    QAction* crossRate = Action("mnuXRate");
    ASSERT_NE(crossRate, nullptr);
    auto* label = Find<QLabel>("lblRateRdg_1");
    EXPECT_EQ(label->text(), QStringLiteral("Rate"));

    crossRate->trigger();
    EXPECT_EQ(w.Tables().Flags.XRate, 1);
    EXPECT_EQ(label->text(), QStringLiteral("Gold")) << "the frame names its cross output";
    w.cmdEdit_Click(1);
    frmFilm* film = OpenFilmEditor();
    ASSERT_NE(film, nullptr);
    EXPECT_TRUE(film->findChild<QComboBox*>("cboXOut")->isVisible());

    // Running, Tin's loop follows Gold's measured rate (0 here), until cross-rate goes off.
    w.cmdFSwitch_Click(0);
    Tick();
    EXPECT_DOUBLE_EQ(m_tlv->Rate(1), 0);
    crossRate->trigger();
    EXPECT_EQ(w.Tables().Flags.XRate, 0);
    EXPECT_DOUBLE_EQ(m_tlv->Rate(1), 0.5) << "back to its own setpoint at once";
    EXPECT_EQ(label->text(), QStringLiteral("Rate"));
    EXPECT_FALSE(film->findChild<QComboBox*>("cboXOut")->isVisible());
    film->close();
    w.cmdFSwitch_Click(0);

    crossRate->trigger();
    Action("mnuShowErrors")->trigger();
    ASSERT_TRUE(w.IniWrite(QStringLiteral("Flags.dat")));
    const QString text = ReadFile(HomeFile("Flags.dat"));
    EXPECT_TRUE(Lines(text).contains(QLatin1String("XRate=1"))) << text.toStdString();
    EXPECT_TRUE(Lines(text).contains(QLatin1String("ShowErrors=1")));

    crossRate->trigger();
    Action("mnuShowErrors")->trigger();
    w.IniRead(QStringLiteral("Flags.dat"));
    EXPECT_EQ(w.Tables().Flags.XRate, 1);
    EXPECT_TRUE(w.Tables().Flags.ShowErrors);
    EXPECT_TRUE(crossRate->isChecked());
    EXPECT_TRUE(Action("mnuShowErrors")->isChecked());

    // Switched off again, the next save says so in the same keys.
    crossRate->trigger();
    Action("mnuShowErrors")->trigger();
    ASSERT_TRUE(w.IniWrite(QStringLiteral("Flags.dat")));
    const QString off = ReadFile(HomeFile("Flags.dat"));
    EXPECT_TRUE(Lines(off).contains(QLatin1String("XRate=0")));
    EXPECT_TRUE(Lines(off).contains(QLatin1String("ShowErrors=0")));
    EXPECT_EQ(off.count(QLatin1String("XRate=")), 1);
}

TEST_F(OperatorSetup, TheAlarmPanelAcknowledgesAndTheStatusLineFollowsTheAlarms)
{
    frmMain& w = Start();
    TakeMessages();
    auto* panel = Find<QDockWidget>("dockAlarms");
    auto* table = Find<QTableWidget>("grdAlarms");
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(panel->isVisibleTo(&w));
    EXPECT_EQ(table->rowCount(), 0);

    tlv::AlarmModel& alarms = w.Core().Alarms().Model();
    alarms.raise(tlv::condition::kCrystal, tlv::AlarmSource::sensor(0),
                 QStringLiteral("Sensor 1 Crystal Failure."));
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_TRUE(StatusLine().endsWith(QStringLiteral(" (0 s ago)  Sensor 1 Crystal Failure.")))
        << StatusLine().toStdString();
    m_clock->advance(75); // the instrument's clock, not the machine's
    Find<tlv::StatusLine>("lblStatusLine")->refreshAge();
    EXPECT_TRUE(StatusLine().contains(QStringLiteral("(1 min ago)"))) << StatusLine().toStdString();

    table->selectRow(0);
    Find<QPushButton>("cmdAcknowledge")->click();
    EXPECT_EQ(alarms.unacknowledgedCount(), 0);
    alarms.clear(tlv::condition::kCrystal, tlv::AlarmSource::sensor(0));
    EXPECT_TRUE(StatusLine().isEmpty()) << "its cause has gone";
    EXPECT_EQ(table->item(0, 4)->text(), QStringLiteral("Cleared"));

    // Closed, the panel comes back from the View menu.
    panel->close();
    Action("mnuViewAlarms")->trigger();
    EXPECT_TRUE(panel->isVisibleTo(&w));
}

TEST_F(OperatorSetup, TheRateToleranceFormSetsTheProcessesToleranceWhichASaveKeeps)
{
    WriteFile("Default.dat", "[Card]\r\nPeriod=.25\r\n");
    frmMain& w = Start();
    TakeMessages();
    Action("mnuRateTolerance")->trigger();
    QWidget* form = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QLatin1String("frmTolerance") && top->isVisible()) form = top;
    ASSERT_NE(form, nullptr);
    auto* percent = form->findChild<QLineEdit*>("txtTolerance_0");
    ASSERT_NE(percent, nullptr);
    EXPECT_EQ(percent->text(), QStringLiteral("5.0"));
    percent->setText(QStringLiteral("2.5"));
    form->findChild<QPushButton*>("cmdFSwitch_0")->click();
    EXPECT_TRUE(TakeMessages().isEmpty());
    EXPECT_DOUBLE_EQ(w.Tables().Flags.RateTolerance.percent, 2.5);
    EXPECT_FALSE(form->isVisible());

    ASSERT_TRUE(w.IniWrite(QStringLiteral("Tolerance.dat")));
    const QString text = ReadFile(HomeFile("Tolerance.dat"));
    EXPECT_TRUE(Lines(text).contains(QLatin1String("RateTolerance=2.5"))) << text.toStdString();
    w.IniRead(QStringLiteral("Default.dat"));
    EXPECT_DOUBLE_EQ(w.Tables().Flags.RateTolerance.percent, 5) << "the file without the keys";
}

} // namespace
} // namespace coflux::test
