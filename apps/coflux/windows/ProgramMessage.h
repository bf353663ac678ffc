#pragma once
// The plain message box every window of coflux shows (OK button), through the dialog service.

#include <QMessageBox>
#include <QString>

class QWidget;

namespace coflux {

void ShowMessage(QWidget* parent, const QString& text, QMessageBox::Icon icon);

} // namespace coflux
