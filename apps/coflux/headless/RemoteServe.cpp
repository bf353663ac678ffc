// The headless remote server of coflux and its orderly end on a signal.
#include "RemoteServe.h"

#include "CofluxRemoteTarget.h"
#include "Deposition.h"
#include "HeadlessStart.h"

#include "common/remote/RemoteServer.h"

#include "common/TerminationSignals.h"

#include <QCoreApplication>

#include <memory>

namespace coflux {

int ServeRemoteHeadless(const tlv::remote::RemoteOptions& options,
                        const tlv::mqtt::PublishOptions& publish, std::FILE* err)
{
    // Nobody is there to read a box: what the process says goes to standard error.
    HeadlessStart start(stdout, err, publish);
    HeadlessReporter& reporter = start.Reporter();
    if (!start.Signals().watching()) {
        reporter.Error(QStringLiteral("cannot watch for signals"));
        return 1;
    }
    // A signal ends the server from its event loop, where stopping the outputs is safe.
    QObject::connect(
        &start.Signals(), &tlv::TerminationSignals::received, &reporter, [&reporter](int signal) {
            reporter.Error(
                QStringLiteral("ended by %1.").arg(tlv::TerminationSignals::Name(signal)));
            QCoreApplication::exit(0);
        });

    CofluxHost& host = start.Host();
    Deposition& process = start.Process();
    QObject::connect(&process, &Deposition::tripped, &reporter,
                     [&reporter](const QString& message) { reporter.Error(message); });
    // The server runs on whatever setup it finds, as the window does: a client can open
    // another.
    process.OpenSetup(CofluxHost::StartupSetupName());
    host.ZeroForStart();

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
    return status;
}

} // namespace coflux
