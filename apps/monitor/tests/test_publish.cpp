// Publishing from the monitor's window to a real broker: what a run publishes, and a broker
// that refuses the monitor while the monitor measures on.
#include "MonitorFixture.h"
#include "MqttTestPeers.h"

#include "common/mqtt/MqttPublisher.h"
#include "common/mqtt/PublishTarget.h"
#include "tlvtest/WaitEvents.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>

namespace monitor::test {
namespace {

using tlv::mqtt::MqttPublisher;
using tlv::mqtt::test::Json;
using tlv::mqtt::test::TestBroker;
using tlv::mqtt::test::TestSubscriber;

class MonitorPublish : public MonitorTest {
protected:
    void SetUp() override
    {
        MonitorTest::SetUp();
        // A missing broker is a failure, not a pass: these tests are the only check of publishing.
        ASSERT_FALSE(TestBroker::Program().isEmpty())
            << "mosquitto is not installed (scripts/install-deps.sh installs it)";
    }
    QLabel* StatusLabel() const
    {
        return m_window->findChild<QLabel*>(QStringLiteral("lblPublish"));
    }
    // One reading of the library, taken by one tick of the window's timer.
    void Reading(double rate, double sensor1Frequency)
    {
        LibReading r;
        r.rate.fill(rate);
        r.thickness.fill(rate * 10.0);
        r.frequency[0] = sensor1Frequency;
        Queue(r);
        Tick();
    }
};

TEST_F(MonitorPublish, ARunPublishesStateReadingsOfShownSensorsAndSensorEvents)
{
    TestBroker broker;
    QString why;
    ASSERT_TRUE(broker.start(&why)) << why.toStdString();
    TestSubscriber subscriber(broker.port());
    ASSERT_TRUE(subscriber.waitSubscribed());

    frmMain& w = LoadWindow();
    ASSERT_EQ(StatusLabel()->text(), QStringLiteral("MQTT: off"));
    ASSERT_TRUE(w.StartPublishing({broker.url(QStringLiteral("lab")), {}, {}, {}}));
    MqttPublisher* publisher = w.Publisher();
    QDateTime tick(QDate(2026, 12, 7), QTime(9, 0, 0), Qt::UTC);
    publisher->setClock([&] { return tick; });
    ASSERT_TRUE(tlvtest::WaitForEvents(
        [&] { return publisher->connection() == MqttPublisher::Connection::Online; }));
    EXPECT_EQ(StatusLabel()->text(),
              QStringLiteral("MQTT: online (127.0.0.1:%1)").arg(broker.port()));
    const QByteArray base = publisher->topicBase();
    EXPECT_TRUE(base.startsWith("lab/") && base.endsWith("/tlvmonitor/")) << base.constData();

    w.cmdFSwitch_Click(0); // start
    // Three readings, sensor 1's crystal failing in each: the third sets crystal failure.
    for (int i = 1; i <= 3; ++i)
        Reading(i, -1.0);
    w.cmdFSwitch_Click(0); // stop

    for (int n = 1; n <= 4; ++n)
        ASSERT_TRUE(subscriber.waitCount(base + "sensor/" + QByteArray::number(n), 3)) << n;
    ASSERT_TRUE(subscriber.waitCount(base + "state", 3));
    ASSERT_TRUE(subscriber.waitCount(base + "event", 1));
    EXPECT_TRUE(subscriber.on(base + "sensor/5").empty()) << "only the shown sensors";

    const auto sensor2 = subscriber.on(base + "sensor/2");
    ASSERT_EQ(sensor2.size(), 3U) << "one message per reading";
    const QJsonObject last = Json(sensor2[2].payload);
    EXPECT_EQ(last.value(QStringLiteral("time")).toString(),
              QStringLiteral("2026-12-07T09:00:00.000Z"));
    EXPECT_DOUBLE_EQ(last.value(QStringLiteral("rate")).toDouble(), 3.0);
    EXPECT_DOUBLE_EQ(last.value(QStringLiteral("thickness")).toDouble(), 30.0);
    EXPECT_DOUBLE_EQ(last.value(QStringLiteral("frequency")).toDouble(), 5000000.0);
    EXPECT_DOUBLE_EQ(last.value(QStringLiteral("life")).toDouble(), 100.0)
        << "at the span's initial frequency";
    const QJsonObject failed = Json(subscriber.on(base + "sensor/1")[0].payload);
    EXPECT_DOUBLE_EQ(failed.value(QStringLiteral("frequency")).toDouble(), -1.0);
    EXPECT_FALSE(failed.contains(QStringLiteral("life"))) << "a failed crystal has no life to tell";

    const auto states = subscriber.on(base + "state");
    QStringList runs;
    for (const auto& m : states)
        runs << Json(m.payload).value(QStringLiteral("run")).toString();
    EXPECT_EQ(runs, (QStringList{QStringLiteral("stopped"), QStringLiteral("running"),
                                 QStringLiteral("stopped")}));
    EXPECT_EQ(Json(states.back().payload).value(QStringLiteral("setup")).toString(),
              QStringLiteral("tlvmonitor.dat"));

    // Starting clears every sensor's status (one event each); the failing crystal follows.
    ASSERT_TRUE(subscriber.waitFor([&](const auto& all) {
        for (const auto& m : all)
            if (m.topic == base + "event" && Json(m.payload)
                                                 .value(QStringLiteral("text"))
                                                 .toString()
                                                 .endsWith(QStringLiteral(" Crystal Failure.")))
                return true;
        return false;
    }));
    QJsonObject failure;
    for (const auto& m : subscriber.on(base + "event"))
        if (Json(m.payload).value(QStringLiteral("code")).toInt() == 1) failure = Json(m.payload);
    EXPECT_EQ(failure.value(QStringLiteral("kind")).toString(), QStringLiteral("sensor"));
    EXPECT_EQ(failure.value(QStringLiteral("sensor")).toInt(), 1);
    EXPECT_EQ(failure.value(QStringLiteral("time")).toString(),
              QStringLiteral("2026-12-07T09:00:00.000Z"));
}

TEST_F(MonitorPublish, ARefusedLoginOrBadUrlLeavesTheMonitorMeasuring)
{
    TestBroker broker(
        TestBroker::Config{QStringLiteral("operator"), QStringLiteral("s3cret"), false});
    QString why;
    ASSERT_TRUE(broker.start(&why)) << why.toStdString();

    frmMain& w = LoadWindow();
    ASSERT_TRUE(
        w.StartPublishing({broker.url(QStringLiteral("lab")), QStringLiteral("intruder"), {}, {}}));
    ASSERT_TRUE(tlvtest::WaitForEvents(
        [&] { return w.Publisher()->connection() == MqttPublisher::Connection::Failed; }));
    EXPECT_EQ(StatusLabel()->text(), QStringLiteral("MQTT: not publishing"));
    EXPECT_TRUE(StatusLabel()->toolTip().contains(QStringLiteral("refused the connection")))
        << StatusLabel()->toolTip().toStdString();

    w.cmdFSwitch_Click(0);
    Reading(4.5, 5000000.0);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("4.5"));

    EXPECT_FALSE(w.StartPublishing({QStringLiteral("mqtt:/lab"), {}, {}, {}}));
    EXPECT_TRUE(StatusLabel()->toolTip().startsWith(QStringLiteral("Bad publish URL")));
    Reading(5.5, 5000000.0);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("5.5"));
    EXPECT_TRUE(Messages().filter(QStringLiteral("MQTT")).isEmpty())
        << "no message box stops the run";
}

} // namespace
} // namespace monitor::test
