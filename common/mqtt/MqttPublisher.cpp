#include "common/mqtt/MqttPublisher.h"

#include "MqttClientSetup.h"

#include <QSysInfo>

#include <mosquitto.h>

#include <algorithm>
#include <chrono>

namespace tlv::mqtt {

namespace {

// Messages handed to the client library and not yet written (QoS 0) or acknowledged (QoS 1).
// Beyond this the rest waits in the bounded queue instead of the library's unbounded one.
constexpr std::size_t kMaxInFlight = 100;
constexpr auto kOfflineWait = std::chrono::seconds(2);

const QByteArray kOnline = QByteArrayLiteral("online");
const QByteArray kOffline = QByteArrayLiteral("offline");

// A topic level may hold neither '/' nor a wildcard.
QByteArray TopicLevel(QString text)
{
    for (QChar& c : text)
        if (c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('#'))
            c = QLatin1Char('_');
    return text.isEmpty() ? QByteArrayLiteral("unknown") : text.toUtf8();
}

} // namespace

MqttPublisher::MqttPublisher(const QString& program, QObject* parent)
    : QObject(parent), m_program(program), m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &MqttPublisher::retryFirstConnect);
    m_unreachableTimer.setSingleShot(true);
    m_unreachableTimer.setInterval(5000);
    connect(&m_unreachableTimer, &QTimer::timeout, this, [this] {
        if (m_connection != Connection::Connecting) return;
        const QString where = QStringLiteral("%1:%2").arg(m_target.host).arg(m_target.port);
        report(Connection::Reconnecting,
               QStringLiteral("MQTT: %1 unreachable, retrying").arg(where),
               QStringLiteral("The MQTT broker %1 cannot be reached; readings are kept in a "
                              "bounded queue and publishing resumes when it answers.")
                   .arg(where));
    });
    m_connectionText = QStringLiteral("MQTT: off");
    // The network thread reports through this signal; the owner's thread acts on it.
    connect(this, &MqttPublisher::networkChanged, this, &MqttPublisher::onNetworkChanged,
            Qt::QueuedConnection);
}

MqttPublisher::~MqttPublisher()
{
    stop();
}

void MqttPublisher::setQueueLimits(std::size_t capacity, std::size_t eventCapacity)
{
    const std::lock_guard lock(m_mutex);
    m_queue = PublishQueue(capacity, eventCapacity);
}

void MqttPublisher::setReconnectDelay(unsigned minSeconds, unsigned maxSeconds)
{
    m_minDelay = std::max(1U, minSeconds);
    m_maxDelay = std::max(m_minDelay, maxSeconds);
}

void MqttPublisher::setUnreachableAfter(int milliseconds)
{
    m_unreachableTimer.setInterval(milliseconds);
}

void MqttPublisher::setClock(std::function<QDateTime()> clock)
{
    m_clock = std::move(clock);
}

QDateTime MqttPublisher::now() const
{
    return m_clock();
}

long long MqttPublisher::handedOver() const
{
    const std::lock_guard lock(m_mutex);
    return m_handedOver;
}

void MqttPublisher::fail(const QString& message)
{
    report(Connection::Failed, QStringLiteral("MQTT: not publishing"), message);
}

bool MqttPublisher::start(const PublishOptions& options)
{
    stop();
    QString error;
    PublishTarget target;
    QString password;
    if (!ResolveTarget(options, target, password, error)) {
        fail(error + QStringLiteral("; not publishing."));
        return false;
    }
    m_target = target;
    ++m_generation;
    m_base = m_target.prefix.toUtf8() + '/' + TopicLevel(QSysInfo::machineHostName()) + '/' +
             TopicLevel(m_program) + '/';

    m_mosq = NewClient(m_program, this);
    if (!m_mosq) {
        fail(QStringLiteral("The MQTT client could not be created; not publishing."));
        return false;
    }
    mosquitto_connect_callback_set(m_mosq, &MqttPublisher::OnConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttPublisher::OnDisconnect);
    mosquitto_publish_callback_set(m_mosq, &MqttPublisher::OnPublish);
    mosquitto_reconnect_delay_set(m_mosq, m_minDelay, m_maxDelay, true);
    const QByteArray statusTopic = m_base + "status";
    mosquitto_will_set(m_mosq, statusTopic.constData(), static_cast<int>(kOffline.size()),
                       kOffline.constData(), 1, true);
    if (!ApplyLoginAndTls(m_mosq, options, password, m_target, error)) {
        mosquitto_destroy(m_mosq);
        m_mosq = nullptr;
        fail(error + QStringLiteral("; not publishing."));
        return false;
    }

    {
        const std::lock_guard lock(m_mutex);
        m_running = true;
        m_connected = false;
        m_inFlight.clear();
        m_earlyAcks.clear();
    }
    const QString where = QStringLiteral("%1:%2").arg(m_target.host).arg(m_target.port);
    setConnection(Connection::Connecting, QStringLiteral("MQTT: connecting to %1").arg(where));
    m_retrySeconds = m_minDelay;
    QString why;
    const ConnectStart started = ConnectAsync(m_mosq, m_target, why);
    if (started == ConnectStart::UnknownHost) {
        stop();
        fail(QStringLiteral("The MQTT broker host \"%1\" is unknown; not publishing.")
                 .arg(m_target.host));
        return false;
    }
    // Any other failure (nothing listening yet, network down) is retried from here with the
    // same back-off as after a loss; the network thread starts once a connection is under way.
    if (started == ConnectStart::Unreachable) {
        report(Connection::Reconnecting,
               QStringLiteral("MQTT: %1 unreachable, retrying").arg(where),
               QStringLiteral("The MQTT broker %1 cannot be reached (%2); readings are kept in a "
                              "bounded queue and publishing resumes when it answers.")
                   .arg(where, why));
        m_retryTimer.start(static_cast<int>(m_retrySeconds * 1000));
        return true;
    }
    m_unreachableTimer.start();
    return startNetworkThread();
}

bool MqttPublisher::startNetworkThread()
{
    if (mosquitto_loop_start(m_mosq) == MOSQ_ERR_SUCCESS) return true;
    stop();
    fail(QStringLiteral("The MQTT network thread could not be started; not publishing."));
    return false;
}

void MqttPublisher::retryFirstConnect()
{
    if (!m_mosq) return;
    QString why;
    if (ConnectAsync(m_mosq, m_target, why) != ConnectStart::Started) {
        m_retrySeconds = std::min(m_retrySeconds * 2, std::max(m_minDelay, m_maxDelay));
        m_retryTimer.start(static_cast<int>(m_retrySeconds * 1000));
        return;
    }
    startNetworkThread();
}

void MqttPublisher::sayOfflineAndDisconnect()
{
    bool connected = false;
    {
        const std::lock_guard lock(m_mutex);
        connected = m_connected;
        m_running = false;
    }
    if (connected) {
        const int mid = publishNow(m_base + "status", kOffline, 1, true);
        std::unique_lock lock(m_mutex);
        m_acked.wait_for(lock, kOfflineWait,
                         [&] { return mid < 0 || !m_connected || m_inFlight.count(mid) == 0; });
    }
    mosquitto_disconnect(m_mosq);
}

void MqttPublisher::stop()
{
    m_unreachableTimer.stop();
    m_retryTimer.stop();
    if (!m_mosq) return;
    sayOfflineAndDisconnect();
    mosquitto_loop_stop(m_mosq, false);
    mosquitto_destroy(m_mosq);
    m_mosq = nullptr;
    {
        const std::lock_guard lock(m_mutex);
        m_connected = false;
        m_running = false;
        while (!m_queue.empty())
            m_queue.pop();
        m_queue.takeDropped();
    }
    if (m_connection != Connection::Failed)
        setConnection(Connection::Off, QStringLiteral("MQTT: off"));
}

int MqttPublisher::publishNow(const QByteArray& topic, const QByteArray& payload, int qos,
                              bool retain)
{
    int mid = 0;
    const int rc =
        mosquitto_publish(m_mosq, &mid, topic.constData(), static_cast<int>(payload.size()),
                          payload.constData(), qos, retain);
    const std::lock_guard lock(m_mutex);
    if (rc != MOSQ_ERR_SUCCESS) return -1;
    ++m_handedOver;
    // The network thread may have written (QoS 0) or seen the acknowledgement of (QoS 1) the
    // message before its id came back here.
    if (m_earlyAcks.erase(mid) == 0) m_inFlight.emplace(mid, qos);
    return mid;
}

void MqttPublisher::enqueue(OutgoingMessage message)
{
    {
        const std::lock_guard lock(m_mutex);
        if (!m_running) return;
        m_queue.push(std::move(message));
    }
    drain();
}

void MqttPublisher::drain()
{
    for (;;) {
        OutgoingMessage message;
        {
            const std::lock_guard lock(m_mutex);
            // One drainer at a time keeps the order; whoever finds the queue non-empty after
            // the drainer has left drains it.
            if (m_draining || !m_connected || m_queue.empty() || m_inFlight.size() >= kMaxInFlight)
                return;
            m_draining = true;
            message = m_queue.pop();
        }
        const int mid = publishNow(message.topic, message.payload, message.qos, message.retain);
        const std::lock_guard lock(m_mutex);
        m_draining = false;
        // Refused by the library: the connection just went. The message waits for the next
        // one at the head of the queue, so nothing newer overtakes it.
        if (mid < 0) {
            m_queue.pushFront(std::move(message));
            return;
        }
    }
}

void MqttPublisher::publishSensor(int sensor, const QDateTime& time, double rate, double thickness,
                                  double frequency, double life)
{
    publishSensor(sensor, time, rate, thickness, frequency, SensorLife{life});
}

void MqttPublisher::publishSensor(int sensor, const QDateTime& time, double rate, double thickness,
                                  double frequency, const SensorLife& life)
{
    if (!m_mosq) return;
    enqueue({m_base + "sensor/" + QByteArray::number(sensor + 1),
             SensorPayload(time, rate, thickness, frequency, life), 0, false,
             OutgoingMessage::Kind::Reading});
}

void MqttPublisher::publishOutput(int output, const QDateTime& time, double rate, double thickness,
                                  double power, double setpoint)
{
    if (!m_mosq) return;
    enqueue({m_base + "output/" + QByteArray::number(output + 1),
             OutputPayload(time, rate, thickness, power, setpoint), 0, false,
             OutgoingMessage::Kind::Reading});
}

void MqttPublisher::publishState(const PublishState& given)
{
    if (!m_mosq) return;
    PublishState state = given;
    if (m_alarms) {
        state.withAlarms = true;
        state.alarms = m_alarms->open();
    }
    const QByteArray payload = StatePayload(now(), state);
    bool connected = false;
    {
        const std::lock_guard lock(m_mutex);
        m_statePayload = payload;
        connected = m_connected;
    }
    // While the broker is away only the latest state matters: the connection publishes it.
    if (connected) enqueue({m_base + "state", payload, 1, true, OutgoingMessage::Kind::Event});
}

void MqttPublisher::publishEvent(const PublishEvent& event, const QDateTime& time)
{
    if (!m_mosq) return;
    enqueue({m_base + "event", EventPayload(time, event), 1, false, OutgoingMessage::Kind::Event});
}

void MqttPublisher::publishAlarm(const tlv::Alarm& alarm, tlv::AlarmChange change)
{
    if (!m_mosq) return;
    enqueue({m_base + "event", AlarmEventPayload(alarm, change), 1, false,
             OutgoingMessage::Kind::Event});
}

void MqttPublisher::followAlarms(const tlv::AlarmModel& model)
{
    if (m_alarms) disconnect(m_alarms, nullptr, this, nullptr);
    m_alarms = &model;
    connect(&model, &tlv::AlarmModel::changed, this, &MqttPublisher::onAlarmChanged);
}

void MqttPublisher::onAlarmChanged(const tlv::Alarm& alarm, tlv::AlarmChange change)
{
    // The event carries the change; the state lists the open alarms as of its next
    // publication (a run state, setup or recipe step), so its sequence stays the program's.
    publishAlarm(alarm, change);
}

// ---- network thread ----

void MqttPublisher::OnConnect(mosquitto*, void* self, int rc)
{
    auto* publisher = static_cast<MqttPublisher*>(self);
    if (rc == 0)
        publisher->connected();
    else
        publisher->refused(rc);
}

void MqttPublisher::connected()
{
    QByteArray state;
    PublishQueue::Dropped dropped;
    {
        const std::lock_guard lock(m_mutex);
        m_connected = true;
        // Whatever was in flight on the old connection is gone or resent by the library.
        m_inFlight.clear();
        m_earlyAcks.clear();
        state = m_statePayload;
        dropped = m_queue.takeDropped();
    }
    publishNow(m_base + "status", kOnline, 1, true);
    if (!state.isEmpty()) publishNow(m_base + "state", state, 1, true);
    const bool anyDropped = dropped.readings > 0 || dropped.events > 0;
    if (anyDropped)
        publishNow(m_base + "event", DroppedPayload(now(), dropped.readings, dropped.events), 1,
                   false);
    drain();
    const QString text =
        QStringLiteral("MQTT: online (%1:%2)").arg(m_target.host).arg(m_target.port);
    emit networkChanged(m_generation, NetworkConnected, text, dropped.readings, dropped.events,
                        QPrivateSignal());
}

void MqttPublisher::refused(int rc)
{
    {
        const std::lock_guard lock(m_mutex);
        m_running = false;
        m_connected = false;
    }
    // A refused login does not mend itself: stop retrying.
    mosquitto_disconnect(m_mosq);
    const QString message = QStringLiteral("The MQTT broker %1:%2 refused the connection (%3); "
                                           "not publishing.")
                                .arg(m_target.host)
                                .arg(m_target.port)
                                .arg(ConnackText(rc));
    emit networkChanged(m_generation, NetworkRefused, message, 0, 0, QPrivateSignal());
}

void MqttPublisher::OnDisconnect(mosquitto*, void* self, int rc)
{
    static_cast<MqttPublisher*>(self)->disconnected(rc);
}

void MqttPublisher::disconnected(int rc)
{
    bool retrying = false;
    {
        const std::lock_guard lock(m_mutex);
        m_connected = false;
        retrying = m_running && rc != 0;
    }
    m_acked.notify_all();
    if (!retrying) return;
    emit networkChanged(m_generation, NetworkLost, {}, 0, 0, QPrivateSignal());
}

void MqttPublisher::OnPublish(mosquitto*, void* self, int mid)
{
    auto* publisher = static_cast<MqttPublisher*>(self);
    {
        const std::lock_guard lock(publisher->m_mutex);
        if (publisher->m_inFlight.erase(mid) == 0) {
            if (publisher->m_earlyAcks.size() > 4096) publisher->m_earlyAcks.clear();
            publisher->m_earlyAcks.insert(mid);
        }
    }
    publisher->m_acked.notify_all();
    publisher->drain();
}

// ---- owner thread ----

void MqttPublisher::onNetworkChanged(quint64 generation, int what, const QString& text,
                                     qint64 readings, qint64 events)
{
    // News of a connection that a later start() has replaced.
    if (generation != m_generation || !m_mosq) return;
    const QString where = QStringLiteral("%1:%2").arg(m_target.host).arg(m_target.port);
    switch (what) {
    case NetworkConnected:
        m_unreachableTimer.stop();
        setConnection(Connection::Online, text);
        if (readings > 0 || events > 0) emit droppedReported(readings, events);
        break;
    case NetworkRefused:
        m_unreachableTimer.stop();
        fail(text);
        break;
    case NetworkLost:
        if (m_connection == Connection::Failed || m_connection == Connection::Off) break;
        report(Connection::Reconnecting, QStringLiteral("MQTT: %1 lost, retrying").arg(where),
               m_connection == Connection::Online
                   ? QStringLiteral("The connection to the MQTT broker %1 was lost; readings "
                                    "are kept in a bounded queue until it is back.")
                         .arg(where)
                   : QString());
        break;
    default:
        break;
    }
}

void MqttPublisher::setConnection(Connection connection, const QString& text)
{
    if (connection == m_connection && text == m_connectionText) return;
    m_connection = connection;
    m_connectionText = text;
    emit connectionChanged(connection, text);
}

void MqttPublisher::report(Connection connection, const QString& text, const QString& message)
{
    setConnection(connection, text);
    if (message.isEmpty()) return;
    m_lastProblem = message;
    emit problem(message);
}

} // namespace tlv::mqtt
