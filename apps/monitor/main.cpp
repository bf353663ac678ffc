// tlvmonitor: rate and thickness monitor for up to 24 quartz-crystal sensors.
#include "frmMain.h"

#include "common/InfoOptions.h"
#include "common/ProgramInfo.h"

#include <QApplication>

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

    monitor::frmMain window;
    window.Form_Load();
    // The window deletes nothing on close: the program ends when its last window closes.
    return app.exec();
}
