// coflux: the co-deposition controller. With --run it runs one deposition unattended.

#include "CofluxProgram.h"
#include "UnattendedRun.h"
#include "frmMain.h"

#include "common/ProgramInfo.h"

#include <QApplication>

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

} // namespace

int main(int argc, char* argv[])
{
    // The command line is read before any application object exists, so that --help, --version
    // and argument errors need no display.
    const coflux::RunRequest request = coflux::ParseRunArguments(RawArguments(argc, argv));
    switch (request.kind) {
    case coflux::RunRequest::Kind::Help:
        std::fputs(coflux::RunUsage().toLocal8Bit().constData(), stdout);
        return 0;
    case coflux::RunRequest::Kind::Version:
        std::fputs(
            ("coflux " + tlv::PackageVersion() + QLatin1Char('\n')).toLocal8Bit().constData(),
            stdout);
        return 0;
    case coflux::RunRequest::Kind::Invalid:
        PrintError(request.error);
        std::fputs(coflux::RunUsage().toLocal8Bit().constData(), stderr);
        return coflux::RunFailed;
    case coflux::RunRequest::Kind::Run:
    case coflux::RunRequest::Kind::Interactive:
        break;
    }

    const bool headless = request.kind == coflux::RunRequest::Kind::Run && request.headless;
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

    if (request.kind == coflux::RunRequest::Kind::Run) return coflux::RunUnattended(request);

    auto* window = new coflux::frmMain;
    window->setAttribute(Qt::WA_DeleteOnClose);
    return QCoreApplication::exec();
}
