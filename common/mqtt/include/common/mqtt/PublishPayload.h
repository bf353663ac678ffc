#pragma once
// The JSON bodies of the published messages. Readings carry the instrument's units: rate in
// Å/s, thickness in Å, frequency in Hz (a crystal failure keeps the instrument's negative code),
// power in %. Times are ISO 8601 in UTC with milliseconds.

#include "common/alarms/AlarmModel.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <limits>

namespace tlv::mqtt {

// "2026-12-07T10:00:00.250Z"
QByteArray IsoUtc(const QDateTime& time);

// The date and time of a reading stamped in seconds since local midnight, taken on the day of
// `now` (local) or of the day before when the stamp lies ahead of `now` (a reading of just
// before midnight delivered just after it).
QDateTime ReadingDateTime(double secondsSinceMidnight, const QDateTime& now);

// `life`: the crystal life left in % (tlvmonitor), published as "life"; NaN leaves it out.
QByteArray SensorPayload(const QDateTime& time, double rate, double thickness, double frequency,
                         double life = std::numeric_limits<double>::quiet_NaN());

// What a sensor's crystal has left, published with its reading: "life" (% of its frequency
// span), "left" (Å it can still take, as the sensor reads thickness) and "timeLeft" (s at the
// present rate). A NaN leaves its key out (a failed crystal, or one not depositing).
struct SensorLife {
    double percent = std::numeric_limits<double>::quiet_NaN();
    double thicknessLeft = std::numeric_limits<double>::quiet_NaN();
    double secondsLeft = std::numeric_limits<double>::quiet_NaN();
};
QByteArray SensorPayload(const QDateTime& time, double rate, double thickness, double frequency,
                         const SensorLife& life);
// `setpoint`: the rate setpoint (Å/s) of an output under rate control, published as
// "setpoint"; NaN (no rate control) leaves the key out.
QByteArray OutputPayload(const QDateTime& time, double rate, double thickness, double power,
                         double setpoint = std::numeric_limits<double>::quiet_NaN());

// Where a running recipe is: the current layer (1-based number, 0 before the first layer has
// begun) and its phase.
struct PublishRecipeStep {
    int layer = 0;
    QString layerName;
    QString phase;

    bool operator==(const PublishRecipeStep&) const = default;
};

// What `state` shows. `run` is the program's run state in words ("running", "stopped", ...).
// While a recipe runs: its name ("recipe") and its step ("layer", "layerName", "phase"); with no
// recipe running (empty name) these keys are left out. A program with alarms also publishes
// its open alarms, oldest first, as "alarms" (an empty list when there are none): each
// {"id":3,"state":"active","severity":"alarm","condition":"crystal","source":"Sensor 5",
//  "text":"Sensor 5 Crystal Failure.","raised":"2026-12-08T09:00:05.000Z"} with "sensor",
// "output" or "card" (n from 1) where the source is one.
struct PublishState {
    QString run;
    QString setupFile;
    QString recipe;
    PublishRecipeStep step;
    bool withAlarms = false;
    QList<tlv::Alarm> alarms{};

    bool operator==(const PublishState&) const = default;
};
QByteArray StatePayload(const QDateTime& time, const PublishState& state);

// One event: `kind` names where it comes from ("trip", "class error", "sensor", "output",
// "dropped"); `code` is the instrument's event or error number; `index` the zero-based sensor
// or output (published one-based as "sensor"/"output"), -1 for none.
struct PublishEvent {
    QString kind;
    int code = 0;
    int index = -1;
    QString text;
};
QByteArray EventPayload(const QDateTime& time, const PublishEvent& event);

// One change of an alarm as an event of kind "alarm": "alarm" its id, "change" ("raised",
// "acknowledged", "cleared"), "severity", "condition", "source" and its index ("sensor",
// "output" or "card", from 1), the text, and the time of the change; "code" is 0.
QByteArray AlarmEventPayload(const tlv::Alarm& alarm, tlv::AlarmChange change);

// The event that reports, once the broker is back, what the queue dropped while it was away:
// kind "dropped" with the counts in "readings" and "events".
QByteArray DroppedPayload(const QDateTime& time, long long readings, long long events);

} // namespace tlv::mqtt
