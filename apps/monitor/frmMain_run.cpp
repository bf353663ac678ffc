// Measuring as the window shows it: Start/Stop and Zero forwarded to the core, and the core's
// reports (run state, refreshed readings, notices) shown.
#include "frmMain.h"

#include "MonitorChart.h"

#include "common/DialogService.h"
#include "common/SetupFileDialog.h"
#include "instrument/CrystalForecastText.h"

#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>

namespace monitor {

namespace {

void SetButtonColour(QPushButton* button, const QColor& colour)
{
    QPalette pal = button->palette();
    pal.setColor(QPalette::Button, colour);
    button->setPalette(pal);
    button->setStyleSheet(QStringLiteral("background-color: %1;").arg(colour.name()));
}

} // namespace

void frmMain::ConnectCore()
{
    connect(m_core, &MonitorCore::runStateChanged, this, &frmMain::ShowRunState);
    connect(m_core, &MonitorCore::refreshed, this, &frmMain::ShowRefresh);
    connect(m_core, &MonitorCore::notice, this, &frmMain::ShowNotice);
    connect(m_core, &MonitorCore::statusNotice, this,
            [this](const QString& text) { m_statusLine->showMessage(text); });
    connect(m_core, &MonitorCore::setupFileChanged, this,
            [this](const QString& name) { setWindowTitle(tlv::SetupFileCaption(name)); });
}

void frmMain::ShowRunState(int state)
{
    if (state == 0) {
        m_cmdStart->setText(QStringLiteral("&Start"));
        SetButtonColour(m_cmdStart, QColor(0, 255, 0));
    } else {
        m_cmdStart->setText(QStringLiteral("&Stop"));
        SetButtonColour(m_cmdStart, QColor(255, 0, 0));
    }
}

void frmMain::ShowNotice(const QString& text, NoticeKind kind)
{
    tlv::DialogService::message(this, text, QMessageBox::Ok,
                                kind == NoticeKind::Warning ? QMessageBox::Warning
                                                            : QMessageBox::Information,
                                QString::fromLatin1(kProgramTitle));
}

void frmMain::cmdFSwitch_Click(int index)
{
    if (index == 0) {
        m_core->SetRunState(m_core->RunState() != 0 ? 0 : 1);
    } else if (index == 2) {
        const int selected = m_cboZeroSensor->currentIndex();
        if (selected <= 0)
            m_core->ZeroAll();
        else
            m_core->ZeroSensor(selected - 1);
    }
}

void frmMain::tmrRun_Timer()
{
    m_core->Poll();
}

void frmMain::ShowRefresh(const Refresh& refresh)
{
    if (m_headsShown != Settings().display)
        FillGridHeads(); // a display mode chosen in the setup form shows from this refresh on
    // Only rows that exist are addressed.
    const int rows = std::min(static_cast<int>(refresh.cells.size()), m_grdReading->rowCount() - 1);
    for (int s = 0; s < rows; ++s) {
        const SensorCells& cells = refresh.cells[static_cast<size_t>(s)];
        const QString texts[4] = {cells.rate, cells.thickness, cells.frequency, cells.life};
        for (int c = 0; c < 4; ++c)
            m_grdReading->item(s + 1, c + 1)->setText(texts[c]);
        const auto& reading = m_core->LatestReadings()[static_cast<size_t>(s)];
        m_grdReading->item(s + 1, kLifeLeftColumn)
            ->setText(tlv::LifeLeftText(
                Instrument().SensorForecast(static_cast<short>(s), reading[2], reading[0])));
    }
    RecordChart(*this, m_core->LatestReadings(), rows, refresh.at);
    // Without a card (or in simulate mode) the library simulates the crystals.
    m_lblSim->setVisible(Instrument().NumCards() == 0 || Instrument().OpMode() != 0);
}

} // namespace monitor
