// tlvmulti: test and commissioning of up to six TLV-880 cards. Without any card it works with six
// simulated cards.

#include "frmMain.h"

#include "common/InfoOptions.h"
#include "common/ProgramInfo.h"
#include "common/WindowSignals.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (const auto status = tlv::AnswerInfoOptions(
            argc, argv, QStringLiteral("tlvmulti"),
            QStringLiteral("Test and commissioning of up to six TLV-880 cards.")))
        return *status;
    QApplication app(argc, argv);
    tlv::SetProgramInfo({QStringLiteral("tlvmulti"), QStringLiteral("tlvmulti"), 1, 0, 0,
                         QStringLiteral("TLV-880 multi-card test program")});
    multi::frmMain window;
    // A signal closes the window as Exit does, every output of the cards at power 0 first.
    tlv::CloseOnTerminationSignals(window, QStringLiteral("tlvmulti"),
                                   [&window] { window.Console().PowerDown(); });
    window.show();
    return app.exec();
}
