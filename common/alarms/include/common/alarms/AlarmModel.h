#pragma once
// The alarms of one program: one instance per process core, fed by the core's conditions and
// read by its window, its remote interface, its broker publisher and the alarm log.

#include "common/alarms/Alarm.h"

#include <QList>
#include <QObject>

#include <deque>
#include <functional>

namespace tlv {

class AlarmModel : public QObject {
    Q_OBJECT
public:
    // `clock` gives the instrument's time (tests step it). `historyLimit` bounds how many cleared
    // alarms are kept; alarms still open are always kept.
    using Clock = std::function<QDateTime()>;
    explicit AlarmModel(Clock clock, int historyLimit = 500, QObject* parent = nullptr);

    // Raises the alarm of `condition` at `source`. While that alarm is open a second raise only
    // changes its text; a warning raised again as an alarm becomes an alarm and, if it had been
    // acknowledged, waits for an acknowledgement again (reported as Raised). Returns its id.
    quint64 raise(const QString& condition, const AlarmSource& source, const QString& text,
                  AlarmSeverity severity = AlarmSeverity::Alarm);
    // The cause has gone: the open alarm of `condition` at `source` is cleared. False when there
    // was none.
    bool clear(const QString& condition, const AlarmSource& source);
    // Clears every open alarm of `condition` (any source); returns how many.
    int clearAll(const QString& condition);

    // The operator has seen it. An open alarm becomes Acknowledged; a cleared one keeps its state
    // and records the acknowledgement. False for an id the model does not hold; acknowledging
    // twice is not an error and changes nothing.
    bool acknowledge(quint64 id);
    // Acknowledges every alarm not yet acknowledged; returns how many.
    int acknowledgeAll();

    // Open alarms (Active or Acknowledged), oldest first.
    QList<Alarm> open() const;
    // Whether `condition` at `source` is open.
    bool isOpen(const QString& condition, const AlarmSource& source) const;
    // Open alarms that nobody has acknowledged yet.
    int unacknowledgedCount() const;
    // Every alarm kept, oldest first (open ones and the latest cleared ones).
    const std::deque<Alarm>& history() const { return m_history; }
    // The alarm of that id, or nullptr once it has left the history.
    const Alarm* find(quint64 id) const;

    int historyLimit() const { return m_historyLimit; }
    QDateTime now() const { return m_clock(); }

signals:
    // Every change, as it happens: the log writes it, the publisher sends it, panels redraw.
    void changed(const tlv::Alarm& alarm, tlv::AlarmChange change);

private:
    Alarm* findOpen(const QString& condition, const AlarmSource& source);
    void trim();

    Clock m_clock;
    int m_historyLimit;
    quint64 m_nextId = 1;
    std::deque<Alarm> m_history;
};

} // namespace tlv
