// Measuring: the run state, zeroing, the polling tick, the refresh and the log.
#include "MonitorCore.h"

#include "common/GenUtil.h"
#include "common/ProgramInfo.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace monitor {

namespace {

// The library keeps ten reading slots, so a backlog is never longer than that; the bound only
// guards against a library that keeps reporting a backlog.
constexpr int kMaxDrainCalls = 10;

} // namespace

double MaterialNumber(const QString& text)
{
    double value = 0.0;
    ParseNumber(text, value);
    return value;
}

MonitorCore::MonitorCore(cTLV880a& instrument, QObject* parent)
    : QObject(parent), m_tlv(instrument),
      m_alarms(QStringLiteral("tlvmonitor"), [this] { return m_tlv.Clock().now(); }),
      m_crystals(m_alarms.model(), kMaxSensors)
{
    m_alarms.setLogBeside(LogFilePath());
    m_tmrRun.setObjectName(QStringLiteral("tmrRun"));
    m_tmrRun.setTimerType(Qt::PreciseTimer);
    connect(&m_tmrRun, &QTimer::timeout, this, &MonitorCore::Poll);
}

MonitorCore::~MonitorCore()
{
    m_tmrRun.stop();
}

void MonitorCore::SendMaterials(int sensor)
{
    const auto s = static_cast<size_t>(sensor);
    m_tlv.SendMaterial(static_cast<short>(sensor), MaterialNumber(m_settings.densityText[s]),
                       MaterialNumber(m_settings.zFactorText[s]),
                       MaterialNumber(m_settings.toolingText[s]));
}

void MonitorCore::SetRunState(int state)
{
    if (state != 0 && state != 1) return;
    m_settings.runState = state;
    if (state == 0) {
        m_tmrRun.stop();
        // Nothing is read any more: no crystal failure stands.
        for (int s = 0; s < kMaxSensors; ++s)
            m_crystals.forget(s);
        emit runStateChanged(0);
        PublishState();
        return;
    }

    for (int s = 0; s < m_settings.sensorsShown; ++s)
        SendMaterials(s);
    m_tlv.SendStartMeas();
    ZeroAll();
    m_logBroken = false;
    m_alarms.setLogBeside(LogFilePath());
    if (m_settings.logEnabled) {
        AppendLog(LogDateLine(QDateTime::currentDateTime()));
        AppendLog(LogColumnLine(m_settings.display));
    }
    m_tmrRun.setInterval(static_cast<int>(std::lround(m_settings.period / 2.0 * 1000.0)));
    m_tmrRun.start();
    emit runStateChanged(1);
    PublishState();
}

void MonitorCore::ZeroAll()
{
    // Zeroing all discards the readings taken before it, pumping events while it does; a
    // tick in between would show one of those readings.
    m_zeroing = true;
    m_tlv.ZeroAll();
    m_zeroing = false;
}

void MonitorCore::ZeroSensor(int sensor)
{
    m_tlv.ZeroSensor(static_cast<short>(sensor));
}

void MonitorCore::Poll()
{
    if (m_zeroing) return;
    int count = 0;
    if (m_tlv.GetReadings(m_readings, m_outputReadings, count) != 0 || count < 1) return;
    // Older readings waiting in the library are read and dropped: only the newest is shown.
    for (int calls = 0; count > 1 && calls < kMaxDrainCalls; ++calls) {
        if (m_tlv.GetReadings(m_readings, m_outputReadings, count) != 0 || count < 1) return;
    }
    ShowReadings();
    PublishReadings();
    // The sensors the window shows are judged; the others are not read.
    const int shown = std::min(m_settings.sensorsShown, kMaxSensors);
    for (int s = 0; s < kMaxSensors; ++s) {
        if (s < shown)
            m_crystals.update(s, m_readings[size_t(s)][2]);
        else
            m_crystals.forget(s);
    }
}

void MonitorCore::ShowReadings()
{
    if (m_showing) return;
    m_showing = true;
    Refresh refresh;
    refresh.at = QTime::currentTime();
    const CrystalSpan span{m_settings.initFreq, m_settings.minFreq};
    const int shown = std::min(m_settings.sensorsShown, kMaxSensors);
    refresh.cells.reserve(static_cast<size_t>(shown));
    for (int s = 0; s < shown; ++s) {
        const auto i = static_cast<size_t>(s);
        const SensorReading reading{m_readings[i][0], m_readings[i][1], m_readings[i][2]};
        refresh.cells.push_back(FormatSensorCells(m_settings.display, reading,
                                                  MaterialNumber(m_settings.densityText[i]), span));
        if (m_settings.logEnabled) AppendLog(LogSensorLine(refresh.at, s + 1, refresh.cells[i]));
    }
    emit refreshed(refresh);
    m_showing = false;
}

QString MonitorCore::LogFilePath() const
{
    const QString& name = m_settings.logFile;
    if (QFileInfo(name).isAbsolute()) return name;
    return QDir(tlv::ProgramFolder()).filePath(name);
}

void MonitorCore::AppendLog(const QString& line)
{
    // After a failed append (reported once) the rest of the run is not logged, rather than
    // raising one message per sensor at every refresh.
    if (m_logBroken) return;
    if (!AppendToTextFile(LogFilePath(), line)) m_logBroken = true;
}

} // namespace monitor
