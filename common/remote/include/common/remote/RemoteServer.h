#pragma once
// The remote interface's TCP server: listens, admits up to kMaxClients clients and gives each a
// session of its own. Everything runs on the thread that owns the server (the program's GUI
// thread), without ever blocking it: sockets are read as data arrives, a few kilobytes per
// turn of the event loop, and a client that does not read its answers is not read from until
// it does.

#include "common/remote/RemoteOptions.h"
#include "common/remote/RemoteTarget.h"

#include <QObject>
#include <QTcpServer>

#include <memory>

namespace tlv::remote {

class RemoteConnection;

class RemoteServer : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxClients = 4;

    // `target` must outlive the server. `controlAllowed` lets clients run changing commands.
    RemoteServer(RemoteTarget& target, bool controlAllowed, QObject* parent = nullptr);
    ~RemoteServer() override;

    // Starts listening; false with `error` set when the address or port cannot be used.
    bool Listen(const RemoteEndpoint& endpoint, QString& error);
    // Stops listening and closes every client.
    void Close();

    bool IsListening() const { return m_server.isListening(); }
    // "ADDR:PORT" of the listening socket, with the port actually taken ("[ADDR]:PORT" for IPv6).
    QString ListeningText() const;
    quint16 Port() const { return m_server.serverPort(); }
    int ClientCount() const { return static_cast<int>(m_clients.size()); }
    bool ControlAllowed() const { return m_controlAllowed; }

signals:
    // A client came or went; the window shows "REMOTE" while the count is above 0.
    void ClientCountChanged(int count);

private:
    void AcceptConnections();
    void Forget(RemoteConnection* connection);

    RemoteTarget& m_target;
    bool m_controlAllowed;
    QTcpServer m_server;
    QList<RemoteConnection*> m_clients;
};

// Starts a server as the options ask and prints "Remote interface on ADDR:PORT" on standard
// output once it listens. Null with `error` set when it cannot listen.
std::unique_ptr<RemoteServer> StartRemoteServer(RemoteTarget& target, const RemoteOptions& options,
                                                QString& error, QObject* parent = nullptr);

} // namespace tlv::remote
