// A simulated co-deposition published to a real broker: status, state with the setup file, one
// message per reading of each present output and sensor, and the trip event; and a process
// recipe's name, layer and phase in the state while it runs, and how it ended.

#include "CofluxHost.h"
#include "Deposition.h"
#include "DepositionPublishing.h"
#include "DepositionRecipeHost.h"

#include "CofluxProgram.h"
#include "MqttTestPeers.h"
#include "test_filmLibrary.h"

#include "common/mqtt/MqttPublisher.h"
#include "tlvtest/WaitEvents.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <memory>

#include <gtest/gtest.h>

namespace coflux::test {
namespace {

using tlv::mqtt::MqttPublisher;
using tlv::mqtt::test::Json;
using tlv::mqtt::test::TestBroker;
using tlv::mqtt::test::TestSubscriber;

const char* const kRun = R"([Card]
Period=.1
Filter=1
[OUTPUT1]
Name=Gold
Mode=2
Input=1
Thick=0.04
FullScale=10
)";

// Sets the program's folder for the process made after it, and clears it again at the end.
struct ProgramHome {
    explicit ProgramHome(const QTemporaryDir& dir)
    {
        qputenv("TLV880_HOME", dir.path().toLocal8Bit());
        InstallProgramInfo();
    }
    ~ProgramHome() { qunsetenv("TLV880_HOME"); }
    ProgramHome(const ProgramHome&) = delete;
    ProgramHome& operator=(const ProgramHome&) = delete;
};

// A simulated process publishing to a real broker on a free port, a subscriber on the broker;
// the test steps the instrument's clock and is its poll timer.
class CofluxPublish : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A missing broker is a failure, not a pass: these tests are the only check of publishing.
        ASSERT_FALSE(TestBroker::Program().isEmpty())
            << "mosquitto is not installed (scripts/install-deps.sh installs it)";
        QString why;
        ASSERT_TRUE(broker.start(&why)) << why.toStdString();
        subscriber = std::make_unique<TestSubscriber>(broker.port());
        ASSERT_TRUE(subscriber->waitSubscribed());
        process.setRemembersSetupFile(false);
    }

    void WriteFile(const char* name, const QByteArray& text) const
    {
        QFile file(QDir(home.path()).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    // Opens Run.dat and publishes the process once the publisher is online.
    void OpenAndPublish()
    {
        process.OpenSetup(QStringLiteral("Run.dat"));
        tlv.setTimerEnabled(false); // the test is the timer
        publisher.setClock([this] { return clock->now().toUTC(); });
        ASSERT_TRUE(publisher.start({broker.url(QStringLiteral("plant")), {}, {}, {}}));
        tlvtest::WaitForEvents(
            [&] { return publisher.connection() == MqttPublisher::Connection::Online; });
        ASSERT_EQ(publisher.connection(), MqttPublisher::Connection::Online);
        publishing =
            std::make_unique<DepositionPublishing>(process, processRecipes.Session(), publisher);
        base = publisher.topicBase();
    }

    // One reading 0.1 s after the last.
    void Tick()
    {
        clock->advance(0.1);
        film.Queue();
        tlv.TLVTimer_Timer();
        QCoreApplication::sendPostedEvents();
    }

    TestBroker broker;
    std::unique_ptr<TestSubscriber> subscriber;
    QTemporaryDir home;
    ProgramHome programHome{home};
    FilmChamber film; // outlives the instrument
    std::shared_ptr<tlvtest::StepClock> clock = RunClock();
    cTLV880a tlv{film.lib, clock};
    Deposition process{tlv};
    ProcessRecipes processRecipes{process};
    MqttPublisher publisher{QStringLiteral("coflux")};
    std::unique_ptr<DepositionPublishing> publishing;
    QByteArray base;
};

TEST_F(CofluxPublish, ASimulatedRunPublishesStateReadingsAndTheTrip)
{
    ASSERT_NO_FATAL_FAILURE(WriteFile("Run.dat", kRun));
    ASSERT_NO_FATAL_FAILURE(OpenAndPublish());

    ASSERT_TRUE(process.SetManualPower(0, 40).ok()); // 4 Å per reading: 0.04 kÅ in ten
    ASSERT_TRUE(process.Start().ok());
    int ticks = 0;
    while (process.RunState() == RunRunning && ticks < 100) {
        Tick();
        ++ticks;
    }
    ASSERT_EQ(ticks, 10);

    ASSERT_TRUE(subscriber->waitCount(base + "output/1", 10)) << "one message per reading";
    ASSERT_TRUE(subscriber->waitFor([&](const auto& all) {
        for (const auto& m : all)
            if (m.topic == base + "event" &&
                Json(m.payload).value(QStringLiteral("kind")).toString() == QStringLiteral("trip"))
                return true;
        return false;
    }));
    ASSERT_TRUE(subscriber->waitCount(base + "state", 3));
    EXPECT_EQ(subscriber->on(base + "status").front().payload, "online");

    const auto outputs = subscriber->on(base + "output/1");
    EXPECT_EQ(outputs.size(), 10U);
    const QJsonObject first = Json(outputs.front().payload);
    EXPECT_DOUBLE_EQ(first.value(QStringLiteral("thickness")).toDouble(), 4.0) << "Å, not kÅ";
    EXPECT_DOUBLE_EQ(first.value(QStringLiteral("power")).toDouble(), 40.0);
    EXPECT_TRUE(first.value(QStringLiteral("time")).toString().endsWith(QLatin1Char('Z')));
    EXPECT_EQ(subscriber->on(base + "sensor/1").size(), 10U);

    QStringList runs;
    for (const auto& m : subscriber->on(base + "state")) {
        runs << Json(m.payload).value(QStringLiteral("run")).toString();
        EXPECT_EQ(Json(m.payload).value(QStringLiteral("setup")).toString(),
                  QStringLiteral("Run.dat"));
    }
    EXPECT_EQ(runs, (QStringList{QStringLiteral("stopped"), QStringLiteral("running"),
                                 QStringLiteral("stopped")}));
    for (const auto& m : subscriber->on(base + "event")) {
        const QJsonObject event = Json(m.payload);
        if (event.value(QStringLiteral("kind")).toString() != QStringLiteral("trip")) continue;
        EXPECT_EQ(event.value(QStringLiteral("text")).toString(),
                  QStringLiteral("Deposition halted.\r\nThickness setpoint reached on Gold."));
    }
}

// Two layers on output 1. The library double holds the power it was last given and turns 5 %
// into 5 A/s, so pre-conditioning to 5 % brings the rate to its setpoint for the shutter delay.
const char* const kTwoLayers = R"([RECIPE]
Name=Seed and cap
Layers=2
[LAYER1]
Name=Seed
Outputs=1
EndOutput=1
EndThick=0.01
ShutterTolerance=10
ShutterHold=1
ShutterTimeout=30
[LAYER1 OUTPUT1]
Rate=5
Rise1Power=5
Rise1Time=1
Soak1Time=1
IdlePower=5
IdleTime=1
[LAYER2]
Name=Cap
Outputs=1
EndTime=2
ShutterTolerance=10
ShutterHold=1
ShutterTimeout=30
[LAYER2 OUTPUT1]
Rate=5
)";

TEST_F(CofluxPublish, ARecipeRunShowsItsLayerInTheStateUntilItEnds)
{
    for (const auto& [name, text] :
         {std::pair{"Run.dat",
                    QByteArray(kRun)
                        .replace("Mode=2", "Mode=0")
                        .replace("[Card]\n", "[Card]\nLogFile=" +
                                                 QDir(home.path()).filePath("TLV880.LOG").toUtf8() +
                                                 "\n")},
          std::pair{"Two.rcp", QByteArray(kTwoLayers)}}) {
        ASSERT_NO_FATAL_FAILURE(WriteFile(name, text));
    }
    ASSERT_NO_FATAL_FAILURE(OpenAndPublish());

    RecipeSession& recipes = processRecipes.Session();
    ASSERT_EQ(recipes.Load(QDir(home.path()).filePath(QStringLiteral("Two.rcp"))), QString());
    ASSERT_EQ(recipes.Start(), QString());
    int ticks = 0;
    while (recipes.Run().IsRunning() && ticks < 1000) {
        Tick();
        ++ticks;
    }
    ASSERT_EQ(recipes.Run().CurrentState(), RecipeRun::State::Complete)
        << recipes.Run().Message().toStdString();

    const auto recipeEnded = [&](const std::vector<tlv::mqtt::test::ReceivedMessage>& all) {
        for (const auto& m : all)
            if (m.topic == base + "event" &&
                Json(m.payload).value(QStringLiteral("kind")).toString() == "recipe")
                return true;
        return false;
    };
    ASSERT_TRUE(subscriber->waitFor(recipeEnded));
    QStringList steps; // "recipe/layer/name/phase" of each state while the recipe ran
    QJsonObject last;
    for (const auto& m : subscriber->on(base + "state")) {
        last = Json(m.payload);
        if (!last.contains(QStringLiteral("recipe"))) continue;
        steps << QStringLiteral("%1/%2/%3/%4")
                     .arg(last.value(QStringLiteral("recipe")).toString())
                     .arg(last.value(QStringLiteral("layer")).toInt())
                     .arg(last.value(QStringLiteral("layerName")).toString(),
                          last.value(QStringLiteral("phase")).toString());
        EXPECT_EQ(last.value(QStringLiteral("run")).toString(), QStringLiteral("running"));
    }
    EXPECT_EQ(steps,
              (QStringList{"Seed and cap/0//Waiting", "Seed and cap/1/Seed/Pre-conditioning",
                           "Seed and cap/1/Seed/Shutter delay", "Seed and cap/1/Seed/Deposit",
                           "Seed and cap/1/Seed/Idle ramp", "Seed and cap/2/Cap/Shutter delay",
                           "Seed and cap/2/Cap/Deposit", "Seed and cap/2/Cap/Idle ramp"}));
    EXPECT_FALSE(last.contains(QStringLiteral("recipe"))) << "cleared when the recipe ended";
    EXPECT_FALSE(last.contains(QStringLiteral("layer")));
    for (const auto& m : subscriber->on(base + "event")) {
        const QJsonObject event = Json(m.payload);
        if (event.value(QStringLiteral("kind")).toString() != QStringLiteral("recipe")) continue;
        EXPECT_EQ(event.value(QStringLiteral("code")).toInt(), 0);
        EXPECT_EQ(event.value(QStringLiteral("text")).toString(),
                  QStringLiteral("Recipe complete."));
    }
}

} // namespace
} // namespace coflux::test
