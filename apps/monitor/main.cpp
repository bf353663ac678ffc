// tlvmonitor: rate and thickness monitor for up to 24 quartz-crystal sensors.
//
//   tlvmonitor [--remote [ADDR:]PORT]
//
// --remote also answers measurement queries of remote clients (see the README).
#include "MonitorRemoteTarget.h"
#include "frmMain.h"

#include "common/ProgramInfo.h"
#include "common/remote/RemoteOptions.h"
#include "common/remote/RemoteServer.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    tlv::ProgramInfo info;
    info.title = QString::fromLatin1(monitor::kProgramTitle);
    info.productName = QString::fromLatin1(monitor::kProductName);
    info.major = 1;
    info.minor = 0;
    info.revision = 0;
    info.legalNotice = QStringLiteral("Rate and thickness monitor for TLV-880 cards.");
    tlv::SetProgramInfo(info);

    QStringList arguments = QApplication::arguments();
    const tlv::remote::RemoteOptions remote = tlv::remote::TakeRemoteOptions(arguments);
    QString error = remote.error;
    if (error.isEmpty() && remote.control)
        error = QStringLiteral("--remote-control: tlvmonitor answers measurement queries only");
    if (!error.isEmpty()) {
        std::fprintf(stderr, "tlvmonitor: %s\nUsage: tlvmonitor [--remote [ADDR:]PORT]\n",
                     qUtf8Printable(error));
        return 1;
    }

    monitor::frmMain window;
    window.Form_Load();

    monitor::MonitorRemoteTarget target(window);
    std::unique_ptr<tlv::remote::RemoteServer> server;
    if (remote.enabled) {
        server = tlv::remote::StartRemoteServer(target, remote, error);
        if (!server) {
            std::fprintf(stderr, "tlvmonitor: %s\n", qUtf8Printable(error));
            return 1;
        }
    }
    // The window deletes nothing on close: the program ends when its last window closes.
    return app.exec();
}
