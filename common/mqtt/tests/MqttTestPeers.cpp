#include "MqttTestPeers.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <mosquitto.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace tlv::mqtt::test {

namespace {

int FreeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool Accepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

} // namespace

TestBroker::TestBroker() : TestBroker(Config{}) {}

TestBroker::TestBroker(Config config) : m_config(std::move(config))
{
    mosquitto_lib_init();
}

TestBroker::~TestBroker()
{
    stop(true);
}

QString TestBroker::Program()
{
    QString found = QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(
            QStringLiteral("mosquitto"),
            {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    return found;
}

QString TestBroker::url(const QString& prefix) const
{
    return QStringLiteral("mqtt://127.0.0.1:%1/%2").arg(m_port).arg(prefix);
}

bool TestBroker::writeConfig()
{
    QByteArray config = "listener " + QByteArray::number(m_port) + " 127.0.0.1\n";
    config += "log_dest stderr\nlog_type error\n";
    // Started as root the broker would change to its own user, who cannot read this folder.
    if (::geteuid() == 0) config += "user root\n";
    if (m_config.keepSessions) {
        config += "persistence true\npersistence_location " + m_dir.path().toLocal8Bit() +
                  "/\nqueue_qos0_messages true\n";
    } else {
        config += "persistence false\n";
    }
    if (!m_config.user.isEmpty()) {
        const QString passwords = m_dir.filePath(QStringLiteral("passwords"));
        QFile::remove(passwords);
        const int rc =
            QProcess::execute(QStandardPaths::findExecutable(QStringLiteral("mosquitto_passwd")),
                              {QStringLiteral("-c"), QStringLiteral("-b"), passwords, m_config.user,
                               m_config.password});
        if (rc != 0) return false;
        config += "allow_anonymous false\npassword_file " + passwords.toLocal8Bit() + "\n";
    } else {
        config += "allow_anonymous true\n";
    }
    QFile file(m_dir.filePath(QStringLiteral("mosquitto.conf")));
    return file.open(QIODevice::WriteOnly) && file.write(config) == config.size();
}

bool TestBroker::start(QString* why)
{
    const QString program = Program();
    if (program.isEmpty()) {
        if (why) *why = QStringLiteral("mosquitto is not installed");
        return false;
    }
    const bool restart = m_port != 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!restart) m_port = FreeLoopbackPort();
        if (!writeConfig()) {
            if (why) *why = QStringLiteral("cannot write the broker configuration");
            return false;
        }
        const QByteArray path = program.toLocal8Bit();
        const QByteArray conf = m_dir.filePath(QStringLiteral("mosquitto.conf")).toLocal8Bit();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl(path.constData(), path.constData(), "-c", conf.constData(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        m_pid = pid;
        for (int i = 0; i < 200; ++i) {
            if (Accepts(m_port)) return true;
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) break; // could not bind: try again
            QThread::msleep(25); // a pause between tries; 200 tries only end a dead broker
        }
        stop(true);
    }
    if (why) *why = QStringLiteral("the broker did not start listening");
    return false;
}

void TestBroker::stop(bool kill)
{
    if (m_pid <= 0) return;
    const auto pid = static_cast<pid_t>(m_pid);
    ::kill(pid, kill ? SIGKILL : SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    m_pid = 0;
}

// ---- subscriber ----

TestSubscriber::TestSubscriber(int port, bool persistentSession, const QByteArray& clientId)
{
    mosquitto_lib_init();
    m_mosq = mosquitto_new(clientId.constData(), !persistentSession, this);
    mosquitto_connect_callback_set(m_mosq, &TestSubscriber::OnConnect);
    mosquitto_subscribe_callback_set(m_mosq, &TestSubscriber::OnSubscribe);
    mosquitto_message_callback_set(m_mosq, &TestSubscriber::OnMessage);
    mosquitto_reconnect_delay_set(m_mosq, 1, 1, false);
    mosquitto_connect_async(m_mosq, "127.0.0.1", port, 30);
    mosquitto_loop_start(m_mosq);
}

TestSubscriber::~TestSubscriber()
{
    mosquitto_disconnect(m_mosq);
    mosquitto_loop_stop(m_mosq, false);
    mosquitto_destroy(m_mosq);
}

void TestSubscriber::OnConnect(mosquitto* mosq, void*, int rc)
{
    if (rc == 0) mosquitto_subscribe(mosq, nullptr, "#", 1);
}

void TestSubscriber::OnSubscribe(mosquitto*, void* self, int, int, const int*)
{
    auto* subscriber = static_cast<TestSubscriber*>(self);
    {
        const std::lock_guard lock(subscriber->m_mutex);
        subscriber->m_subscribed = true;
    }
    subscriber->m_changed.notify_all();
}

void TestSubscriber::OnMessage(mosquitto*, void* self, const mosquitto_message* message)
{
    auto* subscriber = static_cast<TestSubscriber*>(self);
    {
        const std::lock_guard lock(subscriber->m_mutex);
        subscriber->m_messages.push_back(
            {QByteArray(message->topic),
             QByteArray(static_cast<const char*>(message->payload), message->payloadlen),
             message->retain});
    }
    subscriber->m_changed.notify_all();
}

bool TestSubscriber::waitSubscribed(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_subscribed; });
}

std::vector<ReceivedMessage> TestSubscriber::messages() const
{
    const std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<ReceivedMessage> TestSubscriber::on(const QByteArray& topic) const
{
    std::vector<ReceivedMessage> found;
    for (const ReceivedMessage& m : messages())
        if (m.topic == topic) found.push_back(m);
    return found;
}

bool TestSubscriber::waitFor(const std::function<bool(const std::vector<ReceivedMessage>&)>& done,
                             int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return done(m_messages); });
}

bool TestSubscriber::waitCount(const QByteArray& topic, std::size_t count, int timeoutMs)
{
    return waitFor(
        [&](const std::vector<ReceivedMessage>& all) {
            std::size_t n = 0;
            for (const ReceivedMessage& m : all)
                n += m.topic == topic ? 1 : 0;
            return n >= count;
        },
        timeoutMs);
}

// ---- publisher ----

TestPublisher::TestPublisher(int port)
{
    mosquitto_lib_init();
    m_mosq = mosquitto_new(nullptr, true, this);
    mosquitto_connect_callback_set(m_mosq, &TestPublisher::OnConnect);
    mosquitto_publish_callback_set(m_mosq, &TestPublisher::OnPublish);
    mosquitto_connect_async(m_mosq, "127.0.0.1", port, 30);
    mosquitto_loop_start(m_mosq);
}

TestPublisher::~TestPublisher()
{
    mosquitto_disconnect(m_mosq);
    mosquitto_loop_stop(m_mosq, false);
    mosquitto_destroy(m_mosq);
}

void TestPublisher::OnConnect(mosquitto*, void* self, int rc)
{
    auto* publisher = static_cast<TestPublisher*>(self);
    {
        const std::lock_guard lock(publisher->m_mutex);
        publisher->m_connected = rc == 0;
    }
    publisher->m_changed.notify_all();
}

void TestPublisher::OnPublish(mosquitto*, void* self, int mid)
{
    auto* publisher = static_cast<TestPublisher*>(self);
    {
        const std::lock_guard lock(publisher->m_mutex);
        publisher->m_acked.push_back(mid);
    }
    publisher->m_changed.notify_all();
}

bool TestPublisher::waitConnected(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_connected; });
}

bool TestPublisher::publish(const QByteArray& topic, const QByteArray& payload, bool retain,
                            int timeoutMs)
{
    int mid = 0;
    if (mosquitto_publish(m_mosq, &mid, topic.constData(), static_cast<int>(payload.size()),
                          payload.constData(), 1, retain) != MOSQ_ERR_SUCCESS)
        return false;
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return std::find(m_acked.begin(), m_acked.end(), mid) != m_acked.end();
    });
}

} // namespace tlv::mqtt::test
