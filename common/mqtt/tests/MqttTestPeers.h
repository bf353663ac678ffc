#pragma once
// Real peers for publishing tests: a mosquitto broker started on a free loopback port with a
// generated configuration (optionally a password file, optionally keeping sessions across a
// restart), a subscriber that records everything it receives and a publisher of raw messages.

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QTemporaryDir>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace tlv::mqtt::test {

// A received payload as the JSON object it carries (empty when it carries none).
inline QJsonObject Json(const QByteArray& payload)
{
    return QJsonDocument::fromJson(payload).object();
}

class TestBroker {
public:
    struct Config {
        QString user; // with password: anonymous logins are refused
        QString password;
        bool keepSessions = false; // sessions and their queued messages survive a stop/start
    };
    TestBroker();
    explicit TestBroker(Config config);
    ~TestBroker();

    // The broker program, or empty when it is not installed.
    static QString Program();
    // Starts on a free port (the same one again after stop()); false with a reason.
    bool start(QString* why = nullptr);
    // SIGTERM (the broker saves its sessions) or SIGKILL; waits for the process to end.
    void stop(bool kill = false);
    int port() const { return m_port; }
    QString url(const QString& prefix) const;

private:
    bool writeConfig();

    Config m_config;
    QTemporaryDir m_dir;
    int m_port = 0;
    long long m_pid = 0;
};

struct ReceivedMessage {
    QByteArray topic;
    QByteArray payload;
    bool retained = false;
};

// Subscribes to everything on the broker; reconnects by itself. With a persistent session the
// broker keeps what arrives while it is away.
class TestSubscriber {
public:
    explicit TestSubscriber(int port, bool persistentSession = false,
                            const QByteArray& clientId = "tlv-test-subscriber");
    ~TestSubscriber();
    bool waitSubscribed(int timeoutMs = 10000);

    std::vector<ReceivedMessage> messages() const;
    std::vector<ReceivedMessage> on(const QByteArray& topic) const;
    // Waits until `done` holds for the messages received so far.
    bool waitFor(const std::function<bool(const std::vector<ReceivedMessage>&)>& done,
                 int timeoutMs = 15000);
    bool waitCount(const QByteArray& topic, std::size_t count, int timeoutMs = 15000);

private:
    static void OnConnect(mosquitto*, void*, int);
    static void OnSubscribe(mosquitto*, void*, int, int, const int*);
    static void OnMessage(mosquitto*, void*, const mosquitto_message*);

    mosquitto* m_mosq = nullptr;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<ReceivedMessage> m_messages;
    bool m_subscribed = false;
};

// Publishes whatever a test asks, on any topic (raw, without the publisher's topics and
// payloads), and waits until the broker has taken it.
class TestPublisher {
public:
    explicit TestPublisher(int port);
    ~TestPublisher();
    bool waitConnected(int timeoutMs = 10000);
    // QoS 1; true once the broker acknowledged it.
    bool publish(const QByteArray& topic, const QByteArray& payload, bool retain = false,
                 int timeoutMs = 10000);

private:
    static void OnConnect(mosquitto*, void*, int);
    static void OnPublish(mosquitto*, void*, int);

    mosquitto* m_mosq = nullptr;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_connected = false;
    std::vector<int> m_acked;
};

} // namespace tlv::mqtt::test
