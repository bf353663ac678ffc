// tlvmonitor's reading poll under remote load: the main window over the card library in
// simulation, measuring, and the duration of every tick of its poll timer (the poll and the
// grid's refresh). Run by hand, not by CTest:
//
//   TLV880_DRIVER=none QT_QPA_PLATFORM=offscreen build/default/bin/bench_remote_monitor [SECONDS]
#include "RemoteLoad.h"

#include "MonitorRemoteTarget.h"
#include "frmMain.h"

#include "common/ProgramInfo.h"

#include <QTemporaryDir>

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("TLV880_HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    QApplication app(argc, argv);
    tlv::ProgramInfo info;
    info.title = QString::fromLatin1(monitor::kProgramTitle);
    info.productName = QString::fromLatin1(monitor::kProductName);
    tlv::SetProgramInfo(info);
    const int seconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 10;

    monitor::frmMain window;
    window.Form_Load();
    monitor::MonitorRemoteTarget target(window.Core());
    tlv::remote::RemoteServer server(target, false);
    QString error;
    if (!server.Listen({}, error)) return 1;
    window.cmdFSwitch_Click(0); // start measuring
    bench::RunRemoteLoad(window.Core().RunTimer(), server, "MEAS:SENS? 1", seconds);
    window.cmdFSwitch_Click(0);
    return 0;
}
