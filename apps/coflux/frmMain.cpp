// frmMain: start-up, run states, zeroing, output modes and frames, menus, window state, closing.

#include "frmMain.h"

#include "CofluxProgram.h"
#include "DataLog.h"
#include "HelpWindow.h"
#include "Recorder.h"
#include "frmChart.h"

#include "common/DialogService.h"
#include "common/FormUtil.h"
#include "common/ProgramInfo.h"
#include "common/SetupFile.h"
#include "common/SetupFileDialog.h"
#include "common/frmAbout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTimer>

namespace coflux {

namespace {

const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kGrey(128, 128, 128);

void SetButtonColour(QPushButton* button, const QColor& colour)
{
    QPalette p = button->palette();
    p.setColor(QPalette::Button, colour);
    button->setPalette(p);
    button->setAutoFillBackground(true);
    button->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; }").arg(colour.name()));
}

void SetTextColour(QLineEdit* box, const QColor& colour)
{
    QPalette p = box->palette();
    p.setColor(QPalette::Text, colour);
    box->setPalette(p);
    QFont font = box->font();
    font.setBold(false);
    box->setFont(font);
}

} // namespace

frmMain::frmMain(QWidget* parent, cTLV880a* instrument) : QMainWindow(parent)
{
    m_loading = true;
    if (instrument) {
        m_tlv = instrument;
    } else {
        m_tlv = new cTLV880a(this);
        m_ownsInstrument = true;
    }
    BuildControls();
    Form_Load();
}

frmMain::~frmMain()
{
    // The instrument reports its shutdown through events; none may reach a window that is being
    // destroyed. The editor windows work on the instrument, so they go before it.
    disconnect(m_tlv, nullptr, this, nullptr);
    for (QPointer<QWidget>* form :
         {&m_frmFilm, &m_frmRecorder, &m_frmInputs, &m_frmSetup, &m_frmReadings})
        delete form->data();
    if (m_ownsInstrument) delete m_tlv;
}

// Start-up, in order: instrument and its events, setup file, fitting to the cards, window
// position, focus, run state, readings view, zero.
void frmMain::Form_Load()
{
    m_loading = true;
    AttachInstrument();
    InstallChart(*this);

    QString name = tlv::SavedSetupFile();
    if (name.isEmpty()) name = QStringLiteral("Default.dat");
    SetSetupFileName(name);
    IniRead(name);

    FitToCardCount();
    RestoreFormPosition(this, true);
    show();
    m_cmdFSwitch[0]->setFocus();
    m_currentEntry = m_cmdFSwitch[0];

    SetRunState(RunStopped);
    m_loading = false;

    if (ProgramSettings()->value(QStringLiteral("frmReadings/Form Visible")).toString() ==
        QLatin1String("True"))
        ShowReadingsView();
    RestoreChartVisibility(*this);

    m_tlv->ZeroAll();
}

void frmMain::AttachInstrument()
{
    connect(m_tlv, &cTLV880a::TLVReading, this, &frmMain::TLVReading, Qt::UniqueConnection);
    connect(m_tlv, &cTLV880a::TLVAnalog, this, &frmMain::TLVAnalog, Qt::UniqueConnection);
    connect(m_tlv, &cTLV880a::TLVError, this, &frmMain::TLVError, Qt::UniqueConnection);
    connect(m_tlv, &cTLV880a::TLVSensorEvent, this, &frmMain::TLVSensorEvent, Qt::UniqueConnection);
    connect(m_tlv, &cTLV880a::TLVOutputEvent, this, &frmMain::TLVOutputEvent, Qt::UniqueConnection);
}

bool frmMain::IsPresentOutput(int j) const
{
    return IsShownOutput(j) &&
           (m_tlv->NumCards() == 0 || m_tlv->NumOutputValid(static_cast<short>(j)));
}

double frmMain::RecorderValue(int j) const
{
    return coflux::RecorderValue(m_tables.Output(j), m_readings);
}

double frmMain::ManualPower(int j) const
{
    return m_frames.at(static_cast<size_t>(j)).txtManPwr->text().toDouble();
}

// ---- run states ---------------------------------------------------------------------------

void frmMain::cmdFSwitch_Click(int index)
{
    switch (index) {
    case 0:
        SetRunState(m_runState == RunStopped ? RunRunning : RunStopped);
        break;
    case 1:
        if (m_runState == RunRunning)
            SetRunState(RunHeld);
        else if (m_runState == RunHeld)
            SetRunState(RunRunning);
        break;
    case 2:
        for (int j : kShownOutputs)
            ZeroOutput(j);
        for (short s = 0; s < kSensorSlots; ++s)
            m_tlv->ZeroSensor(s);
        break;
    default:
        break;
    }
}

void frmMain::SetRunState(short state)
{
    const short previous = m_runState;
    QPushButton* startStop = m_cmdFSwitch[0];
    QPushButton* holdResume = m_cmdFSwitch[1];

    if (state == RunStopped) {
        m_runState = RunStopped;
        startStop->setText(QStringLiteral("&Start"));
        SetButtonColour(startStop, kGreen);
        holdResume->hide();
        for (int j : kShownOutputs)
            if (IsPresentOutput(j)) m_tlv->SendPower(static_cast<short>(j), 0);
        return;
    }

    if (state == RunHeld) {
        m_runState = RunHeld;
        startStop->setText(QStringLiteral("&Stop"));
        holdResume->setText(QStringLiteral("&Resume"));
        holdResume->show();
        // Every output of the cards, not only the shown ones, goes to zero while held.
        for (short j = 0; j < kOutputSlots; ++j)
            if (m_tlv->NumCards() == 0 || m_tlv->NumOutputValid(j)) m_tlv->SendPower(j, 0);
        return;
    }

    if (state != RunRunning) return;
    m_runState = RunRunning;
    startStop->setText(QStringLiteral("&Stop"));
    SetButtonColour(startStop, kRed);
    holdResume->setText(QStringLiteral("&Hold"));
    holdResume->show();

    const bool starting = previous == RunStopped;
    if (starting) {
        if (m_tables.Flags.LogEnabled != 0) {
            AppendLogLine(m_tables.Flags.LogFile, LogStartLine(QDate::currentDate()));
            AppendLogLine(m_tables.Flags.LogFile, LogHeaderLine());
        }
        for (short s = 0; s < kSensorSlots; ++s)
            m_tlv->ZeroSensor(s);
    }
    for (int j : kShownOutputs) {
        if (!IsPresentOutput(j)) continue;
        const auto out = static_cast<short>(j);
        switch (OutputMode(j)) {
        case ModeManual:
            m_tlv->SendPower(out, ManualPower(j));
            break;
        case ModeAuto:
            ApplyOutputSetup(j);
            break;
        default:
            m_tlv->SendPower(out, 0);
            continue;
        }
        if (starting) {
            m_tlv->ZeroThickness(out);
            FrameAt(j).txtThickRdg->setText(QStringLiteral("0.000"));
        }
    }
    if (starting) m_tlv->SendStartMeas();
}

// ---- zeroing ------------------------------------------------------------------------------

void frmMain::ZeroOutput(int j)
{
    m_tlv->ZeroThickness(static_cast<short>(j));
    FrameAt(j).txtThickRdg->setText(QStringLiteral("0.000"));
}

void frmMain::cmdZero_Click(int j)
{
    ZeroOutput(j);
}

// ---- modes and frames ---------------------------------------------------------------------

void frmMain::ChannelMode(int j, int mode)
{
    if (!IsShownOutput(j) || mode < ModeOff || mode > ModeAuto) return;
    m_tables.Output(j).Mode = static_cast<short>(mode);
    Frame& f = FrameAt(j);
    if (!f.optMode[static_cast<size_t>(mode)]->isChecked()) {
        const QSignalBlocker block(f.optMode[static_cast<size_t>(mode)]);
        f.optMode[static_cast<size_t>(mode)]->setChecked(true);
    }
    UpdateFrame(j);

    if (m_runState != RunRunning) return;
    const auto out = static_cast<short>(j);
    switch (mode) {
    case ModeOff:
        m_tlv->SendPower(out, 0);
        f.txtManPwr->setText(QStringLiteral("0.0"));
        f.txtPowerRdg->setText(QStringLiteral("0.0"));
        break;
    case ModeRecord:
        m_tlv->setPIDMode(out, false);
        m_tlv->SendPower(out, 0);
        break;
    case ModeManual:
        m_tlv->setPIDMode(out, false);
        m_tlv->SendPower(out, ManualPower(j));
        break;
    case ModeAuto:
        ApplyOutputSetup(j);
        break;
    default:
        break;
    }
}

void frmMain::UpdateFrame(int j)
{
    if (!IsShownOutput(j)) return;
    Frame& f = FrameAt(j);
    const OutputRecord& out = m_tables.Output(j);
    f.fraLoop->setTitle(out.Name.trimmed());
    const int mode = out.Mode;
    if (mode >= ModeOff && mode <= ModeAuto && !f.optMode[static_cast<size_t>(mode)]->isChecked()) {
        const QSignalBlocker block(f.optMode[static_cast<size_t>(mode)]);
        f.optMode[static_cast<size_t>(mode)]->setChecked(true);
    }

    const std::array<QWidget*, 9> all{f.txtManPwr,  f.txtThick,    f.txtRate,
                                      f.txtRateRdg, f.txtThickRdg, f.txtPowerRdg,
                                      f.lblRateRdg, f.lblThickRdg, f.lblPowerRdg};
    if (mode != ModeManual && mode != ModeAuto) {
        for (QWidget* w : all)
            w->hide();
        return;
    }

    f.lblPowerRdg->setText(QStringLiteral("Power"));
    const int analog = InputAnalog(out.Input);
    const int source = InputOutput(out.Input);
    if (analog >= 0 && analog < kAnalogInputs) {
        for (QWidget* w : {f.txtThickRdg, f.txtThick})
            w->hide();
        f.lblThickRdg->hide();
        for (QWidget* w : std::array<QWidget*, 6>{f.txtRateRdg, f.txtRate, f.lblRateRdg,
                                                  f.txtManPwr, f.txtPowerRdg, f.lblPowerRdg})
            w->show();
        f.lblRateRdg->setText(m_tables.Analog(analog).Units.trimmed());
    } else if (source >= 0) {
        const int shown = source < 4 ? source + 1 : source - 7;
        ShowMessage(this, QStringLiteral("PID control can't use output %1 as an input.").arg(shown),
                    QMessageBox::NoIcon);
    } else {
        for (QWidget* w : all)
            w->show();
        const bool cross = m_tables.Flags.XRate > 0 && out.XOut > -1 && out.XOut < kOutputSlots;
        f.lblRateRdg->setText(cross ? m_tables.Output(out.XOut).Name.trimmed()
                                    : QStringLiteral("Rate"));
    }

    const bool automatic = mode == ModeAuto;
    SetTextColour(f.txtRate, automatic ? Qt::black : kGrey);
    SetTextColour(f.txtManPwr, automatic ? kGrey : Qt::black);
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
               !m_validating && !m_closing) {
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
        this, QStringLiteral("Save current setup to %1 ?").arg(m_setupFile),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question,
        QStringLiteral("Quitting"));
    if (answer == QMessageBox::Cancel) {
        event->ignore();
        return;
    }
    // A setup that could not be written (read-only file) is not thrown away by closing.
    if (answer == QMessageBox::Yes && !IniWrite(m_setupFile)) {
        event->ignore();
        return;
    }
    m_closing = true;
    SaveWindowState();
    event->accept();
}

QString frmMain::SetupFileName() const
{
    return m_setupFile;
}

void frmMain::SetSetupFileName(const QString& name)
{
    m_setupFile = name;
    tlv::SetSetupFile(this, name);
}

void frmMain::SaveWindowState()
{
    SaveFormPosition(this);
    SaveChartVisibility(*this);
    ProgramSettings()->setValue(QStringLiteral("frmReadings/Form Visible"),
                                ReadingsViewVisible() ? QStringLiteral("True")
                                                      : QStringLiteral("False"));
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible()) w->close();
}

} // namespace coflux
