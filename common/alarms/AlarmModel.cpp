#include "common/alarms/AlarmModel.h"

#include <algorithm>

namespace tlv {

AlarmModel::AlarmModel(Clock clock, int historyLimit, QObject* parent)
    : QObject(parent), m_clock(std::move(clock)), m_historyLimit(std::max(1, historyLimit))
{
    qRegisterMetaType<tlv::Alarm>();
}

Alarm* AlarmModel::findOpen(const QString& condition, const AlarmSource& source)
{
    for (Alarm& alarm : m_history)
        if (alarm.isOpen() && alarm.condition == condition && alarm.source.sameAs(source))
            return &alarm;
    return nullptr;
}

quint64 AlarmModel::raise(const QString& condition, const AlarmSource& source, const QString& text,
                          AlarmSeverity severity)
{
    if (Alarm* alarm = findOpen(condition, source)) {
        const bool escalates =
            severity == AlarmSeverity::Alarm && alarm->severity == AlarmSeverity::Warning;
        alarm->text = text;
        if (escalates) {
            alarm->severity = severity;
            alarm->state = AlarmState::Active;
            alarm->acknowledged = QDateTime();
            alarm->changed = m_clock();
            const Alarm copy = *alarm; // a slot may raise or clear in turn
            emit changed(copy, AlarmChange::Raised);
            return copy.id;
        }
        return alarm->id;
    }
    Alarm alarm;
    alarm.id = m_nextId++;
    alarm.condition = condition;
    alarm.source = source;
    alarm.severity = severity;
    alarm.text = text;
    alarm.raised = m_clock();
    alarm.changed = alarm.raised;
    m_history.push_back(alarm);
    trim();
    emit changed(alarm, AlarmChange::Raised);
    return alarm.id;
}

bool AlarmModel::clear(const QString& condition, const AlarmSource& source)
{
    Alarm* alarm = findOpen(condition, source);
    if (!alarm) return false;
    alarm->state = AlarmState::Cleared;
    alarm->cleared = m_clock();
    alarm->changed = alarm->cleared;
    const Alarm copy = *alarm;
    trim();
    emit changed(copy, AlarmChange::Cleared);
    return true;
}

int AlarmModel::clearAll(const QString& condition)
{
    QList<AlarmSource> sources;
    for (const Alarm& alarm : m_history)
        if (alarm.isOpen() && alarm.condition == condition) sources.append(alarm.source);
    int cleared = 0;
    for (const AlarmSource& source : sources)
        if (clear(condition, source)) ++cleared;
    return cleared;
}

bool AlarmModel::acknowledge(quint64 id)
{
    auto it = std::find_if(m_history.begin(), m_history.end(),
                           [id](const Alarm& alarm) { return alarm.id == id; });
    if (it == m_history.end()) return false;
    if (!it->acknowledged.isNull()) return true;
    it->acknowledged = m_clock();
    it->changed = it->acknowledged;
    if (it->state == AlarmState::Active) it->state = AlarmState::Acknowledged;
    const Alarm copy = *it;
    emit changed(copy, AlarmChange::Acknowledged);
    return true;
}

int AlarmModel::acknowledgeAll()
{
    QList<quint64> ids;
    for (const Alarm& alarm : m_history)
        if (alarm.acknowledged.isNull()) ids.append(alarm.id);
    for (quint64 id : ids)
        acknowledge(id);
    return static_cast<int>(ids.size());
}

QList<Alarm> AlarmModel::open() const
{
    QList<Alarm> alarms;
    for (const Alarm& alarm : m_history)
        if (alarm.isOpen()) alarms.append(alarm);
    return alarms;
}

bool AlarmModel::isOpen(const QString& condition, const AlarmSource& source) const
{
    return std::any_of(m_history.begin(), m_history.end(), [&](const Alarm& alarm) {
        return alarm.isOpen() && alarm.condition == condition && alarm.source.sameAs(source);
    });
}

int AlarmModel::unacknowledgedCount() const
{
    return static_cast<int>(std::count_if(m_history.begin(), m_history.end(), [](const Alarm& a) {
        return a.state == AlarmState::Active;
    }));
}

const Alarm* AlarmModel::find(quint64 id) const
{
    auto it = std::find_if(m_history.begin(), m_history.end(),
                           [id](const Alarm& alarm) { return alarm.id == id; });
    return it == m_history.end() ? nullptr : &*it;
}

void AlarmModel::trim()
{
    // Open alarms stay whatever the limit: only cleared ones leave, oldest first.
    auto cleared = static_cast<int>(std::count_if(m_history.begin(), m_history.end(),
                                                  [](const Alarm& a) { return !a.isOpen(); }));
    for (auto it = m_history.begin(); cleared > m_historyLimit && it != m_history.end();) {
        if (!it->isOpen()) {
            it = m_history.erase(it);
            --cleared;
        } else {
            ++it;
        }
    }
}

} // namespace tlv
