// tlvfleet against a real broker on a free loopback port with two real publishers: a headless
// coflux run and a tlvmonitor, under different prefixes. Both rows appear with the values the
// programs published; the coflux run's trip shows as an event and an alarm; the broker stopped
// and started again: the view says it is disconnected, reconnects and catches up; tlvmonitor
// killed with SIGKILL turns offline through its will.

#include "CoaterText.h"
#include "Fleet.h"
#include "FleetMessagesSupport.h"
#include "frmMain.h"

#include "MqttTestPeers.h"
#include "tlvtest/PrivateHome.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include <algorithm>
#include <csignal>

#include <gtest/gtest.h>

namespace fleet::test {
namespace {

using tlv::mqtt::IncomingMessage;
using tlv::mqtt::MqttSubscriber;
using tlv::mqtt::test::TestBroker;
using tlv::mqtt::test::TestSubscriber;

constexpr int kWaitMs = 30000;

// Quick: output 1 under rate control at 10 Å/s on sensor 1 until 20 Å.
const char* const kRunSetup = "[Card]\r\nPeriod=.1\r\n[OUTPUT1]\r\nMode=3\r\nName=Quick\r\n"
                              "Input=1\r\nThick=0.02\r\nRate=10\r\nPTerm=200\r\nITerm=1\r\n"
                              "FullScale=10\r\n";

class FleetOnTheBroker : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (TestBroker::Program().isEmpty()) GTEST_SKIP() << "mosquitto is not installed";
        QString why;
        ASSERT_TRUE(m_broker.start(&why)) << why.toStdString();
    }
    void TearDown() override
    {
        for (QProcess* program : {&m_coflux, &m_monitor})
            if (program->state() != QProcess::NotRunning) {
                program->kill();
                program->waitForFinished(5000);
            }
    }
    void Start(QProcess& process, const char* variable, const QStringList& arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString home = QDir(m_home.path()).filePath(QString::fromLatin1(variable));
        QDir().mkpath(home);
        env.insert(QStringLiteral("TLV880_HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TLV880_DRIVER"), QStringLiteral("none"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(home);
        process.start(qEnvironmentVariable(variable), arguments);
        ASSERT_TRUE(process.waitForStarted(10000)) << variable;
    }
    QString WriteRunSetup()
    {
        const QString path = QDir(m_home.path()).filePath(QStringLiteral("Run.dat"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kRunSetup);
        return path;
    }
    const Coater* Find(const QString& prefix, const char* program) const
    {
        for (const Coater& coater : m_core.model().coaters())
            if (coater.key.prefix == prefix && coater.key.program == QLatin1String(program))
                return &coater;
        return nullptr;
    }
    static QJsonObject LastJson(const TestSubscriber& subscriber, const QByteArray& suffix)
    {
        QByteArray payload;
        for (const auto& m : subscriber.messages())
            if (m.topic.endsWith(suffix)) payload = m.payload;
        return QJsonDocument::fromJson(payload).object();
    }

    tlvtest::PrivateHome m_home;
    TestBroker m_broker;
    QProcess m_coflux;
    QProcess m_monitor;
    Fleet m_core;
};

TEST_F(FleetOnTheBroker, ShowsBothCoatersTheirTripReconnectsAndSeesTheWill)
{
    TestSubscriber witness(m_broker.port());
    ASSERT_TRUE(witness.waitSubscribed());
    m_core.subscriber().setReconnectDelay(1, 1);
    frmMain window(m_core);
    window.show();
    tlv::mqtt::PublishOptions broker;
    broker.url = m_broker.url(QStringLiteral("lab"));
    ASSERT_TRUE(m_core.start(broker));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_core.connected(); }, kWaitMs));

    Start(m_monitor, "TLVMONITOR",
          {QStringLiteral("--publish"), m_broker.url(QStringLiteral("lab/hall1"))});
    Start(m_coflux, "COFLUX",
          {QStringLiteral("--run"), WriteRunSetup(), QStringLiteral("--headless"),
           QStringLiteral("--publish"), m_broker.url(QStringLiteral("lab/hall2"))});

    // The run trips at its thickness setpoint and ends; its row says so and turns red.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const Coater* c = Find(QStringLiteral("lab/hall2"), "coflux");
            return c && c->tripped && c->presence == Coater::Presence::Offline;
        },
        kWaitMs));
    ASSERT_TRUE(m_coflux.state() == QProcess::NotRunning || m_coflux.waitForFinished(kWaitMs));
    EXPECT_EQ(m_coflux.exitCode(), 0) << m_coflux.readAllStandardError().constData();
    const Coater& coflux = *Find(QStringLiteral("lab/hall2"), "coflux");
    EXPECT_EQ(coflux.tripText,
              QStringLiteral("Deposition halted. Thickness setpoint reached on Quick."));
    EXPECT_TRUE(coflux.needsAttention());
    bool tripListed = false;
    for (const FleetEvent& event : m_core.model().events())
        tripListed |=
            event.kind == QLatin1String("trip") && event.program == QLatin1String("coflux");
    EXPECT_TRUE(tripListed);
    EXPECT_TRUE(window.windowTitle().contains(QStringLiteral("need")));

    // The values are those published: the last output reading as the witness saw it, once the
    // witness too has had everything up to the run's goodbye.
    ASSERT_TRUE(witness.waitFor([](const std::vector<tlv::mqtt::test::ReceivedMessage>& all) {
        return std::any_of(all.begin(), all.end(), [](const auto& m) {
            return m.topic.endsWith("/coflux/status") && m.payload == "offline";
        });
    }));
    const QJsonObject last = LastJson(witness, "/coflux/output/1");
    ASSERT_TRUE(coflux.outputs.count(1));
    const Reading& shown = coflux.outputs.at(1).last;
    EXPECT_DOUBLE_EQ(shown.rate, last.value(QStringLiteral("rate")).toDouble());
    EXPECT_DOUBLE_EQ(shown.thickness, last.value(QStringLiteral("thickness")).toDouble());
    EXPECT_DOUBLE_EQ(shown.power, last.value(QStringLiteral("power")).toDouble());
    EXPECT_GE(shown.thickness, 20.0);
    ASSERT_TRUE(shown.setpoint);
    EXPECT_DOUBLE_EQ(*shown.setpoint, 10.0) << "the rate loop's setpoint";
    EXPECT_EQ(coflux.state->run, QStringLiteral("stopped"));
    EXPECT_EQ(coflux.state->setup, QStringLiteral("Run.dat"));

    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const Coater* c = Find(QStringLiteral("lab/hall1"), "tlvmonitor");
            return c && c->presence == Coater::Presence::Online && c->state;
        },
        kWaitMs));
    const Coater& monitor = *Find(QStringLiteral("lab/hall1"), "tlvmonitor");
    EXPECT_EQ(monitor.state->run, QStringLiteral("stopped"));
    EXPECT_EQ(monitor.state->setup,
              LastJson(witness, "/tlvmonitor/state").value(QStringLiteral("setup")).toString());
    EXPECT_EQ(m_core.model().coaters().size(), 2U);
    EXPECT_EQ(m_core.model().bad().total(), 0);

    // The broker goes away: the view says so, then reconnects and is told the state anew.
    QLabel& connection = *window.findChild<QLabel*>(QStringLiteral("lblConnection"));
    m_broker.stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_core.connected(); }, kWaitMs));
    EXPECT_TRUE(connection.text().endsWith(QStringLiteral("disconnected")));
    QSignalSpy after(&m_core.subscriber(), &MqttSubscriber::messageReceived);
    QString why;
    ASSERT_TRUE(m_broker.start(&why)) << why.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_core.connected(); }, kWaitMs));
    EXPECT_TRUE(connection.text().startsWith(QStringLiteral("MQTT: online")));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (const QList<QVariant>& args : after) {
                const auto m = args.at(0).value<IncomingMessage>();
                if (m.topic.endsWith("/tlvmonitor/state")) return true;
            }
            return false;
        },
        kWaitMs))
        << "the monitor's state again after the restart";

    // Killed, the monitor cannot say goodbye: the broker's will does.
    ::kill(static_cast<pid_t>(m_monitor.processId()), SIGKILL);
    if (m_monitor.state() != QProcess::NotRunning) m_monitor.waitForFinished(10000);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return Find(QStringLiteral("lab/hall1"), "tlvmonitor")->presence ==
                   Coater::Presence::Offline;
        },
        kWaitMs));
    window.RefreshNow();
    auto& grid = *window.findChild<QTableWidget*>(QStringLiteral("grdCoaters"));
    const int row = m_core.model().find(Find(QStringLiteral("lab/hall1"), "tlvmonitor")->key);
    EXPECT_EQ(grid.item(row, ColStatus)->text(), QStringLiteral("offline"));
}

} // namespace
} // namespace fleet::test
