#include "ProgramMessage.h"

#include "common/DialogService.h"

namespace coflux {

void ShowMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon)
{
    tlv::DialogService::message(parent, text, QMessageBox::Ok, icon);
}

} // namespace coflux
