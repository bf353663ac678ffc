#include "common/BitOps.h"
#include "common/ErrorReport.h"
#include "common/GenUtil.h"
#include "common/ProgramInfo.h"

#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using testfiles::reportedErrors;

namespace {

// Routes routine errors into a list for the duration of a test.
class RoutineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        reportedErrors().clear();
        m_previous = tlv::SetErrorReporter(&testfiles::captureError);
    }
    void TearDown() override { tlv::SetErrorReporter(m_previous); }

private:
    tlv::ErrorReporter m_previous = nullptr;
};

using BitOpsTest = RoutineTest;

TEST_F(BitOpsTest, ShiftsWithinTheWord)
{
    EXPECT_EQ(Shli(1, 15), -32768);
    EXPECT_EQ(Shli(1, 16), 0);
    EXPECT_EQ(Shli(1, 255), 0);
    EXPECT_EQ(Shli(3, 4), 48);
    EXPECT_EQ(Shli(-1, 15), -32768);
    EXPECT_EQ(Shll(1, 31), INT_MIN);
    EXPECT_EQ(Shll(1, 32), 0);
    EXPECT_EQ(Shll(-1, 4), -16);
    EXPECT_EQ(Shll(3, 31), INT_MIN) << "bits beyond 32 are lost";
    EXPECT_TRUE(reportedErrors().isEmpty());
}

TEST_F(BitOpsTest, ShiftThatDoesNotFitSixteenBitsIsAnOverflow)
{
    EXPECT_EQ(Shli(0x7FFF, 15), 0);
    EXPECT_EQ(reportedErrors(), QStringList{"Error: 6. Overflow"});
}

TEST_F(BitOpsTest, SetClearAndTestBits)
{
    short word = 0;
    BitSetInteger(word, 5);
    EXPECT_EQ(word, 32);
    short w33 = 33;
    BitClearInteger(w33, 0);
    EXPECT_EQ(w33, 32);
    EXPECT_TRUE(BitTestInteger(32, 5));
    EXPECT_FALSE(BitTestInteger(32, 4));

    int status = 0;
    for (int bit : {0, 3, 5})
        BitSetLong(status, bit);
    EXPECT_EQ(status, 0b101001);
    BitClearLong(status, 3);
    EXPECT_EQ(status, 0b100001);
    EXPECT_TRUE(BitTestLong(status, 5));
    EXPECT_FALSE(BitTestLong(status, 3));
}

TEST_F(BitOpsTest, SignBitIsABitLikeAnyOther)
{
    short word = 0;
    BitSetInteger(word, 15);
    EXPECT_EQ(word, -32768);
    EXPECT_TRUE(BitTestInteger(word, 15));
    BitClearInteger(word, 15);
    EXPECT_EQ(word, 0);

    int status = 0;
    BitSetLong(status, 31);
    EXPECT_EQ(status, INT_MIN);
    EXPECT_TRUE(BitTestLong(status, 31));
    BitClearLong(status, 31);
    EXPECT_EQ(status, 0);
}

TEST_F(BitOpsTest, BitsOutsideTheWordChangeNothing)
{
    short word = 7;
    BitSetInteger(word, 16);
    BitSetInteger(word, -1);
    BitClearInteger(word, 40);
    EXPECT_EQ(word, 7);
    EXPECT_FALSE(BitTestInteger(-1, 16));
    int status = -1;
    BitClearLong(status, 32);
    EXPECT_EQ(status, -1);
    EXPECT_FALSE(BitTestLong(-1, 32));
    EXPECT_FALSE(BitTestLong(-1, -1));
}

TEST_F(BitOpsTest, UnsignedPatternsReadAsSigned)
{
    EXPECT_EQ(LongToInt(65535), -1);
    EXPECT_EQ(LongToInt(32768), -32768);
    EXPECT_EQ(LongToInt(32767), 32767);
    EXPECT_EQ(LongToInt(0), 0);
    EXPECT_EQ(dblToLong(4294967295.0), -1);
    EXPECT_EQ(dblToLong(2147483647.0), 2147483647);
    EXPECT_EQ(dblToLong(2147483648.0), INT_MIN);
    EXPECT_EQ(dblToLong(4294967296.0), 0);
    EXPECT_EQ(dblToLong(-1.0), -1);
    EXPECT_EQ(dblToLong(2.5), 2) << "halves to even";
    EXPECT_EQ(dblToLong(3.5), 4);
    EXPECT_TRUE(reportedErrors().isEmpty());
}

TEST_F(BitOpsTest, ConversionsThatCannotBeHeldReportOverflow)
{
    EXPECT_EQ(LongToInt(200000), 0);
    EXPECT_EQ(LongToInt(-40000), 0);
    EXPECT_EQ(dblToLong(std::nan("")), 0);
    EXPECT_EQ(dblToLong(INFINITY), 0);
    EXPECT_EQ(reportedErrors().size(), 4);
    for (const QString& text : reportedErrors())
        EXPECT_EQ(text, "Error: 6. Overflow");
}

using AppendTest = RoutineTest;

TEST_F(AppendTest, EachCallAddsOneLine)
{
    QTemporaryDir dir;
    const QString log = dir.filePath("TLV880.LOG");
    EXPECT_TRUE(AppendToTextFile(log, "first"));
    EXPECT_TRUE(AppendToTextFile(log, "second, 1.000"));
    EXPECT_EQ(testfiles::read(log), QByteArray("first\r\nsecond, 1.000\r\n"));
    EXPECT_TRUE(AppendToTextFile(log, ""));
    EXPECT_EQ(testfiles::read(log), QByteArray("first\r\nsecond, 1.000\r\n\r\n"));
}

TEST_F(AppendTest, FailuresShowTheErrorAndReturnFalse)
{
    QTemporaryDir dir;
    EXPECT_FALSE(AppendToTextFile(dir.filePath("no/such/folder/x.log"), "t"));
    EXPECT_FALSE(AppendToTextFile("", "t"));
    EXPECT_FALSE(AppendToTextFile(dir.path(), "t"));
    EXPECT_EQ(reportedErrors(),
              (QStringList{"Error: 76. Path not found", "Error: 52. Bad file name or number",
                           "Error: 75. Path/File access error"}));
    reportedErrors().clear();
    EXPECT_FALSE(AppendToTextFile(dir.path(), "t", tlv::ErrorDisplay::Quiet));
    EXPECT_TRUE(reportedErrors().isEmpty());
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}

TEST(DiffSecondsTest, WholeSecondsRounded)
{
    const QDateTime start(QDate(2026, 12, 7), QTime(23, 59, 30));
    EXPECT_EQ(DiffSeconds(start, start.addSecs(90)), 90) << "across midnight";
    EXPECT_EQ(DiffSeconds(start.addSecs(90), start), -90);
    EXPECT_EQ(DiffSeconds(start, start.addMSecs(1400)), 1);
    EXPECT_EQ(DiffSeconds(start, start.addMSecs(1500)), 2);
    EXPECT_EQ(DiffSeconds(start, start.addMSecs(2500)), 2) << "halves to even";
    EXPECT_EQ(DiffSeconds(start, QDateTime()), 0);
    EXPECT_EQ(DiffSeconds(start, start.addYears(100)), INT_MAX);
}

TEST(ProgramFolderTest, HomeVariableNamesTheFolder)
{
    QTemporaryDir dir;
    const QString home = dir.filePath("tlv/home/");
    qputenv("TLV880_HOME", home.toLocal8Bit());
    EXPECT_EQ(tlv::ProgramFolder(), QDir::cleanPath(home));
    EXPECT_TRUE(QFileInfo(home).isDir()) << "created on demand";
    EXPECT_EQ(tlv::ProgramFile("Default.dat"), QDir::cleanPath(home) + "/Default.dat");
    qunsetenv("TLV880_HOME");
}

TEST(ProgramFolderTest, InstalledProgramsKeepTheirFilesPerUser)
{
    QTemporaryDir root;
    QTemporaryDir dataHome;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());

    const QString buildBin = root.filePath("build/bin");
    QDir().mkpath(buildBin);
    EXPECT_EQ(tlv::ProgramFolderFor(buildBin), QDir::cleanPath(buildBin))
        << "a writable build folder holds the program's files";

    const QString installedBin = root.filePath("usr/bin");
    QDir().mkpath(installedBin);
    QDir().mkpath(root.filePath("usr/share/tlv880"));
    const QString folder = tlv::ProgramFolderFor(installedBin);
    EXPECT_TRUE(folder.startsWith(QDir::cleanPath(dataHome.path()))) << folder.toStdString();
    EXPECT_TRUE(QFileInfo(folder).isDir()) << "created on demand";

    qputenv("XDG_DATA_HOME", oldData);
}

} // namespace
