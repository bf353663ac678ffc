// The headless remote server of coflux and its orderly end on SIGINT and SIGTERM.
#include "RemoteServe.h"

#include "CofluxHost.h"
#include "CofluxRemoteTarget.h"
#include "Deposition.h"
#include "HeadlessReporter.h"

#include "common/remote/RemoteServer.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace coflux {

namespace {

// The signal handler only writes one byte to this pair; the event loop reads it and ends the
// program from its own thread, where stopping the outputs is safe.
int g_signalPipe[2] = {-1, -1};

void OnTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

void Print(std::FILE* stream, const QString& text)
{
    std::fprintf(stream, "%s\n", qUtf8Printable(text));
    std::fflush(stream);
}

} // namespace

int ServeRemoteHeadless(const tlv::remote::RemoteOptions& options,
                        const tlv::mqtt::PublishOptions& publish, std::FILE* err)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) {
        Print(err, QStringLiteral("coflux: cannot watch for SIGINT and SIGTERM"));
        return 1;
    }
    QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(g_signalPipe[0], &byte, 1);
        QCoreApplication::exit(0);
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    CofluxHost host;
    Deposition& process = host.Process();
    process.setRemembersSetupFile(false);
    // Nobody is there to read a box: what the process says goes to standard error.
    HeadlessReporter reporter(stdout, err);
    reporter.Follow(process);
    QObject::connect(&process, &Deposition::tripped, &reporter,
                     [&reporter](const QString& message) { reporter.Error(message); });
    QObject::connect(&host, &CofluxHost::publishProblem, &reporter,
                     [&reporter](const QString& text) { reporter.Error(text); });
    host.StartPublishing(publish);
    process.OpenSetup(QStringLiteral("Default.dat"));
    process.ZeroAll();

    QString error;
    std::unique_ptr<tlv::remote::RemoteServer> server =
        tlv::remote::StartRemoteServer(host.RemoteTarget(), options, error);
    int status = 1;
    if (server) {
        status = QCoreApplication::exec();
    } else {
        reporter.Error(error);
    }

    // Clients first, so no command arrives while the process winds down. A recipe that runs
    // ends as aborted (its outputs to power 0), so its progress log says how it ended.
    server.reset();
    host.Shutdown(QStringLiteral("Recipe aborted (the remote server stopped)."));
    notifier.setEnabled(false);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    ::close(g_signalPipe[0]);
    ::close(g_signalPipe[1]);
    return status;
}

} // namespace coflux
