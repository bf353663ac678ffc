// A backup sensor taking over, published to a real broker: the event tlvfleet lists, and the
// crystals' life left with each sensor reading until the failed one has none.

#include "Deposition.h"
#include "DepositionPublishing.h"

#include "CofluxHost.h"
#include "CofluxProgram.h"
#include "MqttTestPeers.h"
#include "test_backupChamber.h"
#include "test_filmLibrary.h"

#include "common/mqtt/MqttPublisher.h"
#include "tlvtest/WaitEvents.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace coflux::test {
namespace {

using tlv::mqtt::MqttPublisher;
using tlv::mqtt::test::Json;
using tlv::mqtt::test::TestBroker;
using tlv::mqtt::test::TestSubscriber;

TEST(BackupPublish, TheTakeOverIsAnEventAndLifeLeftRidesWithTheReadings)
{
    if (TestBroker::Program().isEmpty()) GTEST_SKIP() << "mosquitto is not installed";
    TestBroker broker;
    QString why;
    ASSERT_TRUE(broker.start(&why)) << why.toStdString();
    TestSubscriber subscriber(broker.port());
    ASSERT_TRUE(subscriber.waitSubscribed());

    QTemporaryDir home;
    qputenv("TLV880_HOME", home.path().toLocal8Bit());
    InstallProgramInfo();
    {
        QFile file(QDir(home.path()).filePath(QStringLiteral("Run.dat")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Card]\nPeriod=.1\nFilter=1\n[OUTPUT1]\nName=Silver\nMode=2\nInput=1\n"
                   "Thick=0.1\nFullScale=10\nBackup=5\nBackupTooling=125\n");
    }
    BackupChamber chamber;
    chamber.FailAt(BackupChamber::kPrimary, 40);
    auto clock = RunClock();
    cTLV880a tlv{chamber.lib, clock};
    Deposition process{tlv};
    process.setRemembersSetupFile(false);
    ASSERT_TRUE(process.OpenSetup(QStringLiteral("Run.dat")).loaded);
    tlv.setTimerEnabled(false);

    MqttPublisher publisher{QStringLiteral("coflux")};
    publisher.setClock([clock] { return clock->now().toUTC(); });
    ASSERT_TRUE(publisher.start({broker.url(QStringLiteral("plant")), {}, {}, {}}));
    tlvtest::WaitForEvents(
        [&] { return publisher.connection() == MqttPublisher::Connection::Online; });
    ASSERT_EQ(publisher.connection(), MqttPublisher::Connection::Online);
    ProcessRecipes recipes{process};
    DepositionPublishing publishing(process, recipes.Session(), publisher);
    const QByteArray base = publisher.topicBase();

    ASSERT_TRUE(process.SetManualPower(0, 5).ok());
    ASSERT_TRUE(process.Start().ok());
    int ticks = 0;
    for (; ticks < 1000 && process.RunState() == RunRunning; ++ticks) {
        clock->advance(BackupChamber::kPeriod);
        chamber.Queue();
        tlv.TLVTimer_Timer();
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(process.RunState(), RunStopped);
    EXPECT_NEAR(chamber.Truth(), 100, 5);

    const auto takeOver = [&](const std::vector<tlv::mqtt::test::ReceivedMessage>& all) {
        for (const auto& m : all)
            if (m.topic == base + "event" && Json(m.payload).value("kind").toString() == "backup")
                return true;
        return false;
    };
    ASSERT_TRUE(subscriber.waitFor(takeOver));
    ASSERT_TRUE(subscriber.waitCount(base + "sensor/5", ticks));
    for (const auto& m : subscriber.on(base + "event")) {
        const QJsonObject event = Json(m.payload);
        if (event.value("kind").toString() != "backup") continue;
        EXPECT_EQ(event.value("text").toString(),
                  QStringLiteral("Sensor 5 takes over from sensor 1 on Silver."));
        EXPECT_EQ(event.value("sensor").toInt(), 5);
    }
    // Sensor 1 tells its life left while it deposits, and none once it has failed.
    const auto primary = subscriber.on(base + "sensor/1");
    ASSERT_FALSE(primary.empty());
    const QJsonObject first = Json(primary.front().payload);
    EXPECT_GT(first.value("left").toDouble(), 0);
    EXPECT_GT(first.value("timeLeft").toDouble(), 0);
    EXPECT_GT(first.value("life").toDouble(), 0);
    const QJsonObject last = Json(primary.back().payload);
    EXPECT_EQ(last.value("frequency").toDouble(), -3);
    EXPECT_FALSE(last.contains("left"));
    EXPECT_FALSE(last.contains("life"));
    EXPECT_GT(Json(subscriber.on(base + "sensor/5").back().payload).value("left").toDouble(), 0);
    qunsetenv("TLV880_HOME");
}

} // namespace
} // namespace coflux::test
