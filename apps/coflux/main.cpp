// coflux: the co-deposition controller. With --run it runs one deposition unattended; with
// --remote it also serves remote clients, and with --headless --remote it serves them alone.

#include "CofluxProgram.h"
#include "CofluxRemoteTarget.h"
#include "DepositionPublishing.h"
#include "RecipeProgram.h"
#include "RemoteIndicator.h"
#include "RemoteServe.h"
#include "UnattendedRun.h"
#include "WindowPublishing.h"
#include "frmMain.h"

#include "common/mqtt/PublishTarget.h"

#include "common/ProgramInfo.h"
#include "common/remote/RemoteServer.h"

#include <QApplication>
#include <QPointer>

#include <cstdio>
#include <memory>

namespace {

QStringList RawArguments(int argc, char* argv[])
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

void PrintError(const QString& text)
{
    std::fputs(("coflux: " + text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

QString Usage()
{
    return coflux::RunUsage() +
           QStringLiteral("       coflux [--headless] --remote [ADDR:]PORT [--remote-control]\n") +
           tlv::remote::RemoteUsage() +
           QStringLiteral("       coflux --recipe FILE [--headless]\n"
                          "  --recipe FILE         run the process recipe FILE on the current "
                          "setup file\n");
}

} // namespace

int main(int argc, char* argv[])
{
    // The command line is read before any application object exists, so that --help, --version
    // and argument errors need no display. The publish options are taken out first: every kind
    // of run publishes the same way.
    QStringList arguments = RawArguments(argc, argv);
    tlv::mqtt::PublishOptions publish;
    QStringList rest;
    QString publishError;
    if (!tlv::mqtt::TakePublishArguments(arguments.mid(1), publish, rest, publishError)) {
        PrintError(publishError + QLatin1Char('.'));
        return coflux::RunFailed;
    }
    arguments = QStringList{arguments.value(0)} + rest;
    // A process recipe (--recipe FILE) is a run of its own.
    const coflux::RecipeRequest recipe = coflux::ParseRecipeArguments(arguments);
    if (recipe.wanted) return coflux::RunRecipeCommand(recipe, publish, argc, argv);
    // The remote options next; the rest is the run's command line.
    const tlv::remote::RemoteOptions remote = tlv::remote::TakeRemoteOptions(arguments);
    // --headless without --run is the remote server alone.
    const bool serveHeadless = remote.enabled && arguments.contains(QStringLiteral("--headless")) &&
                               !arguments.contains(QStringLiteral("--run"));
    if (serveHeadless) arguments.removeAll(QStringLiteral("--headless"));
    coflux::RunRequest request = coflux::ParseRunArguments(arguments);
    switch (request.kind) {
    case coflux::RunRequest::Kind::Help:
        std::fputs((Usage() + tlv::mqtt::PublishUsage()).toLocal8Bit().constData(), stdout);
        return 0;
    case coflux::RunRequest::Kind::Version:
        std::fputs(
            ("coflux " + tlv::PackageVersion() + QLatin1Char('\n')).toLocal8Bit().constData(),
            stdout);
        return 0;
    case coflux::RunRequest::Kind::Invalid:
        PrintError(request.error);
        std::fputs(Usage().toLocal8Bit().constData(), stderr);
        return coflux::RunFailed;
    case coflux::RunRequest::Kind::Run:
    case coflux::RunRequest::Kind::Interactive:
        break;
    }
    QString remoteError = remote.error;
    if (remoteError.isEmpty() && remote.enabled && request.kind == coflux::RunRequest::Kind::Run)
        remoteError = QStringLiteral("--remote serves the window or --headless, not a --run");
    if (!remoteError.isEmpty()) {
        PrintError(remoteError);
        std::fputs(Usage().toLocal8Bit().constData(), stderr);
        return coflux::RunFailed;
    }

    const bool headless =
        serveHeadless || (request.kind == coflux::RunRequest::Kind::Run && request.headless);
    if (!headless && !coflux::HasDisplay()) {
        PrintError(request.kind == coflux::RunRequest::Kind::Run
                       ? QStringLiteral("--run without --headless shows the window, but there is "
                                        "no display (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM "
                                        "are not set). Add --headless to run without one.")
                       : QStringLiteral("no display to show the window on (DISPLAY, "
                                        "WAYLAND_DISPLAY and QT_QPA_PLATFORM are not set). Use "
                                        "--run FILE --headless to run a deposition without one."));
        return coflux::RunFailed;
    }

    // A headless run is the deposition process alone: no GUI application, no window.
    std::unique_ptr<QCoreApplication> app;
    if (headless)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TLV880"));
    coflux::InstallProgramInfo();

    // Publishing: the user's settings, then the command line, which wins.
    publish = coflux::WithPublishSettings(publish);
    request.publish = publish;

    if (request.kind == coflux::RunRequest::Kind::Run) return coflux::RunUnattended(request);
    if (serveHeadless) return coflux::ServeRemoteHeadless(remote, publish);

    QPointer<coflux::frmMain> window = new coflux::frmMain;
    window->setAttribute(Qt::WA_DeleteOnClose);
    coflux::CloseWindowOnSignals(*window);
    // Remote clients drive the window's own host; they go when the window goes.
    std::unique_ptr<tlv::remote::RemoteServer> server;
    if (remote.enabled) {
        QString error;
        server = tlv::remote::StartRemoteServer(window->Host().RemoteTarget(), remote, error);
        if (!server) {
            PrintError(error);
            delete window.data();
            return coflux::RunFailed;
        }
        coflux::AttachRemoteIndicator(*window, *server);
    }

    // The window shows the connection; the reason for a failure also goes to standard error.
    coflux::AttachWindowPublishing(*window, publish);
    const int status = QCoreApplication::exec();
    // A window that refused to close (a signal ended the loop) still shuts its instrument down,
    // before the remote clients go.
    delete window.data();
    return status;
}
