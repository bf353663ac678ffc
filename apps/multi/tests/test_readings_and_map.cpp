// Readings in the two views, reading on and off, the settings file through the window, and the
// sensor map dialog.

#include "WindowFixture.h"
#include "frmSensorMap.h"

#include <QCoreApplication>
#include <QFileInfo>

using namespace multi;
using namespace multi::testing;

namespace {

SensorArray SampleSensors()
{
    SensorArray sensors{};
    sensors[0] = {12.34, 1234.5678, 5950000.04, -3.21};
    sensors[1] = {0.0, 0.0, -1.0, 0.0};
    sensors[2] = {1.0, 2.0, 0.0, 150.0};
    sensors[23] = {9.96, 0.0004, 6000000.0, 0.05};
    return sensors;
}

OutputArray SampleOutputs()
{
    OutputArray outputs{};
    outputs[0] = {1.25, 500.0, 45.6, 2.0};
    outputs[1] = {2.0, 750.25, 100.0, -12.34};
    outputs[11] = {0, 0, 3.04, 0};
    return outputs;
}

TEST_F(WindowTest, SensorViewShowsEveryCardsSensors)
{
    frmMain& w = Open();
    w.TLV880_TLVReading(SampleSensors(), SampleOutputs(), 1.0);
    EXPECT_EQ(Label("lblRateRdg", 0)->text(), QStringLiteral("12.3"));
    EXPECT_EQ(Label("lblThickRdg", 0)->text(), QStringLiteral("1234.568"));
    EXPECT_EQ(Label("lblFreqRdg", 0)->text(), QStringLiteral("5950000.0"));
    EXPECT_EQ(Label("lblDevRdg", 0)->text(), QStringLiteral("-3.2"));
    EXPECT_EQ(Label("lblFreqRdg", 1)->text(), QStringLiteral("Crystal Fail"));
    EXPECT_EQ(Label("lblFreqRdg", 2)->text(), QStringLiteral("0.0"));
    EXPECT_EQ(Label("lblDevRdg", 2)->text(), QStringLiteral("150.0"));
    EXPECT_EQ(Label("lblRateRdg", 23)->text(), QStringLiteral("10.0"));
    EXPECT_EQ(Label("lblThickRdg", 23)->text(), QStringLiteral("0.000"));
    EXPECT_EQ(Label("lblPowerRdg", 0)->text(), QStringLiteral("45.6"));
    EXPECT_EQ(Label("lblPowerRdg", 1)->text(), QStringLiteral("100.0"));
    EXPECT_EQ(Label("lblPowerRdg", 11)->text(), QStringLiteral("3.0"));
}

TEST_F(WindowTest, OnlyInstalledCardsAreShown)
{
    frmMain& w = Open({300});
    w.TLV880_TLVReading(SampleSensors(), SampleOutputs(), 1.0);
    EXPECT_EQ(Label("lblRateRdg", 0)->text(), QStringLiteral("12.3"));
    EXPECT_TRUE(Label("lblRateRdg", 23)->text().isEmpty());
    EXPECT_EQ(Label("lblPowerRdg", 1)->text(), QStringLiteral("100.0"));
    EXPECT_TRUE(Label("lblPowerRdg", 11)->text().isEmpty());
}

TEST_F(WindowTest, OutputViewHidesFrequencyAndTheLastTwoRowsOfEveryCard)
{
    frmMain& w = Open();
    Click("cmdDisplay");
    EXPECT_FALSE(w.SensorView());
    EXPECT_EQ(Button("cmdDisplay")->text(), QStringLiteral("Show Sensors"));
    for (int card = 0; card < 6; ++card) {
        EXPECT_TRUE(Label("lblFreq", card)->isHidden());
        EXPECT_FALSE(Label("lblRate", card)->isHidden());
        for (int row = 0; row < 4; ++row) {
            const int i = card * 4 + row;
            EXPECT_TRUE(Label("lblFreqRdg", i)->isHidden());
            for (const char* column : {"lblRateRdg", "lblThickRdg", "lblDevRdg"})
                EXPECT_EQ(Label(column, i)->isHidden(), row >= 2) << column << i;
        }
    }

    w.TLV880_TLVReading(SampleSensors(), SampleOutputs(), 1.0);
    EXPECT_EQ(Label("lblRateRdg", 0)->text(), QStringLiteral("1.3"));
    EXPECT_EQ(Label("lblThickRdg", 0)->text(), QStringLiteral("500.000"));
    EXPECT_EQ(Label("lblDevRdg", 1)->text(), QStringLiteral("-12.3"));
    EXPECT_EQ(Label("lblThickRdg", 1)->text(), QStringLiteral("750.250"));
    EXPECT_EQ(Label("lblRateRdg", 20)->text(), QStringLiteral("0.0")); // outputs 10 and 11
    EXPECT_EQ(Label("lblPowerRdg", 0)->text(), QStringLiteral("45.6"));

    Click("cmdDisplay");
    EXPECT_TRUE(w.SensorView());
    EXPECT_EQ(Button("cmdDisplay")->text(), QStringLiteral("Show Outputs"));
    EXPECT_FALSE(Label("lblFreqRdg", 5)->isHidden());
    EXPECT_FALSE(Label("lblDevRdg", 23)->isHidden());
    EXPECT_FALSE(Label("lblFreq", 5)->isHidden());
}

TEST_F(WindowTest, ReadStartsAndStopStopsThePoll)
{
    frmMain& w = Open();
    w.TLV880_TLVReading(SampleSensors(), SampleOutputs(), 1.0);
    Click("cmdRead");
    EXPECT_EQ(library->lines(), (QStringList{"Simulate 1", "StartMeas"}));
    EXPECT_TRUE(w.TLV880().TimerEnabled());
    EXPECT_EQ(Button("cmdRead")->text(), QStringLiteral("Stop"));
    EXPECT_EQ(ButtonColour(Button("cmdRead")), kFailColour);
    EXPECT_TRUE(Label("lblRateRdg", 0)->text().isEmpty());
    EXPECT_TRUE(Label("lblPowerRdg", 0)->text().isEmpty());

    tlvtest::Reading reading;
    reading.values[0] = 4.0;      // rate of sensor 0
    reading.values[24] = 1500.0;  // thickness
    reading.values[48 + 5] = -1;  // sensor 5 has no crystal
    reading.values[48] = 5900000; // frequency of sensor 0
    reading.power[3] = 0.25;
    library->readings.push_back(reading);
    w.TLV880().TLVTimer_Timer();
    EXPECT_EQ(Label("lblRateRdg", 0)->text(), QStringLiteral("4.0"));
    EXPECT_EQ(Label("lblThickRdg", 0)->text(), QStringLiteral("1500.000"));
    EXPECT_EQ(Label("lblFreqRdg", 0)->text(), QStringLiteral("5900000.0"));
    EXPECT_EQ(Label("lblFreqRdg", 5)->text(), QStringLiteral("Crystal Fail"));
    EXPECT_EQ(Label("lblPowerRdg", 3)->text(), QStringLiteral("25.0"));

    Click("cmdRead");
    EXPECT_FALSE(w.TLV880().TimerEnabled());
    EXPECT_EQ(Button("cmdRead")->text(), QStringLiteral("Read"));
    EXPECT_EQ(ButtonColour(Button("cmdRead")), kOkColour);
}

TEST_F(WindowTest, ModeChoiceActsAtOnceOnlyWhileReading)
{
    frmMain& w = Open({300});
    auto* normal = Find<QRadioButton>(QStringLiteral("optSimulate_0"));
    normal->click();
    EXPECT_TRUE(library->lines().isEmpty());
    EXPECT_EQ(w.TLV880().OpMode(), 1);

    Click("cmdRead"); // reads in the chosen mode
    EXPECT_EQ(library->lines().first(), QStringLiteral("Simulate 0"));
    EXPECT_EQ(w.TLV880().OpMode(), 0);
    Find<QRadioButton>(QStringLiteral("optSimulate_1"))->click();
    EXPECT_EQ(library->lines().last(), QStringLiteral("Simulate 1"));
}

TEST_F(WindowTest, SettingsFileRoundTripThroughTheWindow)
{
    WriteIni(QStringLiteral("[Card]\nSimulate=1\nPeriod=0.5\nFilter=6\nShowErrors=0\n"
                            "[Sensor]\nSensor3=2.5,0.5,90,2\n"));
    frmMain& w = Open();
    EXPECT_EQ(Text("txtInit", 0)->text(), QStringLiteral("0.5"));
    EXPECT_EQ(Text("txtInit", 4)->text(), QStringLiteral("6"));
    EXPECT_EQ(w.Setup().sensors[2].output, 1); // sensor index 2 feeds output index 1

    Text("txtInit", 1)->setText(QStringLiteral("6200000"));
    w.close();
    const QString text = ReadIni();
    EXPECT_TRUE(text.contains(QStringLiteral("Sensor3=2.5,0.5,90,2"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("FMax=6200000")));
    EXPECT_TRUE(text.contains(QStringLiteral("Period=0.5")));
    EXPECT_TRUE(text.contains(QStringLiteral("Output14=10,100,100")));
    EXPECT_TRUE(text.contains(QStringLiteral("Loop14=10,50,1,0")));
    EXPECT_TRUE(text.contains(QStringLiteral("ShowErrors=0")));
    EXPECT_TRUE(seen.isEmpty());
}

TEST_F(WindowTest, MissingSettingsFileIsCreatedAtClose)
{
    frmMain& w = Open();
    EXPECT_FALSE(QFileInfo::exists(IniPath()));
    w.close();
    const QString text = ReadIni();
    EXPECT_TRUE(text.contains(QStringLiteral("Simulate=1")));
    EXPECT_TRUE(text.contains(QStringLiteral("Sensor24=1,1,100,0")));
    EXPECT_FALSE(text.contains(QStringLiteral("ShowErrors")));
}

TEST_F(WindowTest, ReadOnlySettingsFileIsReportedAndLeftAlone)
{
    const QString original = QStringLiteral("[Card]\nPeriod=0.5\n");
    WriteIni(original);
    QFile::setPermissions(IniPath(), QFileDevice::ReadOwner | QFileDevice::ReadUser |
                                         QFileDevice::ReadGroup | QFileDevice::ReadOther);
    frmMain& w = Open();
    w.close();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].text, IniPath() + QStringLiteral(" is Read Only!"));
    EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(ReadIni(), original);
}

TEST_F(WindowTest, SettingsThatCannotBeSavedAreReported)
{
    frmMain& w = Open();
    // the program's folder is now a plain file: nothing can be created inside it
    const QString blocked = home.filePath(QStringLiteral("blocked"));
    QFile(blocked).open(QIODevice::WriteOnly);
    qputenv("TLV880_HOME", blocked.toLocal8Bit());
    w.close();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].text, blocked + QStringLiteral("/tlvmulti.INI could not be written!"));
}

class SensorMapTest : public WindowTest {
protected:
    frmSensorMap* OpenMap()
    {
        Click("cmdMap");
        frmSensorMap* dialog = window->SensorMapDialog();
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
    QRadioButton* Option(frmSensorMap* dialog, const char* name, int i)
    {
        auto* option = dialog->findChild<QRadioButton*>(ArrayName(name, i));
        EXPECT_NE(option, nullptr) << name << i;
        return option;
    }
};

TEST_F(SensorMapTest, ShowsTheStoredMapAndOkSendsAndStoresIt)
{
    WriteIni(QStringLiteral("[Sensor]\nSensor2=1,1,100,4\n"));
    frmMain& w = Open({300, 300});
    frmSensorMap* dialog = OpenMap();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Sensor to Ouput Map"));
    EXPECT_FALSE(dialog->isModal());
    EXPECT_TRUE(Option(dialog, "optMonitor", 0)->isChecked());
    EXPECT_TRUE(Option(dialog, "optSensor", 1 * 12 + 3)->isChecked());
    EXPECT_FALSE(Option(dialog, "optMonitor", 1)->isChecked());

    Option(dialog, "optSensor", 0 * 12 + 2)->click();   // card 2, output 1 for sensor 1
    Option(dialog, "optSensor", 20 * 12 + 11)->click(); // a card that is not installed
    Option(dialog, "optMonitor", 1)->click();
    dialog->findChild<QPushButton*>(QStringLiteral("cmdMap"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w.SensorMapDialog(), nullptr);

    const QStringList maps = library->linesOf(QStringLiteral("MapSensors"));
    ASSERT_EQ(maps.size(), 1);
    const QStringList sent = maps[0].section(QLatin1Char(' '), 1).split(QLatin1Char(','));
    ASSERT_EQ(sent.size(), 24);
    EXPECT_EQ(sent[0], QStringLiteral("2"));
    EXPECT_EQ(sent[1], QStringLiteral("-1"));
    EXPECT_EQ(sent[20], QStringLiteral("11"));
    EXPECT_EQ(w.Setup().sensors[0].output, 2);
    EXPECT_EQ(w.Setup().sensors[1].output, -1);
    EXPECT_EQ(w.Setup().sensors[20].output, 11);
    EXPECT_EQ(w.TLV880().SensorLoop(0), 2);
}

TEST_F(SensorMapTest, CancelChangesNothing)
{
    frmMain& w = Open();
    frmSensorMap* dialog = OpenMap();
    ASSERT_NE(dialog, nullptr);
    Option(dialog, "optSensor", 5)->click();
    dialog->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w.SensorMapDialog(), nullptr);
    EXPECT_TRUE(library->linesOf(QStringLiteral("MapSensors")).isEmpty());
    EXPECT_EQ(w.Setup().sensors[0].output, -1);
}

TEST_F(SensorMapTest, EveryOpeningStartsFromMonitorAndIgnoresImpossibleOutputs)
{
    Open();
    frmSensorMap* dialog = OpenMap();
    ASSERT_NE(dialog, nullptr);
    Option(dialog, "optSensor", 7)->click();
    SensorMap stored{};
    stored.fill(-1);
    stored[3] = 12; // an analog output has no column here
    stored[4] = 11;
    dialog->Init(stored);
    EXPECT_TRUE(Option(dialog, "optMonitor", 0)->isChecked());
    EXPECT_TRUE(Option(dialog, "optMonitor", 3)->isChecked());
    EXPECT_TRUE(Option(dialog, "optSensor", 4 * 12 + 11)->isChecked());
    const SensorMap shown = dialog->CurrentMap();
    EXPECT_EQ(shown[0], -1);
    EXPECT_EQ(shown[3], -1);
    EXPECT_EQ(shown[4], 11);
}

TEST_F(SensorMapTest, ClosingTheWindowClosesTheDialog)
{
    frmMain& w = Open();
    QPointer<frmSensorMap> dialog = OpenMap();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->findChildren<QRadioButton*>().size(), 24 * 13);
    w.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(dialog);
    EXPECT_TRUE(library->linesOf(QStringLiteral("MapSensors")).isEmpty());
}

} // namespace
