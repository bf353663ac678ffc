// tlvmonitor: rate and thickness monitor for up to 24 quartz-crystal sensors.
#include "frmMain.h"

#include "common/InfoOptions.h"
#include "common/ProgramInfo.h"
#include "common/mqtt/MqttPublisher.h"
#include "common/mqtt/PublishTarget.h"

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
    if (const auto status = tlv::AnswerInfoOptions(
            argc, argv, QString::fromLatin1(monitor::kProgramTitle),
            QStringLiteral("Rate and thickness monitor for up to 24 quartz-crystal sensors.")))
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

    // Publishing: the user's settings, then the command line, which wins.
    tlv::mqtt::PublishOptions publish = tlv::mqtt::ReadPublishSettings(info.title);
    QStringList rest;
    QString error;
    if (!tlv::mqtt::TakePublishArguments(app.arguments().mid(1), publish, rest, error)) {
        PrintError(error + QStringLiteral("; not publishing."));
        publish = {};
    }
    if (rest.contains(QStringLiteral("--help"))) {
        std::printf("Usage: tlvmonitor [options]\n%s", qPrintable(tlv::mqtt::PublishUsage()));
        return 0;
    }

    monitor::frmMain window;
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
    // The window deletes nothing on close: the program ends when its last window closes.
    return app.exec();
}
