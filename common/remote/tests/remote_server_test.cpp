// The remote server with real sockets on a free loopback port: answers, the client limit, lines
// cut by a leaving client, over-long lines and a client that floods without reading.
#include "FakeTarget.h"

#include "common/remote/LineFramer.h"
#include "common/remote/RemoteServer.h"
#include "tlvtest/WaitEvents.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace tlv::remote;
using tlv::remote::testing::FakeTarget;

namespace {

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(server.Listen(RemoteEndpoint{QHostAddress(QHostAddress::LocalHost), 0}, error))
            << error.toStdString();
    }

    std::unique_ptr<QTcpSocket> Connect()
    {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress(QHostAddress::LocalHost), server.Port());
        EXPECT_TRUE(tlvtest::WaitForEvents(
            [&] { return socket->state() == QAbstractSocket::ConnectedState; }));
        return socket;
    }

    static QByteArray Ask(QTcpSocket& socket, const QByteArray& line)
    {
        socket.write(line);
        if (!tlvtest::WaitForEvents([&] { return socket.canReadLine(); })) return "<no answer>";
        return socket.readLine().chopped(1);
    }

    FakeTarget target;
    RemoteServer server{target, true};
};

} // namespace

TEST_F(ServerTest, ListensOnTheLoopbackAndAnswersEachLine)
{
    EXPECT_EQ(server.ListeningText(), QStringLiteral("127.0.0.1:%1").arg(server.Port()));
    EXPECT_NE(server.Port(), 0);
    auto client = Connect();
    EXPECT_TRUE(Ask(*client, "*IDN?\r\n").startsWith("TLV880,FAKE,0,"));
    EXPECT_EQ(Ask(*client, "PROC:STAR\nPROC:STAT?\n"), "RUN");
    EXPECT_EQ(target.calls, QStringList{"start"});
}

TEST_F(ServerTest, ClosesAFifthClientAtOnceAndAdmitsOneWhenAPlaceIsFree)
{
    QSignalSpy counts(&server, &RemoteServer::ClientCountChanged);
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < RemoteServer::kMaxClients; ++i)
        clients.push_back(Connect());
    ASSERT_TRUE(
        tlvtest::WaitForEvents([&] { return server.ClientCount() == RemoteServer::kMaxClients; }));

    // The kernel takes the connection; the server closes it as soon as it sees it.
    QTcpSocket fifth;
    fifth.connectToHost(QHostAddress(QHostAddress::LocalHost), server.Port());
    fifth.write("PROC:STAR\n");
    EXPECT_TRUE(
        tlvtest::WaitForEvents([&] { return fifth.state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_EQ(server.ClientCount(), RemoteServer::kMaxClients);
    for (auto& client : clients)
        EXPECT_EQ(Ask(*client, "*OPC?\n"), "1");
    EXPECT_TRUE(target.calls.isEmpty());

    clients.front()->disconnectFromHost();
    ASSERT_TRUE(tlvtest::WaitForEvents(
        [&] { return server.ClientCount() == RemoteServer::kMaxClients - 1; }));
    auto late = Connect();
    EXPECT_EQ(Ask(*late, "*OPC?\n"), "1");
    EXPECT_EQ(counts.last().at(0).toInt(), RemoteServer::kMaxClients);
}

TEST_F(ServerTest, ClientsThatCloseAndReconnectAtOnceAreAdmitted)
{
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < RemoteServer::kMaxClients; ++i)
        clients.push_back(Connect());
    ASSERT_TRUE(
        tlvtest::WaitForEvents([&] { return server.ClientCount() == RemoteServer::kMaxClients; }));
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        // Every client closes and connects again before the server has run a single event:
        // the new connections may be seen before the old sockets report their end.
        for (auto& client : clients)
            client->abort();
        QThread::msleep(20); // the closes reach the server's sockets
        clients.clear();
        for (int i = 0; i < RemoteServer::kMaxClients; ++i) {
            clients.push_back(std::make_unique<QTcpSocket>());
            clients.back()->connectToHost(QHostAddress(QHostAddress::LocalHost), server.Port());
        }
        for (auto& client : clients)
            EXPECT_EQ(Ask(*client, "*OPC?\n"), "1");
        EXPECT_EQ(server.ClientCount(), RemoteServer::kMaxClients);
    }
}

TEST_F(ServerTest, AClientThatLeavesMidLineChangesNothingWithThatLine)
{
    auto client = Connect();
    client->write("OUTP:RATE 1,5\nPROC:ST");
    client->flush();
    ASSERT_TRUE(tlvtest::WaitForEvents([&] { return !target.calls.isEmpty(); }));
    client->disconnectFromHost();
    ASSERT_TRUE(tlvtest::WaitForEvents([&] { return server.ClientCount() == 0; }));
    EXPECT_EQ(target.calls, QStringList{"rate 0 5"});
    EXPECT_EQ(target.state, RunState::Stop);
}

TEST_F(ServerTest, RefusesAnOverLongLineAndGoesOnWithTheNext)
{
    auto client = Connect();
    client->write("PROC:STAR " + QByteArray(LineFramer::kMaxLineBytes * 3, 'x') + "\n");
    EXPECT_EQ(Ask(*client, "SYST:ERR?\n"), "-102,\"Syntax error\"");
    EXPECT_EQ(Ask(*client, "SYST:ERR?\n"), "0,\"No error\"");
    EXPECT_TRUE(target.calls.isEmpty());
}

TEST_F(ServerTest, AFloodingClientThatNeverReadsDoesNotStarveTheOthers)
{
    auto flood = Connect();
    QByteArray queries;
    for (int i = 0; i < 20000; ++i)
        queries += "MEAS:SENS? 24\n";
    flood->write(queries); // about 280 kB whose answers it never reads
    auto other = Connect();
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(Ask(*other, "PROC:STAT?\n"), "STOP");
}

TEST(ServerProtection, RefusesChangesWithoutControl)
{
    FakeTarget target;
    RemoteServer server(target, false);
    QString error;
    ASSERT_TRUE(server.Listen(RemoteEndpoint{QHostAddress(QHostAddress::LocalHost), 0}, error));
    QTcpSocket client;
    client.connectToHost(QHostAddress(QHostAddress::LocalHost), server.Port());
    client.write("PROC:STAR\nSYST:ERR?\n");
    ASSERT_TRUE(tlvtest::WaitForEvents([&] { return client.canReadLine(); }));
    EXPECT_TRUE(client.readLine().startsWith("-203,\"Command protected"));
    EXPECT_TRUE(target.calls.isEmpty());
}

TEST(ServerProtection, ReportsAPortInUse)
{
    FakeTarget target;
    RemoteServer first(target, false);
    RemoteServer second(target, false);
    QString error;
    ASSERT_TRUE(first.Listen(RemoteEndpoint{QHostAddress(QHostAddress::LocalHost), 0}, error));
    EXPECT_FALSE(
        second.Listen(RemoteEndpoint{QHostAddress(QHostAddress::LocalHost), first.Port()}, error));
    EXPECT_TRUE(error.contains(QString::number(first.Port())));
}
