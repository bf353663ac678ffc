#include "common/EditorForm.h"

#include "common/DialogService.h"
#include "common/FormUtil.h"

#include <QCloseEvent>
#include <QMessageBox>

namespace tlv {

bool AskSaveChanges(QWidget* form)
{
    const auto answer = DialogService::message(
        form, QStringLiteral("Save ") + form->windowTitle() + QStringLiteral(" Changes?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::NoIcon);
    return answer == QMessageBox::Yes;
}

EditorForm::EditorForm(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

bool EditorForm::RunCommand(int command)
{
    switch (command) {
    case Ok:
        if (!Apply()) return false;
        m_leaving = true;
        return close();
    case Cancel:
        m_leaving = true;
        return close();
    case Update:
        return Apply();
    default:
        return false;
    }
}

void EditorForm::closeEvent(QCloseEvent* event)
{
    const bool leaving = m_leaving;
    m_leaving = false;
    if (!leaving && Changed() && AskSaveChanges(this) && !Apply()) {
        event->ignore(); // a refused entry keeps the form open with the focus on it
        return;
    }
    ::SaveFormPosition(this);
    event->accept();
}

} // namespace tlv
