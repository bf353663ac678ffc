#pragma once
// What tlvfleet reads from the broker, checked and taken apart: the topic names the coater
// (PREFIX/<host>/<program>/...) and what the message is; the JSON payloads carry readings, the
// run state and events as coflux and tlvmonitor publish them. Anything that does not fit
// (unknown topic, not JSON, a key of the wrong type, a payload over the size limit) is refused
// with the reason, so the model can ignore and count it.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <tuple>

namespace fleet {

// The largest payload read; the programs' messages are a few hundred bytes.
inline constexpr qsizetype kMaxPayloadBytes = 16 * 1024;
inline constexpr int kMaxSensorNumber = 24;
inline constexpr int kMaxOutputNumber = 14;

// One publishing program.
struct CoaterKey {
    QString prefix;
    QString host;
    QString program;

    bool operator==(const CoaterKey&) const = default;
    bool operator<(const CoaterKey& other) const
    {
        return std::tie(prefix, host, program) < std::tie(other.prefix, other.host, other.program);
    }
    // "PREFIX/host" as the fleet shows a coater.
    QString name() const { return prefix + QLatin1Char('/') + host; }
};

enum class TopicKind { Status, State, Event, Sensor, Output };

struct FleetTopic {
    CoaterKey key;
    TopicKind kind = TopicKind::Status;
    int number = 0; // sensor or output number from 1
};

// PREFIX/<host>/<program>/status|state|event|sensor/<n>|output/<n>; the prefix has one or more
// levels. Nothing for any other topic.
std::optional<FleetTopic> ParseTopic(const QByteArray& topic);

// Why a message was refused.
enum class BadKind { UnknownTopic, NotJson, WrongType, Huge };

struct Reading {
    QDateTime time;
    double rate = 0;
    double thickness = 0;           // Å
    double frequency = 0;           // sensors: Hz, or a crystal failure's negative code
    double power = 0;               // outputs: %
    std::optional<double> setpoint; // outputs: rate setpoint (Å/s) when published
    std::optional<double> life;     // sensors: crystal life left (%) when published
    bool rateKnown = true;          // false where the program published null
    bool thicknessKnown = true;
};

struct RunState {
    QDateTime time;
    QString run;
    QString setup;
    QString recipe; // empty: no recipe running
    int layer = 0;
    QString layerName;
    QString phase;
};

struct FleetEventMessage {
    QDateTime time;
    QString kind;
    int code = 0;
    int sensor = 0; // from 1; 0 none
    int output = 0;
    QString text;
};

// Each returns the reason when the payload is refused.
std::optional<BadKind> ParseReading(const QByteArray& payload, TopicKind kind, Reading& out);
std::optional<BadKind> ParseState(const QByteArray& payload, RunState& out);
std::optional<BadKind> ParseEvent(const QByteArray& payload, FleetEventMessage& out);
// "online" or "offline".
std::optional<BadKind> ParseStatus(const QByteArray& payload, bool& online);

} // namespace fleet
