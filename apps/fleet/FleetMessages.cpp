#include "FleetMessages.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

#include <cmath>

namespace fleet {

namespace {

bool NumberIn(const QByteArray& text, int low, int high, int& number)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    // Digits only: "+1", " 1" and "01" are other topics.
    if (!ok || text.isEmpty() || text.front() < '1' || text.front() > '9') return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    if (n < low || n > high) return false;
    number = n;
    return true;
}

std::optional<BadKind> Object(const QByteArray& payload, QJsonObject& object)
{
    if (payload.size() > kMaxPayloadBytes) return BadKind::Huge;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError) return BadKind::NotJson;
    if (!document.isObject()) return BadKind::WrongType;
    object = document.object();
    return std::nullopt;
}

bool Time(const QJsonObject& object, QDateTime& time)
{
    const QJsonValue value = object.value(QStringLiteral("time"));
    if (!value.isString()) return false;
    time = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    return time.isValid();
}

// A required number; null (a value that could not be computed) is allowed where `known` is given.
bool Number(const QJsonObject& object, const char* key, double& out, bool* known = nullptr)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isNull() && known) {
        *known = false;
        out = std::nan("");
        return true;
    }
    if (!value.isDouble()) return false;
    out = value.toDouble();
    if (known) *known = true;
    return std::isfinite(out);
}

// An optional number: absent or null is none, any other type is wrong.
bool OptionalNumber(const QJsonObject& object, const char* key, std::optional<double>& out)
{
    const QJsonValue value = object.value(QLatin1String(key));
    out.reset();
    if (value.isUndefined() || value.isNull()) return true;
    if (!value.isDouble() || !std::isfinite(value.toDouble())) return false;
    out = value.toDouble();
    return true;
}

bool OptionalString(const QJsonObject& object, const char* key, QString& out)
{
    const QJsonValue value = object.value(QLatin1String(key));
    out.clear();
    if (value.isUndefined()) return true;
    if (!value.isString()) return false;
    out = value.toString();
    return true;
}

bool OptionalInt(const QJsonObject& object, const char* key, int low, int high, int& out)
{
    const QJsonValue value = object.value(QLatin1String(key));
    out = 0;
    if (value.isUndefined()) return true;
    if (!value.isDouble()) return false;
    const double d = value.toDouble();
    if (d != std::floor(d) || d < low || d > high) return false;
    out = static_cast<int>(d);
    return true;
}

} // namespace

std::optional<FleetTopic> ParseTopic(const QByteArray& topic)
{
    const QList<QByteArray> levels = topic.split('/');
    FleetTopic parsed;
    qsizetype programAt = 0;
    const QByteArray& last = levels.back();
    if (levels.size() >= 4 && (last == "status" || last == "state" || last == "event")) {
        parsed.kind = last == "status"  ? TopicKind::Status
                      : last == "state" ? TopicKind::State
                                        : TopicKind::Event;
        programAt = levels.size() - 2;
    } else if (levels.size() >= 5 && (levels.at(levels.size() - 2) == "sensor" ||
                                      levels.at(levels.size() - 2) == "output")) {
        const bool sensor = levels.at(levels.size() - 2) == "sensor";
        parsed.kind = sensor ? TopicKind::Sensor : TopicKind::Output;
        if (!NumberIn(last, 1, sensor ? kMaxSensorNumber : kMaxOutputNumber, parsed.number))
            return std::nullopt;
        programAt = levels.size() - 3;
    } else {
        return std::nullopt;
    }
    QStringList prefix;
    for (qsizetype i = 0; i < programAt - 1; ++i) {
        if (levels.at(i).isEmpty()) return std::nullopt;
        prefix << QString::fromUtf8(levels.at(i));
    }
    const QByteArray& host = levels.at(programAt - 1);
    const QByteArray& program = levels.at(programAt);
    if (host.isEmpty() || program.isEmpty()) return std::nullopt;
    parsed.key = {prefix.join(QLatin1Char('/')), QString::fromUtf8(host),
                  QString::fromUtf8(program)};
    return parsed;
}

std::optional<BadKind> ParseReading(const QByteArray& payload, TopicKind kind, Reading& out)
{
    QJsonObject object;
    if (const auto bad = Object(payload, object)) return bad;
    Reading reading;
    const bool sensor = kind == TopicKind::Sensor;
    if (!Time(object, reading.time) || !Number(object, "rate", reading.rate, &reading.rateKnown) ||
        !Number(object, "thickness", reading.thickness, &reading.thicknessKnown))
        return BadKind::WrongType;
    if (sensor ? !Number(object, "frequency", reading.frequency)
               : !Number(object, "power", reading.power))
        return BadKind::WrongType;
    if (!OptionalNumber(object, "setpoint", reading.setpoint) ||
        !OptionalNumber(object, "life", reading.life))
        return BadKind::WrongType;
    out = reading;
    return std::nullopt;
}

std::optional<BadKind> ParseState(const QByteArray& payload, RunState& out)
{
    QJsonObject object;
    if (const auto bad = Object(payload, object)) return bad;
    RunState state;
    const QJsonValue run = object.value(QStringLiteral("run"));
    if (!Time(object, state.time) || !run.isString()) return BadKind::WrongType;
    state.run = run.toString();
    if (!OptionalString(object, "setup", state.setup) ||
        !OptionalString(object, "recipe", state.recipe) ||
        !OptionalInt(object, "layer", 0, 100000, state.layer) ||
        !OptionalString(object, "layerName", state.layerName) ||
        !OptionalString(object, "phase", state.phase))
        return BadKind::WrongType;
    out = state;
    return std::nullopt;
}

std::optional<BadKind> ParseEvent(const QByteArray& payload, FleetEventMessage& out)
{
    QJsonObject object;
    if (const auto bad = Object(payload, object)) return bad;
    FleetEventMessage event;
    const QJsonValue kind = object.value(QStringLiteral("kind"));
    if (!Time(object, event.time) || !kind.isString() || kind.toString().isEmpty())
        return BadKind::WrongType;
    event.kind = kind.toString();
    if (!OptionalInt(object, "code", -1000000000, 1000000000, event.code) ||
        !OptionalInt(object, "sensor", 1, kMaxSensorNumber, event.sensor) ||
        !OptionalInt(object, "output", 1, kMaxOutputNumber, event.output) ||
        !OptionalString(object, "text", event.text))
        return BadKind::WrongType;
    out = event;
    return std::nullopt;
}

std::optional<BadKind> ParseStatus(const QByteArray& payload, bool& online)
{
    if (payload.size() > kMaxPayloadBytes) return BadKind::Huge;
    if (payload == "online" || payload == "offline") {
        online = payload == "online";
        return std::nullopt;
    }
    return BadKind::WrongType;
}

} // namespace fleet
