// The publisher against a real broker: what a subscriber sees, a broker that goes away and
// comes back, and the ways publishing can be refused while the program goes on.
#include "common/mqtt/MqttPublisher.h"

#include "MqttTestPeers.h"
#include "tlvtest/WaitEvents.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tlv::mqtt::test {
namespace {

using Connection = MqttPublisher::Connection;

class PublisherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A missing broker is a failure, not a pass: these tests are the only check of publishing.
        ASSERT_FALSE(TestBroker::Program().isEmpty())
            << "mosquitto is not installed (scripts/install-deps.sh installs it)";
    }
    const QDateTime m_time{QDate(2026, 12, 7), QTime(10, 0, 0, 500), Qt::UTC};
};

TEST_F(PublisherTest, ASubscriberSeesStatusStateReadingsAndEvents)
{
    TestBroker broker;
    QString why;
    ASSERT_TRUE(broker.start(&why)) << why.toStdString();
    TestSubscriber subscriber(broker.port());
    ASSERT_TRUE(subscriber.waitSubscribed());

    MqttPublisher publisher(QStringLiteral("tlvmonitor"));
    ASSERT_TRUE(publisher.start({broker.url(QStringLiteral("lab/hall2")), {}, {}, {}}));
    ASSERT_TRUE(
        tlvtest::WaitForEvents([&] { return publisher.connection() == Connection::Online; }));
    const QByteArray base = publisher.topicBase();
    EXPECT_TRUE(base.startsWith("lab/hall2/")) << base.constData();
    EXPECT_TRUE(base.endsWith("/tlvmonitor/")) << base.constData();

    publisher.publishState({QStringLiteral("running"), QStringLiteral("tlvmonitor.dat"), {}, {}});
    for (int i = 0; i < 3; ++i)
        publisher.publishSensor(0, m_time.addMSecs(250 * i), 5.0 + i, 100.0 * i, 5.9e6);
    publisher.publishOutput(1, m_time, 2.0, 30.0, 41.5);
    publisher.publishEvent(
        {QStringLiteral("sensor"), 1, 2, QStringLiteral("Sensor 3 Crystal Failure.")}, m_time);

    ASSERT_TRUE(subscriber.waitCount(base + "event", 1));
    ASSERT_TRUE(subscriber.waitCount(base + "sensor/1", 3));
    const auto status = subscriber.on(base + "status");
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.front().payload, "online");
    const auto state = subscriber.on(base + "state");
    ASSERT_EQ(state.size(), 1U);
    EXPECT_EQ(Json(state[0].payload).value(QStringLiteral("run")).toString(),
              QStringLiteral("running"));
    const auto readings = subscriber.on(base + "sensor/1");
    EXPECT_EQ(Json(readings[2].payload).value(QStringLiteral("time")).toString(),
              QStringLiteral("2026-12-07T10:00:01.000Z"));
    EXPECT_DOUBLE_EQ(Json(readings[2].payload).value(QStringLiteral("rate")).toDouble(), 7.0);
    ASSERT_EQ(subscriber.on(base + "output/2").size(), 1U);
    EXPECT_DOUBLE_EQ(
        Json(subscriber.on(base + "output/2")[0].payload).value(QStringLiteral("power")).toDouble(),
        41.5);
    const QJsonObject event = Json(subscriber.on(base + "event")[0].payload);
    EXPECT_EQ(event.value(QStringLiteral("sensor")).toInt(), 3);
    EXPECT_EQ(event.value(QStringLiteral("text")).toString(),
              QStringLiteral("Sensor 3 Crystal Failure."));

    publisher.stop();
    EXPECT_EQ(publisher.connection(), Connection::Off);
    ASSERT_TRUE(subscriber.waitCount(base + "status", 2));
    EXPECT_EQ(subscriber.on(base + "status").back().payload, "offline");

    // A late subscriber is told the retained status and state.
    TestSubscriber late(broker.port(), false, "tlv-test-late");
    ASSERT_TRUE(late.waitCount(base + "state", 1));
    ASSERT_TRUE(late.waitCount(base + "status", 1));
    EXPECT_TRUE(late.on(base + "status")[0].retained);
    EXPECT_EQ(late.on(base + "status")[0].payload, "offline");
}

TEST_F(PublisherTest, ABrokerThatComesBackGetsTheQueueAndTheDroppedCount)
{
    TestBroker broker(TestBroker::Config{{}, {}, true});
    QString why;
    ASSERT_TRUE(broker.start(&why)) << why.toStdString();
    auto subscriber = std::make_unique<TestSubscriber>(broker.port(), true);
    ASSERT_TRUE(subscriber->waitSubscribed());

    MqttPublisher publisher(QStringLiteral("coflux"));
    publisher.setQueueLimits(20, 100);
    publisher.setReconnectDelay(1, 2);
    QSignalSpy dropped(&publisher, &MqttPublisher::droppedReported);
    ASSERT_TRUE(publisher.start({broker.url(QStringLiteral("plant")), {}, {}, {}}));
    ASSERT_TRUE(
        tlvtest::WaitForEvents([&] { return publisher.connection() == Connection::Online; }));
    const QByteArray base = publisher.topicBase();
    publisher.publishState({QStringLiteral("running"), QStringLiteral("Default.dat"), {}, {}});
    for (int i = 0; i < 5; ++i)
        publisher.publishSensor(0, m_time.addSecs(i), i, i, 5.9e6);
    ASSERT_TRUE(subscriber->waitCount(base + "sensor/1", 5));

    broker.stop();
    ASSERT_TRUE(
        tlvtest::WaitForEvents([&] { return publisher.connection() == Connection::Reconnecting; }));
    // 50 readings and an event while the broker is away; the queue holds 20.
    for (int i = 0; i < 50; ++i)
        publisher.publishSensor(0, m_time.addSecs(100 + i), 100 + i, 0, 5.9e6);
    publisher.publishEvent(
        {QStringLiteral("trip"), 0, -1, QStringLiteral("Thickness setpoint reached on Silver.")},
        m_time);

    ASSERT_TRUE(broker.start(&why)) << why.toStdString();
    ASSERT_TRUE(tlvtest::WaitForEvents([&] { return publisher.connection() == Connection::Online; },
                                       std::chrono::seconds(20)));
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped[0][0].toLongLong(), 31);
    EXPECT_EQ(dropped[0][1].toLongLong(), 0);

    ASSERT_TRUE(subscriber->waitCount(base + "sensor/1", 5 + 19, 20000));
    ASSERT_TRUE(subscriber->waitFor([&](const auto& all) {
        int events = 0;
        for (const auto& m : all)
            events += m.topic == base + "event" ? 1 : 0;
        return events >= 2;
    }));
    const auto events = subscriber->on(base + "event");
    const QJsonObject report = Json(events[0].payload);
    EXPECT_EQ(report.value(QStringLiteral("kind")).toString(), QStringLiteral("dropped"));
    EXPECT_EQ(report.value(QStringLiteral("readings")).toInt(), 31);
    EXPECT_EQ(Json(events[1].payload).value(QStringLiteral("kind")).toString(),
              QStringLiteral("trip"));
    // The newest readings survived: the first kept is the 32nd of the outage.
    const auto readings = subscriber->on(base + "sensor/1");
    EXPECT_DOUBLE_EQ(Json(readings[5].payload).value(QStringLiteral("rate")).toDouble(), 131.0);
    EXPECT_DOUBLE_EQ(Json(readings.back().payload).value(QStringLiteral("rate")).toDouble(), 149.0);
    EXPECT_EQ(subscriber->on(base + "status").back().payload, "online");
    EXPECT_GE(subscriber->on(base + "state").size(), 2U)
        << "state published again after the restart";
}

TEST_F(PublisherTest, UnusableTargetsAreReportedAndNothingIsPublished)
{
    MqttPublisher publisher(QStringLiteral("tlvmonitor"));
    QSignalSpy problems(&publisher, &MqttPublisher::problem);
    EXPECT_FALSE(publisher.start({QStringLiteral("mqtt//nohost"), {}, {}, {}}));
    ASSERT_EQ(problems.count(), 1);
    EXPECT_TRUE(problems[0][0].toString().startsWith(QStringLiteral("Bad publish URL")))
        << problems[0][0].toString().toStdString();
    EXPECT_EQ(publisher.connection(), Connection::Failed);
    publisher.publishSensor(0, m_time, 1, 2, 3); // ignored, never queued

    EXPECT_FALSE(publisher.start({QStringLiteral("mqtt://no-such-host.invalid/lab"), {}, {}, {}}));
    EXPECT_TRUE(problems.last()[0].toString().contains(QStringLiteral("no-such-host.invalid")));

    EXPECT_FALSE(publisher.start(
        {QStringLiteral("mqtt://127.0.0.1/lab"), {}, QStringLiteral("/nonexistent/pw"), {}}));
    EXPECT_TRUE(
        problems.last()[0].toString().startsWith(QStringLiteral("Cannot read the password file")));

    // A password or CA file that is no bounded regular file is refused at once, unread: a FIFO
    // would block the start for ever, /dev/zero would fill the memory.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QFile huge(dir.filePath(QStringLiteral("huge")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(kCaFileMaxBytes + 1));
    huge.close();
    const QString url = QStringLiteral("mqtt://127.0.0.1/lab");
    struct Case {
        PublishOptions options;
        QString message;
    };
    const Case cases[] = {
        {{url, {}, fifo, {}},
         QStringLiteral("The password file \"%1\" is not a regular file").arg(fifo)},
        {{url, {}, QStringLiteral("/dev/zero"), {}},
         QStringLiteral("The password file \"/dev/zero\" is not a regular file")},
        {{url, {}, huge.fileName(), {}},
         QStringLiteral("The password file \"%1\" is larger than 65536 bytes")
             .arg(huge.fileName())},
        {{url, {}, {}, fifo}, QStringLiteral("The CA file \"%1\" is not a regular file").arg(fifo)},
        {{url, {}, {}, huge.fileName()},
         QStringLiteral("The CA file \"%1\" is larger than 4194304 bytes").arg(huge.fileName())},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(publisher.start(c.options));
        EXPECT_EQ(problems.last()[0].toString(), c.message + QStringLiteral("; not publishing."));
        EXPECT_EQ(publisher.connection(), Connection::Failed);
    }
    EXPECT_EQ(publisher.handedOver(), 0);
}

TEST_F(PublisherTest, ABrokerThatIsNotThereIsReportedAndRetried)
{
    TestBroker broker;
    QString why;
    ASSERT_TRUE(broker.start(&why)) << why.toStdString();
    const int port = broker.port();
    broker.stop(true); // the port is free again: nothing listens there

    MqttPublisher publisher(QStringLiteral("tlvmonitor"));
    publisher.setUnreachableAfter(300);
    publisher.setReconnectDelay(1, 2);
    QSignalSpy problems(&publisher, &MqttPublisher::problem);
    ASSERT_TRUE(publisher.start({QStringLiteral("mqtt://127.0.0.1:%1/lab").arg(port), {}, {}, {}}));
    ASSERT_TRUE(
        tlvtest::WaitForEvents([&] { return publisher.connection() == Connection::Reconnecting; }));
    ASSERT_GE(problems.count(), 1);
    EXPECT_TRUE(problems[0][0].toString().contains(QStringLiteral("cannot be reached")))
        << problems[0][0].toString().toStdString();
    publisher.publishSensor(0, m_time, 1, 2, 3); // waits in the queue
    EXPECT_EQ(publisher.handedOver(), 0);

    // The broker comes up after the program: the publisher finds it by itself, as after a
    // loss, and the queued reading goes out.
    ASSERT_TRUE(broker.start(&why)) << why.toStdString();
    ASSERT_EQ(broker.port(), port);
    TestSubscriber subscriber(port);
    ASSERT_TRUE(subscriber.waitSubscribed());
    ASSERT_TRUE(tlvtest::WaitForEvents([&] { return publisher.connection() == Connection::Online; },
                                       std::chrono::seconds(20)))
        << publisher.connectionText().toStdString();
    EXPECT_TRUE(subscriber.waitCount(publisher.topicBase() + "sensor/1", 1));
}

TEST_F(PublisherTest, ARefusedLoginIsReportedAndNotRetried)
{
    TestBroker broker(
        TestBroker::Config{QStringLiteral("operator"), QStringLiteral("s3cret"), false});
    QString why;
    ASSERT_TRUE(broker.start(&why)) << why.toStdString();

    MqttPublisher anonymous(QStringLiteral("tlvmonitor"));
    QSignalSpy problems(&anonymous, &MqttPublisher::problem);
    ASSERT_TRUE(anonymous.start({broker.url(QStringLiteral("lab")), {}, {}, {}}));
    ASSERT_TRUE(
        tlvtest::WaitForEvents([&] { return anonymous.connection() == Connection::Failed; }));
    EXPECT_TRUE(problems.last()[0].toString().contains(QStringLiteral("refused the connection")))
        << problems.last()[0].toString().toStdString();
    anonymous.publishSensor(0, m_time, 1, 2, 3);

    QTemporaryFile passwordFile;
    ASSERT_TRUE(passwordFile.open());
    passwordFile.write("s3cret\n");
    passwordFile.close();
    TestSubscriber subscriber(broker.port()); // anonymous: refused, sees nothing
    MqttPublisher withLogin(QStringLiteral("tlvmonitor"));
    ASSERT_TRUE(withLogin.start({broker.url(QStringLiteral("lab")),
                                 QStringLiteral("operator"),
                                 passwordFile.fileName(),
                                 {}}));
    ASSERT_TRUE(
        tlvtest::WaitForEvents([&] { return withLogin.connection() == Connection::Online; }));
}

TEST_F(PublisherTest, AlarmChangesGoOutAsEventsAndTheStateCarriesTheOpenOnes)
{
    TestBroker broker;
    QString why;
    ASSERT_TRUE(broker.start(&why)) << why.toStdString();
    TestSubscriber subscriber(broker.port());
    ASSERT_TRUE(subscriber.waitSubscribed());

    QDateTime now = m_time;
    tlv::AlarmModel alarms([&now] { return now; });
    MqttPublisher publisher(QStringLiteral("coflux"));
    publisher.followAlarms(alarms);
    ASSERT_TRUE(publisher.start({broker.url(QStringLiteral("lab")), {}, {}, {}}));
    ASSERT_TRUE(
        tlvtest::WaitForEvents([&] { return publisher.connection() == Connection::Online; }));
    const QByteArray base = publisher.topicBase();
    const PublishState running{QStringLiteral("running"), QStringLiteral("Default.dat"), {}, {}};
    publisher.publishState(running);

    const quint64 id = alarms.raise(QStringLiteral("crystal"), tlv::AlarmSource::sensor(2),
                                    QStringLiteral("Sensor 3 Crystal Failure."));
    publisher.publishState(running); // the program's next state lists it
    now = now.addSecs(4);
    alarms.acknowledge(id);
    now = now.addSecs(4);
    alarms.clear(QStringLiteral("crystal"), tlv::AlarmSource::sensor(2));
    publisher.publishState(running);

    ASSERT_TRUE(subscriber.waitCount(base + "event", 3));
    ASSERT_TRUE(subscriber.waitCount(base + "state", 3));
    const auto events = subscriber.on(base + "event");
    QStringList changes;
    for (const auto& event : events)
        changes << Json(event.payload).value(QStringLiteral("change")).toString();
    EXPECT_EQ(changes, (QStringList{"raised", "acknowledged", "cleared"}));
    EXPECT_EQ(Json(events[0].payload).value(QStringLiteral("sensor")).toInt(), 3);
    EXPECT_EQ(Json(events[1].payload).value(QStringLiteral("time")).toString(),
              QStringLiteral("2026-12-07T10:00:04.500Z"));

    const auto states = subscriber.on(base + "state");
    ASSERT_EQ(states.size(), 3U) << "alarm changes add no state of their own";
    EXPECT_EQ(Json(states[0].payload).value(QStringLiteral("alarms")).toArray().size(), 0);
    const QJsonArray open = Json(states[1].payload).value(QStringLiteral("alarms")).toArray();
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(open[0].toObject().value(QStringLiteral("state")).toString(), "active");
    EXPECT_EQ(open[0].toObject().value(QStringLiteral("sensor")).toInt(), 3);
    EXPECT_EQ(Json(states[2].payload).value(QStringLiteral("alarms")).toArray().size(), 0);
    EXPECT_EQ(Json(states[2].payload).value(QStringLiteral("run")).toString(), "running");
}

} // namespace
} // namespace tlv::mqtt::test
