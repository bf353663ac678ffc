// The card console driven without a window: typed values in, sends, stored rows and statuses
// out, and what it tells the operator through its signals.
#include "CardConsole.h"

#include "tlvtest/PrivateHome.h"
#include "tlvtest/RecordingLibrary.h"
#include "tlvtest/StepClock.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

namespace multi {
namespace {

class CardConsoleTest : public ::testing::Test {
protected:
    // Builds the console over the double; cards: firmware versions of the installed cards.
    CardConsole& Open(std::initializer_list<int> cards = {})
    {
        size_t n = 0;
        for (int revision : cards)
            lib->startupInfo[++n] = revision;
        lib->startupResult = cards.size() > 0 ? 0 : 904;
        console = std::make_unique<CardConsole>(std::make_unique<cTLV880a>(
            lib, std::make_shared<tlvtest::StepClock>(QDateTime(QDate(2026, 1, 5), QTime(10, 0)))));
        QObject::connect(console.get(), &CardConsole::entryRefused,
                         [this](const QString& text) { refused << text; });
        QObject::connect(console.get(), &CardConsole::notice,
                         [this](const QString& text) { notices << text; });
        console->DetectCards();
        lib->calls.clear();
        return *console;
    }
    QStringList Masks() const
    {
        QStringList masks;
        for (const QString& call : lib->linesOf(QStringLiteral("Material ")))
            masks << call.section(QLatin1Char(' '), 1, 1);
        return masks;
    }

    tlvtest::PrivateHome home;
    std::shared_ptr<tlvtest::RecordingLibrary> lib = std::make_shared<tlvtest::RecordingLibrary>();
    std::unique_ptr<CardConsole> console;
    QStringList refused;
    QStringList notices;
};

TEST_F(CardConsoleTest, CardsAreCountedFromCardOneAndNoCardMeansSixSimulated)
{
    CardConsole& two = Open({120, 130});
    EXPECT_EQ(two.NumCards(), 2);
    EXPECT_EQ(two.SensorTargetSet({0, 2}), (std::vector<int>{1, 5}));
    EXPECT_EQ(two.OutputTargetSet({0, 2}), (std::vector<int>{1, 3}));

    lib = std::make_shared<tlvtest::RecordingLibrary>();
    EXPECT_EQ(Open().NumCards(), 6);
}

TEST_F(CardConsoleTest, AnEntryThatIsNoNumberIsNamedAndNothingIsSentOrStored)
{
    CardConsole& c = Open({120, 130});
    EXPECT_EQ(
        c.SendMaterial({0, 2}, {QStringLiteral("abc"), QStringLiteral("1"), QStringLiteral("100")}),
        kBadEntry);
    EXPECT_EQ(refused, QStringList{QStringLiteral("Density must be a number, not \"abc\".")});
    EXPECT_TRUE(Masks().isEmpty());
    EXPECT_EQ(c.Setup().sensors[1].density, QStringLiteral("1"));

    EXPECT_EQ(c.SendLoop({1, 1}, {QStringLiteral("10"), QStringLiteral("x"), QStringLiteral("1"),
                                  QStringLiteral("0")}),
              kBadEntry);
    EXPECT_EQ(refused.last(), QStringLiteral("P must be a number, not \"x\"."));
    EXPECT_TRUE(lib->linesOf(QStringLiteral("Loop ")).isEmpty());
}

TEST_F(CardConsoleTest, ASendStopsAtTheFirstRefusalAndStoresWhatWasSentInEveryRow)
{
    CardConsole& c = Open({120, 130});
    lib->refuse = [](const QString& call) {
        return call.startsWith(QStringLiteral("Material 32 ")) ? 1 : 0; // sensor 5
    };
    const int status = c.SendMaterial(
        {0, 2}, {QStringLiteral("2.5"), QStringLiteral("0.5"), QStringLiteral("90")});
    EXPECT_NE(status, 0);
    EXPECT_EQ(Masks(), (QStringList{QStringLiteral("2"), QStringLiteral("32")}));
    EXPECT_EQ(SensorKeyValue(c.Setup().sensors[1]), QStringLiteral("2.5,0.5,90,0"));
    EXPECT_EQ(SensorKeyValue(c.Setup().sensors[5]), QStringLiteral("2.5,0.5,90,0"));
    EXPECT_EQ(SensorKeyValue(c.Setup().sensors[9]), QStringLiteral("1,1,100,0"));

    lib->refuse = nullptr;
    EXPECT_EQ(
        c.SendMaterial({1, 1}, {QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("100")}),
        0);
}

TEST_F(CardConsoleTest, ManualPowerGivesAnOutputWithoutFullScaleItsStoredOneFirst)
{
    CardConsole& c = Open({120});
    const int status = c.SendPower({1, 2}, {false, true, QStringLiteral("12.5")});
    EXPECT_EQ(status, 0);
    const QStringList lines = lib->linesOf(QString());
    const auto fullScale = lines.indexOf(QRegularExpression(QStringLiteral("^FullScale 1 .*")));
    const auto power = lines.indexOf(QRegularExpression(QStringLiteral("^SetPower 1 .*")));
    ASSERT_GE(fullScale, 0) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_GT(power, fullScale);
    EXPECT_EQ(c.Setup().outputs[1].powerText, QStringLiteral("12.5"));
    EXPECT_TRUE(c.Setup().outputs[1].manualChosen);
    EXPECT_FALSE(c.Setup().outputs[0].manualChosen);
}

TEST_F(CardConsoleTest, ZeroingASensorZeroesTheOutputItFeeds)
{
    CardConsole& c = Open({120});
    SensorMap map{};
    map.fill(-1);
    map[2] = 1;
    c.MapSensors(map);
    EXPECT_EQ(c.StoredMap(), map);
    lib->calls.clear();
    EXPECT_EQ(c.Zero({1, 3}), 0);
    EXPECT_EQ(lib->linesOf(QStringLiteral("Zero ")), QStringList{QStringLiteral("Zero 1")});
    EXPECT_EQ(c.Zero({1, 1}), 1) << "feeds no output: the instrument refuses output -1";
    EXPECT_EQ(lib->linesOf(QStringLiteral("Zero ")).size(), 1);
    EXPECT_EQ(c.Zero({0, 0}), 0);
    EXPECT_GT(lib->linesOf(QStringLiteral("Zero ")).size(), 1) << "all: every output";
}

TEST_F(CardConsoleTest, TheSettingsFileIsReadOnceWrittenAtTheEndAndNeverReplacedWhenNotOurs)
{
    QFile file(home.filePath(QStringLiteral("tlvmulti.INI")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Recipe]\r\nName=x\r\n");
    file.close();
    CardConsole& c = Open();
    c.ReadSettings(QStringLiteral("tlvmulti.INI"));
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].endsWith(
        QStringLiteral("\nThe defaults are used; the file is not written over.")));
    c.WriteSettings(QStringLiteral("tlvmulti.INI"), CardSettings{});
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[Recipe]\r\nName=x\r\n"));
    file.close();

    ASSERT_TRUE(file.remove());
    c.ReadSettings(QStringLiteral("tlvmulti.INI"));
    CardSettings panel;
    panel.period = QStringLiteral(".5");
    panel.simulate = 0;
    c.WriteSettings(QStringLiteral("tlvmulti.INI"), panel);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    EXPECT_TRUE(written.contains("Period=.5")) << written.constData();
    EXPECT_TRUE(written.contains("Simulate=0"));
}

TEST_F(CardConsoleTest, ReadingStartsTheMeasurementAndStopsOnlyThePoll)
{
    CardConsole& c = Open({120});
    EXPECT_TRUE(c.ToggleReading(0));
    EXPECT_TRUE(c.Reading());
    EXPECT_EQ(lib->count(QStringLiteral("Xdc770StartMeas")), 1);
    EXPECT_EQ(c.Instrument().OpMode(), 0);
    c.ChooseMode(1); // while reading the mode changes at once
    EXPECT_EQ(c.Instrument().OpMode(), 1);
    EXPECT_FALSE(c.ToggleReading(1));
    EXPECT_EQ(lib->count(QStringLiteral("Xdc770StartMeas")), 1);
    c.ChooseMode(0); // not reading: sent at the next "Init"
    EXPECT_EQ(c.Instrument().OpMode(), 1);
}

TEST_F(CardConsoleTest, InitSettingsTheInstrumentRefusesChangeNeitherModeNorFilter)
{
    CardConsole& c = Open({120});
    CardSettings panel;
    panel.filter = QStringLiteral("7");
    EXPECT_EQ(c.Init(panel), 0);
    EXPECT_EQ(c.Instrument().FilterSize(), 7);
    const qsizetype modeSends = lib->linesOf(QStringLiteral("Simulate")).size();
    panel.period = QStringLiteral("5"); // beyond 2 s
    panel.filter = QStringLiteral("3");
    panel.simulate = 0;
    EXPECT_NE(c.Init(panel), 0);
    EXPECT_EQ(c.Instrument().FilterSize(), 7);
    EXPECT_EQ(lib->linesOf(QStringLiteral("Simulate")).size(), modeSends);
}

TEST_F(CardConsoleTest, PowerDownSetsEveryOutputOfTheCardsToZero)
{
    Open({120, 130}).PowerDown();
    EXPECT_EQ(lib->linesOf(QStringLiteral("SetPower ")),
              (QStringList{QStringLiteral("SetPower 0 0"), QStringLiteral("SetPower 1 0"),
                           QStringLiteral("SetPower 2 0"), QStringLiteral("SetPower 3 0")}));
}

} // namespace
} // namespace multi
