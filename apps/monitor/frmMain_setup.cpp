// Setup file, start-up, menus and closing of the main window.
#include "frmMain.h"

#include "MonitorChart.h"

#include "MonitorSetupFile.h"
#include "frmSetup.h"

#include "common/DialogService.h"
#include "common/FormUtil.h"
#include "common/ProgramInfo.h"
#include "common/SetupFile.h"
#include "common/SetupFileDialog.h"
#include "common/frmAbout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

namespace monitor {

namespace {

QString ProgramTitle()
{
    return QString::fromLatin1(kProgramTitle);
}

void Exclaim(QWidget* parent, const QString& text)
{
    tlv::DialogService::message(parent, text, QMessageBox::Ok, QMessageBox::Warning,
                                ProgramTitle());
}

QString SetupRefusal(const QString& path)
{
    return tlv::SetupFileRefusal(path, {QStringLiteral("Setup")},
                                 ProgramTitle() + QStringLiteral(" setup"));
}

} // namespace

QString frmMain::SetupFilePath(const QString& file)
{
    return QDir(tlv::ProgramFolder()).filePath(file);
}

void frmMain::Form_Load()
{
    // The start-up result was raised while the instrument was built, before anyone listened.
    if (const short result = m_tlv->Revision(0); result != 0)
        m_statusLine->showError(result, cTLV880a::StartupMessage(result));
    QString name = tlv::SavedSetupFile();
    if (name.isEmpty()) name = QString::fromLatin1(kDefaultSetupFile);
    if (!IniRead(name)) {
        // The program runs on its defaults; the refused file stays the one named (saving to it
        // is refused) until another is opened or saved.
        tlv::SetSetupFile(this, name);
        ApplySettings();
    }
    InitForm();
    if (!RestoreFormPosition(this, true)) CenterFormScreen(this);
    SetRunState(0);
    show();
    QApplication::processEvents();
    m_cmdStart->setFocus();
    InstallChart(*this);
    RestoreChartVisibility(*this);
}

bool frmMain::IniRead(const QString& file)
{
    if (file.isEmpty()) return false;
    const QString path = SetupFilePath(file);
    // A file that is not a monitor setup leaves the current setup as it is; the file is never
    // written over (saving to it is refused too).
    const QString refusal = SetupRefusal(path);
    if (!refusal.isEmpty()) {
        m_statusLine->showMessage(refusal);
        Exclaim(this, refusal);
        return false;
    }
    if (!QFileInfo::exists(path))
        tlv::DialogService::message(this,
                                    file + QStringLiteral(" Not Found.\nContinuing with defaults."),
                                    QMessageBox::Ok, QMessageBox::Information, ProgramTitle());
    tlv::SetSetupFile(this, file);

    SetupLimits limits;
    limits.periodMin = m_tlv->PeriodMin();
    limits.periodMax = m_tlv->PeriodMax();
    limits.densityMin = m_tlv->DensityMin();
    limits.densityMax = m_tlv->DensityMax();
    limits.toolingMin = m_tlv->ToolingMin();
    limits.toolingMax = m_tlv->ToolingMax();
    limits.zFactorMin = m_tlv->ZFactorMin();
    limits.zFactorMax = m_tlv->ZFactorMax();
    limits.freqMin = m_tlv->XFreqMin();
    limits.freqMax = m_tlv->XFreqMax();
    ReadSetupFile(path, m_settings, limits);
    ApplySettings();
    return true;
}

void frmMain::ApplySettings()
{
    m_tlv->SendSimulate(0);
    m_tlv->SendInit(m_settings.maxFreq, m_settings.minFreq, m_settings.initFreq, m_settings.period);
    // The rate filter set by the operator is the one the instrument averages with.
    m_tlv->setFilterSize(m_settings.filter);
    SensorMap unmapped{};
    unmapped.fill(0);
    m_tlv->SendMapSensors(unmapped);
    for (short o = 0; o < 4; ++o)
        m_tlv->SendPower(o, 0.0);
}

bool frmMain::IniWrite(const QString& file)
{
    if (file.isEmpty()) return false;
    const QString path = SetupFilePath(file);
    const QString refusal = SetupRefusal(path);
    if (!refusal.isEmpty()) {
        m_statusLine->showMessage(refusal);
        Exclaim(this, refusal + QStringLiteral("\nIt is not written over."));
        return false;
    }
    if (!QFileInfo::exists(path)) {
        QFile created(path);
        if (!created.open(QIODevice::WriteOnly)) {
            Exclaim(this, file + QStringLiteral(" could not be created!"));
            return false;
        }
    }
    const QFileInfo info(path);
    if (!(info.permissions() & QFileDevice::WriteOwner) || !info.isWritable()) {
        Exclaim(this, file + QStringLiteral(" is Read Only!"));
        return false;
    }
    tlv::SetSetupFile(this, file);

    // Material keys are written from what the boxes show.
    MonitorSettings written = m_settings;
    for (int s = 0; s < m_settings.sensorsShown; ++s) {
        if (m_txtDensity[s]) {
            written.densityText[s] = m_txtDensity[s]->text();
            written.toolingText[s] = m_txtTooling[s]->text();
            written.zFactorText[s] = m_txtZFactor[s]->text();
        }
    }
    if (!WriteSetupFile(path, written)) {
        Exclaim(this, file + QStringLiteral(" could not be written!"));
        return false;
    }
    return true;
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
    if (m_settings.setupChanged) {
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
    m_tmrRun.stop();
    SaveFormPosition(this);
    SaveChartVisibility(*this);
    event->accept();
    CloseForms(this);
}

} // namespace monitor
