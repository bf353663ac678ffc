// tlvmulti: test and commissioning of up to six TLV-880 cards. Without any card it works with six
// simulated cards.

#include "frmMain.h"

#include "common/InfoOptions.h"
#include "common/ProgramInfo.h"

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
    window.show();
    return app.exec();
}
