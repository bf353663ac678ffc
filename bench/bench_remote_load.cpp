// The coflux window's reading poll under remote load: the main window over the card library in
// simulation with a deposition running (output 1 at manual power), and the duration of every
// tick of the instrument's poll timer (from the timer event to the end of its handlers: the
// poll, the process's reading handler and the window's refresh). Run by hand, not by CTest:
//
//   TLV880_DRIVER=none QT_QPA_PLATFORM=offscreen build/default/bin/bench_remote_load [SECONDS]
#include "RemoteLoad.h"

#include "CofluxProgram.h"
#include "CofluxRemoteTarget.h"
#include "frmMain.h"

#include <QTemporaryDir>

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("TLV880_HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    QApplication app(argc, argv);
    coflux::InstallProgramInfo();
    const int seconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 10;

    auto* window = new coflux::frmMain;
    coflux::Deposition& process = window->Core();
    coflux::CofluxRemoteTarget& target = window->Host().RemoteTarget();
    tlv::remote::RemoteServer server(target, false);
    QString error;
    auto* poll = process.Instrument().findChild<QTimer*>(QStringLiteral("TLVTimer"));
    if (!poll || !server.Listen({}, error)) return 1;
    process.SetMode(0, 2);
    process.SetManualPower(0, 30);
    process.Start();
    bench::RunRemoteLoad(*poll, server, "MEAS:OUTP? 1", seconds);
    process.Stop();
    delete window;
    return 0;
}
