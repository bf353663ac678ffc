#include "Coater.h"

#include <algorithm>
#include <cmath>

namespace fleet {

namespace {

void Remember(std::deque<Sample>& history, const Sample& sample)
{
    history.push_back(sample);
    while (history.size() > kHistoryPoints ||
           (!history.empty() && history.front().t < sample.t - kHistorySeconds))
        history.pop_front();
}

bool OutsideBand(const Reading& reading)
{
    if (!reading.setpoint || *reading.setpoint <= 0 || !reading.rateKnown) return false;
    return std::abs(reading.rate - *reading.setpoint) > kRateTolerance * *reading.setpoint;
}

} // namespace

bool Coater::needsAttention() const
{
    if (tripped) return true;
    for (const auto& [number, sensor] : sensors)
        if (sensor.failed) return true;
    for (const auto& [number, output] : outputs)
        if (output.rateAlarm) return true;
    return false;
}

QStringList Coater::alarms() const
{
    QStringList lines;
    if (tripped) lines << QStringLiteral("Trip: %1").arg(tripText);
    for (const auto& [number, sensor] : sensors)
        if (sensor.failed) lines << QStringLiteral("Sensor %1 crystal failure").arg(number);
    for (const auto& [number, output] : outputs)
        if (output.rateAlarm) lines << RateAlarmText(number, output);
    return lines;
}

std::vector<int> Coater::rateAlarms() const
{
    std::vector<int> numbers;
    for (const auto& [number, output] : outputs)
        if (output.rateAlarm) numbers.push_back(number);
    return numbers;
}

QString RateAlarmText(int number, const OutputState& output)
{
    return QStringLiteral("Output %1 rate %2 Å/s, setpoint %3 Å/s")
        .arg(number)
        .arg(output.last.rate, 0, 'f', 2)
        .arg(output.last.setpoint.value_or(0), 0, 'f', 2);
}

bool Coater::takeReading(TopicKind kind, int number, const Reading& reading, qint64 now)
{
    // The period is the step between the readings' own times; the outputs and sensors of one
    // reading share a time.
    if (lastReading.isValid() && reading.time > lastReading) {
        const double step = lastReading.msecsTo(reading.time) / 1000.0;
        periodSeconds = periodKnown ? 0.8 * periodSeconds + 0.2 * step : step;
        periodSeconds = std::clamp(periodSeconds, 0.05, 60.0);
        periodKnown = true;
    }
    if (!lastReading.isValid() || reading.time > lastReading) lastReading = reading.time;
    lastArrival = now;
    stale = false;

    const Sample sample{reading.time.toMSecsSinceEpoch() / 1000.0, reading.rate, reading.thickness,
                        reading.power};
    // A reading older than the channel's newest (a late delivery) is a sign of life only: it
    // neither replaces the newest value nor goes back into the history.
    const auto newer = [&](const Reading& last) {
        return !last.time.isValid() || reading.time >= last.time;
    };
    bool newest = false;
    if (kind == TopicKind::Output) {
        OutputState& output = outputs[number];
        newest = newer(output.last);
        if (newest) {
            output.last = reading;
            Remember(output.history, sample);
        }
    } else {
        SensorState& sensor = sensors[number];
        newest = newer(sensor.last);
        if (newest) {
            sensor.last = reading;
            sensor.failed = reading.frequency < 0;
            Remember(sensor.history, sample);
        }
    }
    judge(now);
    return newest;
}

bool Coater::judge(qint64 now)
{
    bool changed = false;
    const qint64 staleAfter =
        std::max(kMinStaleMs, static_cast<qint64>(kStalePeriods * periodSeconds * 1000.0));
    const bool nowStale = lastArrival >= 0 && now - lastArrival > staleAfter;
    changed |= nowStale != stale;
    stale = nowStale;
    for (auto& [number, output] : outputs) {
        // Only a running coater that is on the broker is held to its setpoints.
        const bool outside = running() && presence != Presence::Offline && OutsideBand(output.last);
        if (!outside) {
            output.outsideSince = -1;
        } else if (output.outsideSince < 0) {
            output.outsideSince = now;
        }
        const bool alarm = outside && now - output.outsideSince >= kRateAlarmMs;
        changed |= alarm != output.rateAlarm;
        output.rateAlarm = alarm;
    }
    return changed;
}

void Coater::takeState(const RunState& next)
{
    const bool wasRunning = running();
    state = next;
    if (!wasRunning && running()) {
        tripped = false;
        tripText.clear();
    }
}

} // namespace fleet
