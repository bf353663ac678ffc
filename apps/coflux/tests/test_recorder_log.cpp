// The recorder value, the data-log line pieces and the Input bit field.

#include "DataLog.h"
#include "ProcessTables.h"
#include "Recorder.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace coflux;

namespace {

OutputRecord Recorder(int input, short scale)
{
    OutputRecord r;
    r.Mode = ModeRecord;
    r.Input = input;
    r.RecScale = scale;
    return r;
}

} // namespace

TEST(RecorderValue, SensorInputUsesRateAndThicknessScalesOnly)
{
    ReadingArrays rd;
    rd.SenRate[2] = 4.5;
    rd.SenThick[2] = 500;
    const int sensor3 = WithSensor(0, 2, true);
    EXPECT_DOUBLE_EQ(RecorderValue(Recorder(sensor3, Scale10Rate), rd), 45);
    EXPECT_DOUBLE_EQ(RecorderValue(Recorder(sensor3, Scale100Rate), rd), 4.5);
    EXPECT_DOUBLE_EQ(RecorderValue(Recorder(sensor3, Scale100kA), rd), 500);
    EXPECT_DOUBLE_EQ(RecorderValue(Recorder(sensor3, Scale1000kA), rd), 50); // 500 kÅ → 50 %
    for (short power_or_volts : {Scale10Power, Scale100Power, Scale1Volt, Scale10Volts})
        EXPECT_DOUBLE_EQ(RecorderValue(Recorder(sensor3, power_or_volts), rd), 0);
}

TEST(RecorderValue, FirstOfSensorsOneToEightWins)
{
    ReadingArrays rd;
    rd.SenRate[1] = 1;
    rd.SenRate[5] = 2;
    rd.SenRate[9] = 3;
    EXPECT_DOUBLE_EQ(RecorderValue(Recorder(WithSensor(WithSensor(0, 5, true), 1, true), 1), rd),
                     1);
    // Sensors beyond 8 are never recorder inputs.
    EXPECT_DOUBLE_EQ(RecorderValue(Recorder(WithSensor(0, 9, true), 1), rd), 0);
    EXPECT_DOUBLE_EQ(RecorderValue(Recorder(0, 1), rd), 0);
}

TEST(RecorderValue, OutputInputGivesRateThicknessOrPower)
{
    ReadingArrays rd;
    rd.OutRate[13] = 7;
    rd.OutThick[13] = 150;
    rd.OutPower[13] = 8;
    const int a2 = WithOutput(0, 13);
    EXPECT_DOUBLE_EQ(RecorderValue(Recorder(a2, Scale10Rate), rd), 70);
    EXPECT_DOUBLE_EQ(RecorderValue(Recorder(a2, Scale100kA), rd), 150);
    EXPECT_DOUBLE_EQ(RecorderValue(Recorder(a2, Scale10Power), rd), 80);
    EXPECT_DOUBLE_EQ(RecorderValue(Recorder(a2, Scale100Power), rd), 8);
    EXPECT_DOUBLE_EQ(RecorderValue(Recorder(a2, Scale1Volt), rd), 0);
}

TEST(RecorderValue, AnalogInputTakesPrecedenceAndUsesVoltScalesOnly)
{
    ReadingArrays rd;
    rd.AnVolts[3] = 0.42;
    rd.SenRate[0] = 9;
    const int input = WithAnalog(WithSensor(0, 0, true), 3);
    EXPECT_NEAR(RecorderValue(Recorder(input, Scale1Volt), rd), 42, 1e-9);
    EXPECT_NEAR(RecorderValue(Recorder(input, Scale10Volts), rd), 4.2, 1e-9);
    EXPECT_DOUBLE_EQ(RecorderValue(Recorder(input, Scale10Rate), rd), 0);
}

TEST(RecorderValue, ClampSendsZeroToHundred)
{
    EXPECT_EQ(ClampRecorderPower(-3), 0);
    EXPECT_EQ(ClampRecorderPower(100), 100);
    EXPECT_EQ(ClampRecorderPower(150), 100);
    EXPECT_EQ(ClampRecorderPower(37.5), 37.5);
    EXPECT_EQ(ClampRecorderPower(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(InputField, FieldsRoundTripWithoutDisturbingEachOther)
{
    int input = 0;
    input = WithSensor(input, 23, true);
    input = WithAnalog(input, 3);
    input = WithOutput(input, 13); // A2 is stored as 14, beyond three bits
    EXPECT_TRUE(InputHasSensor(input, 23));
    EXPECT_EQ(InputAnalog(input), 3);
    EXPECT_EQ(InputOutput(input), 13);
    EXPECT_GT(input, 0); // stays a positive 32-bit value in the setup file
    input = WithOutput(input, 12);
    EXPECT_EQ(InputOutput(input), 12);
    input = WithAnalog(WithOutput(input, -1), -1);
    EXPECT_EQ(InputAnalog(input), -1);
    EXPECT_EQ(InputOutput(input), -1);
    EXPECT_EQ(input, 1 << 23);
    // Output fields of outputs 1..4 read the same in three bits.
    EXPECT_EQ(InputOutput(3 << 27), 2);
}

TEST(ProcessTablesDefaults, FreshTablesHoldTheInstallationDefaults)
{
    ProcessTables t;
    EXPECT_EQ(t.Output(0).Name, QStringLiteral("Output 1    "));
    EXPECT_EQ(t.Output(13).Name.trimmed(), QStringLiteral("Output 14"));
    EXPECT_EQ(t.Output(12).XOut, -1);
    EXPECT_EQ(t.Analog(2).Units, QStringLiteral("Volts"));
    EXPECT_EQ(ProcessTables::FixedWidth(QStringLiteral("A very long film name"), 12),
              QStringLiteral("A very long "));
}

TEST(DataLog, TimeTextIsHoursMinutesSeconds)
{
    EXPECT_EQ(LogTimeText(0), QStringLiteral("0:00:00"));
    EXPECT_EQ(LogTimeText(3600 * 13 + 60 * 5 + 9.7), QStringLiteral("13:05:09"));
    EXPECT_EQ(LogTimeText(-0.5), QStringLiteral("23:59:59")); // a backlog read just after midnight
    EXPECT_EQ(LogTimeText(86400 + 61), QStringLiteral("0:01:01"));
}

TEST(DataLog, LinesHaveTheirFixedShape)
{
    EXPECT_EQ(LogHeaderLine(),
              QStringLiteral("Time, Output, Thick, Rate, Power, Output, Thick, etc."));
    EXPECT_TRUE(LogStartLine(QDate(2026, 12, 7)).startsWith(QStringLiteral("\r\nDate: ")));
    EXPECT_EQ(LogSensorGroup(QStringLiteral("Gold        "), "1.234", "5.60", "12.5"),
              QStringLiteral(", Gold, 1.234, 5.60, 12.5"));
    EXPECT_EQ(LogAnalogGroup(QStringLiteral("Heater"), ".500", "3.0"),
              QStringLiteral(", Heater, Analog, .500, 3.0"));
}

TEST(DataLog, AppendWritesCrlfLinesAndFailsQuietly)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("run.log"));
    EXPECT_TRUE(AppendLogLine(file, QStringLiteral("one")));
    EXPECT_TRUE(AppendLogLine(file, QStringLiteral("two")));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("one\r\ntwo\r\n"));
    EXPECT_FALSE(
        AppendLogLine(dir.filePath(QStringLiteral("missing/run.log")), QStringLiteral("x")));
}
