#include "common/SetupFileDialog.h"

#include "common/ProgramInfo.h"
#include "common/SetupFile.h"
#include "common/cFileDialog.h"

#include <QWidget>

namespace tlv {

QString SetupFileCaption(const QString& name)
{
    return Program().productName + QStringLiteral(" - [ ") + name + QStringLiteral(" ]");
}

void SetSetupFile(QWidget* mainWindow, const QString& name)
{
    SetCurrentSetupFile(name);
    if (mainWindow) mainWindow->setWindowTitle(SetupFileCaption(name));
}

QString SelectSetupFile(QWidget* mainWindow, bool save, const QString& initialDir)
{
    cFileDialog dialog;
    dialog.setDialogTitle(save ? QStringLiteral("Save Setup As")
                               : QStringLiteral("Open Setup File"));
    dialog.setDefaultExt(QStringLiteral("dat"));
    dialog.setFilter(QStringLiteral("Setup files (*.dat)|*.dat"));
    dialog.setFilterIndex(0);
    dialog.setFlags(cFileDialog::OverwritePrompt | cFileDialog::HideReadOnly |
                    cFileDialog::NoChangeDir);
    dialog.sethWndParent(mainWindow);
    dialog.setMaxFileSize(255);
    dialog.setFileName(CurrentSetupFile());
    if (!initialDir.isEmpty()) dialog.setInitialDir(initialDir);
    if (!dialog.Show(!save)) return QString();
    return dialog.FileTitle();
}

} // namespace tlv
