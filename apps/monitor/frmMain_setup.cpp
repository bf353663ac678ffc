// Setup file, start-up, menus and closing of the main window.
#include "frmMain.h"

#include "MonitorChart.h"

#include "frmSetup.h"

#include "common/DialogService.h"
#include "common/FormUtil.h"
#include "common/ProgramInfo.h"
#include "common/SetupFile.h"
#include "common/SetupFileDialog.h"
#include "common/frmAbout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPushButton>

namespace monitor {

void frmMain::Form_Load()
{
    // The start-up result was raised while the instrument was built, before anyone listened.
    if (const short result = Instrument().Revision(0); result != 0)
        m_statusLine->showError(result, cTLV880a::StartupMessage(result));
    m_core->LoadStartupSetup();
    InitForm();
    if (!RestoreFormPosition(this, true)) CenterFormScreen(this);
    m_core->SetRunState(0);
    show();
    QApplication::processEvents();
    m_cmdStart->setFocus();
    InstallChart(*this);
    RestoreChartVisibility(*this);
}

bool frmMain::IniWrite(const QString& file)
{
    // Material keys are written from what the boxes show.
    ShownMaterials shown;
    for (int s = 0; s < kMaxSensors; ++s) {
        if (!m_txtDensity[s]) continue;
        shown.density[s] = m_txtDensity[s]->text();
        shown.tooling[s] = m_txtTooling[s]->text();
        shown.zFactor[s] = m_txtZFactor[s]->text();
    }
    return m_core->IniWrite(file, shown);
}

void frmMain::mnuOpen_Click()
{
    const QString file = tlv::SelectSetupFile(this, false, tlv::ProgramFolder());
    if (file.isEmpty()) return;
    // Rebuild at once so the grid, boxes and zero list match the file just read (a refused file
    // leaves everything as it was).
    if (IniRead(file)) InitForm();
}

void frmMain::mnuSave_Click()
{
    const QString file = tlv::SelectSetupFile(this, true, tlv::ProgramFolder());
    if (!file.isEmpty()) IniWrite(file);
}

void frmMain::mnuExit_Click()
{
    close();
}

void frmMain::mnuViewSetup_Click()
{
    if (m_setupForm) {
        m_setupForm->raise();
        m_setupForm->activateWindow();
        return;
    }
    m_setupForm = new frmSetup(*this);
    m_setupForm->Form_Load();
    m_setupForm->show();
}

void frmMain::mnuAbout_Click()
{
    if (!ValidateActiveControl()) return;
    if (!m_aboutForm) m_aboutForm = new tlv::frmAbout(this);
    m_aboutForm->show();
    m_aboutForm->raise();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!ValidateActiveControl()) {
        event->ignore();
        return;
    }
    if (Settings().setupChanged) {
        const QString current = tlv::CurrentSetupFile();
        const auto answer = tlv::DialogService::message(
            this, QStringLiteral("Save current setup to ") + current + QStringLiteral(" ?"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question,
            QStringLiteral("Quitting"));
        // A save that fails keeps the window open, so the settings are not lost unnoticed.
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Yes && !IniWrite(current))) {
            event->ignore();
            return;
        }
    }
    m_core->StopPolling();
    SaveFormPosition(this);
    SaveChartVisibility(*this);
    event->accept();
    CloseForms(this);
}

} // namespace monitor
