// Alarms as the broker carries them: each change as an event, the open ones in the state.
#include "common/mqtt/PublishPayload.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace tlv::mqtt {
namespace {

tlv::Alarm RateAlarm()
{
    tlv::Alarm alarm;
    alarm.id = 7;
    alarm.condition = QStringLiteral("rate");
    alarm.source = tlv::AlarmSource::output(12, QStringLiteral("Output 5"));
    alarm.severity = tlv::AlarmSeverity::Warning;
    alarm.text = QStringLiteral("Rate of Output 5 out of tolerance.");
    alarm.raised = QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0), Qt::UTC);
    alarm.changed = alarm.raised.addSecs(30);
    return alarm;
}

TEST(AlarmPayloads, EventNamesTheChangeAndItsSource)
{
    const QByteArray payload = AlarmEventPayload(RateAlarm(), tlv::AlarmChange::Acknowledged);
    EXPECT_EQ(payload, R"({"alarm":7,"change":"acknowledged","code":0,"condition":"rate",)"
                       R"("kind":"alarm","output":13,"severity":"warning","source":"Output 5",)"
                       R"("text":"Rate of Output 5 out of tolerance.",)"
                       R"("time":"2026-12-08T10:00:30.000Z"})");
    tlv::Alarm shutter = RateAlarm();
    shutter.source = {};
    const QJsonObject event =
        QJsonDocument::fromJson(AlarmEventPayload(shutter, tlv::AlarmChange::Cleared)).object();
    EXPECT_EQ(event.value("change").toString(), "cleared");
    EXPECT_FALSE(event.contains("output"));
    EXPECT_FALSE(event.contains("sensor"));
    EXPECT_EQ(event.value("source").toString(), "");
}

TEST(AlarmPayloads, StateCarriesOpenAlarmsOnlyWhereTheProgramHasThem)
{
    const QDateTime time(QDate(2026, 12, 8), QTime(10, 1, 0), Qt::UTC);
    PublishState state{QStringLiteral("running"), QStringLiteral("A.dat"), {}, {}};
    EXPECT_FALSE(QJsonDocument::fromJson(StatePayload(time, state)).object().contains("alarms"));

    state.withAlarms = true;
    EXPECT_EQ(QJsonDocument::fromJson(StatePayload(time, state)).object().value("alarms"),
              QJsonArray());
    tlv::Alarm crystal = RateAlarm();
    crystal.id = 8;
    crystal.condition = QStringLiteral("crystal");
    crystal.source = tlv::AlarmSource::sensor(4);
    crystal.severity = tlv::AlarmSeverity::Alarm;
    crystal.state = tlv::AlarmState::Acknowledged;
    tlv::Alarm cleared = RateAlarm();
    cleared.state = tlv::AlarmState::Cleared;
    state.alarms = {RateAlarm(), crystal, cleared};
    const QJsonArray alarms =
        QJsonDocument::fromJson(StatePayload(time, state)).object().value("alarms").toArray();
    ASSERT_EQ(alarms.size(), 2) << "a cleared alarm is not open";
    const QJsonObject second = alarms[1].toObject();
    EXPECT_EQ(second.value("id").toInt(), 8);
    EXPECT_EQ(second.value("state").toString(), "acknowledged");
    EXPECT_EQ(second.value("severity").toString(), "alarm");
    EXPECT_EQ(second.value("sensor").toInt(), 5);
    EXPECT_EQ(second.value("source").toString(), "Sensor 5");
    EXPECT_EQ(second.value("raised").toString(), "2026-12-08T10:00:00.000Z");
    EXPECT_EQ(alarms[0].toObject().value("state").toString(), "active");
}

} // namespace
} // namespace tlv::mqtt
