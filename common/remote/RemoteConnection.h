#pragma once
// One connected client of the remote server: its socket, line framing and session.

#include "common/remote/LineFramer.h"
#include "common/remote/ScpiSession.h"

#include <QObject>
#include <QPointer>
#include <QTcpSocket>

namespace tlv::remote {

class RemoteConnection : public QObject {
    Q_OBJECT
public:
    // Bytes taken from the socket in one turn of the event loop, so one client's flood never
    // holds the GUI thread for long.
    static constexpr qint64 kBytesPerTurn = 4096;
    // Answers waiting to be sent beyond which the client is not read from.
    static constexpr qint64 kMaxUnsentBytes = 64 * 1024;

    // Takes ownership of `socket`.
    RemoteConnection(QTcpSocket* socket, RemoteTarget& target, bool controlAllowed,
                     QObject* parent = nullptr);

    // Closes the socket at once; Finished follows.
    void Abort();
    // Looks at the socket now, without waiting: a client that has closed it ends here (its
    // whole lines still run), before the event loop would have reported it. True when it has.
    bool CheckLeft();

signals:
    // The client has gone; the connection deletes itself later.
    void Finished(tlv::remote::RemoteConnection* connection);

private:
    void ReadSome();
    void ScheduleRead();
    void RunLines(const QByteArray& bytes);
    void ClientLeft();

    QPointer<QTcpSocket> m_socket;
    LineFramer m_framer;
    ScpiSession m_session;
    bool m_readScheduled = false;
    bool m_finished = false;
};

} // namespace tlv::remote
