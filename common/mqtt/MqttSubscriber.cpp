#include "common/mqtt/MqttSubscriber.h"

#include "MqttClientSetup.h"

#include <mosquitto.h>

namespace tlv::mqtt {

namespace {
constexpr std::size_t kBatchSize = 500; // messages handed over per turn of the event loop
} // namespace

MqttSubscriber::MqttSubscriber(const QString& program, QObject* parent)
    : QObject(parent), m_program(program), m_connectionText(QStringLiteral("MQTT: off"))
{
    connect(this, &MqttSubscriber::networkChanged, this, &MqttSubscriber::onNetworkChanged,
            Qt::QueuedConnection);
    connect(this, &MqttSubscriber::messagesWaiting, this, &MqttSubscriber::deliver,
            Qt::QueuedConnection);
}

MqttSubscriber::~MqttSubscriber()
{
    stop();
}

void MqttSubscriber::setReconnectDelay(unsigned minSeconds, unsigned maxSeconds)
{
    m_minDelay = std::max(1U, minSeconds);
    m_maxDelay = std::max(m_minDelay, maxSeconds);
}

long long MqttSubscriber::droppedMessages() const
{
    const std::lock_guard lock(m_mutex);
    return m_dropped;
}

void MqttSubscriber::fail(const QString& message)
{
    setConnection(Connection::Failed, QStringLiteral("MQTT: not connected"));
    m_lastProblem = message;
    emit problem(message);
}

bool MqttSubscriber::start(const PublishOptions& options)
{
    stop();
    QString error;
    PublishTarget target;
    QString password;
    if (!ResolveTarget(options, target, password, error)) {
        fail(error + QStringLiteral("; not connected."));
        return false;
    }
    m_target = target;
    m_filter = m_target.prefix.toUtf8() + "/#";
    ++m_generation;

    m_mosq = NewClient(m_program, this);
    if (!m_mosq) {
        fail(QStringLiteral("The MQTT client could not be created; not connected."));
        return false;
    }
    mosquitto_connect_callback_set(m_mosq, &MqttSubscriber::OnConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttSubscriber::OnDisconnect);
    mosquitto_message_callback_set(m_mosq, &MqttSubscriber::OnMessage);
    mosquitto_reconnect_delay_set(m_mosq, m_minDelay, m_maxDelay, true);
    if (!ApplyLoginAndTls(m_mosq, options, password, m_target, error)) {
        mosquitto_destroy(m_mosq);
        m_mosq = nullptr;
        fail(error + QStringLiteral("; not connected."));
        return false;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_running = true;
        m_waiting.clear();
    }
    const QString where = BrokerAddress(m_target);
    setConnection(Connection::Connecting, QStringLiteral("MQTT: connecting to %1").arg(where));
    QString why;
    const ConnectStart started = ConnectAsync(m_mosq, m_target, why);
    if (started == ConnectStart::UnknownHost) {
        stop();
        fail(QStringLiteral("The MQTT broker host \"%1\" is unknown; not connected.")
                 .arg(m_target.host));
        return false;
    }
    // Any other failure (nothing listening yet, network down) is retried by the network thread.
    if (started == ConnectStart::Unreachable) {
        setConnection(Connection::Reconnecting,
                      QStringLiteral("MQTT: %1 unreachable, retrying").arg(where));
        m_lastProblem =
            QStringLiteral("The MQTT broker %1 cannot be reached (%2); retrying.").arg(where, why);
        emit problem(m_lastProblem);
    }
    if (mosquitto_loop_start(m_mosq) != MOSQ_ERR_SUCCESS) {
        stop();
        fail(QStringLiteral("The MQTT network thread could not be started; not connected."));
        return false;
    }
    return true;
}

void MqttSubscriber::stop()
{
    if (!m_mosq) return;
    {
        const std::lock_guard lock(m_mutex);
        m_running = false;
    }
    mosquitto_disconnect(m_mosq);
    mosquitto_loop_stop(m_mosq, false);
    mosquitto_destroy(m_mosq);
    m_mosq = nullptr;
    {
        const std::lock_guard lock(m_mutex);
        m_waiting.clear();
    }
    ++m_generation; // what the old connection still has on its way is dropped
    if (m_connection != Connection::Failed)
        setConnection(Connection::Off, QStringLiteral("MQTT: off"));
}

// ---- network thread ----

void MqttSubscriber::OnConnect(mosquitto* client, void* self, int rc)
{
    auto* subscriber = static_cast<MqttSubscriber*>(self);
    if (rc != 0) {
        {
            const std::lock_guard lock(subscriber->m_mutex);
            subscriber->m_running = false;
        }
        // A refused login does not mend itself: stop retrying.
        mosquitto_disconnect(client);
        emit subscriber->networkChanged(
            subscriber->m_generation, NetworkRefused,
            QStringLiteral("The MQTT broker %1 refused the connection (%2); not connected.")
                .arg(BrokerAddress(subscriber->m_target), ConnackText(rc)),
            QPrivateSignal());
        return;
    }
    // A clean session forgets the subscription: make it on every connection.
    mosquitto_subscribe(client, nullptr, subscriber->m_filter.constData(), 1);
    emit subscriber->networkChanged(
        subscriber->m_generation, NetworkConnected,
        QStringLiteral("MQTT: online (%1)").arg(BrokerAddress(subscriber->m_target)),
        QPrivateSignal());
}

void MqttSubscriber::OnDisconnect(mosquitto*, void* self, int rc)
{
    auto* subscriber = static_cast<MqttSubscriber*>(self);
    bool retrying = false;
    {
        const std::lock_guard lock(subscriber->m_mutex);
        retrying = subscriber->m_running && rc != 0;
    }
    if (retrying)
        emit subscriber->networkChanged(subscriber->m_generation, NetworkLost, {},
                                        QPrivateSignal());
}

void MqttSubscriber::OnMessage(mosquitto*, void* self, const mosquitto_message* message)
{
    if (message) static_cast<MqttSubscriber*>(self)->received(*message);
}

void MqttSubscriber::received(const mosquitto_message& message)
{
    IncomingMessage in;
    in.topic = QByteArray(message.topic ? message.topic : "");
    in.retained = message.retain;
    in.size = message.payloadlen;
    in.oversized = message.payloadlen > m_payloadLimit;
    if (!in.oversized && message.payload && message.payloadlen > 0)
        in.payload = QByteArray(static_cast<const char*>(message.payload), message.payloadlen);
    bool wake = false;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_running) return;
        wake = m_waiting.empty();
        m_waiting.push_back(std::move(in));
        while (m_waiting.size() > m_queueLimit) {
            m_waiting.pop_front();
            ++m_dropped;
        }
    }
    // One wake-up per batch: the owner takes everything that came until it runs.
    if (wake) emit messagesWaiting(m_generation, QPrivateSignal());
}

// ---- owner thread ----

void MqttSubscriber::deliver(quint64 generation)
{
    if (generation != m_generation) return;
    // A bounded batch per turn of the event loop, so a flood leaves the window time to paint
    // and to take input between batches.
    std::vector<IncomingMessage> batch;
    {
        const std::lock_guard lock(m_mutex);
        const std::size_t count = std::min(m_waiting.size(), kBatchSize);
        batch.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            batch.push_back(std::move(m_waiting.front()));
            m_waiting.pop_front();
        }
        if (!m_waiting.empty()) emit messagesWaiting(generation, QPrivateSignal());
    }
    for (const IncomingMessage& message : batch) {
        emit messageReceived(message);
        // A slot may have stopped or restarted the subscription: the rest is of the old one.
        if (generation != m_generation) return;
    }
}

void MqttSubscriber::onNetworkChanged(quint64 generation, int what, const QString& text)
{
    if (generation != m_generation || !m_mosq) return;
    switch (what) {
    case NetworkConnected:
        setConnection(Connection::Online, text);
        break;
    case NetworkRefused:
        fail(text);
        break;
    case NetworkLost:
        if (m_connection == Connection::Failed || m_connection == Connection::Off) break;
        setConnection(Connection::Reconnecting,
                      QStringLiteral("MQTT: %1 lost, retrying").arg(BrokerAddress(m_target)));
        break;
    default:
        break;
    }
}

void MqttSubscriber::setConnection(Connection connection, const QString& text)
{
    if (connection == m_connection && text == m_connectionText) return;
    m_connection = connection;
    m_connectionText = text;
    emit connectionChanged(connection, text);
}

} // namespace tlv::mqtt
