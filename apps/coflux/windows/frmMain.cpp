// frmMain: start-up, menus, window state, closing.

#include "frmMain.h"

#include "ChartRecorder.h"
#include "CofluxProgram.h"
#include "HelpWindow.h"
#include "ProgramMessage.h"
#include "RecipeSession.h"
#include "frmChart.h"
#include "frmProcess.h"

#include "common/DialogService.h"
#include "common/EntryGuard.h"
#include "common/FormUtil.h"
#include "common/ProgramInfo.h"
#include "common/SetupFile.h"
#include "common/SetupFileDialog.h"
#include "common/frmAbout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTimer>

namespace coflux {

frmMain::frmMain(QWidget* parent, cTLV880a* instrument) : QMainWindow(parent)
{
    m_loading = true;
    m_ownHost = std::make_unique<CofluxHost>(instrument);
    m_host = m_ownHost.get();
    m_core = &m_host->Process();
    BuildControls();
    Form_Load();
}

frmMain::frmMain(CofluxHost& host, QWidget* parent)
    : QMainWindow(parent), m_host(&host), m_core(&host.Process())
{
    m_loading = true;
    BuildControls();
    FollowCore();
    m_chartHistory = new ChartRecorder(*m_core, this);
    m_chartHistory->FollowRecipe(m_host->Recipes().Run());
    ShowSetup();
    setWindowTitle(tlv::SetupFileCaption(m_core->SetupFileName()));
    FitToCardCount();
    RestoreFormPosition(this, true);
    show();
    m_cmdFSwitch[0]->setFocus();
    m_guard->SetCurrent(m_cmdFSwitch[0]);
    m_guard->SetLoading(false);
    ShowRunState(m_core->RunState());
    m_loading = false;
}

frmMain::~frmMain()
{
    // The editor windows work on the process and the instrument, and the Process window on
    // the recipe session, so they go before them.
    disconnect(m_core, nullptr, this, nullptr);
    for (QPointer<QWidget>* form :
         {&m_frmFilm, &m_frmRecorder, &m_frmInputs, &m_frmSetup, &m_frmReadings})
        delete form->data();
    delete m_frmProcess.data();
    m_ownHost.reset();
}

// Start-up, in order: the process and its events, setup file, fitting to the cards, window
// position, focus, run state, readings view, zero.
void frmMain::Form_Load()
{
    m_loading = true;
    FollowCore();
    m_chartHistory = new ChartRecorder(*m_core, this);
    m_chartHistory->FollowRecipe(m_host->Recipes().Run());

    IniRead(CofluxHost::StartupSetupName());

    FitToCardCount();
    RestoreFormPosition(this, true);
    show();
    m_cmdFSwitch[0]->setFocus();
    m_guard->SetCurrent(m_cmdFSwitch[0]);
    m_guard->SetLoading(false);

    m_core->SetRunState(RunStopped);
    m_loading = false;

    if (ProgramSettings()->value(QStringLiteral("frmReadings/Form Visible")).toString() ==
        QLatin1String("True"))
        ShowReadingsView();
    RestoreChartVisibility();

    m_host->ZeroForStart();
}

// ---- run buttons and zeroing ----------------------------------------------------------------

void frmMain::cmdFSwitch_Click(int index)
{
    switch (index) {
    case 0:
        m_core->PressStartStop();
        break;
    case 1:
        m_core->PressHoldResume(); // does nothing while stopped
        break;
    case 2:
        m_core->ZeroAll();
        break;
    default:
        break;
    }
}

void frmMain::cmdZero_Click(int j)
{
    m_core->ZeroOutput(j);
}

void frmMain::cmdEdit_Click(int j)
{
    if (FrameAt(j).optMode[ModeRecord]->isChecked())
        ShowRecorderEditor(j);
    else
        ShowOutputEditor(j);
}

// ---- menus --------------------------------------------------------------------------------

void frmMain::ValidateBeforeMenu(QMenu* menu)
{
    if (m_loading || ValidateCurrentEntry()) return;
    QTimer::singleShot(0, menu, &QMenu::close);
}

void frmMain::mnuOpen_Click()
{
    // The process refuses a setup under a running deposition; the operator learns it before
    // choosing a file.
    if (const CommandResult allowed = m_core->CanOpenSetup(); !allowed.ok()) {
        ShowMessage(this, allowed.text, QMessageBox::Warning);
        return;
    }
    const QString name = tlv::SelectSetupFile(this, false, tlv::ProgramFolder());
    if (name.isEmpty()) return;
    // An editor still open would show, and on OK write back, values of the setup being
    // replaced: each closes first (asking to save its changes); one that stays open cancels.
    for (QPointer<QWidget>* form : {&m_frmFilm, &m_frmRecorder, &m_frmInputs, &m_frmSetup}) {
        if (*form && (*form)->isVisible() && !(*form)->close()) return;
    }
    IniRead(name);
}

void frmMain::mnuSave_Click()
{
    const QString name = tlv::SelectSetupFile(this, true, tlv::ProgramFolder());
    if (!name.isEmpty()) IniWrite(name);
}

void frmMain::mnuHelp_Click()
{
    m_helpWindow = ShowHelp(this);
}

void frmMain::mnuAbout_Click()
{
    auto* about = new tlv::frmAbout(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->open();
}

// ---- window state and closing -------------------------------------------------------------

void frmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        const bool minimised = isMinimized();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w == this || !w->isVisible()) continue;
            if (minimised)
                w->showMinimized();
            else if (w->isMinimized())
                w->showNormal();
        }
    } else if (event->type() == QEvent::ActivationChange && !isActiveWindow() && !m_loading &&
               !m_closing) {
        ValidateCurrentEntry();
    }
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!ValidateCurrentEntry()) {
        event->ignore();
        return;
    }
    const auto answer = tlv::DialogService::message(
        this, QStringLiteral("Save current setup to %1 ?").arg(SetupFileName()),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question,
        QStringLiteral("Quitting"));
    if (answer == QMessageBox::Cancel) {
        event->ignore();
        return;
    }
    // A setup that could not be written (read-only file) is not thrown away by closing.
    if (answer == QMessageBox::Yes && !IniWrite(SetupFileName())) {
        event->ignore();
        return;
    }
    m_closing = true;
    SaveWindowState();
    event->accept();
}

void frmMain::SaveWindowState()
{
    SaveFormPosition(this);
    SaveChartVisibility(m_frmChart);
    ProgramSettings()->setValue(QStringLiteral("frmReadings/Form Visible"),
                                ReadingsViewVisible() ? QStringLiteral("True")
                                                      : QStringLiteral("False"));
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible()) w->close();
}

} // namespace coflux
