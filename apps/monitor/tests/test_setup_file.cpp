// Reading setup files that the program did not write: damaged, out of range or not numbers.
#include "MonitorFixture.h"

#include "MonitorSetupFile.h"

namespace monitor::test {
namespace {

using SetupFileRead = MonitorTest;

MonitorSettings ReadFile(const QString& path)
{
    MonitorSettings s;
    s.sensorsShown = 17; // must be overwritten by the read
    ReadSetupFile(path, s, SetupLimits{});
    return s;
}

void ExpectDefaults(const MonitorSettings& s)
{
    const MonitorSettings d;
    EXPECT_EQ(s.sensorsShown, d.sensorsShown);
    EXPECT_EQ(s.display, d.display);
    EXPECT_EQ(s.onTop, d.onTop);
    EXPECT_EQ(s.filter, d.filter);
    EXPECT_EQ(s.logEnabled, d.logEnabled);
    EXPECT_EQ(s.logFile, d.logFile);
    EXPECT_DOUBLE_EQ(s.period, d.period);
    EXPECT_DOUBLE_EQ(s.maxFreq, d.maxFreq);
    EXPECT_DOUBLE_EQ(s.minFreq, d.minFreq);
    EXPECT_DOUBLE_EQ(s.initFreq, d.initFreq);
    EXPECT_EQ(s.densityText, d.densityText);
    EXPECT_EQ(s.toolingText, d.toolingText);
    EXPECT_EQ(s.zFactorText, d.zFactorText);
}

TEST_F(SetupFileRead, MissingFileGivesDefaults)
{
    ExpectDefaults(ReadFile(ProgramFile(QStringLiteral("none.dat"))));
}

TEST_F(SetupFileRead, ValuesOutOfRangeOrNotNumbersFallBackToDefaults)
{
    WriteProgramFile(QStringLiteral("bad.dat"),
                     "[Setup]\r\nOnTop=7\r\nDisplay=-1\r\nFilter=11\r\nSensors=25\r\n"
                     "LogEnabled=maybe\r\nLogFile=   \r\nFreq=abc,4,5\r\nPeriod=zzz\r\n"
                     "Sensor1=abc,-5,10\r\nSensor2=100,1000,0.05\r\nSensor3=,,\r\n");
    ExpectDefaults(ReadFile(ProgramFile(QStringLiteral("bad.dat"))));

    WriteProgramFile(QStringLiteral("bad2.dat"),
                     "[Setup]\r\nSensors=0\r\nFilter=0\r\nPeriod=2.5\r\n"
                     "Freq=4.0000,5.0000,6.0000\r\n");
    ExpectDefaults(ReadFile(ProgramFile(QStringLiteral("bad2.dat"))));

    WriteProgramFile(QStringLiteral("bad3.dat"), "[Setup]\r\nFreq=12,4,5\r\nPeriod=0.05\r\n");
    ExpectDefaults(ReadFile(ProgramFile(QStringLiteral("bad3.dat"))));
}

TEST_F(SetupFileRead, BinaryJunkGivesDefaults)
{
    QByteArray junk;
    for (int i = 0; i < 5000; ++i)
        junk.append(static_cast<char>((i * 7919) % 256));
    WriteProgramFile(QStringLiteral("junk.dat"), junk);
    ExpectDefaults(ReadFile(ProgramFile(QStringLiteral("junk.dat"))));
}

TEST_F(SetupFileRead, ValuesWithinRangeAreTakenAndFormatted)
{
    WriteProgramFile(QStringLiteral("good.dat"),
                     "[setup]\r\nonTop=1\r\nDisplay=1\r\nFilter=10\r\nSensors=24\r\n"
                     "LogEnabled=TRUE\r\nLogFile=/tmp/x.log\r\nFreq=10,1,1\r\nPeriod=2\r\n"
                     "Sensor1=0.4,0,0.1\r\nSensor24=99.99,999,9.999\r\nSensor12=7\r\n");
    const MonitorSettings s = ReadFile(ProgramFile(QStringLiteral("good.dat")));
    EXPECT_EQ(s.onTop, 1);
    EXPECT_EQ(s.display, DisplayMode::Mass);
    EXPECT_EQ(s.filter, 10);
    EXPECT_EQ(s.sensorsShown, 24);
    EXPECT_EQ(s.logEnabled, 1);
    EXPECT_EQ(s.logFile, QStringLiteral("/tmp/x.log"));
    EXPECT_DOUBLE_EQ(s.maxFreq, 10000000.0);
    EXPECT_DOUBLE_EQ(s.minFreq, 1000000.0);
    EXPECT_DOUBLE_EQ(s.initFreq, 1000000.0);
    EXPECT_DOUBLE_EQ(s.period, 2.0);
    EXPECT_EQ(s.densityText[0], QStringLiteral("0.40"));
    EXPECT_EQ(s.toolingText[0], QStringLiteral("0.0"));
    EXPECT_EQ(s.zFactorText[0], QStringLiteral("0.100"));
    EXPECT_EQ(s.densityText[23], QStringLiteral("99.99"));
    EXPECT_EQ(s.toolingText[23], QStringLiteral("999.0"));
    EXPECT_EQ(s.zFactorText[23], QStringLiteral("9.999"));
    // A single field stands for the missing ones.
    EXPECT_EQ(s.densityText[11], QStringLiteral("7.00"));
    EXPECT_EQ(s.toolingText[11], QStringLiteral("7.0"));
    EXPECT_EQ(s.zFactorText[11], QStringLiteral("7.000"));
}

TEST_F(SetupFileRead, PeriodKeepsTheDecimalTheFileHolds)
{
    WriteProgramFile(QStringLiteral("p.dat"), "[Setup]\r\nPeriod=.3\r\n");
    EXPECT_EQ(ReadFile(ProgramFile(QStringLiteral("p.dat"))).period, 0.3);
}

TEST_F(SetupFileRead, DamagedFileAtStartUpGivesAWorkingWindow)
{
    WriteProgramFile(QStringLiteral("tlvmonitor.dat"),
                     "[Setup]\r\nSensors=99\r\nFreq=x,y,z\r\nPeriod=-4\r\nSensor1=abc\r\n");
    frmMain& w = LoadWindow();
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_EQ(Grid()->rowCount(), 5);
    EXPECT_EQ(Box(QStringLiteral("txtDensity_0"))->text(), QStringLiteral("10.00"));
    ASSERT_FALSE(Inits().empty());
    EXPECT_EQ(Inits().back()[3], 0.25);
    w.cmdFSwitch_Click(0);
    Queue(LibReading());
    Tick();
    EXPECT_EQ(Cell(4, 4), QStringLiteral("100.0"));
}

} // namespace
} // namespace monitor::test
