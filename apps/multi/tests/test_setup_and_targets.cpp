// Target sets of the commands, the settings file "tlvmulti.INI" and the reading of typed numbers.

#include "EntryNumber.h"
#include "MultiSetup.h"
#include "TargetSets.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace multi;

namespace {

using Ints = std::vector<int>;

TEST(TargetSets, SingleChannelOfOneCard)
{
    EXPECT_EQ(SensorTargets(3, 2, 6), (Ints{9}));
    EXPECT_EQ(OutputTargets(6, 2, 6), (Ints{11}));
    // a card beyond the installed ones can still be addressed on its own
    EXPECT_EQ(OutputTargets(4, 1, 2), (Ints{6}));
}

TEST(TargetSets, EveryChannelOfOneCard)
{
    EXPECT_EQ(SensorTargets(2, 0, 6), (Ints{4, 5, 6, 7}));
    EXPECT_EQ(OutputTargets(3, 0, 1), (Ints{4, 5}));
}

TEST(TargetSets, SameChannelOnEveryInstalledCard)
{
    EXPECT_EQ(OutputTargets(0, 2, 2), (Ints{1, 3}));
    EXPECT_EQ(SensorTargets(0, 4, 3), (Ints{3, 7, 11}));
    EXPECT_EQ(OutputTargets(0, 1, 6), (Ints{0, 2, 4, 6, 8, 10}));
}

TEST(TargetSets, EverythingIsEveryChannelOfTheInstalledCards)
{
    Ints sixCards(24);
    for (int i = 0; i < 24; ++i)
        sixCards[i] = i;
    EXPECT_EQ(SensorTargets(0, 0, 6), sixCards);
    EXPECT_EQ(OutputTargets(0, 0, 2), (Ints{0, 1, 2, 3}));
}

TEST(TargetSets, NoSelectionOrImpossibleChoiceAddressesNothing)
{
    EXPECT_TRUE(SensorTargets(-1, 1, 6).empty());
    EXPECT_TRUE(SensorTargets(1, -1, 6).empty());
    EXPECT_TRUE(OutputTargets(7, 1, 6).empty());
    EXPECT_TRUE(OutputTargets(1, 3, 6).empty());
    EXPECT_TRUE(OutputTargets(0, 1, 0).empty());
}

TEST(TargetSets, SingleChannelOnlyWhenBothListsNameOne)
{
    EXPECT_EQ(SingleChannel(2, 3, kSensorsPerCard), 6);
    EXPECT_EQ(SingleChannel(6, 2, kOutputsPerCard), 11);
    EXPECT_EQ(SingleChannel(0, 2, kOutputsPerCard), -1);
    EXPECT_EQ(SingleChannel(2, 0, kSensorsPerCard), -1);
    EXPECT_EQ(SingleChannel(1, 3, kOutputsPerCard), -1);
}

TEST(TypedNumbers, AcceptOnlyWholeNumbers)
{
    double v = -7;
    EXPECT_TRUE(ParseNumber(QStringLiteral(".25"), v));
    EXPECT_DOUBLE_EQ(v, 0.25);
    EXPECT_TRUE(ParseNumber(QStringLiteral(" 6100000 "), v));
    EXPECT_DOUBLE_EQ(v, 6100000);
    EXPECT_TRUE(ParseNumber(QStringLiteral("-2.5"), v));
    EXPECT_DOUBLE_EQ(v, -2.5);
    EXPECT_TRUE(ParseNumber(QStringLiteral("1e3"), v));
    EXPECT_DOUBLE_EQ(v, 1000);

    v = 42;
    for (const char* bad : {"", "  ", "abc", "12abc", "1,5", "inf", "nan", "1e999"}) {
        EXPECT_FALSE(ParseNumber(QString::fromLatin1(bad), v)) << bad;
        EXPECT_DOUBLE_EQ(v, 42) << bad;
    }
}

class SettingsFile : public ::testing::Test {
protected:
    QString Path() const { return dir.filePath(QStringLiteral("tlvmulti.INI")); }
    void Write(const QString& text)
    {
        QFile file(Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }
    QString Read() const
    {
        QFile file(Path());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    QTemporaryDir dir;
};

TEST_F(SettingsFile, MissingFileGivesEveryDefault)
{
    const MultiSetup setup = ReadMultiSetup(Path());
    EXPECT_EQ(setup.card.simulate, 1);
    EXPECT_EQ(setup.card.period, QStringLiteral(".25"));
    EXPECT_EQ(setup.card.fMax, QStringLiteral("6100000"));
    EXPECT_EQ(setup.card.fMin, QStringLiteral("5000000"));
    EXPECT_EQ(setup.card.fInit, QStringLiteral("6000000"));
    EXPECT_EQ(setup.card.filter, QStringLiteral("4"));
    EXPECT_EQ(setup.card.showErrors, 0);
    for (const SensorRow& row : setup.sensors)
        EXPECT_EQ(SensorKeyValue(row), QStringLiteral("1,1,100,0"));
    for (const OutputRow& row : setup.outputs) {
        EXPECT_EQ(OutputKeyValue(row), QStringLiteral("10,100,100"));
        EXPECT_EQ(LoopKeyValue(row), QStringLiteral("10,50,1,0"));
    }
    EXPECT_FALSE(QFile::exists(Path()));
}

TEST_F(SettingsFile, SensorOutputIsStoredPlusOneAndReadBackMinusOne)
{
    Write(QStringLiteral("[Sensor]\nSensor3=2.5,0.5,90,2\nSensor24=1,1,100,12\n"));
    MultiSetup setup = ReadMultiSetup(Path());
    EXPECT_EQ(setup.sensors[2].output, 1);
    EXPECT_EQ(setup.sensors[2].density, QStringLiteral("2.5"));
    EXPECT_EQ(setup.sensors[2].zFactor, QStringLiteral("0.5"));
    EXPECT_EQ(setup.sensors[2].tooling, QStringLiteral("90"));
    EXPECT_EQ(setup.sensors[23].output, 11);
    EXPECT_EQ(setup.sensors[0].output, -1);

    ASSERT_TRUE(WriteMultiSetup(Path(), setup));
    const QString text = Read();
    EXPECT_TRUE(text.contains(QStringLiteral("Sensor3=2.5,0.5,90,2"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Sensor24=1,1,100,12")));
    EXPECT_TRUE(text.contains(QStringLiteral("Sensor1=1,1,100,0")));
}

TEST_F(SettingsFile, ShortValuesTakeTheMissingElementsFromTheDefault)
{
    // A sensor line without its output must not turn the tooling into an output number.
    Write(QStringLiteral("[Sensor]\nSensor1=3,0.8,120\nSensor2=5\n[Loop]\nLoop1=20,60\n"));
    const MultiSetup setup = ReadMultiSetup(Path());
    EXPECT_EQ(SensorKeyValue(setup.sensors[0]), QStringLiteral("3,0.8,120,0"));
    EXPECT_EQ(setup.sensors[0].output, -1);
    EXPECT_EQ(SensorKeyValue(setup.sensors[1]), QStringLiteral("5,1,100,0"));
    EXPECT_EQ(LoopKeyValue(setup.outputs[0]), QStringLiteral("20,60,1,0"));
}

TEST_F(SettingsFile, NonNumericOutputMeansNone)
{
    Write(QStringLiteral("[Sensor]\nSensor1=1,1,100,x\nSensor2=1,1,100,3.0\n"));
    const MultiSetup setup = ReadMultiSetup(Path());
    EXPECT_EQ(setup.sensors[0].output, -1);
    EXPECT_EQ(setup.sensors[1].output, 2);
}

TEST_F(SettingsFile, CardSectionAndAnalogRowsRoundTrip)
{
    Write(
        QStringLiteral("; commissioning notes stay\n[Card]\nsimulate=0\nPERIOD=0.5\nFMax=6000000\n"
                       "ShowErrors=2\n[Output]\nOutput13=5,50,20\nOutput14=-5,40,10\n"
                       "[Loop]\nLoop14=1.5,10,2,0.5\n[Other]\nKeep=me\n"));
    MultiSetup setup = ReadMultiSetup(Path());
    EXPECT_EQ(setup.card.simulate, 0);
    EXPECT_EQ(setup.card.period, QStringLiteral("0.5"));
    EXPECT_EQ(setup.card.fMax, QStringLiteral("6000000"));
    EXPECT_EQ(setup.card.fMin, QStringLiteral("5000000"));
    EXPECT_EQ(setup.card.showErrors, 2);
    EXPECT_EQ(OutputKeyValue(setup.outputs[12]), QStringLiteral("5,50,20"));
    EXPECT_EQ(OutputKeyValue(setup.outputs[13]), QStringLiteral("-5,40,10"));
    EXPECT_EQ(LoopKeyValue(setup.outputs[13]), QStringLiteral("1.5,10,2,0.5"));

    setup.card.filter = QStringLiteral("6");
    setup.card.showErrors = 0; // never written: the file keeps its own value
    ASSERT_TRUE(WriteMultiSetup(Path(), setup));
    const QString text = Read();
    EXPECT_TRUE(text.contains(QStringLiteral("; commissioning notes stay")));
    EXPECT_TRUE(text.contains(QStringLiteral("Keep=me")));
    EXPECT_TRUE(text.contains(QStringLiteral("ShowErrors=2")));
    EXPECT_TRUE(text.contains(QStringLiteral("Filter=6")));
    EXPECT_TRUE(text.contains(QStringLiteral("Output14=-5,40,10")));
    EXPECT_TRUE(text.contains(QStringLiteral("Loop14=1.5,10,2,0.5")));

    const MultiSetup again = ReadMultiSetup(Path());
    EXPECT_EQ(again.card.filter, QStringLiteral("6"));
    EXPECT_EQ(again.card.simulate, 0);
    EXPECT_EQ(again.card.showErrors, 2);
    for (int s = 0; s < kSensorCount; ++s)
        EXPECT_EQ(SensorKeyValue(again.sensors[s]), SensorKeyValue(setup.sensors[s]));
    for (int o = 0; o < kOutputRows; ++o) {
        EXPECT_EQ(OutputKeyValue(again.outputs[o]), OutputKeyValue(setup.outputs[o]));
        EXPECT_EQ(LoopKeyValue(again.outputs[o]), LoopKeyValue(setup.outputs[o]));
    }
}

TEST_F(SettingsFile, WritingWithoutAFileFails)
{
    EXPECT_FALSE(WriteMultiSetup(Path(), MultiSetup{}));
    EXPECT_FALSE(QFile::exists(Path()));
}

TEST_F(SettingsFile, NumbersOutsideTheInstrumentsLimitsTakeTheDefaultAndAreNamed)
{
    Write(QStringLiteral("[Sensor]\nSensor2=1e300,0.05,100,1\n[Output]\nOutput3=100,100,100\n"
                         "Output4=-10,0,0\nOutput5=1e999,x,50\n[Loop]\nLoop1=2000,50,1,0\n"));
    QStringList replaced;
    const MultiSetup setup = ReadMultiSetup(Path(), &replaced);
    EXPECT_EQ(SensorKeyValue(setup.sensors[1]), QStringLiteral("1,1,100,1"));
    EXPECT_EQ(OutputKeyValue(setup.outputs[2]), QStringLiteral("10,100,100"));
    EXPECT_EQ(OutputKeyValue(setup.outputs[3]), QStringLiteral("-10,0,0")) << "limits included";
    EXPECT_EQ(OutputKeyValue(setup.outputs[4]), QStringLiteral("10,x,50"))
        << "text that is no number is kept for the send to name";
    EXPECT_EQ(LoopKeyValue(setup.outputs[0]), QStringLiteral("10,50,1,0"));
    EXPECT_EQ(
        replaced,
        (QStringList{QStringLiteral("Sensor 2 Density 1e300 (limits 0.4 to 99.99): 1 is used"),
                     QStringLiteral("Sensor 2 ZFactor 0.05 (limits 0.1 to 9.999): 1 is used"),
                     QStringLiteral("Output 1 Rate 2000 (limits 0 to 999.9): 10 is used"),
                     QStringLiteral("Output 3 Volts 100 (limits -10 to 10): 10 is used"),
                     QStringLiteral("Output 5 Volts 1e999 (limits -10 to 10): 10 is used")}));

    // What was read is written back as it stands: an absurd value never comes back, let alone
    // grows into a longer text.
    ASSERT_TRUE(WriteMultiSetup(Path(), setup));
    QStringList again;
    ReadMultiSetup(Path(), &again);
    EXPECT_TRUE(again.isEmpty()) << again.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(Read().contains(QStringLiteral("1e300")));
}

} // namespace
