// tlvmonitor: rate and thickness monitor for up to 24 quartz-crystal sensors.
//
//   tlvmonitor [--remote [ADDR:]PORT] [--publish mqtt://HOST[:PORT]/PREFIX ...]
//
// --remote also answers measurement queries of remote clients; --publish sends readings, state
// and events to an MQTT broker (see the README).
#include "MonitorRemoteTarget.h"
#include "frmMain.h"

#include "common/InfoOptions.h"
#include "common/ProgramInfo.h"
#include "common/WindowSignals.h"
#include "common/mqtt/MqttPublisher.h"
#include "common/mqtt/PublishTarget.h"
#include "common/remote/RemoteOptions.h"
#include "common/remote/RemoteServer.h"

#include <QApplication>

#include <cstdio>

namespace {

void PrintError(const QString& text)
{
    std::fprintf(stderr, "tlvmonitor: %s\n", qPrintable(text));
}

} // namespace

int main(int argc, char** argv)
{
    const QString summary =
        QStringLiteral("Rate and thickness monitor for up to 24 quartz-crystal sensors.\n"
                       "  --remote [ADDR:]PORT  answer measurement queries of remote clients on "
                       "ADDR (default 127.0.0.1) and PORT (0 picks a free port)\n") +
        tlv::mqtt::PublishUsage();
    if (const auto status = tlv::AnswerInfoOptions(
            argc, argv, QString::fromLatin1(monitor::kProgramTitle), summary))
        return *status;
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
    // --remote-control lets clients acknowledge alarms; nothing else changes remotely.
    if (!error.isEmpty()) {
        std::fprintf(
            stderr, "tlvmonitor: %s\nUsage: tlvmonitor [--remote [ADDR:]PORT [--remote-control]]\n",
            qUtf8Printable(error));
        return 1;
    }

    // Publishing: the user's settings, then the command line, which wins.
    tlv::mqtt::PublishOptions publish = tlv::mqtt::ReadPublishSettings(info.title);
    QStringList rest;
    if (!tlv::mqtt::TakePublishArguments(arguments.mid(1), publish, rest, error)) {
        PrintError(error + QStringLiteral("; not publishing."));
        publish = {};
    }

    monitor::frmMain window;
    // A signal closes the window as Exit does (the monitor drives no output).
    tlv::CloseOnTerminationSignals(window, QString::fromLatin1(monitor::kProgramTitle));
    // Publishing starts before the setup file is read, so a message box at start-up does not
    // keep the program off the broker. The window shows the connection; the reason for a
    // failure also goes to the terminal.
    if (publish.enabled()) {
        const bool started = window.StartPublishing(publish);
        tlv::mqtt::MqttPublisher* publisher = window.Publisher();
        if (!publisher->lastProblem().isEmpty()) PrintError(publisher->lastProblem());
        if (started) QObject::connect(publisher, &tlv::mqtt::MqttPublisher::problem, &PrintError);
    }
    window.Form_Load();

    monitor::MonitorRemoteTarget target(window.Core());
    std::unique_ptr<tlv::remote::RemoteServer> server;
    if (remote.enabled) {
        server = tlv::remote::StartRemoteServer(target, remote, error);
        if (!server) {
            PrintError(error);
            return 1;
        }
    }
    // The window deletes nothing on close: the program ends when its last window closes.
    return app.exec();
}
