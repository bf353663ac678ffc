// Reading, running and answering one client's command lines.
#include "RemoteConnection.h"

#include <QMetaObject>

#include <poll.h>

namespace tlv::remote {

RemoteConnection::RemoteConnection(QTcpSocket* socket, RemoteTarget& target, bool controlAllowed,
                                   QObject* parent)
    : QObject(parent), m_socket(socket), m_session(target, controlAllowed)
{
    socket->setParent(this);
    // A bounded read buffer lets the network push back on a client that sends faster than
    // the program runs its commands.
    socket->setReadBufferSize(4 * kBytesPerTurn);
    connect(socket, &QTcpSocket::readyRead, this, &RemoteConnection::ScheduleRead);
    connect(socket, &QTcpSocket::bytesWritten, this, &RemoteConnection::ScheduleRead);
    connect(socket, &QTcpSocket::disconnected, this, &RemoteConnection::ClientLeft);
    connect(socket, &QTcpSocket::errorOccurred, this, &RemoteConnection::ClientLeft);
    ScheduleRead(); // bytes may have come with the connection
}

void RemoteConnection::Abort()
{
    if (m_socket) m_socket->abort();
    ClientLeft();
}

bool RemoteConnection::CheckLeft()
{
    if (m_finished || !m_socket) return true;
    // Only the kernel knows yet: the peer's end shows as POLLRDHUP while its last bytes may
    // still wait to be read.
    pollfd peer{static_cast<int>(m_socket->socketDescriptor()), POLLIN | POLLRDHUP, 0};
    if (peer.fd < 0 || ::poll(&peer, 1, 0) != 1 ||
        (peer.revents & (POLLRDHUP | POLLHUP | POLLERR)) == 0)
        return false;
    // Its last lines are taken in (a socket that has ended is always readable, so this never
    // waits; a few turns bound it when the read buffer is full), then it ends as when the
    // event loop reports it.
    for (int turn = 0;
         turn < 4 && !m_finished && m_socket &&
         m_socket->state() == QAbstractSocket::ConnectedState && m_socket->waitForReadyRead(0);
         ++turn) {
    }
    ClientLeft();
    return true;
}

void RemoteConnection::ScheduleRead()
{
    if (m_readScheduled || m_finished) return;
    m_readScheduled = true;
    QMetaObject::invokeMethod(this, &RemoteConnection::ReadSome, Qt::QueuedConnection);
}

void RemoteConnection::ReadSome()
{
    m_readScheduled = false;
    if (m_finished || !m_socket) return;
    if (m_socket->bytesToWrite() > kMaxUnsentBytes) return; // bytesWritten resumes
    const QByteArray bytes = m_socket->read(kBytesPerTurn);
    RunLines(bytes);
    if (m_socket && m_socket->bytesAvailable() > 0) ScheduleRead();
}

void RemoteConnection::RunLines(const QByteArray& bytes)
{
    for (const FramedLine& line : m_framer.Feed(bytes)) {
        if (line.tooLong) {
            m_session.LineTooLong();
            continue;
        }
        const std::optional<QByteArray> answer = m_session.Execute(line.text);
        if (answer && m_socket && m_socket->state() == QAbstractSocket::ConnectedState)
            m_socket->write(*answer + '\n');
    }
}

void RemoteConnection::ClientLeft()
{
    if (m_finished) return;
    m_finished = true;
    // Whole lines that arrived before the client left still run; the unfinished line it
    // leaves behind is dropped with the framer.
    if (m_socket) {
        const QByteArray rest = m_socket->readAll();
        RunLines(rest);
        m_socket->abort();
    }
    emit Finished(this);
    deleteLater();
}

} // namespace tlv::remote
