// Publish URL and arguments, the bounded queue and the JSON bodies.
#include "common/mqtt/PublishPayload.h"
#include "common/mqtt/PublishQueue.h"
#include "common/mqtt/PublishTarget.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace tlv::mqtt {
namespace {

TEST(PublishUrl, AcceptsHostPortAndPrefix)
{
    PublishTarget target;
    QString error;
    ASSERT_TRUE(
        ParsePublishUrl(QStringLiteral("mqtt://broker.lab:1884/coaters/hall2/"), target, error));
    EXPECT_EQ(target.host, QStringLiteral("broker.lab"));
    EXPECT_EQ(target.port, 1884);
    EXPECT_EQ(target.prefix, QStringLiteral("coaters/hall2"));
    EXPECT_FALSE(target.tls);

    ASSERT_TRUE(ParsePublishUrl(QStringLiteral("mqtt://10.0.0.5/lab"), target, error));
    EXPECT_EQ(target.port, 1883);
    ASSERT_TRUE(ParsePublishUrl(QStringLiteral("mqtts://10.0.0.5/lab"), target, error));
    EXPECT_EQ(target.port, 8883);
    EXPECT_TRUE(target.tls);
}

TEST(PublishUrl, RejectsWhatCannotWorkWithAReason)
{
    const char* bad[] = {"http://broker/lab",
                         "broker:1883/lab",
                         "mqtt:///lab",
                         "mqtt://broker",
                         "mqtt://broker/",
                         "mqtt://broker/a/+/b",
                         "mqtt://broker/a#",
                         "mqtt://broker:99999/lab",
                         "mqtt://user:pw@broker/lab",
                         "mqtt://broker/a//b",
                         ""};
    for (const char* url : bad) {
        PublishTarget target;
        target.host = QStringLiteral("untouched");
        QString error;
        EXPECT_FALSE(ParsePublishUrl(QString::fromLatin1(url), target, error)) << url;
        EXPECT_TRUE(error.startsWith(QStringLiteral("Bad publish URL")))
            << url << " " << error.toStdString();
        EXPECT_EQ(target.host, QStringLiteral("untouched")) << url;
    }
}

TEST(PublishArguments, TakesItsOptionsAndLeavesTheRest)
{
    PublishOptions options;
    options.url = QStringLiteral("mqtt://from-settings/x");
    QStringList rest;
    QString error;
    ASSERT_TRUE(TakePublishArguments(
        {QStringLiteral("--run"), QStringLiteral("A.dat"), QStringLiteral("--publish"),
         QStringLiteral("mqtt://h/p"), QStringLiteral("--publish-user=op"),
         QStringLiteral("--publish-password-file"), QStringLiteral("/pw")},
        options, rest, error));
    EXPECT_EQ(options.url, QStringLiteral("mqtt://h/p"));
    EXPECT_EQ(options.user, QStringLiteral("op"));
    EXPECT_EQ(options.passwordFile, QStringLiteral("/pw"));
    EXPECT_EQ(rest, (QStringList{QStringLiteral("--run"), QStringLiteral("A.dat")}));

    EXPECT_FALSE(TakePublishArguments({QStringLiteral("--publish")}, options, rest, error));
    EXPECT_EQ(error, QStringLiteral("--publish needs a value"));
}

OutgoingMessage Reading(int n)
{
    return {QByteArray::number(n), {}, 0, false, OutgoingMessage::Kind::Reading};
}
OutgoingMessage Event(int n)
{
    return {"e" + QByteArray::number(n), {}, 1, false, OutgoingMessage::Kind::Event};
}
QList<QByteArray> Drain(PublishQueue& queue)
{
    QList<QByteArray> topics;
    while (!queue.empty())
        topics << queue.pop().topic;
    return topics;
}

TEST(PublishQueueBound, DropsTheOldestReadingsFirstAndKeepsEvents)
{
    PublishQueue queue(4);
    queue.push(Reading(1));
    queue.push(Event(1));
    queue.push(Reading(2));
    queue.push(Reading(3));
    queue.push(Reading(4)); // full: reading 1 goes
    queue.push(Event(2));   // full: reading 2 goes
    EXPECT_EQ(queue.dropped().readings, 2);
    EXPECT_EQ(Drain(queue), (QList<QByteArray>{"e1", "3", "4", "e2"}));
    EXPECT_EQ(queue.takeDropped().readings, 2);
    EXPECT_EQ(queue.takeDropped().readings, 0);
}

TEST(PublishQueueBound, AMessagePutBackGoesOutFirstAndStillCounts)
{
    // The drainer took the event, the library refused it: newer readings must not overtake it.
    PublishQueue queue(3, 2);
    queue.push(Event(1));
    queue.push(Reading(1));
    queue.push(Reading(2));
    OutgoingMessage refused = queue.pop();
    ASSERT_EQ(refused.topic, "e1");
    queue.pushFront(std::move(refused));
    EXPECT_EQ(queue.dropped().readings, 0);
    // The event put back counts against the event bound: two more drop the oldest, e1.
    queue.push(Event(2));
    queue.push(Event(3));
    EXPECT_EQ(queue.takeDropped().events, 1);
    EXPECT_EQ(Drain(queue), (QList<QByteArray>{"2", "e2", "e3"}));
}

TEST(PublishQueueBound, AQueueOfEventsKeepsThemAndDropsNewReadings)
{
    PublishQueue queue(2, 3);
    queue.push(Event(1));
    queue.push(Event(2));
    queue.push(Reading(1)); // nothing to drop but events: the reading goes
    queue.push(Event(3));   // kept beyond the bound
    queue.push(Event(4));   // events have a bound of their own: the oldest goes
    const auto dropped = queue.takeDropped();
    EXPECT_EQ(dropped.readings, 1);
    EXPECT_EQ(dropped.events, 1);
    EXPECT_EQ(Drain(queue), (QList<QByteArray>{"e2", "e3", "e4"}));
    queue.push(Event(5)); // the event count followed the pops
    queue.push(Event(6));
    queue.push(Event(7));
    EXPECT_EQ(queue.takeDropped().events, 0);
}

TEST(PublishPayloads, ReadingsAreJsonWithUtcTime)
{
    const QDateTime time(QDate(2026, 12, 7), QTime(10, 0, 0, 250), Qt::UTC);
    const QByteArray body = SensorPayload(time, 5.25, 1234.5, -1.0);
    EXPECT_EQ(
        body,
        QByteArray(
            R"({"time":"2026-12-07T10:00:00.250Z","rate":5.25,"thickness":1234.5,"frequency":-1})"));
    const QJsonObject output = QJsonDocument::fromJson(OutputPayload(time, 0, 0, qQNaN())).object();
    EXPECT_TRUE(output.value(QStringLiteral("power")).isNull()) << "NaN is not JSON";
    EXPECT_EQ(output.size(), 4) << "no setpoint without rate control";
    EXPECT_EQ(OutputPayload(time, 4.5, 30, 41.5, 5),
              QByteArray(R"({"time":"2026-12-07T10:00:00.250Z","rate":4.5,"thickness":30,)"
                         R"("power":41.5,"setpoint":5})"));
    EXPECT_TRUE(
        SensorPayload(time, 1, 2, 5.5e6, 87.5).endsWith(R"("frequency":5500000,"life":87.5})"));
    // The crystal's forecast rides along; a failed crystal or one not depositing leaves keys out.
    EXPECT_TRUE(SensorPayload(time, 1, 2, 5.5e6, SensorLife{50, 12345.5, 250})
                    .endsWith(R"("life":50,"left":12345.5,"timeLeft":250})"));
    EXPECT_TRUE(SensorPayload(time, 0, 2, 5.5e6, SensorLife{50, 12345.5, qQNaN()})
                    .endsWith(R"("life":50,"left":12345.5})"));
    EXPECT_TRUE(SensorPayload(time, 0, 0, -3, SensorLife{}).endsWith(R"("frequency":-3})"));
}

TEST(PublishPayloads, StateAndEventsNameTheirParts)
{
    const QDateTime time(QDate(2026, 12, 7), QTime(10, 0, 0), Qt::UTC);
    QJsonObject state = QJsonDocument::fromJson(StatePayload(time, {QStringLiteral("running"),
                                                                    QStringLiteral("A.dat"),
                                                                    {},
                                                                    2,
                                                                    QStringLiteral("Alloy"),
                                                                    QStringLiteral("Deposit")}))
                            .object();
    EXPECT_EQ(state.value(QStringLiteral("run")).toString(), QStringLiteral("running"));
    EXPECT_EQ(state.value(QStringLiteral("setup")).toString(), QStringLiteral("A.dat"));
    EXPECT_EQ(state.keys(), (QStringList{"run", "setup", "time"})) << "no recipe, no recipe keys";
    EXPECT_EQ(StatePayload(time, {QStringLiteral("running"),
                                  QStringLiteral("A.dat"),
                                  QStringLiteral("Mirror \"B\""),
                                  {2, QStringLiteral("Alloy"), QStringLiteral("Shutter delay")}}),
              QByteArray(R"({"layer":2,"layerName":"Alloy","phase":"Shutter delay",)"
                         R"("recipe":"Mirror \"B\"","run":"running","setup":"A.dat",)"
                         R"("time":"2026-12-07T10:00:00.000Z"})"));

    const QJsonObject event =
        QJsonDocument::fromJson(EventPayload(time, {QStringLiteral("output"), 4, 1,
                                                    QStringLiteral("Control error on \"Ag\"!")}))
            .object();
    EXPECT_EQ(event.value(QStringLiteral("output")).toInt(), 2) << "published one-based";
    EXPECT_EQ(event.value(QStringLiteral("text")).toString(),
              QStringLiteral("Control error on \"Ag\"!"));
    const QJsonObject dropped = QJsonDocument::fromJson(DroppedPayload(time, 31, 0)).object();
    EXPECT_EQ(dropped.value(QStringLiteral("readings")).toInt(), 31);
}

TEST(PublishPayloads, ReadingStampsBeforeMidnightBelongToTheDayBefore)
{
    const QDateTime now(QDate(2026, 12, 8), QTime(0, 0, 1), Qt::LocalTime);
    EXPECT_EQ(ReadingDateTime(86399.5, now),
              QDateTime(QDate(2026, 12, 7), QTime(23, 59, 59, 500), Qt::LocalTime));
    EXPECT_EQ(ReadingDateTime(0.5, now),
              QDateTime(QDate(2026, 12, 8), QTime(0, 0, 0, 500), Qt::LocalTime));
}

} // namespace
} // namespace tlv::mqtt
