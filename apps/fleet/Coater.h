#pragma once
// What the fleet knows of one publishing program, and the rules that judge it: a row is stale
// when no reading came for several reading periods, and it needs attention on a trip, a failed
// crystal or an output whose rate stayed outside ±10 % of its setpoint for longer than a few
// seconds while it runs. Times are milliseconds of the model's clock.

#include "FleetMessages.h"

#include <QStringList>

#include <deque>
#include <map>
#include <optional>
#include <vector>

namespace fleet {

inline constexpr int kStalePeriods = 5;        // readings missed before a row is stale
inline constexpr qint64 kMinStaleMs = 3000;    // never stale sooner than this
inline constexpr double kRateTolerance = 0.10; // ±10 % of the setpoint
inline constexpr qint64 kRateAlarmMs = 5000;   // outside the band this long: an alarm
inline constexpr double kHistorySeconds = 10 * 60;
inline constexpr std::size_t kHistoryPoints = 6000;

// One point of a channel's history; `t` in seconds since the epoch of the reading's own time.
struct Sample {
    double t = 0;
    double rate = 0;
    double thickness = 0; // Å
    double power = 0;     // % (outputs)
};

struct OutputState {
    Reading last;
    qint64 outsideSince = -1; // clock time the rate left the band, -1 inside
    bool rateAlarm = false;
    std::deque<Sample> history;
};

struct SensorState {
    Reading last;
    bool failed = false; // crystal failure: a negative frequency code or a failure event
    std::deque<Sample> history;
};

// "Output 1 rate 3.20 Å/s, setpoint 5.00 Å/s"
QString RateAlarmText(int number, const OutputState& output);

struct Coater {
    enum class Presence { Unknown, Online, Offline };

    CoaterKey key;
    Presence presence = Presence::Unknown;
    std::optional<RunState> state;
    std::map<int, OutputState> outputs; // by number from 1
    std::map<int, SensorState> sensors;
    qint64 lastArrival = -1; // clock time of the newest reading, -1 none yet
    QDateTime lastReading;   // the newest reading's own time
    double periodSeconds = 1.0;
    bool periodKnown = false;
    bool stale = false;
    bool tripped = false;
    QString tripText;

    bool running() const { return state && state->run == QLatin1String("running"); }
    bool needsAttention() const;
    // One line per alarm, e.g. "Output 1 rate 3.20 Å/s, setpoint 5.00 Å/s".
    QStringList alarms() const;
    // The outputs whose rate alarm is on.
    std::vector<int> rateAlarms() const;

    // A reading of output or sensor `number` arrived at `now`. True when it is the channel's
    // newest (and so in its history); a late one older than that only shows the coater alive.
    bool takeReading(TopicKind kind, int number, const Reading& reading, qint64 now);
    // Re-judges staleness and rate-alarm durations at `now`; true when anything changed.
    bool judge(qint64 now);
    // A new run state; a new run clears an earlier trip.
    void takeState(const RunState& state);
};

} // namespace fleet
