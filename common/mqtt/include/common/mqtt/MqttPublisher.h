#pragma once
// Publishes a program's readings, state and events to an MQTT broker.
//
// Topics lie under PREFIX/<host name>/<program>/: "status" (retained, "online"; "offline" as
// the will and at a clean end), "state" (retained), "sensor/<n>" and "output/<n>" (QoS 0, one
// JSON object per reading, n counted from 1), "event" (QoS 1).
//
// The network work runs in the client library's own thread: the publish calls, made on the
// owner's (GUI) thread, format the message, put it in a bounded queue and hand what the
// connection can take to the client library; they never wait for the network. While the
// broker is away the queue keeps the newest readings and every event; once the connection is
// back the publisher says how many readings it had to drop. Reconnecting uses a bounded
// back-off. A bad URL, an unknown host or a refused login is reported (problem()) and the
// program goes on without publishing.

#include "common/mqtt/PublishPayload.h"
#include "common/mqtt/PublishQueue.h"
#include "common/mqtt/PublishTarget.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <condition_variable>
#include <functional>
#include <limits>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

struct mosquitto;

namespace tlv::mqtt {

class MqttPublisher : public QObject {
    Q_OBJECT
public:
    enum class Connection {
        Off,          // not publishing (never started, stopped, or given up)
        Connecting,   // first connection under way
        Online,       // connected; messages flow
        Reconnecting, // connection lost or broker unreachable; retrying with back-off
        Failed,       // bad URL, unreadable file or refused login: not publishing
    };
    Q_ENUM(Connection)

    // `program` names the program in the topics ("tlvmonitor", "coflux").
    explicit MqttPublisher(const QString& program, QObject* parent = nullptr);
    // Says "offline" (waiting briefly for the broker to take it) and disconnects.
    ~MqttPublisher() override;

    // Starts publishing. False when the options cannot work (bad URL, unreadable password
    // file): problem() then carries the message and nothing is published.
    bool start(const PublishOptions& options);
    // Says "offline", disconnects and stops the network thread; publish calls are then ignored.
    void stop();

    // Before start: the queue's bounds, the back-off range in seconds, how long the first
    // connection may take before the broker is reported unreachable.
    void setQueueLimits(std::size_t capacity, std::size_t eventCapacity);
    void setReconnectDelay(unsigned minSeconds, unsigned maxSeconds);
    void setUnreachableAfter(int milliseconds);
    // The source of "now" for the time stamps of state and events (tests fix it).
    void setClock(std::function<QDateTime()> clock);
    QDateTime now() const;

    // PREFIX/<host>/<program>/ once started.
    QByteArray topicBase() const { return m_base; }
    Connection connection() const { return m_connection; }
    // Short text for a status line, e.g. "MQTT: online (broker:1883)".
    QString connectionText() const { return m_connectionText; }
    // The last message problem() carried (empty when none).
    QString lastProblem() const { return m_lastProblem; }

    // Sensor or output index counted from 0; published as n = index + 1.
    // `life`: the crystal life left (%) where the program knows it, NaN for none.
    void publishSensor(int sensor, const QDateTime& time, double rate, double thickness,
                       double frequency, double life = std::numeric_limits<double>::quiet_NaN());
    void publishSensor(int sensor, const QDateTime& time, double rate, double thickness,
                       double frequency, const SensorLife& life);
    // `setpoint`: the rate setpoint of an output under rate control, NaN for none.
    void publishOutput(int output, const QDateTime& time, double rate, double thickness,
                       double power, double setpoint = std::numeric_limits<double>::quiet_NaN());
    // Retained; published again after every reconnect so a restarted broker has it.
    void publishState(const PublishState& state);
    void publishEvent(const PublishEvent& event, const QDateTime& time);
    // One change of an alarm, as an event of kind "alarm" (AlarmEventPayload).
    void publishAlarm(const tlv::Alarm& alarm, tlv::AlarmChange change);
    // Publishes every change of `model` as an alarm event, and its open alarms with each state
    // the program publishes.
    void followAlarms(const tlv::AlarmModel& model);

    // Messages handed to the client library so far (all topics), for tests and the status tip.
    long long handedOver() const;

signals:
    void connectionChanged(tlv::mqtt::MqttPublisher::Connection connection, const QString& text);
    // A message the operator should read: why publishing does not work (or no longer does).
    void problem(const QString& message);
    // After a reconnect: messages the queue dropped while the broker was away.
    void droppedReported(long long readings, long long events);
    // From the network thread to the owner's thread (queued); internal.
    void networkChanged(quint64 generation, int what, const QString& text, qint64 readings,
                        qint64 events, QPrivateSignal);

private:
    enum NetworkNews { NetworkConnected, NetworkRefused, NetworkLost };
    void onNetworkChanged(quint64 generation, int what, const QString& text, qint64 readings,
                          qint64 events);
    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnDisconnect(mosquitto*, void* self, int rc);
    static void OnPublish(mosquitto*, void* self, int mid);

    void enqueue(OutgoingMessage message);
    void onAlarmChanged(const tlv::Alarm& alarm, tlv::AlarmChange change);
    void drain();
    // Publishes directly (network thread at connect, or at stop); returns the message id or -1.
    int publishNow(const QByteArray& topic, const QByteArray& payload, int qos, bool retain);
    void connected();
    void refused(int rc);
    void disconnected(int rc);
    void setConnection(Connection connection, const QString& text); // owner thread only
    void report(Connection connection, const QString& text, const QString& problem);
    void fail(const QString& message);
    void sayOfflineAndDisconnect();
    bool startNetworkThread();
    void retryFirstConnect(); // owner thread: the broker was not there at start

    QString m_program;
    PublishTarget m_target;
    QByteArray m_base;
    mosquitto* m_mosq = nullptr;
    std::function<QDateTime()> m_clock;
    unsigned m_minDelay = 1;
    unsigned m_maxDelay = 30;
    QTimer m_unreachableTimer;
    QTimer m_retryTimer;         // the first connection, until one is under way
    unsigned m_retrySeconds = 1; // its back-off, doubled up to m_maxDelay
    Connection m_connection = Connection::Off;
    QString m_connectionText;
    QString m_lastProblem;
    quint64 m_generation = 0; // counts start() calls; news of an older connection is dropped
    QPointer<const tlv::AlarmModel> m_alarms; // whose open alarms each state carries

    mutable std::mutex m_mutex; // guards everything below; never held while calling the library
    std::condition_variable m_acked;
    PublishQueue m_queue;
    bool m_running = false;   // started and not stopped or given up: publish calls are taken
    bool m_connected = false; // the broker accepted the connection
    bool m_draining = false;  // one thread is handing queued messages to the library
    std::unordered_map<int, int> m_inFlight; // message id -> QoS, not yet written / acknowledged
    std::unordered_set<int> m_earlyAcks;     // acknowledged before their id was recorded
    QByteArray m_statePayload;               // the last state, for republishing
    long long m_handedOver = 0;
};

} // namespace tlv::mqtt
