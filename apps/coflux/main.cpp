// coflux: the co-deposition controller.

#include "CofluxProgram.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TLV880"));
    coflux::InstallProgramInfo();

    auto* window = new coflux::frmMain;
    window->setAttribute(Qt::WA_DeleteOnClose);
    return QApplication::exec();
}
