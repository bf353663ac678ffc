#include "DepositionAlarms.h"

#include "Deposition.h"

#include "instrument/OutputSlots.h"

#include <cmath>

namespace coflux {

DepositionAlarms::DepositionAlarms(Deposition& process)
    : QObject(&process), m_process(process),
      m_alarms(QStringLiteral("coflux"), [&process] { return process.Instrument().Clock().now(); }),
      m_model(m_alarms.model()), m_events(m_model), m_outputs(m_model, tlv880::kNumberedOutputs)
{
    connect(&m_alarms, &tlv::ProgramAlarms::logFailed, this, &DepositionAlarms::logFailed);
    FollowDataLog();
    connect(&process, &Deposition::setupLoaded, this, &DepositionAlarms::FollowDataLog);
    connect(&process, &Deposition::cardChanged, this, &DepositionAlarms::FollowDataLog);

    connect(&process, &Deposition::readingTaken, this,
            [this](const ReadingArrays& readings, double) { OnReading(readings); });
    connect(&process, &Deposition::runStateChanged, this, &DepositionAlarms::OnRunState);
    connect(&process, &Deposition::sensorEvent, this,
            [this](int code, const QString& message, int sensor) {
                m_events.sensorEvent(code, message, sensor);
            });
    connect(&process, &Deposition::outputEvent, this,
            [this](int code, const QString& message, int j) {
                m_events.outputEvent(code, message, OutputSource(j));
            });
    connect(&process, &Deposition::backupTookOver, this,
            [this](int j, int, const QString& message) {
                m_model.raise(tlv::condition::kBackup, OutputSource(j), message,
                              tlv::AlarmSeverity::Warning);
            });
}

tlv::AlarmSource DepositionAlarms::OutputSource(int j)
{
    const int number = tlv880::OutputNumberOfSlot(j);
    return tlv::AlarmSource::output(number - 1, QStringLiteral("Output %1").arg(number));
}

void DepositionAlarms::FollowDataLog()
{
    // The data log's name is used as it stands (relative to the working folder).
    m_alarms.setLogBeside(m_process.Tables().Flags.LogFile);
}

void DepositionAlarms::OnReading(const ReadingArrays& readings)
{
    const ProcessTables& tables = m_process.Tables();
    m_outputs.setTolerance(tables.Flags.RateTolerance);
    const double now = double(m_process.Instrument().Clock().now().toMSecsSinceEpoch()) / 1000.0;
    for (const int j : m_process.PresentOutputs()) {
        tlv::OutputAlarmSample sample;
        sample.setpoint = m_process.CrystalRateSetpoint(j);
        sample.rateControl = m_process.RunState() == RunRunning && !std::isnan(sample.setpoint);
        sample.rate = readings.OutRate[size_t(j)];
        sample.power = readings.OutPower[size_t(j)];
        sample.maxPower = tables.Output(j).MaxPwr;
        m_outputs.update(OutputSource(j), sample, now);
    }
    // The instrument tells a crystal that reads again only once every rule of the sensor is
    // clear; its status word tells at once.
    cTLV880a& tlv = m_process.Instrument();
    for (const int s : m_process.PresentSensors())
        m_events.sensorStatus(s, tlv.SensorStatusWord(short(s)));
}

void DepositionAlarms::OnRunState(short state, short previous)
{
    if (state == RunStopped) m_outputs.stopAll();
    // A start measures afresh: the instrument cleared every rule, a backup gives way again.
    if (state == RunRunning && previous == RunStopped) {
        m_events.measurementStarted();
        m_model.clearAll(tlv::condition::kBackup);
    }
}

void DepositionAlarms::RecipeStarted()
{
    m_model.clearAll(tlv::condition::kShutter);
    RecipeEnded();
}

void DepositionAlarms::ShutterTimedOut(const QString& message)
{
    m_model.raise(tlv::condition::kShutter, {}, message);
}

void DepositionAlarms::CrystalTooShort(const QString& message, int layer)
{
    m_shortLayer = layer;
    m_model.raise(tlv::condition::kLife, {}, message, tlv::AlarmSeverity::Warning);
}

void DepositionAlarms::RecipePhase(int layer)
{
    if (m_shortLayer >= 0 && layer != m_shortLayer) RecipeEnded();
}

void DepositionAlarms::RecipeEnded()
{
    m_shortLayer = -1;
    m_model.clearAll(tlv::condition::kLife);
}

} // namespace coflux
