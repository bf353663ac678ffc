#include "FleetModel.h"

#include <QElapsedTimer>

namespace fleet {

namespace {

qint64 SteadyMilliseconds()
{
    static QElapsedTimer started = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return started.elapsed();
}

// A message of several lines ("Deposition halted." and why) shown on one.
QString OneLine(const QString& text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line.trimmed();
}

bool IsCrystalFailure(const FleetEventMessage& event)
{
    return event.kind == QLatin1String("sensor") && event.sensor > 0 &&
           event.text.contains(QLatin1String("Crystal Failure"), Qt::CaseInsensitive);
}

} // namespace

FleetModel::FleetModel(QObject* parent) : QObject(parent), m_clock(&SteadyMilliseconds) {}

void FleetModel::setEventLimit(std::size_t limit)
{
    m_eventLimit = std::max<std::size_t>(1, limit);
    while (m_events.size() > m_eventLimit)
        m_events.pop_back();
}

int FleetModel::find(const CoaterKey& key) const
{
    const auto found = m_rows.find(key);
    return found == m_rows.end() ? -1 : found->second;
}

int FleetModel::rowFor(const CoaterKey& key)
{
    if (const int row = find(key); row >= 0) return row;
    const int row = static_cast<int>(m_coaters.size());
    Coater coater;
    coater.key = key;
    m_coaters.push_back(std::move(coater));
    m_rows.emplace(key, row);
    emit coaterAdded(row);
    return row;
}

int FleetModel::attentionCount() const
{
    return static_cast<int>(std::count_if(m_coaters.begin(), m_coaters.end(),
                                          [](const Coater& c) { return c.needsAttention(); }));
}

void FleetModel::refuse(BadKind why)
{
    switch (why) {
    case BadKind::UnknownTopic:
        ++m_bad.unknownTopic;
        break;
    case BadKind::NotJson:
        ++m_bad.notJson;
        break;
    case BadKind::WrongType:
        ++m_bad.wrongType;
        break;
    case BadKind::Huge:
        ++m_bad.huge;
        break;
    }
    emit badCountsChanged();
}

void FleetModel::changed(int row)
{
    emit coaterChanged(row);
    const int attention = attentionCount();
    if (attention == m_attention) return;
    m_attention = attention;
    emit attentionChanged(attention);
}

void FleetModel::addEvent(const Coater& coater, const QDateTime& time, const QString& kind,
                          int code, const QString& text)
{
    FleetEvent event{time, coater.key.name(), coater.key.program, kind, code, OneLine(text)};
    m_events.push_front(event);
    while (m_events.size() > m_eventLimit)
        m_events.pop_back();
    emit eventAdded(event);
}

void FleetModel::take(const QByteArray& topic, const QByteArray& payload, bool oversized)
{
    const std::optional<FleetTopic> parsed = ParseTopic(topic);
    if (!parsed) return refuse(BadKind::UnknownTopic);
    if (oversized) return refuse(BadKind::Huge);
    const qint64 now = m_clock();
    switch (parsed->kind) {
    case TopicKind::Status: {
        bool online = false;
        if (const auto bad = ParseStatus(payload, online)) return refuse(*bad);
        const int row = rowFor(parsed->key);
        Coater& coater = m_coaters[static_cast<std::size_t>(row)];
        const auto next = online ? Coater::Presence::Online : Coater::Presence::Offline;
        const auto before = coater.presence;
        coater.presence = next;
        coater.judge(now);
        if (before != Coater::Presence::Unknown && before != next)
            addEvent(coater, QDateTime::currentDateTimeUtc(), QStringLiteral("status"), 0,
                     online ? QStringLiteral("Online.") : QStringLiteral("Offline."));
        return changed(row);
    }
    case TopicKind::State: {
        RunState state;
        if (const auto bad = ParseState(payload, state)) return refuse(*bad);
        const int row = rowFor(parsed->key);
        Coater& coater = m_coaters[static_cast<std::size_t>(row)];
        coater.takeState(state);
        coater.judge(now);
        return changed(row);
    }
    case TopicKind::Event: {
        FleetEventMessage event;
        if (const auto bad = ParseEvent(payload, event)) return refuse(*bad);
        return takeEvent(rowFor(parsed->key), event);
    }
    case TopicKind::Sensor:
    case TopicKind::Output: {
        Reading reading;
        if (const auto bad = ParseReading(payload, parsed->kind, reading)) return refuse(*bad);
        const int row = rowFor(parsed->key);
        Coater& coater = m_coaters[static_cast<std::size_t>(row)];
        const bool output = parsed->kind == TopicKind::Output;
        const std::vector<int> alarmedBefore = coater.rateAlarms();
        const bool newest = coater.takeReading(parsed->kind, parsed->number, reading, now);
        reportNewRateAlarms(coater, alarmedBefore, reading.time);
        if (newest) emit readingAdded(row, output, parsed->number);
        return changed(row);
    }
    }
}

void FleetModel::takeEvent(int row, const FleetEventMessage& event)
{
    Coater& coater = m_coaters[static_cast<std::size_t>(row)];
    if (event.kind == QLatin1String("trip")) {
        coater.tripped = true;
        coater.tripText = OneLine(event.text);
    }
    if (IsCrystalFailure(event)) coater.sensors[event.sensor].failed = true;
    addEvent(coater, event.time, event.kind, event.code, event.text);
    changed(row);
}

void FleetModel::reportNewRateAlarms(const Coater& coater, const std::vector<int>& before,
                                     const QDateTime& time)
{
    for (const auto& [number, output] : coater.outputs)
        if (output.rateAlarm && std::find(before.begin(), before.end(), number) == before.end())
            addEvent(coater, time, QStringLiteral("alarm"), 0, RateAlarmText(number, output));
}

void FleetModel::tick()
{
    const qint64 now = m_clock();
    for (std::size_t row = 0; row < m_coaters.size(); ++row) {
        Coater& coater = m_coaters[row];
        const std::vector<int> alarmedBefore = coater.rateAlarms();
        if (!coater.judge(now)) continue;
        reportNewRateAlarms(coater, alarmedBefore, QDateTime::currentDateTimeUtc());
        changed(static_cast<int>(row));
    }
}

} // namespace fleet
