// The setup file: what IniWrite writes (keys, order, formats), what IniRead makes of it, and
// the files it must not touch.

#include "CofluxTestSupport.h"

#include <QPointer>

#include "common/SetupFile.h"

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

using namespace coflux;
using namespace coflux::test;

namespace {

class SetupFile : public CofluxWindowTest {
protected:
    // The keys of the file in the order they stand, as "SECTION/Key".
    QStringList KeyOrder(const QString& name) const
    {
        QStringList keys;
        QString section;
        for (const QString& line : ReadFile(HomeFile(name)).split(QRegularExpression("\r?\n"))) {
            if (line.startsWith('['))
                section = line.mid(1, line.indexOf(']') - 1);
            else if (line.contains('='))
                keys << section + '/' + line.left(line.indexOf('='));
        }
        return keys;
    }
};

} // namespace

TEST_F(SetupFile, WriteThenReadReproducesTheTables)
{
    frmMain& w = Open();
    w.Instrument().setTimerEnabled(false);
    ProcessTables& t = w.Core().TablesForTesting();
    t.Flags.LogEnabled = 1;
    t.Flags.LogFile = HomeFile("deposit.log");
    OutputRecord& gold = t.Output(0);
    gold.Name = ProcessTables::FixedWidth("Gold", kOutputNameLength);
    gold.Mode = ModeManual;
    gold.Thick = 12.3456;
    gold.Rate = 4.567;
    gold.PTerm = 25.25;
    gold.ITerm = 0.5;
    gold.DTerm = 1.5;
    gold.FullScale = 7.5;
    gold.MaxPwr = 80;
    gold.SlewRate = 12.5;
    gold.Input = WithSensor(WithSensor(0, 0, true), 3, true);
    OutputRecord& rec = t.Output(13);
    rec.Mode = ModeRecord;
    rec.Input = WithOutput(0, 12);
    rec.RecScale = 5;
    t.Output(1).XOut = 0;
    t.Sensor(3) = SensorRecord{2.5, 0.75, 95.5, 1, 1.25, QStringLiteral("Gold")};
    t.Analog(1) = AnalogRecord{2, -1.5, QStringLiteral("mbar"), 1, 3.5};

    ASSERT_TRUE(w.IniWrite(QStringLiteral("Round.dat")));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("TLV-880 Coflux Controller - [ Round.dat ]"));
    EXPECT_EQ(tlv::SavedSetupFile(), QStringLiteral("Round.dat"));
    const QString text = ReadFile(HomeFile("Round.dat"));
    for (const char* line :
         {"Thick=12.346",  "Rate=4.57",    "PTerm=25.3",   "ITerm=0.5",     "FullScale=7.5",
          "SlewRate=12.5", "Input=9",      "Name=Gold",    "Zfactor=0.750", "Density=2.50",
          "Tooling=95.50", "ThickSP=1.25", "Offset=-1.50", "Units=mbar",    "Period=.25",
          "FMax=6100000",  "Simulate=1",   "RecScale=5",   "XOut=-1",       "Monitor=1"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(line))) << line;

    EXPECT_FALSE(text.contains("Name=Gold ")); // names are written trimmed
    t.ResetToDefaults();
    w.IniRead(QStringLiteral("Round.dat"));
    EXPECT_EQ(t.Flags.LogEnabled, 1);
    EXPECT_EQ(t.Flags.LogFile, HomeFile("deposit.log"));
    EXPECT_EQ(t.Output(0).Name, QStringLiteral("Gold        "));
    EXPECT_EQ(t.Output(0).Mode, ModeManual);
    EXPECT_DOUBLE_EQ(t.Output(0).Thick, 12.346);
    EXPECT_DOUBLE_EQ(t.Output(0).Rate, 4.57);
    EXPECT_DOUBLE_EQ(t.Output(0).PTerm, 25.3);
    EXPECT_DOUBLE_EQ(t.Output(0).FullScale, 7.5);
    EXPECT_DOUBLE_EQ(t.Output(0).MaxPwr, 80);
    EXPECT_EQ(t.Output(0).Input, gold.Input);
    EXPECT_EQ(t.Output(13).Mode, ModeRecord);
    EXPECT_EQ(InputOutput(t.Output(13).Input), 12);
    EXPECT_EQ(t.Output(13).RecScale, 5);
    EXPECT_EQ(t.Output(1).XOut, 0);
    EXPECT_DOUBLE_EQ(t.Sensor(3).ZFactor, 0.75);
    EXPECT_NE(t.Sensor(3).Monitor, 0);
    EXPECT_DOUBLE_EQ(t.Sensor(3).ThickSP, 1.25);
    EXPECT_EQ(t.Sensor(3).Material, QStringLiteral("Gold"))
        << "a name is kept as the file holds it";
    EXPECT_EQ(t.Analog(1).Units, QStringLiteral("mbar"));
    EXPECT_NE(t.Analog(1).Monitor, 0);
    EXPECT_DOUBLE_EQ(t.Analog(1).Offset, -1.5);
    EXPECT_EQ(t.Sensor(2).Monitor, 0);
    // The card received what was loaded.
    EXPECT_DOUBLE_EQ(w.Instrument().Density(3), 2.5);
    EXPECT_DOUBLE_EQ(w.Instrument().Tooling(3), 95.5);
    EXPECT_EQ(w.Instrument().SensorLoop(0), 0);
    EXPECT_EQ(w.Instrument().SensorLoop(3), 0);
    EXPECT_DOUBLE_EQ(w.Instrument().FSOut(0), 7.5);
    EXPECT_EQ(w.findChild<QLineEdit*>("txtThick_0")->text(), QStringLiteral("12.346"));
}

TEST_F(SetupFile, KeysAreWrittenInTheirOrder)
{
    frmMain& w = Open();
    ASSERT_TRUE(w.IniWrite(QStringLiteral("Order.dat")));
    QStringList expected{"Card/LogEnabled", "Card/LogFile", "Card/Filter", "Card/Period",
                         "Card/FMax",       "Card/FMin",    "Card/FInit",  "Card/Simulate"};
    for (int n : {1, 2, 3, 4, 13, 14})
        for (const char* k : {"Mode", "Name", "Input", "Thick", "Rate", "PTerm", "ITerm", "DTerm",
                              "FullScale", "MaxPwr", "SlewRate", "RecScale", "XOut"})
            expected << QStringLiteral("OUTPUT%1/%2").arg(n).arg(QLatin1String(k));
    for (int n = 1; n <= 8; ++n)
        for (const char* k : {"Density", "Zfactor", "Tooling", "Monitor", "ThickSP"})
            expected << QStringLiteral("SENSOR%1/%2").arg(n).arg(QLatin1String(k));
    for (int n = 1; n <= 4; ++n)
        for (const char* k : {"Gain", "Offset", "Units", "Monitor", "AnalogSP"})
            expected << QStringLiteral("ANALOG%1/%2").arg(n).arg(QLatin1String(k));
    EXPECT_EQ(KeyOrder("Order.dat"), expected);
}

TEST_F(SetupFile, HandEditedFlagsSurviveASave)
{
    WriteFile("Default.dat", "[Card]\r\nXRate=1\r\nShowErrors=1\r\nComment=kept\r\n");
    frmMain& w = Open();
    EXPECT_EQ(w.Tables().Flags.XRate, 1);
    EXPECT_TRUE(w.Tables().Flags.ShowErrors);
    ASSERT_TRUE(w.IniWrite(QStringLiteral("Default.dat")));
    const QString text = ReadFile(HomeFile("Default.dat"));
    EXPECT_TRUE(text.contains("XRate=1"));
    EXPECT_TRUE(text.contains("ShowErrors=1"));
    EXPECT_TRUE(text.contains("Comment=kept"));
    w.Core().TablesForTesting().ResetToDefaults();
    w.IniRead(QStringLiteral("Default.dat"));
    EXPECT_EQ(w.Tables().Flags.XRate, 1);
    EXPECT_TRUE(w.Tables().Flags.ShowErrors);
}

TEST_F(SetupFile, ReadOnlyFileGetsTheMessageAndNothingWritten)
{
    frmMain& w = Open();
    const QByteArray original("[OUTPUT1]\r\nName=Locked\r\n");
    WriteFile("Locked.dat", QString::fromLatin1(original));
    QFile::setPermissions(HomeFile("Locked.dat"), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    TakeMessages();
    EXPECT_FALSE(w.IniWrite(QStringLiteral("Locked.dat")));
    // The message names the setup file current before the save.
    EXPECT_EQ(TakeMessages(), QStringList{QStringLiteral("Default.dat is Read Only!")});
    EXPECT_EQ(ReadFile(HomeFile("Locked.dat")).toLatin1(), original);
    EXPECT_EQ(w.SetupFileName(), QStringLiteral("Default.dat"));
    EXPECT_EQ(tlv::SavedSetupFile(), QStringLiteral("Default.dat"));
    QFile::setPermissions(HomeFile("Locked.dat"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(SetupFile, ReadCutsNamesAndRefusesImpossibleValues)
{
    WriteFile("Odd.dat", "[OUTPUT1]\nName=A very long film name\nMode=9\nXOut=40\nRecScale=12\n"
                         "[OUTPUT2]\nName=  Spaced\nMode=2\n[ANALOG1]\nUnits=Millibar\n");
    frmMain& w = Open();
    TakeMessages();
    w.IniRead(QStringLiteral("Odd.dat"));
    // The three impossible values are named in one message; the cut texts are not.
    EXPECT_EQ(TakeMessages(),
              QStringList{QStringLiteral("Odd.dat holds values outside their limits:\n"
                                         "[OUTPUT1] Mode=9 (limits 0 to 3): 0 is used\n"
                                         "[OUTPUT1] XOut=40 (limits -1 to 13): -1 is used\n"
                                         "[OUTPUT1] RecScale=12 (limits 0 to 7): 0 is used")});
    const ProcessTables& t = w.Tables();
    EXPECT_EQ(t.Output(0).Name, QStringLiteral("A very long "));
    EXPECT_EQ(t.Output(0).Mode, ModeOff);
    EXPECT_EQ(t.Output(0).XOut, -1);
    EXPECT_EQ(t.Output(0).RecScale, 0);
    EXPECT_EQ(t.Output(1).Mode, ModeManual);
    EXPECT_EQ(t.Analog(0).Units, QStringLiteral("Millib"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("TLV-880 Coflux Controller - [ Odd.dat ]"));
}

TEST_F(SetupFile, MonitorFlagsReadAsSetForAnyNonZeroValue)
{
    WriteFile("Flags.dat", "[SENSOR1]\nMonitor=-1\n[SENSOR2]\nMonitor=True\n[SENSOR3]\nMonitor=0\n"
                           "[SENSOR4]\nMonitor=no\n[ANALOG1]\nMonitor=-1\n[ANALOG2]\nMonitor=1\n");
    frmMain& w = Open();
    w.IniRead(QStringLiteral("Flags.dat"));
    const ProcessTables& t = w.Tables();
    EXPECT_EQ(t.Sensor(0).Monitor, 1);
    EXPECT_EQ(t.Sensor(1).Monitor, 1);
    EXPECT_EQ(t.Sensor(2).Monitor, 0);
    EXPECT_EQ(t.Sensor(3).Monitor, 0);
    EXPECT_EQ(t.Analog(0).Monitor, 1);
    EXPECT_EQ(t.Analog(1).Monitor, 1);
    ASSERT_TRUE(w.IniWrite(QStringLiteral("Flags.dat")));
    const QString text = ReadFile(HomeFile("Flags.dat"));
    EXPECT_FALSE(text.contains("Monitor=-1")); // rewritten as 1, which every reader takes as set
    EXPECT_TRUE(text.contains("[SENSOR1]\nMonitor=1\n"));
}

TEST_F(SetupFile, EmptyNamesDoNothing)
{
    frmMain& w = Open();
    TakeMessages();
    w.IniRead(QString());
    EXPECT_FALSE(w.IniWrite(QString()));
    EXPECT_TRUE(TakeMessages().isEmpty());
    EXPECT_EQ(w.SetupFileName(), QStringLiteral("Default.dat"));
}

TEST_F(SetupFile, StartUpLoadsTheRememberedSetup)
{
    WriteFile("Remembered.dat", "[OUTPUT2]\nName=Chromium\n");
    tlv::SetCurrentSetupFile(QStringLiteral("Remembered.dat"));
    frmMain& w = Open();
    EXPECT_TRUE(TakeMessages().isEmpty());
    EXPECT_EQ(w.Tables().Output(1).Name.trimmed(), QStringLiteral("Chromium"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("TLV-880 Coflux Controller - [ Remembered.dat ]"));
}

TEST_F(SetupFile, MenusOpenAndSaveThroughTheDialogs)
{
    WriteFile("Other.dat", "[OUTPUT1]\nName=Titanium\n");
    frmMain& w = Open();
    m_answer = [this](const tlv::DialogRequest& r) -> tlv::DialogAnswer {
        if (r.kind == tlv::DialogKind::Open) return HomeFile("Other.dat");
        if (r.kind == tlv::DialogKind::Save) return HomeFile("Saved.dat");
        return QMessageBox::Ok;
    };
    w.findChild<QAction*>("mnuOpen")->trigger();
    EXPECT_EQ(w.Tables().Output(0).Name.trimmed(), QStringLiteral("Titanium"));
    w.findChild<QAction*>("mnuSave")->trigger();
    EXPECT_TRUE(ReadFile(HomeFile("Saved.dat")).contains("Name=Titanium"));
    EXPECT_EQ(w.SetupFileName(), QStringLiteral("Saved.dat"));
    bool sawOpenTitle = false;
    for (const auto& r : m_requests)
        sawOpenTitle |= r.title == QStringLiteral("Open Setup File");
    EXPECT_TRUE(sawOpenTitle);

    m_answer = [](const tlv::DialogRequest&) { return tlv::DialogAnswer::cancelled(); };
    w.findChild<QAction*>("mnuOpen")->trigger();
    EXPECT_EQ(w.SetupFileName(), QStringLiteral("Saved.dat"));
}

// Under a running deposition File Open is refused before any file is asked for, with the
// process's own message; the setup stays.
TEST_F(SetupFile, OpenIsRefusedWhileTheDepositionRuns)
{
    WriteFile("Other.dat", "[OUTPUT1]\nName=Titanium\n");
    frmMain& w = Open();
    const QString before = w.Tables().Output(0).Name;
    ASSERT_TRUE(w.Core().Start().ok());
    TakeMessages();
    m_requests.clear();
    m_answer = [this](const tlv::DialogRequest& r) -> tlv::DialogAnswer {
        if (r.kind == tlv::DialogKind::Open) return HomeFile("Other.dat");
        return QMessageBox::Ok;
    };
    w.findChild<QAction*>("mnuOpen")->trigger();
    ASSERT_EQ(m_requests.size(), 1);
    EXPECT_EQ(m_requests[0].kind, tlv::DialogKind::Message);
    EXPECT_EQ(m_requests[0].text,
              QStringLiteral("Stop the deposition before opening a setup file"));
    EXPECT_EQ(w.Tables().Output(0).Name, before);
    EXPECT_EQ(w.RunState(), RunRunning);
    ASSERT_TRUE(w.Core().Stop().ok());
}

TEST_F(SetupFile, ASetupLoadedFromElsewhereCancelsTheOpenEditors)
{
    WriteFile("Other.dat", "[SENSOR1]\nDensity=5.5\n");
    frmMain& w = Open();
    w.ShowInputSetup();
    QPointer<QWidget> inputs = w.findChild<QWidget*>("frmInputs");
    ASSERT_NE(inputs, nullptr);
    bool asked = false;
    m_answer = [&](const tlv::DialogRequest&) -> tlv::DialogAnswer {
        asked = true;
        return QMessageBox::Yes;
    };
    // A remote client loads through the process, not through the window's menu.
    ASSERT_TRUE(w.Core().OpenSetup(QStringLiteral("Other.dat")).loaded);
    EXPECT_FALSE(asked) << "nobody at the window is asked about a load made elsewhere";
    EXPECT_TRUE(inputs.isNull() || !inputs->isVisible())
        << "no editor keeps values of the replaced setup";
    EXPECT_DOUBLE_EQ(w.Tables().Sensor(0).Density, 5.5);
    EXPECT_TRUE(
        w.findChild<QLabel*>(QStringLiteral("lblStatusLine"))
            ->text()
            .contains(QStringLiteral("Other.dat was loaded; its open editors were closed")));
}

TEST_F(SetupFile, OpeningAnotherSetupClosesTheEditorsFirst)
{
    WriteFile("Other.dat", "[SENSOR1]\nDensity=5.5\n");
    frmMain& w = Open();
    w.ShowInputSetup();
    QPointer<QWidget> inputs = w.findChild<QWidget*>("frmInputs");
    ASSERT_NE(inputs, nullptr);
    ASSERT_TRUE(inputs->isVisible());
    m_answer = [this](const tlv::DialogRequest& r) -> tlv::DialogAnswer {
        if (r.kind == tlv::DialogKind::Open) return HomeFile("Other.dat");
        return QMessageBox::No;
    };
    w.findChild<QAction*>("mnuOpen")->trigger();
    EXPECT_TRUE(inputs.isNull() || !inputs->isVisible())
        << "no editor keeps values of the replaced setup";
    EXPECT_DOUBLE_EQ(w.Tables().Sensor(0).Density, 5.5);
}
