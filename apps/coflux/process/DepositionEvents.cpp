// The live process: each reading drives the recorder outputs and the cross-rate function,
// assembles the log line and stops the deposition when a thickness or voltage setpoint is
// reached. Also the configuration of one output on the card.

#include "Deposition.h"

#include "DataLog.h"
#include "Recorder.h"
#include "TuningRun.h"

#include "common/NumberFormat.h"

namespace coflux {

void Deposition::ApplyOutputSetup(int j)
{
    if (!IsShownOutput(j)) return;
    OutputRecord& out = m_tables.Output(j);
    const auto slot = static_cast<short>(j);
    // An output fed by nothing, or by another output (a recorder), maps no input and runs no
    // loop; its full scale is still sent, since the card refuses every power above its maximum
    // power, which is 0 until a full scale is taken: without it Manual and Record would
    // silently drive nothing.
    if (InputOutput(out.Input) >= 0 || out.Input == 0) {
        if (m_tlv.NumOutputValid(slot) || m_tlv.OpMode() == 1)
            m_tlv.SendFullScale(slot, out.FullScale, out.MaxPwr, out.SlewRate);
        return;
    }

    const int analog = InputAnalog(out.Input);
    if (analog >= 0 && analog < kAnalogInputs) {
        const auto a = static_cast<short>(analog);
        m_tlv.setAnalogLoop(a, j);
        if (m_tlv.AnalogLoop(a) != j) out.Input = WithAnalog(out.Input, -1);
    } else {
        // After a take-over the backup measures the loop in place of the failed sensors.
        const int bits = SensorBits(j);
        for (short s = 0; s < kSensorSlots; ++s) {
            if (InputHasSensor(bits, s)) {
                m_tlv.setSensorLoop(s, j);
                // A sensor the card did not take leaves the output, so the table shows what the
                // card actually measures for this loop.
                if (m_tlv.SensorLoop(s) != j) out.Input = WithSensor(out.Input, s, false);
            } else if (m_tlv.SensorLoop(s) == j) {
                m_tlv.setSensorLoop(s, -1);
            }
        }
    }

    if (m_tlv.NumOutputValid(slot) || m_tlv.OpMode() == 1) {
        m_tlv.SendFullScale(slot, out.FullScale, out.MaxPwr, out.SlewRate);
        if (out.Mode == ModeAuto && m_runState == RunRunning)
            m_tlv.SendLoop(out.Rate, out.PTerm, out.ITerm, out.DTerm, slot);
    }
}

// A trip stops the deposition at once (all outputs to power 0) and tells why once the handler
// has returned to the event loop: readings that arrive meanwhile see the run state 0.
void Deposition::Trip(StopReason reason, const QString& message)
{
    m_stopReason = reason;
    m_stopMessage = message;
    SetRunState(RunStopped);
    SetStatus(message, QStringLiteral("halt")); // until the next run starts
    QMetaObject::invokeMethod(
        this, [this, message] { emit tripped(message); }, Qt::QueuedConnection);
}

void Deposition::RecordReading(const SensorArray& sensors, const OutputArray& outputs)
{
    for (int s = 0; s < kSensorSlots; ++s) {
        const auto i = static_cast<size_t>(s);
        m_readings.SenRate[i] = sensors[i][0];
        m_readings.SenThick[i] = sensors[i][1] / 1000;
        m_readings.SenFreq[i] = sensors[i][2];
        m_readings.SenForecast[i] =
            m_tlv.SensorForecast(static_cast<short>(s), sensors[i][2], sensors[i][0]);
    }
    for (int j = 0; j < kOutputSlots; ++j) {
        const auto i = static_cast<size_t>(j);
        m_readings.OutRate[i] = outputs[i][0];
        m_readings.OutThick[i] = outputs[i][1] / 1000;
        m_readings.OutPower[i] = outputs[i][2];
    }
}

void Deposition::TLVReading(const SensorArray& sensors, const OutputArray& outputs, double time)
{
    m_readingTime = time;
    m_logLine = LogTimeText(time);
    RecordReading(sensors, outputs);
    m_backups.CarryThickness(m_readings);
    if (m_runState != RunStopped) TakeOverFailedOutputs();
    m_backups.RememberGood(m_readings, m_tables);

    for (int s = 0; s < kConfiguredSensors; ++s) {
        const SensorRecord& sensor = m_tables.Sensor(s);
        if (m_runState != RunStopped && sensor.Monitor != 0 &&
            m_readings.SenThick[static_cast<size_t>(s)] >= sensor.ThickSP)
            Trip(StopReason::Trip,
                 QStringLiteral("Deposition halted.\r\nThickness setpoint reached on input "
                                "monitor Sensor %1.")
                     .arg(s + 1));
    }

    for (int j : kShownOutputs)
        if (IsPresentOutput(j)) DriveOutputOnReading(j);
    FollowDeviations(time);
    m_tuning->Reading(time);
    emit readingTaken(m_readings, time);
}

// Only an output whose loop runs on its own sensors has a rate setpoint in Å/s to stray from;
// its setpoint in force is the loop's (a recipe's ramp, cross-rate), as the card has it.
void Deposition::FollowDeviations(double time)
{
    for (int j : kShownOutputs) {
        const OutputRecord& out = m_tables.Output(j);
        const bool controlled = m_runState == RunRunning && IsPresentOutput(j) &&
                                out.Mode == ModeAuto && InputAnalog(out.Input) < 0 &&
                                InputOutput(out.Input) < 0;
        const double setpoint = controlled ? m_tlv.Rate(static_cast<short>(j)) : 0.0;
        m_deviations.Update(j, controlled, setpoint, m_readings.OutRate[static_cast<size_t>(j)],
                            time);
    }
}

void Deposition::DriveOutputOnReading(int j)
{
    const auto i = static_cast<size_t>(j);
    const OutputRecord& out = m_tables.Output(j);
    if (InputAnalog(out.Input) >= 0) return; // the analog event serves this output
    const auto slot = static_cast<short>(j);

    if (out.Mode == ModeRecord) m_tlv.SendPower(slot, ClampRecorderPower(RecorderValue(j)));

    if (m_tables.Flags.XRate > 0 && out.Mode == ModeAuto && out.XOut >= 0 &&
        out.XOut < kOutputSlots && m_tlv.NumOutputValid(out.XOut))
        m_tlv.setRate(slot, out.Rate * m_readings.OutRate[static_cast<size_t>(out.XOut)]);

    if (m_tables.Flags.LogEnabled != 0 && m_runState == RunRunning && out.Mode != ModeOff)
        m_logLine +=
            LogSensorGroup(out.Name, tlv::Format(m_readings.OutThick[i], QStringLiteral("##0.000")),
                           tlv::Format(m_readings.OutRate[i], QStringLiteral("##0.00")),
                           tlv::Format(m_readings.OutPower[i], QStringLiteral("##0.0")));

    if (m_runState != RunStopped && out.Mode != ModeOff && m_readings.OutThick[i] >= out.Thick)
        Trip(StopReason::Setpoint,
             QStringLiteral("Deposition halted.\r\nThickness setpoint reached on %1.")
                 .arg(out.Name.trimmed()));
}

void Deposition::TLVAnalog(const AnalogArray& analog, double time)
{
    // The volts are stored first so that a recorder fed by an analog input follows this reading,
    // not the one before it.
    for (int a = 0; a < kAnalogInputs; ++a)
        m_readings.AnVolts[static_cast<size_t>(a)] = analog[static_cast<size_t>(a)];

    const bool logging = m_tables.Flags.LogEnabled != 0;
    for (int j : kShownOutputs) {
        const OutputRecord& out = m_tables.Output(j);
        const int a = InputAnalog(out.Input);
        if (!IsPresentOutput(j) || a < 0 || a >= kAnalogInputs) continue;
        if (out.Mode == ModeRecord)
            m_tlv.SendPower(static_cast<short>(j), ClampRecorderPower(RecorderValue(j)));
        if (logging && m_runState == RunRunning && out.Mode != ModeOff)
            m_logLine += LogAnalogGroup(
                out.Name,
                tlv::FormatRate(ScaleAnalog(m_tables.Analog(a), analog[static_cast<size_t>(a)])),
                tlv::Format(m_readings.OutPower[static_cast<size_t>(j)], QStringLiteral("##0.0")));
    }

    for (int a = 0; a < kAnalogInputs; ++a) {
        const AnalogRecord& in = m_tables.Analog(a);
        if (m_runState != RunStopped && in.Monitor != 0 &&
            analog[static_cast<size_t>(a)] >= in.AnalogSP)
            Trip(StopReason::Trip,
                 QStringLiteral("Deposition halted.\r\nVoltage setpoint reached on input monitor "
                                "Analog %1.")
                     .arg(a + 1));
    }

    if (m_runState == RunRunning && logging) WriteLogLine(m_logLine);
    emit analogTaken(m_readings, time);
}

// Class errors and health events are passed on from a queued call: a view may answer them with
// a message box, which must not open inside the instrument's poll.
void Deposition::TLVError(int number, const QString& message)
{
    if (m_loading) m_loading->classErrors.append({number, message});
    SetStatus(QStringLiteral("TLV880 Error: %1: %2").arg(number).arg(message));
    QMetaObject::invokeMethod(
        this, [this, number, message] { emit classError(number, message); }, Qt::QueuedConnection);
}

void Deposition::TLVSensorEvent(int code, const QString& message, int sensor)
{
    QMetaObject::invokeMethod(
        this, [this, code, message, sensor] { emit sensorEvent(code, message, sensor); },
        Qt::QueuedConnection);
}

void Deposition::TLVOutputEvent(int code, const QString& message, int output)
{
    QMetaObject::invokeMethod(
        this, [this, code, message, output] { emit outputEvent(code, message, output); },
        Qt::QueuedConnection);
}

} // namespace coflux
