// The rate tolerance in a setup file: defaults for a file without it, limits held, and a file
// that keeps its bytes while the tolerance keeps its defaults.
#include "common/alarms/RateToleranceSetting.h"
#include "common/cIniFile.h"
#include "tlvtest/PrintQt.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using tlv::RateTolerance;

class ToleranceFile : public ::testing::Test {
protected:
    void write(const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        ini.setIniFile(path);
    }
    QByteArray bytes() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QString path = dir.filePath("Default.dat");
    cIniFile ini;
};

TEST_F(ToleranceFile, AnOldFileReadsTheDefaultsAndKeepsItsBytes)
{
    const QByteArray old = "[Card]\r\nPeriod=.25\r\n";
    write(old);
    QStringList replaced;
    EXPECT_EQ(tlv::ReadRateTolerance(ini, "Card", &replaced), RateTolerance{});
    EXPECT_TRUE(replaced.isEmpty());
    EXPECT_TRUE(tlv::WriteRateTolerance(ini, "Card", RateTolerance{}));
    EXPECT_EQ(bytes(), old);
}

TEST_F(ToleranceFile, ASetToleranceIsWrittenAndReadBack)
{
    write("[Card]\r\nPeriod=.25\r\n");
    RateTolerance t;
    t.percent = 2.5;
    t.minimumRate = 0.05;
    t.warningAfter = 10;
    t.alarmAfter = 30;
    ASSERT_TRUE(tlv::WriteRateTolerance(ini, "Card", t));
    EXPECT_TRUE(bytes().contains("RateTolerance=2.5\r\nRateToleranceMin=0.05\r\n"
                                 "RateWarnAfter=10\r\nRateAlarmAfter=30\r\n"))
        << bytes().toStdString();
    EXPECT_EQ(tlv::ReadRateTolerance(ini, "Card"), t);
    // Back to the defaults: the keys say so (the file holds them now).
    ASSERT_TRUE(tlv::WriteRateTolerance(ini, "Card", RateTolerance{}));
    EXPECT_EQ(tlv::ReadRateTolerance(ini, "Card"), RateTolerance{});
}

TEST_F(ToleranceFile, ValuesBeyondTheLimitsTakeTheDefaultsAndAreNamed)
{
    write("[Card]\r\nRateTolerance=150\r\nRateWarnAfter=-3\r\nRateAlarmAfter=90\r\n");
    QStringList replaced;
    const RateTolerance t = tlv::ReadRateTolerance(ini, "Card", &replaced);
    EXPECT_EQ(replaced, (QStringList{"[Card] RateTolerance=150 (limits 0 to 100): 5 is used",
                                     "[Card] RateWarnAfter=-3 (limits 0 to 86400): 20 is used"}));
    EXPECT_DOUBLE_EQ(t.percent, 5);
    EXPECT_DOUBLE_EQ(t.warningAfter, 20);
    EXPECT_DOUBLE_EQ(t.alarmAfter, 90); // within its limits: kept

    // Each value in its limits, but the warning would come after the alarm.
    write("[Card]\r\nRateWarnAfter=50\r\nRateAlarmAfter=40\r\n");
    replaced.clear();
    EXPECT_EQ(tlv::ReadRateTolerance(ini, "Card", &replaced), RateTolerance{});
    ASSERT_EQ(replaced.size(), 1);
    EXPECT_TRUE(replaced[0].contains("time before a rate warning")) << replaced[0].toStdString();
}

} // namespace
