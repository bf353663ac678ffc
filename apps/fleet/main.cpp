// tlvfleet: every coater that publishes to an MQTT broker, in one window.
//
//   tlvfleet [--publish mqtt://HOST[:PORT]/PREFIX ...] [--event-log FILE]
//
// The broker options are those of the publishing programs (and their "Publish" settings group);
// the window shows a row per coater found under PREFIX and its events.
#include "Fleet.h"
#include "FleetOptions.h"
#include "frmMain.h"

#include "common/InfoOptions.h"
#include "common/ProgramInfo.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

namespace {

void PrintError(const QString& text)
{
    std::fprintf(stderr, "tlvfleet: %s\n", qUtf8Printable(text));
    std::fflush(stderr);
}

} // namespace

int main(int argc, char** argv)
{
    if (const auto status = tlv::AnswerInfoOptions(
            argc, argv, QString::fromLatin1(fleet::kProgramTitle), fleet::FleetUsage()))
        return *status;
    QApplication app(argc, argv);
    tlv::ProgramInfo info;
    info.title = QString::fromLatin1(fleet::kProgramTitle);
    info.productName = QString::fromLatin1(fleet::kProductName);
    info.legalNotice = QStringLiteral("Every coater on the MQTT broker in one window.");
    tlv::SetProgramInfo(info);

    fleet::FleetOptions options;
    QString error;
    if (!fleet::ParseFleetArguments(QApplication::arguments().mid(1),
                                    tlv::mqtt::ReadPublishSettings(info.title), options, error)) {
        PrintError(error);
        std::fprintf(stderr, "Usage: tlvfleet [--publish mqtt://HOST[:PORT]/PREFIX ...] "
                             "[--event-log FILE]\n");
        return 1;
    }
    const QString eventLog = options.eventLog.isEmpty()
                                 ? tlv::ProgramFile(QString::fromLatin1(fleet::kDefaultEventLog))
                                 : QDir::current().absoluteFilePath(options.eventLog);

    fleet::Fleet core;
    core.setEventLog(eventLog);
    QObject::connect(&core, &fleet::Fleet::problem, &PrintError);
    fleet::frmMain window(core);
    window.show();
    if (!options.broker.enabled())
        PrintError(QStringLiteral("No broker: give --publish mqtt://HOST[:PORT]/PREFIX or set "
                                  "URL in the [Publish] group of the settings."));
    else
        core.start(options.broker);
    return app.exec();
}
