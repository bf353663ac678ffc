// Measuring: Start/Stop and Zero, the polling tick, the grid refresh and the log.
#include "frmMain.h"

#include "MonitorChart.h"

#include "common/GenUtil.h"
#include "common/ProgramInfo.h"
#include "instrument/CrystalForecastText.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace monitor {

namespace {

// The library keeps ten reading slots, so a backlog is never longer than that; the bound only
// guards against a library that keeps reporting a backlog.
constexpr int kMaxDrainCalls = 10;

void SetButtonColour(QPushButton* button, const QColor& colour)
{
    QPalette pal = button->palette();
    pal.setColor(QPalette::Button, colour);
    button->setPalette(pal);
    button->setStyleSheet(QStringLiteral("background-color: %1;").arg(colour.name()));
}

} // namespace

void frmMain::SetRunState(int state)
{
    if (state != 0 && state != 1) return;
    m_settings.runState = state;
    if (state == 0) {
        m_cmdStart->setText(QStringLiteral("&Start"));
        SetButtonColour(m_cmdStart, QColor(0, 255, 0));
        m_tmrRun.stop();
        PublishState();
        return;
    }

    m_cmdStart->setText(QStringLiteral("&Stop"));
    SetButtonColour(m_cmdStart, QColor(255, 0, 0));
    for (int s = 0; s < m_settings.sensorsShown; ++s)
        m_tlv->SendMaterial(static_cast<short>(s), BoxNumber(m_txtDensity[s]),
                            BoxNumber(m_txtZFactor[s]), BoxNumber(m_txtTooling[s]));
    m_tlv->SendStartMeas();
    ZeroAllSensors();
    m_logBroken = false;
    if (m_settings.logEnabled) {
        AppendLog(LogDateLine(QDateTime::currentDateTime()));
        AppendLog(LogColumnLine(m_settings.display));
    }
    m_tmrRun.setInterval(static_cast<int>(std::lround(m_settings.period / 2.0 * 1000.0)));
    m_tmrRun.start();
    PublishState();
}

void frmMain::cmdFSwitch_Click(int index)
{
    if (index == 0) {
        SetRunState(m_settings.runState != 0 ? 0 : 1);
    } else if (index == 2) {
        const int selected = m_cboZeroSensor->currentIndex();
        if (selected <= 0) {
            ZeroAllSensors();
        } else {
            m_tlv->ZeroSensor(static_cast<short>(selected - 1));
        }
    }
}

void frmMain::ZeroAllSensors()
{
    // Zeroing all discards the readings taken before it, pumping events while it does; a
    // tick in between would show one of those readings.
    m_zeroing = true;
    m_tlv->ZeroAll();
    m_zeroing = false;
}

void frmMain::tmrRun_Timer()
{
    if (m_zeroing) return;
    int count = 0;
    if (m_tlv->GetReadings(m_readings, m_outputReadings, count) != 0 || count < 1) return;
    // Older readings waiting in the library are read and dropped: only the newest is shown.
    for (int calls = 0; count > 1 && calls < kMaxDrainCalls; ++calls) {
        if (m_tlv->GetReadings(m_readings, m_outputReadings, count) != 0 || count < 1) return;
    }
    ShowReadings();
    PublishReadings();
}

void frmMain::ShowReadings()
{
    if (m_showing) return;
    m_showing = true;
    if (m_headsShown != m_settings.display)
        FillGridHeads(); // a display mode chosen in the setup form shows from this refresh on

    const CrystalSpan span{m_settings.initFreq, m_settings.minFreq};
    const QTime now = QTime::currentTime();
    const int rows = std::min(m_settings.sensorsShown, m_grdReading->rowCount() - 1);
    for (int s = 0; s < rows; ++s) {
        const SensorReading reading{m_readings[s][0], m_readings[s][1], m_readings[s][2]};
        const SensorCells cells =
            FormatSensorCells(m_settings.display, reading, BoxNumber(m_txtDensity[s]), span);
        const QString texts[4] = {cells.rate, cells.thickness, cells.frequency, cells.life};
        for (int c = 0; c < 4; ++c)
            m_grdReading->item(s + 1, c + 1)->setText(texts[c]);
        m_grdReading->item(s + 1, 5)->setText(tlv::LifeLeftText(
            m_tlv->SensorForecast(static_cast<short>(s), reading.frequency, reading.rate)));
        if (m_settings.logEnabled) AppendLog(LogSensorLine(now, s + 1, cells));
    }
    RecordChart(*this, m_readings, rows, now);
    m_showing = false;
}

QString frmMain::LogFilePath() const
{
    const QString name = m_settings.logFile;
    if (QFileInfo(name).isAbsolute()) return name;
    return QDir(tlv::ProgramFolder()).filePath(name);
}

void frmMain::AppendLog(const QString& line)
{
    // After a failed append (reported once) the rest of the run is not logged, rather than
    // raising one message per sensor at every refresh.
    if (m_logBroken) return;
    if (!AppendToTextFile(LogFilePath(), line)) m_logBroken = true;
}

double frmMain::BoxNumber(const QLineEdit* box) const
{
    double value = 0.0;
    if (box) ParseNumber(box->text(), value);
    return value;
}

} // namespace monitor
