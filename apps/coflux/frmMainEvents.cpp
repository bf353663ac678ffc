// The live process logic: each reading updates the displays, drives the recorder outputs and
// the cross-rate function, assembles the log line and stops the deposition when a thickness or
// voltage setpoint is reached. Also the configuration of one output on the card.

#include "frmMain.h"

#include "CofluxProgram.h"
#include "DataLog.h"

#include "Recorder.h"
#include "common/NumberFormat.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>

namespace coflux {

void frmMain::ApplyOutputSetup(int j)
{
    if (!IsShownOutput(j)) return;
    OutputRecord& out = m_tables.Output(j);
    if (InputOutput(out.Input) >= 0 || out.Input == 0) return;
    const auto slot = static_cast<short>(j);

    const int analog = InputAnalog(out.Input);
    if (analog >= 0 && analog < kAnalogInputs) {
        const auto a = static_cast<short>(analog);
        m_tlv->setAnalogLoop(a, j);
        if (m_tlv->AnalogLoop(a) != j) out.Input = WithAnalog(out.Input, -1);
    } else {
        for (short s = 0; s < kSensorSlots; ++s) {
            if (InputHasSensor(out.Input, s)) {
                m_tlv->setSensorLoop(s, j);
                // A sensor the card did not take leaves the output, so the table shows what the
                // card actually measures for this loop.
                if (m_tlv->SensorLoop(s) != j) out.Input = WithSensor(out.Input, s, false);
            } else if (m_tlv->SensorLoop(s) == j) {
                m_tlv->setSensorLoop(s, -1);
            }
        }
    }

    if (m_tlv->NumOutputValid(slot) || m_tlv->OpMode() == 1) {
        m_tlv->SendFullScale(slot, out.FullScale, out.MaxPwr, out.SlewRate);
        if (out.Mode == ModeAuto && m_runState == RunRunning)
            m_tlv->SendLoop(out.Rate, out.PTerm, out.ITerm, out.DTerm, slot);
    }
}

// A trip stops the deposition first (all outputs to power 0), lets pending events run, then
// tells the operator why.
void frmMain::Trip(const QString& message)
{
    SetRunState(RunStopped);
    QCoreApplication::processEvents();
    ShowMessage(this, message, QMessageBox::Warning);
}

void frmMain::TLVReading(const SensorArray& sensors, const OutputArray& outputs, double time)
{
    m_lblSim->setVisible(m_tlv->OpMode() != 0);
    m_logLine = LogTimeText(time);

    for (int s = 0; s < kSensorSlots; ++s) {
        const auto i = static_cast<size_t>(s);
        m_readings.SenRate[i] = sensors[i][0];
        m_readings.SenThick[i] = sensors[i][1] / 1000;
        m_readings.SenFreq[i] = sensors[i][2];
        if (s < kConfiguredSensors && m_runState != RunStopped) {
            const SensorRecord& sensor = m_tables.Sensor(s);
            if (sensor.Monitor != 0 && m_readings.SenThick[i] >= sensor.ThickSP)
                Trip(QStringLiteral("Deposition halted.\r\nThickness setpoint reached on input "
                                    "monitor Sensor %1.")
                         .arg(s + 1));
        }
    }

    const bool logging = m_tables.Flags.LogEnabled != 0;
    for (int j = 0; j < kOutputSlots; ++j) {
        const auto i = static_cast<size_t>(j);
        m_readings.OutRate[i] = outputs[i][0];
        m_readings.OutThick[i] = outputs[i][1] / 1000;
        m_readings.OutPower[i] = outputs[i][2];
        if (!IsPresentOutput(j)) continue;

        Frame& f = FrameAt(j);
        const OutputRecord& out = m_tables.Output(j);
        const auto slot = static_cast<short>(j);
        const QString power = tlv::Format(m_readings.OutPower[i], QStringLiteral("##0.0"));
        f.txtPowerRdg->setText(power);
        if (InputAnalog(out.Input) >= 0) continue; // the analog event serves this output

        if (out.Mode == ModeRecord) m_tlv->SendPower(slot, ClampRecorderPower(RecorderValue(j)));

        if (m_tables.Flags.XRate > 0 && out.Mode == ModeAuto && out.XOut >= 0 &&
            out.XOut < kOutputSlots && m_tlv->NumOutputValid(out.XOut))
            m_tlv->setRate(slot, out.Rate * m_readings.OutRate[static_cast<size_t>(out.XOut)]);

        const QString thick = tlv::Format(m_readings.OutThick[i], QStringLiteral("##0.000"));
        const QString rate = tlv::Format(m_readings.OutRate[i], QStringLiteral("##0.00"));
        f.txtThickRdg->setText(thick);
        f.txtRateRdg->setText(rate);

        if (logging && m_runState == RunRunning && out.Mode != ModeOff)
            m_logLine += LogSensorGroup(out.Name, thick, rate, power);

        if (m_runState != RunStopped && out.Mode != ModeOff && m_readings.OutThick[i] >= out.Thick)
            Trip(QStringLiteral("Deposition halted.\r\nThickness setpoint reached on %1.")
                     .arg(out.Name.trimmed()));
    }
}

void frmMain::TLVAnalog(const AnalogArray& analog, double /*time*/)
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
        Frame& f = FrameAt(j);
        const auto slot = static_cast<short>(j);
        if (out.Mode == ModeRecord) m_tlv->SendPower(slot, ClampRecorderPower(RecorderValue(j)));
        const AnalogRecord& in = m_tables.Analog(a);
        const QString value = tlv::FormatRate(ScaleAnalog(in, analog[static_cast<size_t>(a)]));
        f.txtRateRdg->setText(value);
        const QString units = in.Units.trimmed();
        if (f.lblRateRdg->text() != units) f.lblRateRdg->setText(units);
        if (logging && m_runState == RunRunning && out.Mode != ModeOff)
            m_logLine += LogAnalogGroup(out.Name, value, f.txtPowerRdg->text());
    }

    for (int a = 0; a < kAnalogInputs; ++a) {
        const double volts = analog[static_cast<size_t>(a)];
        const AnalogRecord& in = m_tables.Analog(a);
        if (m_runState != RunStopped && in.Monitor != 0 && volts >= in.AnalogSP)
            Trip(QStringLiteral("Deposition halted.\r\nVoltage setpoint reached on input monitor "
                                "Analog %1.")
                     .arg(a + 1));
    }

    if (m_runState == RunRunning && logging) AppendLogLine(m_tables.Flags.LogFile, m_logLine);
}

void frmMain::TLVError(int number, const QString& message)
{
    if (m_tables.Flags.ShowErrors)
        ShowMessage(this, QStringLiteral("TLV880 Error: %1\r\n%2").arg(number).arg(message),
                    QMessageBox::Warning);
}

void frmMain::TLVSensorEvent(int code, const QString& message, int /*sensor*/)
{
    if (m_tables.Flags.ShowErrors)
        ShowMessage(this, QStringLiteral("Sensor Event: %1\r\n%2").arg(code).arg(message),
                    QMessageBox::Warning);
}

void frmMain::TLVOutputEvent(int code, const QString& message, int /*output*/)
{
    if (m_tables.Flags.ShowErrors)
        ShowMessage(this, QStringLiteral("Output Event: %1\r\n%2").arg(code).arg(message),
                    QMessageBox::Warning);
}

} // namespace coflux
