// Start-up defaults, the readings grid and the log of the monitor's main window.
#include "MonitorFixture.h"

#include <QComboBox>
#include <QPushButton>
#include <QRegularExpression>

namespace monitor::test {
namespace {

using ReadingsDisplay = MonitorTest;

TEST_F(ReadingsDisplay, FreshInstallReportsMissingFileAndShowsDefaults)
{
    frmMain& w = LoadWindow();

    const QList<tlv::DialogRequest> requests = tlv::DialogService::requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].text,
              QStringLiteral("tlvmonitor.dat Not Found.\nContinuing with defaults."));
    EXPECT_EQ(requests[0].icon, QMessageBox::Information);

    EXPECT_EQ(w.windowTitle(), QStringLiteral("TLV-880 Monitor - [ tlvmonitor.dat ]"));
    EXPECT_EQ(Grid()->rowCount(), 5);
    EXPECT_EQ(Grid()->columnCount(), 6);
    EXPECT_EQ(Cell(0, 5), QStringLiteral("Life left"));
    EXPECT_EQ(Cell(0, 1), QStringLiteral("Rate (A/s) "));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("Thick (kA) "));
    EXPECT_EQ(Cell(4, 0), QStringLiteral("Sensor 4"));
    for (int s = 0; s < 4; ++s) {
        EXPECT_EQ(Box(QStringLiteral("txtDensity_%1").arg(s))->text(), QStringLiteral("10.00"));
        EXPECT_EQ(Box(QStringLiteral("txtTooling_%1").arg(s))->text(), QStringLiteral("100.0"));
        EXPECT_EQ(Box(QStringLiteral("txtZFactor_%1").arg(s))->text(), QStringLiteral("1.000"));
    }
    EXPECT_EQ(Box(QStringLiteral("txtDensity_4")), nullptr);

    // The instrument got the default window and period, and the default filter.
    ASSERT_FALSE(Inits().empty());
    const std::array<double, 4> expected{6000000.0, 4000000.0, 5000000.0, 0.25};
    EXPECT_EQ(Inits().back(), expected);
    EXPECT_EQ(m_tlv->FilterSize(), 1);

    auto* zeroList = w.findChild<QComboBox*>(QStringLiteral("cboZeroSensor"));
    ASSERT_EQ(zeroList->count(), 5);
    EXPECT_EQ(zeroList->itemText(0), QStringLiteral("All"));
    EXPECT_EQ(zeroList->itemText(4), QStringLiteral("4"));
    auto* start = w.findChild<QPushButton*>(QStringLiteral("cmdFSwitch_0"));
    EXPECT_EQ(start->text(), QStringLiteral("&Start"));
    EXPECT_FALSE(w.RunTimer().isActive());
}

TEST_F(ReadingsDisplay, StartSendsMaterialsStartsZeroesAndPolls)
{
    frmMain& w = LoadWindow();
    w.cmdFSwitch_Click(0);

    ASSERT_EQ(Materials().size(), 4u);
    EXPECT_EQ(Materials()[3].mask, 8);
    EXPECT_DOUBLE_EQ(Materials()[3].density, 10.0);
    EXPECT_DOUBLE_EQ(Materials()[3].tooling, 1.0); // 100 % as a factor
    EXPECT_EQ(m_lib->count(QStringLiteral("Xdc770StartMeas")), 1);
    EXPECT_FALSE(ZeroedOutputs().empty());
    EXPECT_TRUE(w.RunTimer().isActive());
    EXPECT_EQ(w.RunTimer().interval(), 125);
    EXPECT_EQ(w.findChild<QPushButton*>(QStringLiteral("cmdFSwitch_0"))->text(),
              QStringLiteral("&Stop"));

    // Stop halts the polling only.
    w.cmdFSwitch_Click(0);
    EXPECT_FALSE(w.RunTimer().isActive());
    EXPECT_EQ(m_lib->count(QStringLiteral("Xdc770StartMeas")), 1);
}

TEST_F(ReadingsDisplay, ThicknessChangesFormatAtTenAndHundredKiloAngstrom)
{
    LoadWindow().cmdFSwitch_Click(0);
    LibReading r;
    r.thickness[0] = 9999.0;
    r.thickness[1] = 10000.0;
    r.thickness[2] = 100000.0;
    r.thickness[3] = 12340.0;
    r.rate[0] = 0.25;
    r.rate[1] = 12.34;
    Queue(r);
    Tick();

    EXPECT_EQ(Cell(1, 2), QStringLiteral("9.999"));
    EXPECT_EQ(Cell(2, 2), QStringLiteral("10.00"));
    EXPECT_EQ(Cell(3, 2), QStringLiteral("100.0"));
    EXPECT_EQ(Cell(4, 2), QStringLiteral("12.34"));
    EXPECT_EQ(Cell(1, 1), QStringLiteral(".3"));
    EXPECT_EQ(Cell(2, 1), QStringLiteral("12.3"));
    EXPECT_EQ(Cell(1, 3), QStringLiteral("5000000.0"));
}

TEST_F(ReadingsDisplay, LifeFollowsTheCrystalWindowAndFailedCrystals)
{
    LoadWindow().cmdFSwitch_Click(0); // initial 5 MHz, minimum 4 MHz
    LibReading r;
    r.frequency[0] = 4500000.0;
    r.frequency[1] = 6000000.0;
    r.frequency[2] = 0.5;
    r.frequency[3] = -1.0;
    Queue(r);
    Tick();

    EXPECT_EQ(Cell(1, 4), QStringLiteral("50.0"));
    EXPECT_EQ(Cell(2, 4), QStringLiteral("200.0")); // not limited to 100
    EXPECT_EQ(Cell(3, 3), QStringLiteral("Fail"));
    EXPECT_EQ(Cell(3, 4), QStringLiteral("?"));
    EXPECT_EQ(Cell(4, 3), QStringLiteral("Fail"));
    EXPECT_EQ(Cell(4, 4), QStringLiteral("?"));
}

TEST_F(ReadingsDisplay, EqualInitialAndMinimumFrequencyShowsNoLife)
{
    WriteProgramFile(QStringLiteral("tlvmonitor.dat"), "[Setup]\r\nFreq=6.0000,5.0000,5.0000\r\n");
    LoadWindow().cmdFSwitch_Click(0);
    LibReading r;
    r.frequency[0] = 5500000.0;
    r.frequency[1] = 4000000.0;
    r.frequency[2] = -2.0;
    Queue(r);
    Tick();

    EXPECT_EQ(Cell(1, 4), QStringLiteral("0"));
    EXPECT_EQ(Cell(2, 4), QStringLiteral("0"));
    EXPECT_EQ(Cell(3, 4), QStringLiteral("?"));
}

TEST_F(ReadingsDisplay, MassModeScalesByDensity)
{
    WriteProgramFile(QStringLiteral("tlvmonitor.dat"),
                     "[Setup]\r\nDisplay=1\r\nSensor1=2.7,100,1\r\n");
    frmMain& w = LoadWindow();
    EXPECT_EQ(Cell(0, 1), QStringLiteral("ng/cm2/s"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("ng/cm2"));
    EXPECT_EQ(Box(QStringLiteral("txtDensity_0"))->text(), QStringLiteral("2.70"));
    w.cmdFSwitch_Click(0);
    LibReading r;
    r.rate[0] = 1.0;
    r.thickness[0] = 1000.0;
    Queue(r);
    Tick();

    EXPECT_EQ(Cell(1, 1), QStringLiteral("27.0"));
    EXPECT_EQ(Cell(1, 2), QStringLiteral("27000."));
}

TEST_F(ReadingsDisplay, OnlyTheNewestWaitingReadingIsShownAndLogged)
{
    WriteProgramFile(QStringLiteral("tlvmonitor.dat"),
                     "[Setup]\r\nSensors=2\r\nLogEnabled=1\r\nLogFile=run.log\r\n");
    LoadWindow().cmdFSwitch_Click(0);
    for (double thickness : {1000.0, 2000.0, 3000.0}) {
        LibReading r;
        r.thickness.fill(thickness);
        Queue(r);
    }
    Tick();
    EXPECT_TRUE(m_lib->readings.empty());
    EXPECT_EQ(Cell(1, 2), QStringLiteral("3.000"));
    Tick(); // nothing new: no refresh, no log line

    const QStringList lines = ReadLines(QStringLiteral("run.log"));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], QString()); // blank line before each run
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Date: ")));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Date: .+   Time: \\d{1,2}:\\d\\d:\\d\\d$"))
                    .match(lines[1])
                    .hasMatch())
        << lines[1].toStdString();
    EXPECT_EQ(lines[2], QStringLiteral("Time, Rate, Thick, Frequency, % Life"));
    const QRegularExpression sensorLine(
        QStringLiteral("^\\d{1,2}:\\d\\d:\\d\\d, Sensor(\\d), (.*)$"));
    const auto first = sensorLine.match(lines[3]);
    ASSERT_TRUE(first.hasMatch()) << lines[3].toStdString();
    EXPECT_EQ(first.captured(1), QStringLiteral("1"));
    EXPECT_EQ(first.captured(2), QStringLiteral(".0, 3.000, 5000000.0, 100.0"));
    EXPECT_EQ(sensorLine.match(lines[4]).captured(1), QStringLiteral("2"));
}

TEST_F(ReadingsDisplay, MassModeLogHeadAndZeroButton)
{
    WriteProgramFile(QStringLiteral("tlvmonitor.dat"),
                     "[Setup]\r\nDisplay=1\r\nLogEnabled=yes\r\n");
    frmMain& w = LoadWindow();
    w.cmdFSwitch_Click(0);
    const QStringList lines = ReadLines(QStringLiteral("TLV880.LOG"));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[2], QStringLiteral("Time, MassRate, Mass, Frequency, % Life"));

    // A tick that arrives while all sensors are zeroed shows no reading taken before the zero.
    LibReading old;
    old.thickness.fill(5000.0);
    Queue(old);
    m_lib->during = [this](const tlvtest::Call& call) {
        if (call.name == QLatin1String("Xdc770Zero2")) Tick(); // events pumped while zeroing
    };
    w.cmdFSwitch_Click(2);
    m_lib->during = nullptr;
    EXPECT_EQ(Cell(1, 2), QString());
    EXPECT_TRUE(m_lib->readings.empty());

    auto* zeroList = w.findChild<QComboBox*>(QStringLiteral("cboZeroSensor"));
    zeroList->setCurrentIndex(3);
    w.cmdFSwitch_Click(2);
    EXPECT_EQ(ZeroedSensors(), std::vector<int>{2});
    const size_t zeroedBefore = ZeroedOutputs().size();
    zeroList->setCurrentIndex(0);
    w.cmdFSwitch_Click(2);
    EXPECT_GT(ZeroedOutputs().size(), zeroedBefore);
}

TEST_F(ReadingsDisplay, LogThatCannotBeWrittenIsReportedOncePerRun)
{
    WriteProgramFile(QStringLiteral("tlvmonitor.dat"),
                     "[Setup]\r\nLogEnabled=1\r\nLogFile=no/such/folder/run.log\r\n");
    frmMain& w = LoadWindow();
    w.cmdFSwitch_Click(0);
    for (int i = 0; i < 3; ++i) {
        Queue(LibReading());
        Tick();
    }
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_TRUE(Messages()[0].startsWith(QStringLiteral("Error: "))) << Messages()[0].toStdString();
    EXPECT_EQ(Cell(4, 3), QStringLiteral("5000000.0")); // the display goes on

    // The next start tries the log again.
    w.cmdFSwitch_Click(0);
    w.cmdFSwitch_Click(0);
    EXPECT_EQ(Messages().size(), 2);
}

} // namespace
} // namespace monitor::test
