#include "common/TerminationSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace tlv {

namespace {

constexpr std::array<int, 4> kWatched = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

// Write end of the newest object's pipe. It is set before the handlers are installed and put
// back after they are restored, so a handler always sees a pipe that is open.
volatile std::sig_atomic_t g_writeEnd = -1;

extern "C" void OnTerminationSignal(int signal)
{
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signal);
    const int fd = g_writeEnd;
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

struct TerminationSignals::Saved {
    std::array<struct sigaction, kWatched.size()> watched{};
    struct sigaction pipe {};
};

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, m_pipe) != 0) {
        m_pipe[0] = m_pipe[1] = -1;
        return;
    }
    // The handler must never block, even when nobody reads for a while.
    ::fcntl(m_pipe[1], F_SETFL, ::fcntl(m_pipe[1], F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::ReadPipe);

    m_saved = new Saved;
    m_previousWriteEnd = g_writeEnd;
    g_writeEnd = m_pipe[1];
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < kWatched.size(); ++i)
        ::sigaction(kWatched[i], &action, &m_saved->watched[i]);
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, &m_saved->pipe);
}

TerminationSignals::~TerminationSignals()
{
    if (m_saved) {
        for (size_t i = 0; i < kWatched.size(); ++i)
            ::sigaction(kWatched[i], &m_saved->watched[i], nullptr);
        ::sigaction(SIGPIPE, &m_saved->pipe, nullptr);
        g_writeEnd = m_previousWriteEnd;
        delete m_saved;
    }
    if (m_notifier) m_notifier->setEnabled(false);
    for (int fd : m_pipe)
        if (fd >= 0) ::close(fd);
}

void TerminationSignals::ReadPipe()
{
    unsigned char bytes[16];
    const ssize_t n = ::read(m_pipe[0], bytes, sizeof bytes);
    for (ssize_t i = 0; i < n; ++i) {
        ++m_count;
        emit received(bytes[i]);
    }
}

QString TerminationSignals::Name(int signal)
{
    switch (signal) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    case SIGQUIT:
        return QStringLiteral("SIGQUIT");
    default:
        return QStringLiteral("signal %1").arg(signal);
    }
}

bool PrintLine(std::FILE* stream, const QString& line, const QString& program)
{
    static bool s_reported = false; // standard error has nowhere to report to
    const QByteArray bytes = (line + QLatin1Char('\n')).toLocal8Bit();
    errno = 0;
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size()) &&
        std::fflush(stream) == 0;
    if (written) return true;
    const int cause = errno;
    std::clearerr(stream);
    if (!s_reported && stream != stderr) {
        s_reported = true;
        const QString text =
            QStringLiteral("%1: standard output cannot be written: %2\n")
                .arg(program, QString::fromStdString(std::generic_category().message(cause)));
        std::fputs(text.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
    }
    return false;
}

} // namespace tlv
