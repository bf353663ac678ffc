#pragma once
// The fleet: every coater seen on the broker, in the order first seen, built from the messages
// the subscriber hands over (status, state, readings, events), and the events of all of them,
// newest first, in a bounded list. Messages that do not fit are ignored and counted by kind.
// Plain Qt Core; the clock ("now" in milliseconds, monotonic) is injectable, so staleness and
// alarm durations are judged without the wall clock in tests.

#include "Coater.h"

#include <QObject>

#include <deque>
#include <functional>
#include <map>
#include <vector>

namespace fleet {

inline constexpr std::size_t kDefaultEventLimit = 1000;

struct FleetEvent {
    QDateTime time; // the event's own time (the publisher's), else when it arrived
    QString coater; // CoaterKey::name()
    QString program;
    QString kind; // as published ("trip", "recipe", "sensor", ...), or the fleet's own
                  // "status" (online/offline) and "alarm" (a rate outside its band)
    int code = 0;
    QString text;
};

struct BadCounts {
    long long unknownTopic = 0;
    long long notJson = 0;
    long long wrongType = 0;
    long long huge = 0;
    long long total() const { return unknownTopic + notJson + wrongType + huge; }
};

class FleetModel : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<qint64()>;

    explicit FleetModel(QObject* parent = nullptr);

    void setClock(Clock clock) { m_clock = std::move(clock); }
    qint64 now() const { return m_clock(); }
    void setEventLimit(std::size_t limit);

    // One message from the broker. `oversized`: its payload was too large to be handed over.
    void take(const QByteArray& topic, const QByteArray& payload, bool oversized = false);
    // Re-judges every coater at the clock's now (staleness, how long a rate is off).
    void tick();

    const std::vector<Coater>& coaters() const { return m_coaters; }
    int find(const CoaterKey& key) const; // row, -1 when unknown
    int attentionCount() const;
    const std::deque<FleetEvent>& events() const { return m_events; } // newest first
    const BadCounts& bad() const { return m_bad; }

signals:
    void coaterAdded(int row);
    void coaterChanged(int row);
    // A reading of output (`output` true) or sensor `number` of `row` became its newest (the
    // last point of its history).
    void readingAdded(int row, bool output, int number);
    void eventAdded(const fleet::FleetEvent& event);
    void attentionChanged(int count);
    void badCountsChanged();

private:
    int rowFor(const CoaterKey& key);
    void refuse(BadKind why);
    void addEvent(const Coater& coater, const QDateTime& time, const QString& kind, int code,
                  const QString& text);
    void takeEvent(int row, const FleetEventMessage& event);
    void reportNewRateAlarms(const Coater& coater, const std::vector<int>& before,
                             const QDateTime& time);
    void changed(int row);

    Clock m_clock;
    std::vector<Coater> m_coaters;
    std::map<CoaterKey, int> m_rows;
    std::deque<FleetEvent> m_events;
    std::size_t m_eventLimit = kDefaultEventLimit;
    BadCounts m_bad;
    int m_attention = 0;
};

} // namespace fleet
