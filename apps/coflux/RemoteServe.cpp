// The headless remote server of coflux and its orderly end on a signal.
#include "RemoteServe.h"

#include "CofluxRemoteTarget.h"
#include "Deposition.h"
#include "DepositionPublishing.h"
#include "DepositionRecipeHost.h"

#include "common/DialogService.h"
#include "common/remote/RemoteServer.h"

#include "common/TerminationSignals.h"

#include <QCoreApplication>

#include <memory>

namespace coflux {

namespace {

void Print(std::FILE* stream, const QString& text)
{
    std::fprintf(stream, "%s\n", qUtf8Printable(text));
    std::fflush(stream);
}

} // namespace

int ServeRemoteHeadless(const tlv::remote::RemoteOptions& options,
                        const tlv::mqtt::PublishOptions& publish, std::FILE* err)
{
    // A signal ends the server from its event loop, where stopping the outputs is safe.
    tlv::TerminationSignals signalWatch;
    if (!signalWatch.watching()) {
        Print(err, QStringLiteral("coflux: cannot watch for signals"));
        return 1;
    }
    QObject::connect(&signalWatch, &tlv::TerminationSignals::received, [err](int signal) {
        Print(err,
              QStringLiteral("coflux: ended by %1.").arg(tlv::TerminationSignals::Name(signal)));
        QCoreApplication::exit(0);
    });

    // Nobody is there to answer a box: the default answer, the text on standard error.
    tlv::DialogService::ScopedHandler answers([err](const tlv::DialogRequest& request) {
        if (!request.text.isEmpty()) Print(err, QStringLiteral("coflux: ") + request.text);
        return tlv::DialogAnswer(request.defaultButton);
    });

    auto instrument = std::make_unique<cTLV880a>();
    auto process = std::make_unique<Deposition>(*instrument);
    process->setRemembersSetupFile(false);
    QObject context;
    QObject::connect(
        process.get(), &Deposition::notice, &context,
        [err](const QString& text, NoticeLevel) { Print(err, QStringLiteral("coflux: ") + text); });
    QObject::connect(
        process.get(), &Deposition::classError, &context,
        [err](int number, const QString& message) {
            Print(err, QStringLiteral("coflux: TLV880 Error %1: %2").arg(number).arg(message));
        });
    QObject::connect(process.get(), &Deposition::tripped, &context, [err](const QString& message) {
        Print(err, QStringLiteral("coflux: ") + message);
    });

    auto publishing = std::make_unique<HeadlessPublishing>(*process, publish, err);
    process->OpenSetup(QStringLiteral("Default.dat"));
    process->ZeroAll();

    CofluxRemoteTarget target(*process);
    QString error;
    std::unique_ptr<tlv::remote::RemoteServer> server =
        tlv::remote::StartRemoteServer(target, options, error);
    int status = 1;
    if (server) {
        status = QCoreApplication::exec();
    } else {
        Print(err, QStringLiteral("coflux: ") + error);
    }

    // Clients first, so no command arrives while the process winds down. A recipe that runs
    // ends as aborted (its outputs to power 0), so its progress log says how it ended.
    server.reset();
    RecipeSessionOf(*process).Abort(QStringLiteral("Recipe aborted (the remote server stopped)."));
    if (process->RunState() != RunStopped) process->SetRunState(RunStopped);
    instrument->setTimerEnabled(false);
    publishing.reset(); // "offline", before the process goes
    process.reset();
    instrument.reset(); // shuts the card library down
    return status;
}

} // namespace coflux
