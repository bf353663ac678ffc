#pragma once
// Reads back what the programs publish: subscribes to everything under a broker's topic prefix
// (PREFIX/#) with the same URL, login and TLS options as the publisher.
//
// The network work runs in the client library's own thread. Arriving messages go into a bounded
// queue there and are handed to the owner's (GUI) thread in batches through a queued call, so a
// slow window never holds up the network and a flood never grows memory without end (the oldest
// messages go first, and are counted); a batch is at most a few hundred messages, the rest
// follows in the next turn of the owner's event loop. A payload above the size limit is not copied:
// it arrives as an `oversized` message with an empty payload, so the owner can count it. After a
// lost connection the library reconnects with a back-off (1 s doubling up to 30 s by default) and
// the subscription is made again, which also brings the retained messages (status, state) anew.

#include "common/mqtt/PublishTarget.h"

#include <QByteArray>
#include <QObject>

#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace tlv::mqtt {

struct IncomingMessage {
    QByteArray topic;
    QByteArray payload;     // empty when oversized
    bool retained = false;  // the broker's stored copy, sent on subscribing
    bool oversized = false; // the payload was over the size limit and is left out
    qsizetype size = 0;     // the payload's size as it arrived
};

class MqttSubscriber : public QObject {
    Q_OBJECT
public:
    enum class Connection {
        Off,          // not subscribed (never started, or stopped)
        Connecting,   // first connection under way
        Online,       // connected and subscribed
        Reconnecting, // connection lost or broker unreachable; retrying with back-off
        Failed,       // bad URL, unreadable file, unknown host or refused login
    };
    Q_ENUM(Connection)

    // `program` names the client at the broker ("tlvfleet").
    explicit MqttSubscriber(const QString& program, QObject* parent = nullptr);
    ~MqttSubscriber() override;

    // Connects and subscribes to PREFIX/#. False when the options cannot work (problem() then
    // carries the message).
    bool start(const PublishOptions& options);
    void stop();

    // Before start.
    void setReconnectDelay(unsigned minSeconds, unsigned maxSeconds);
    void setPayloadLimit(qsizetype bytes) { m_payloadLimit = bytes; }
    void setQueueLimit(std::size_t messages) { m_queueLimit = messages; }

    Connection connection() const { return m_connection; }
    // Short text for a status line, e.g. "MQTT: online (broker:1883)".
    QString connectionText() const { return m_connectionText; }
    QString lastProblem() const { return m_lastProblem; }
    // "PREFIX/#" once started.
    QByteArray topicFilter() const { return m_filter; }
    // Messages the bounded queue dropped because the owner did not take them in time.
    long long droppedMessages() const;

signals:
    void connectionChanged(tlv::mqtt::MqttSubscriber::Connection connection, const QString& text);
    void problem(const QString& message);
    // One message, on the owner's thread, in the order the broker sent them.
    void messageReceived(const tlv::mqtt::IncomingMessage& message);
    // From the network thread to the owner's thread (queued); internal.
    void networkChanged(quint64 generation, int what, const QString& text, QPrivateSignal);
    void messagesWaiting(quint64 generation, QPrivateSignal);

private:
    enum NetworkNews { NetworkConnected, NetworkRefused, NetworkLost };
    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnDisconnect(mosquitto*, void* self, int rc);
    static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);
    void received(const mosquitto_message& message);
    void deliver(quint64 generation);
    void onNetworkChanged(quint64 generation, int what, const QString& text);
    void setConnection(Connection connection, const QString& text);
    void fail(const QString& message);

    QString m_program;
    PublishTarget m_target;
    QByteArray m_filter;
    mosquitto* m_mosq = nullptr;
    unsigned m_minDelay = 1;
    unsigned m_maxDelay = 30;
    qsizetype m_payloadLimit = 64 * 1024;
    std::size_t m_queueLimit = 20000;
    Connection m_connection = Connection::Off;
    QString m_connectionText;
    QString m_lastProblem;
    quint64 m_generation = 0; // counts start() calls; news of an older connection is dropped

    mutable std::mutex m_mutex; // guards the three below; never held while calling the library
    std::deque<IncomingMessage> m_waiting;
    long long m_dropped = 0;
    bool m_running = false;
};

} // namespace tlv::mqtt
