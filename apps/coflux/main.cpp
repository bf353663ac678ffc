// coflux: the co-deposition controller. With --run it runs one deposition unattended.

#include "CofluxProgram.h"
#include "UnattendedRun.h"
#include "frmMain.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (coflux::WantsHeadless(argc, argv)) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TLV880"));
    coflux::InstallProgramInfo();

    const coflux::RunRequest request = coflux::ParseRunArguments(QApplication::arguments());
    switch (request.kind) {
    case coflux::RunRequest::Kind::Help:
        std::fputs(coflux::RunUsage().toLocal8Bit().constData(), stdout);
        return 0;
    case coflux::RunRequest::Kind::Invalid:
        std::fprintf(stderr, "coflux: %s\n%s", request.error.toLocal8Bit().constData(),
                     coflux::RunUsage().toLocal8Bit().constData());
        return coflux::RunFailed;
    case coflux::RunRequest::Kind::Run:
        return coflux::RunUnattended(request);
    case coflux::RunRequest::Kind::Interactive:
        break;
    }

    auto* window = new coflux::frmMain;
    window->setAttribute(Qt::WA_DeleteOnClose);
    return QApplication::exec();
}
