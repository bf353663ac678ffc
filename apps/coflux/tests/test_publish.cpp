// A simulated co-deposition published to a real broker: status, state with the setup file, one
// message per reading of each present output and sensor, and the trip event.

#include "Deposition.h"
#include "DepositionPublishing.h"

#include "CofluxProgram.h"
#include "MqttTestPeers.h"
#include "test_filmLibrary.h"

#include "common/mqtt/MqttPublisher.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace coflux::test {
namespace {

using tlv::mqtt::MqttPublisher;
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

QJsonObject Json(const QByteArray& payload)
{
    return QJsonDocument::fromJson(payload).object();
}

TEST(CofluxPublish, ASimulatedRunPublishesStateReadingsAndTheTrip)
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
    FilmChamber film; // outlives the instrument
    auto clock = RunClock();
    cTLV880a tlv(film.lib, clock);
    Deposition process(tlv);
    process.setRemembersSetupFile(false);
    {
        QFile file(QDir(home.path()).filePath(QStringLiteral("Run.dat")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kRun);
    }
    process.OpenSetup(QStringLiteral("Run.dat"));
    tlv.setTimerEnabled(false); // the test is the timer

    MqttPublisher publisher(QStringLiteral("coflux"));
    publisher.setClock([&] { return clock->now().toUTC(); });
    ASSERT_TRUE(publisher.start({broker.url(QStringLiteral("plant")), {}, {}, {}}));
    QElapsedTimer waited;
    waited.start();
    while (publisher.connection() != MqttPublisher::Connection::Online && waited.elapsed() < 15000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(publisher.connection(), MqttPublisher::Connection::Online);
    DepositionPublishing publishing(process, publisher);
    const QByteArray base = publisher.topicBase();

    ASSERT_TRUE(process.SetManualPower(0, 40).ok()); // 4 Å per reading: 0.04 kÅ in ten
    ASSERT_TRUE(process.Start().ok());
    int ticks = 0;
    while (process.RunState() == RunRunning && ticks < 100) {
        clock->advance(0.1);
        film.Queue();
        tlv.TLVTimer_Timer();
        QCoreApplication::sendPostedEvents();
        ++ticks;
    }
    ASSERT_EQ(ticks, 10);

    ASSERT_TRUE(subscriber.waitCount(base + "output/1", 10)) << "one message per reading";
    ASSERT_TRUE(subscriber.waitFor([&](const auto& all) {
        for (const auto& m : all)
            if (m.topic == base + "event" &&
                Json(m.payload).value(QStringLiteral("kind")).toString() == QStringLiteral("trip"))
                return true;
        return false;
    }));
    ASSERT_TRUE(subscriber.waitCount(base + "state", 3));
    EXPECT_EQ(subscriber.on(base + "status").front().payload, "online");

    const auto outputs = subscriber.on(base + "output/1");
    EXPECT_EQ(outputs.size(), 10U);
    const QJsonObject first = Json(outputs.front().payload);
    EXPECT_DOUBLE_EQ(first.value(QStringLiteral("thickness")).toDouble(), 4.0) << "Å, not kÅ";
    EXPECT_DOUBLE_EQ(first.value(QStringLiteral("power")).toDouble(), 40.0);
    EXPECT_TRUE(first.value(QStringLiteral("time")).toString().endsWith(QLatin1Char('Z')));
    EXPECT_EQ(subscriber.on(base + "sensor/1").size(), 10U);

    QStringList runs;
    for (const auto& m : subscriber.on(base + "state")) {
        runs << Json(m.payload).value(QStringLiteral("run")).toString();
        EXPECT_EQ(Json(m.payload).value(QStringLiteral("setup")).toString(),
                  QStringLiteral("Run.dat"));
    }
    EXPECT_EQ(runs, (QStringList{QStringLiteral("stopped"), QStringLiteral("running"),
                                 QStringLiteral("stopped")}));
    for (const auto& m : subscriber.on(base + "event")) {
        const QJsonObject event = Json(m.payload);
        if (event.value(QStringLiteral("kind")).toString() != QStringLiteral("trip")) continue;
        EXPECT_EQ(event.value(QStringLiteral("text")).toString(),
                  QStringLiteral("Deposition halted.\r\nThickness setpoint reached on Gold."));
    }
    qunsetenv("TLV880_HOME");
}

} // namespace
} // namespace coflux::test
