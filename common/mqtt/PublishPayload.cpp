#include "common/mqtt/PublishPayload.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace tlv::mqtt {

namespace {

// JSON has no NaN or infinity: a value the instrument could not compute is published as null.
void AppendNumber(QByteArray& out, double value)
{
    if (std::isfinite(value))
        out += QByteArray::number(value, 'g', 12);
    else
        out += "null";
}

QByteArray ReadingPayload(const QDateTime& time, const char* k1, double v1, const char* k2,
                          double v2, const char* k3, double v3)
{
    QByteArray out;
    out.reserve(112);
    out += "{\"time\":\"";
    out += IsoUtc(time);
    out += "\",\"";
    out += k1;
    out += "\":";
    AppendNumber(out, v1);
    out += ",\"";
    out += k2;
    out += "\":";
    AppendNumber(out, v2);
    out += ",\"";
    out += k3;
    out += "\":";
    AppendNumber(out, v3);
    out += '}';
    return out;
}

// A key that is left out while its value is not a number.
void AppendOptional(QByteArray& body, const char* key, double value)
{
    if (!std::isfinite(value)) return;
    body.chop(1);
    body += ",\"";
    body += key;
    body += "\":";
    AppendNumber(body, value);
    body += '}';
}

} // namespace

QByteArray IsoUtc(const QDateTime& time)
{
    return time.toUTC().toString(Qt::ISODateWithMs).toLatin1();
}

QDateTime ReadingDateTime(double secondsSinceMidnight, const QDateTime& now)
{
    const QDateTime local = now.toLocalTime();
    const auto ms = static_cast<qint64>(std::llround(secondsSinceMidnight * 1000.0));
    QDateTime stamped(local.date(), QTime(0, 0), Qt::LocalTime);
    stamped = stamped.addMSecs(ms);
    // More than an hour ahead of now can only be yesterday's reading.
    if (stamped.msecsTo(local) < -3600 * 1000) stamped = stamped.addDays(-1);
    return stamped;
}

QByteArray SensorPayload(const QDateTime& time, double rate, double thickness, double frequency,
                         double life)
{
    return SensorPayload(time, rate, thickness, frequency, SensorLife{life});
}

QByteArray SensorPayload(const QDateTime& time, double rate, double thickness, double frequency,
                         const SensorLife& life)
{
    QByteArray body =
        ReadingPayload(time, "rate", rate, "thickness", thickness, "frequency", frequency);
    AppendOptional(body, "life", life.percent);
    AppendOptional(body, "left", life.thicknessLeft);
    AppendOptional(body, "timeLeft", life.secondsLeft);
    return body;
}

QByteArray OutputPayload(const QDateTime& time, double rate, double thickness, double power,
                         double setpoint)
{
    QByteArray body = ReadingPayload(time, "rate", rate, "thickness", thickness, "power", power);
    AppendOptional(body, "setpoint", setpoint);
    return body;
}

namespace {

void InsertSource(QJsonObject& object, const tlv::AlarmSource& source)
{
    object.insert(QStringLiteral("source"), source.text);
    switch (source.kind) {
    case tlv::AlarmSource::Kind::Sensor:
        object.insert(QStringLiteral("sensor"), source.index + 1);
        break;
    case tlv::AlarmSource::Kind::Output:
        object.insert(QStringLiteral("output"), source.index + 1);
        break;
    case tlv::AlarmSource::Kind::Card:
        object.insert(QStringLiteral("card"), source.index + 1);
        break;
    case tlv::AlarmSource::Kind::None:
        break;
    }
}

QJsonObject AlarmObject(const tlv::Alarm& alarm)
{
    QJsonObject object{{QStringLiteral("id"), qint64(alarm.id)},
                       {QStringLiteral("state"), tlv::AlarmStateWord(alarm.state)},
                       {QStringLiteral("severity"), tlv::AlarmSeverityWord(alarm.severity)},
                       {QStringLiteral("condition"), alarm.condition},
                       {QStringLiteral("text"), alarm.text},
                       {QStringLiteral("raised"), QString::fromLatin1(IsoUtc(alarm.raised))}};
    InsertSource(object, alarm.source);
    return object;
}

} // namespace

QByteArray AlarmEventPayload(const tlv::Alarm& alarm, tlv::AlarmChange change)
{
    QJsonObject object{{QStringLiteral("time"), QString::fromLatin1(IsoUtc(alarm.changed))},
                       {QStringLiteral("kind"), QStringLiteral("alarm")},
                       {QStringLiteral("code"), 0},
                       {QStringLiteral("alarm"), qint64(alarm.id)},
                       {QStringLiteral("change"), tlv::AlarmChangeWord(change)},
                       {QStringLiteral("severity"), tlv::AlarmSeverityWord(alarm.severity)},
                       {QStringLiteral("condition"), alarm.condition},
                       {QStringLiteral("text"), alarm.text}};
    InsertSource(object, alarm.source);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray StatePayload(const QDateTime& time, const PublishState& state)
{
    QJsonObject object{{QStringLiteral("time"), QString::fromLatin1(IsoUtc(time))},
                       {QStringLiteral("run"), state.run},
                       {QStringLiteral("setup"), state.setupFile}};
    if (!state.recipe.isEmpty()) {
        object.insert(QStringLiteral("recipe"), state.recipe);
        object.insert(QStringLiteral("layer"), state.step.layer);
        object.insert(QStringLiteral("layerName"), state.step.layerName);
        object.insert(QStringLiteral("phase"), state.step.phase);
    }
    if (state.withAlarms) {
        QJsonArray alarms;
        for (const tlv::Alarm& alarm : state.alarms)
            if (alarm.isOpen()) alarms.append(AlarmObject(alarm));
        object.insert(QStringLiteral("alarms"), alarms);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray EventPayload(const QDateTime& time, const PublishEvent& event)
{
    QJsonObject object{{QStringLiteral("time"), QString::fromLatin1(IsoUtc(time))},
                       {QStringLiteral("kind"), event.kind},
                       {QStringLiteral("code"), event.code},
                       {QStringLiteral("text"), event.text}};
    if (event.index >= 0) {
        const QString key = event.kind == QLatin1String("output") ? QStringLiteral("output")
                                                                  : QStringLiteral("sensor");
        object.insert(key, event.index + 1);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray DroppedPayload(const QDateTime& time, long long readings, long long events)
{
    QString text =
        QStringLiteral("%1 readings dropped while the broker was unreachable.").arg(readings);
    if (events > 0) text += QStringLiteral(" %1 events dropped.").arg(events);
    const QJsonObject object{{QStringLiteral("time"), QString::fromLatin1(IsoUtc(time))},
                             {QStringLiteral("kind"), QStringLiteral("dropped")},
                             {QStringLiteral("readings"), readings},
                             {QStringLiteral("events"), events},
                             {QStringLiteral("text"), text}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace tlv::mqtt
