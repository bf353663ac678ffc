#pragma once
// The process of tlvfleet, without any widget: subscribes to the broker, feeds the fleet model
// with what arrives, re-judges staleness and alarms every second, and appends every event to the
// event log. Commands in (start, stop), signals out; the window only shows what it reports.

#include "FleetModel.h"

#include "common/mqtt/MqttSubscriber.h"

#include <QObject>
#include <QTimer>

namespace fleet {

class Fleet : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 1000;

    explicit Fleet(QObject* parent = nullptr);

    // The file every event is appended to; empty writes no log.
    void setEventLog(const QString& file);
    // Starts watching the broker; false with problem() when the options cannot work.
    bool start(const tlv::mqtt::PublishOptions& broker);
    void stop();

    FleetModel& model() { return m_model; }
    const FleetModel& model() const { return m_model; }
    tlv::mqtt::MqttSubscriber& subscriber() { return m_subscriber; }
    const tlv::mqtt::MqttSubscriber& subscriber() const { return m_subscriber; }
    bool connected() const;
    QString eventLog() const { return m_eventLog; }
    // Messages ignored: the model's bad payloads and the subscriber's overflow.
    long long ignoredCount() const;

signals:
    void connectionChanged(bool connected, const QString& text);
    // Something the operator should read (broker unusable, log not writable).
    void problem(const QString& message);

private:
    void logEvent(const FleetEvent& event);

    FleetModel m_model;
    tlv::mqtt::MqttSubscriber m_subscriber;
    QTimer m_tick;
    QString m_eventLog;
    bool m_logBroken = false;
};

// One line of the event log: time, coater, program, kind, code and text, tab-separated.
QString EventLogLine(const FleetEvent& event);

} // namespace fleet
