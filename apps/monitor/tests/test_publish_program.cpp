// The tlvmonitor program publishing to a real broker: the broker's will says "offline" when the
// program is killed, the settings key turns publishing on, and a bad URL is reported while the
// program runs on.
#include "MqttTestPeers.h"
#include "tlvtest/Wait.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace monitor::test {
namespace {

using tlv::mqtt::test::ReceivedMessage;
using tlv::mqtt::test::TestBroker;
using tlv::mqtt::test::TestSubscriber;

class MonitorProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A missing broker is a failure, not a pass: these tests are the only check of publishing.
        ASSERT_FALSE(TestBroker::Program().isEmpty())
            << "mosquitto is not installed (scripts/install-deps.sh installs it)";
        ASSERT_TRUE(m_home.isValid());
        QString why;
        ASSERT_TRUE(m_broker.start(&why)) << why.toStdString();
    }
    void TearDown() override
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished(5000);
        }
    }
    void Start(const QStringList& arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TLV880_HOME"), m_home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TLV880_DRIVER"), QStringLiteral("none"));
        m_program.setProcessEnvironment(env);
        m_program.start(QString::fromLocal8Bit(qgetenv("TLVMONITOR")), arguments);
        ASSERT_TRUE(m_program.waitForStarted(10000));
    }
    // What the program writes to standard error until it has written `text` or has ended.
    QByteArray StandardErrorUntil(const char* text)
    {
        QByteArray errors;
        tlvtest::WaitUntil(
            [&] { return errors.contains(text) || m_program.state() != QProcess::Running; },
            std::chrono::seconds(30),
            [&] {
                m_program.waitForReadyRead(200);
                errors += m_program.readAllStandardError();
            });
        return errors + m_program.readAllStandardError();
    }
    // The status messages a subscriber has seen for any program on the broker.
    static QList<QByteArray> Statuses(const std::vector<ReceivedMessage>& all)
    {
        QList<QByteArray> found;
        for (const ReceivedMessage& m : all)
            if (m.topic.endsWith("/tlvmonitor/status")) found << m.payload;
        return found;
    }

    QTemporaryDir m_home;
    TestBroker m_broker;
    QProcess m_program;
};

TEST_F(MonitorProgram, KilledItLeavesStatusOffline)
{
    TestSubscriber subscriber(m_broker.port());
    ASSERT_TRUE(subscriber.waitSubscribed());
    Start({QStringLiteral("--publish"), m_broker.url(QStringLiteral("plant"))});
    ASSERT_TRUE(subscriber.waitFor([](const auto& all) { return Statuses(all).contains("online"); },
                                   30000));

    ::kill(static_cast<pid_t>(m_program.processId()), SIGKILL);
    m_program.waitForFinished(10000);
    ASSERT_TRUE(
        subscriber.waitFor([](const auto& all) { return Statuses(all).endsWith("offline"); }));

    TestSubscriber late(m_broker.port(), false, "late");
    ASSERT_TRUE(late.waitFor([](const auto& all) { return !Statuses(all).isEmpty(); }));
    EXPECT_EQ(Statuses(late.messages()), QList<QByteArray>{"offline"}) << "retained";
}

TEST_F(MonitorProgram, ABrokerStartedAfterTheProgramIsFound)
{
    // Nothing listens on the broker's port when the program starts.
    const QString url = m_broker.url(QStringLiteral("late"));
    m_broker.stop(true);
    Start({QStringLiteral("--publish"), url});
    const QByteArray errors = StandardErrorUntil("cannot be reached");
    ASSERT_TRUE(errors.contains("cannot be reached")) << errors.constData();

    QString why;
    ASSERT_TRUE(m_broker.start(&why)) << why.toStdString();
    TestSubscriber subscriber(m_broker.port());
    ASSERT_TRUE(subscriber.waitSubscribed());
    // The back-off starts at 1 s and doubles: within a minute the program is online.
    EXPECT_TRUE(subscriber.waitFor([](const auto& all) { return Statuses(all).contains("online"); },
                                   60000));
    EXPECT_EQ(m_program.state(), QProcess::Running);
}

TEST_F(MonitorProgram, TheSettingsKeyTurnsPublishingOn)
{
    QDir().mkpath(m_home.filePath(QStringLiteral("config/TLV880")));
    QFile settings(m_home.filePath(QStringLiteral("config/TLV880/tlvmonitor.conf")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Publish]\nURL=" + m_broker.url(QStringLiteral("fromsettings")).toUtf8() +
                   "\n");
    settings.close();

    TestSubscriber subscriber(m_broker.port());
    ASSERT_TRUE(subscriber.waitSubscribed());
    Start({});
    ASSERT_TRUE(subscriber.waitFor(
        [](const auto& all) {
            for (const ReceivedMessage& m : all)
                if (m.topic.startsWith("fromsettings/") && m.topic.endsWith("/status") &&
                    m.payload == "online")
                    return true;
            return false;
        },
        30000));
}

TEST_F(MonitorProgram, ABadUrlIsReportedAndTheProgramRunsOn)
{
    Start(
        {QStringLiteral("--publish"), QStringLiteral("mqtt://127.0.0.1:%1").arg(m_broker.port())});
    const QByteArray errors = StandardErrorUntil("Bad publish URL");
    EXPECT_TRUE(errors.contains("tlvmonitor: Bad publish URL \"mqtt://127.0.0.1:"))
        << errors.constData();
    EXPECT_TRUE(errors.contains("the topic prefix must be non-empty")) << errors.constData();
    EXPECT_EQ(m_program.state(), QProcess::Running) << "the program runs on without publishing";
}

} // namespace
} // namespace monitor::test
