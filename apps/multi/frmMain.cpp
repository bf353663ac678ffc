// Start-up, card detection, the settings file and closing of the main window.

#include "frmMain.h"

#include "FormHelpers.h"
#include "frmSensorMap.h"

#include "common/DialogService.h"
#include "common/NumberFormat.h"
#include "common/alarms/AlarmPanel.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace multi {

frmMain::frmMain(QWidget* parent) : frmMain(std::make_unique<cTLV880a>(), parent) {}

frmMain::frmMain(std::unique_ptr<cTLV880a> instrument, QWidget* parent)
    : QMainWindow(parent), m_console(std::make_unique<CardConsole>(std::move(instrument)))
{
    BuildControls();
    m_statusLine = tlv::InstallStatusLine(this);
    ConnectControls();
    connect(m_console.get(), &CardConsole::entryRefused, this, &frmMain::ShowWarning);
    connect(m_console.get(), &CardConsole::notice, this, &frmMain::ShowWarning);
    connect(m_console.get(), &CardConsole::statusNotice, this,
            [this](const QString& text) { m_statusLine->showMessage(text); });
    // The status line counts a message's age on the instrument's clock; an Init's error leaves it
    // once an Init succeeds. The console's alarms are listed in the panel at the bottom.
    m_statusLine->setClock([this] { return TLV880().Clock().now(); });
    connect(m_console.get(), &CardConsole::initSucceeded, m_statusLine,
            [this] { m_statusLine->clearCause(QStringLiteral("init")); });
    tlv::AlarmModel& alarms = m_console->Alarms().model();
    m_alarmPanel = tlv::InstallAlarmPanel(this, alarms);
    // The window has no menu to bring a closed panel back: it stays.
    m_alarmPanel->setFeatures(m_alarmPanel->features() & ~QDockWidget::DockWidgetClosable);
    tlv::ShowAlarmsOnStatusLine(*m_statusLine, alarms);
    connect(&m_console->Alarms(), &tlv::ProgramAlarms::logFailed, m_statusLine,
            [this](const QString& text) { m_statusLine->showMessage(text); });
    FormLoad();
}

frmMain::~frmMain()
{
    if (m_sensorMap) delete m_sensorMap.data();
}

void frmMain::ShowWarning(const QString& text)
{
    tlv::DialogService::message(this, text, QMessageBox::Ok, QMessageBox::Warning, windowTitle());
}

void frmMain::FormLoad()
{
    // Events raised while the instrument was being built reached no handler; from here on the
    // window hears them.
    connect(&TLV880(), &cTLV880a::TLVReading, this, &frmMain::TLV880_TLVReading);
    connect(&TLV880(), &cTLV880a::TLVError, this, &frmMain::TLV880_TLVError);
    if (const short result = TLV880().Revision(0); result != 0)
        m_statusLine->showError(result, cTLV880a::StartupMessage(result));

    IniRead(QString::fromLatin1(kIniFileName));
    m_console->StartPowerPanels(PowerPanelShown());

    lstCard[0]->setCurrentIndex(1);
    lstCard[1]->setCurrentIndex(1);
    lstSensor->setCurrentIndex(1);
    lstOutputs->setCurrentIndex(1);

    CardDetection();
}

void frmMain::CardDetection()
{
    const std::array<int, kMaxCards> revisions = m_console->DetectCards();
    for (int n = 1; n <= kMaxCards; ++n) {
        if (revisions[n - 1] > 0)
            fraCard[n - 1]->setTitle(
                QStringLiteral("Card %1: %2")
                    .arg(n)
                    .arg(tlv::Format(revisions[n - 1] / 100.0, QStringLiteral("0.00"))));
    }
    // Without any card only simulated readings exist.
    if (TLV880().Revision(1) == 0) {
        optSimulate[0]->setEnabled(false);
        optSimulate[1]->setChecked(true);
        optSimulate_Click(1);
    }
}

int frmMain::NumCards() const
{
    return m_console->NumCards();
}

void frmMain::IniRead(const QString& file)
{
    m_console->ReadSettings(file);
    const CardSettings& card = Setup().card;
    optSimulate[card.simulate]->setChecked(true);
    optSimulate_Click(card.simulate);
    txtInit[0]->setText(card.period);
    txtInit[1]->setText(card.fMax);
    txtInit[2]->setText(card.fMin);
    txtInit[3]->setText(card.fInit);
    txtInit[4]->setText(card.filter);
}

void frmMain::IniWrite(const QString& file)
{
    m_console->WriteSettings(file, CardPanel());
}

CardSettings frmMain::CardPanel() const
{
    CardSettings panel;
    panel.simulate = optSimulate[0]->isChecked() ? 0 : 1;
    panel.period = txtInit[0]->text();
    panel.fMax = txtInit[1]->text();
    panel.fMin = txtInit[2]->text();
    panel.fInit = txtInit[3]->text();
    panel.filter = txtInit[4]->text();
    return panel;
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (m_sensorMap) m_sensorMap->close();
    IniWrite(QString::fromLatin1(kIniFileName));
    event->accept();
}

} // namespace multi
