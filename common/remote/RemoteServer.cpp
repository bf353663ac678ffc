// Listening, admitting and counting the remote interface's clients.
#include "common/remote/RemoteServer.h"

#include "RemoteConnection.h"

#include <cstdio>

namespace tlv::remote {

RemoteServer::RemoteServer(RemoteTarget& target, bool controlAllowed, QObject* parent)
    : QObject(parent), m_target(target), m_controlAllowed(controlAllowed)
{
    connect(&m_server, &QTcpServer::newConnection, this, &RemoteServer::AcceptConnections);
}

RemoteServer::~RemoteServer()
{
    // Connections are children of the server and go with it; no count is reported any more.
    for (RemoteConnection* connection : m_clients)
        disconnect(connection, nullptr, this, nullptr);
}

bool RemoteServer::Listen(const RemoteEndpoint& endpoint, QString& error)
{
    if (m_server.listen(endpoint.address, endpoint.port)) return true;
    error = QStringLiteral("cannot listen on %1:%2: %3")
                .arg(endpoint.address.toString())
                .arg(endpoint.port)
                .arg(m_server.errorString());
    return false;
}

void RemoteServer::Close()
{
    m_server.close();
    const QList<RemoteConnection*> clients = m_clients;
    for (RemoteConnection* connection : clients)
        connection->Abort();
}

QString RemoteServer::ListeningText() const
{
    const QHostAddress address = m_server.serverAddress();
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(m_server.serverPort());
}

void RemoteServer::AcceptConnections()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        // A client that closed and connected again at once may be seen here before its old
        // socket reported the close: its place is free all the same.
        if (m_clients.size() >= kMaxClients) {
            const QList<RemoteConnection*> clients = m_clients;
            for (RemoteConnection* connection : clients)
                connection->CheckLeft();
        }
        if (m_clients.size() >= kMaxClients) {
            // Over the limit: closed at once, before any of its bytes is read.
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto* connection = new RemoteConnection(socket, m_target, m_controlAllowed, this);
        connect(connection, &RemoteConnection::Finished, this, &RemoteServer::Forget);
        m_clients.append(connection);
        emit ClientCountChanged(ClientCount());
    }
}

void RemoteServer::Forget(RemoteConnection* connection)
{
    if (m_clients.removeOne(connection)) emit ClientCountChanged(ClientCount());
}

std::unique_ptr<RemoteServer> StartRemoteServer(RemoteTarget& target, const RemoteOptions& options,
                                                QString& error, QObject* parent)
{
    auto server = std::make_unique<RemoteServer>(target, options.control, parent);
    if (!server->Listen(options.endpoint, error)) return nullptr;
    // Scripts wait for this line (and read the port from it when they asked for port 0).
    std::printf("Remote interface on %s\n", qUtf8Printable(server->ListeningText()));
    std::fflush(stdout);
    return server;
}

} // namespace tlv::remote
