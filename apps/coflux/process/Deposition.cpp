// Deposition: construction, what the cards have, run states, zeroing, output modes and setpoints.

#include "Deposition.h"

#include "CrystalHistory.h"
#include "DepositionAlarms.h"
#include "Recorder.h"
#include "TuningRun.h"

#include "common/NumberFormat.h"
#include "common/ProgramInfo.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace coflux {

namespace {

QString Limit(double v)
{
    return QString::number(v);
}

// The number an output carries in captions and messages: slots 12 and 13 are outputs 5 and 6.
int ShownNumber(int j)
{
    return tlv880::OutputNumberOfSlot(j);
}

} // namespace

Deposition::Deposition(cTLV880a& instrument, QObject* parent)
    : QObject(parent), m_tlv(instrument), m_tuning(std::make_unique<TuningRun>(*this))
{
    qRegisterMetaType<coflux::ReadingArrays>();
    qRegisterMetaType<coflux::Setpoint>();
    qRegisterMetaType<coflux::NoticeLevel>();
    connect(&m_tlv, &cTLV880a::TLVReading, this, &Deposition::TLVReading);
    connect(&m_tlv, &cTLV880a::TLVAnalog, this, &Deposition::TLVAnalog);
    connect(&m_tlv, &cTLV880a::TLVError, this, &Deposition::TLVError);
    connect(&m_tlv, &cTLV880a::TLVSensorEvent, this, &Deposition::TLVSensorEvent);
    connect(&m_tlv, &cTLV880a::TLVOutputEvent, this, &Deposition::TLVOutputEvent);
    connect(this, &Deposition::thicknessZeroed, this, [this](int j) { m_backups.Zeroed(j); });
    m_history = new CrystalHistory(*this, tlv::ProgramFile(QStringLiteral("crystals.csv")), this);
    m_alarms = new DepositionAlarms(*this);
}

Deposition::~Deposition()
{
    // The instrument reports its own shutdown through events; none may reach a process that is
    // being destroyed.
    disconnect(&m_tlv, nullptr, this, nullptr);
}

// ---- what the cards have ----------------------------------------------------------------------

bool Deposition::IsPresentOutput(int j) const
{
    return IsShownOutput(j) &&
           (m_tlv.NumCards() == 0 || m_tlv.NumOutputValid(static_cast<short>(j)));
}

bool Deposition::IsPresentSensor(int s) const
{
    return s >= 0 && s < kSensorSlots &&
           (m_tlv.NumCards() == 0 || m_tlv.NumSensorValid(static_cast<short>(s)));
}

bool Deposition::IsPresentAnalog(int a) const
{
    return a >= 0 && a < kAnalogInputs &&
           (m_tlv.NumCards() == 0 || m_tlv.NumAnalogValid(static_cast<short>(a)));
}

QList<int> Deposition::PresentOutputs() const
{
    QList<int> outputs;
    for (int j : kShownOutputs)
        if (IsPresentOutput(j)) outputs << j;
    return outputs;
}

QList<int> Deposition::PresentSensors() const
{
    QList<int> sensors;
    for (int s = 0; s < kConfiguredSensors; ++s)
        if (IsPresentSensor(s)) sensors << s;
    return sensors;
}

bool Deposition::Simulating() const
{
    return m_tlv.OpMode() != 0;
}

int Deposition::StartupResult() const
{
    return m_tlv.Revision(0);
}

QString Deposition::StartupText() const
{
    return cTLV880a::StartupMessage(StartupResult());
}

// ---- output values ------------------------------------------------------------------------

int Deposition::Mode(int j) const
{
    return IsShownOutput(j) ? m_tables.Output(j).Mode : static_cast<int>(ModeOff);
}

double Deposition::RateSetpoint(int j) const
{
    if (!IsShownOutput(j)) return 0;
    const OutputRecord& out = m_tables.Output(j);
    const int analog = InputAnalog(out.Input);
    if (analog >= 0 && analog < kAnalogInputs)
        return ScaleAnalog(m_tables.Analog(analog), out.Rate);
    return out.Rate;
}

double Deposition::CrystalRateSetpoint(int j) const
{
    // Only a rate loop on crystals holds a setpoint in Å/s: an analog-fed output's is in its
    // input's units, and with cross-rate it is a ratio to another output's rate.
    if (!IsShownOutput(j)) return std::numeric_limits<double>::quiet_NaN();
    const OutputRecord& output = m_tables.Output(j);
    const bool crossRate = m_tables.Flags.XRate > 0 && output.XOut >= 0;
    if (Mode(j) != ModeAuto || InputAnalog(output.Input) >= 0 || crossRate)
        return std::numeric_limits<double>::quiet_NaN();
    return RateSetpoint(j);
}

double Deposition::ThicknessSetpoint(int j) const
{
    return IsShownOutput(j) ? m_tables.Output(j).Thick : 0;
}

double Deposition::ManualPower(int j) const
{
    return IsShownOutput(j) ? m_manualPower.at(static_cast<size_t>(j)) : 0;
}

double Deposition::RecorderValue(int j) const
{
    return coflux::RecorderValue(m_tables.Output(j), m_readings);
}

// ---- results ------------------------------------------------------------------------------

void Deposition::SetStatus(const QString& text, const QString& cause)
{
    m_lastStatus = text;
    m_lastStatusCause = cause;
    emit statusText(text);
}

CommandResult Deposition::Refuse(CommandResult::Status status, const QString& text)
{
    SetStatus(text);
    return CommandResult::refused(status, text);
}

CommandResult Deposition::CheckOutput(int j) const
{
    if (!IsShownOutput(j))
        return CommandResult::refused(CommandResult::Status::NotPresent,
                                      QStringLiteral("There is no output %1.").arg(j + 1));
    if (!IsPresentOutput(j))
        return CommandResult::refused(
            CommandResult::Status::NotPresent,
            QStringLiteral("Output %1 is not on the installed cards.").arg(ShownNumber(j)));
    return CommandResult::done();
}

// ---- run states ---------------------------------------------------------------------------

CommandResult Deposition::Start()
{
    if (m_runState == RunRunning)
        return Refuse(CommandResult::Status::RefusedByRunState,
                      QStringLiteral("The deposition is already running."));
    if (m_runState == RunHeld)
        return Refuse(CommandResult::Status::RefusedByRunState,
                      QStringLiteral("The deposition is held: resume or stop it."));
    SetRunState(RunRunning);
    return CommandResult::done();
}

CommandResult Deposition::Stop()
{
    return StopFor(StopReason::Operator);
}

CommandResult Deposition::StopFor(StopReason reason)
{
    if (m_runState == RunStopped)
        return Refuse(CommandResult::Status::RefusedByRunState,
                      QStringLiteral("The deposition is not running."));
    m_stopReason = reason;
    m_stopMessage.clear();
    SetRunState(RunStopped);
    return CommandResult::done();
}

CommandResult Deposition::Hold()
{
    return MoveRunState(RunRunning, RunHeld,
                        QStringLiteral("Only a running deposition can be held."));
}

CommandResult Deposition::Resume()
{
    return MoveRunState(RunHeld, RunRunning,
                        QStringLiteral("Only a held deposition can be resumed."));
}

CommandResult Deposition::MoveRunState(short from, short to, const QString& refusal)
{
    if (m_runState != from) return Refuse(CommandResult::Status::RefusedByRunState, refusal);
    SetRunState(to);
    return CommandResult::done();
}

CommandResult Deposition::PressStartStop()
{
    return m_runState == RunStopped ? Start() : Stop();
}

CommandResult Deposition::PressHoldResume()
{
    if (m_runState == RunRunning) return Hold();
    if (m_runState == RunHeld) return Resume();
    return CommandResult::refused(CommandResult::Status::RefusedByRunState,
                                  QStringLiteral("The deposition is not running."));
}

void Deposition::SetRunState(short state)
{
    const short previous = m_runState;
    if (state == RunStopped)
        EnterStopped();
    else if (state == RunHeld)
        EnterHeld();
    else if (state == RunRunning)
        EnterRunning(previous == RunStopped);
    else
        return;
    // A tuning run needs the source running: it ends here, saying why.
    if (m_runState != RunRunning && m_tuning->Running())
        m_tuning->DepositionEnded(!m_stopMessage.isEmpty() ? m_stopMessage
                                  : m_runState == RunHeld
                                      ? QStringLiteral("the deposition was held.")
                                      : QStringLiteral("the deposition was stopped."));
    if (m_runState != RunRunning) m_deviations.Clear(); // held or stopped: no rate to keep
    emit runStateChanged(m_runState, previous);
    if (state != RunStopped) return;
    const StopReason reason = std::exchange(m_stopReason, StopReason::Operator);
    const QString message = std::exchange(m_stopMessage, QString());
    if (previous != RunStopped) emit runStopped(reason, message);
}

void Deposition::EnterStopped()
{
    m_runState = RunStopped;
    for (int j : kShownOutputs)
        if (IsPresentOutput(j)) m_tlv.SendPower(static_cast<short>(j), 0);
}

void Deposition::EnterHeld()
{
    m_runState = RunHeld;
    // Every output of the cards, not only the shown ones, goes to zero while held.
    for (short j = 0; j < kOutputSlots; ++j)
        if (m_tlv.NumCards() == 0 || m_tlv.NumOutputValid(j)) m_tlv.SendPower(j, 0);
}

void Deposition::EnterRunning(bool starting)
{
    m_runState = RunRunning;
    if (starting) {
        StartLog();
        // A new run measures every output with its own sensors again (crystals may have been
        // changed); outputs taken over in the last run get their own sensors back below.
        const bool tookOver = std::any_of(kShownOutputs.begin(), kShownOutputs.end(),
                                          [this](int j) { return m_backups.TookOver(j); });
        m_backups.Reset();
        if (tookOver)
            for (int j : kShownOutputs)
                if (IsPresentOutput(j) && m_tables.Output(j).Mode != ModeAuto) ApplyOutputSetup(j);
        SendBackupTooling();
        for (short s = 0; s < kSensorSlots; ++s)
            m_tlv.ZeroSensor(s);
    }
    for (int j : kShownOutputs) {
        if (!IsPresentOutput(j)) continue;
        const auto out = static_cast<short>(j);
        switch (m_tables.Output(j).Mode) {
        case ModeManual:
            m_tlv.SendPower(out, ManualPower(j));
            break;
        case ModeAuto:
            ApplyOutputSetup(j);
            break;
        default:
            m_tlv.SendPower(out, 0);
            continue;
        }
        if (starting) {
            m_tlv.ZeroThickness(out);
            emit thicknessZeroed(j);
        }
    }
    if (starting) m_tlv.SendStartMeas();
    // A halt message tells why the last run stopped: a new run is no longer halted.
    if (starting && m_lastStatusCause == QLatin1String("halt")) {
        m_lastStatus.clear();
        m_lastStatusCause.clear();
        emit statusCleared(QStringLiteral("halt"));
    }
}

// ---- zeroing ------------------------------------------------------------------------------

CommandResult Deposition::ZeroOutput(int j)
{
    if (CommandResult check = CheckOutput(j); !check.ok()) return Refuse(check.status, check.text);
    // A zero the card refused is reported as such: the thickness shown is still the card's.
    if (m_tlv.ZeroThickness(static_cast<short>(j)) != 0)
        return CommandResult::refused(CommandResult::Status::Failed, m_lastStatus);
    emit thicknessZeroed(j);
    return CommandResult::done();
}

CommandResult Deposition::ZeroSensor(int s)
{
    if (s < 0 || s >= kSensorSlots)
        return Refuse(CommandResult::Status::OutOfRange,
                      QStringLiteral("Sensor must be between 1 and %1 !").arg(kSensorSlots));
    if (const int error = m_tlv.ZeroSensor(static_cast<short>(s)); error != 0)
        return CommandResult::refused(CommandResult::Status::Failed, m_lastStatus);
    return CommandResult::done();
}

void Deposition::ZeroAll()
{
    for (int j : kShownOutputs) {
        m_tlv.ZeroThickness(static_cast<short>(j));
        emit thicknessZeroed(j);
    }
    for (short s = 0; s < kSensorSlots; ++s)
        m_tlv.ZeroSensor(s);
}

// ---- output modes -------------------------------------------------------------------------

CommandResult Deposition::SetMode(int j, int mode)
{
    if (CommandResult check = CheckOutput(j); !check.ok()) return Refuse(check.status, check.text);
    if (mode < ModeOff || mode > ModeAuto)
        return Refuse(
            CommandResult::Status::OutOfRange,
            QStringLiteral("Mode must be between %1 and %2 !").arg(ModeOff).arg(ModeAuto));
    m_tables.Output(j).Mode = static_cast<short>(mode);
    emit modeChanged(j, mode);
    ApplyMode(j, mode);
    return CommandResult::done();
}

void Deposition::ApplyMode(int j, int mode)
{
    if (m_runState != RunRunning) return;
    const auto out = static_cast<short>(j);
    switch (mode) {
    case ModeOff:
        m_tlv.SendPower(out, 0);
        m_manualPower.at(static_cast<size_t>(j)) = 0;
        emit setpointChanged(j, Setpoint::ManualPower);
        break;
    case ModeRecord:
        m_tlv.setPIDMode(out, false);
        m_tlv.SendPower(out, 0);
        break;
    case ModeManual:
        m_tlv.setPIDMode(out, false);
        m_tlv.SendPower(out, ManualPower(j));
        break;
    case ModeAuto:
        ApplyOutputSetup(j);
        break;
    default:
        break;
    }
}

// ---- setpoints ----------------------------------------------------------------------------

CommandResult Deposition::SetRateSetpoint(int j, double value)
{
    if (CommandResult check = CheckOutput(j); !check.ok()) return Refuse(check.status, check.text);
    OutputRecord& out = m_tables.Output(j);
    const auto slot = static_cast<short>(j);
    const int analog = InputAnalog(out.Input);
    if (analog >= 0 && analog < kAnalogInputs) {
        // Entered in the input's display units; the loop works in volts.
        const AnalogRecord& in = m_tables.Analog(analog);
        const double volts = in.Gain == 0 ? 0 : (value - in.Offset) / in.Gain;
        if (!std::isfinite(value) || volts < -10 || volts > 10)
            return Refuse(CommandResult::Status::OutOfRange,
                          QStringLiteral("Rate value is not between -10 volts and +10 analog "
                                         "volts!"));
        out.Rate = volts;
        m_tlv.setRate(slot, volts);
    } else {
        const double min = cTLV880a::RateMin();
        const double max = cTLV880a::RateMax();
        if (!std::isfinite(value) || value < min || value > max)
            return Refuse(
                CommandResult::Status::OutOfRange,
                QStringLiteral("Rate must be between %1 and %2 !").arg(Limit(min), Limit(max)));
        out.Rate = value;
        // With cross-rate on, the loop's setpoint follows the cross output at the next reading.
        if (!(m_tables.Flags.XRate != 0 && out.XOut != -1)) m_tlv.setRate(slot, value);
    }
    emit setpointChanged(j, Setpoint::Rate);
    return CommandResult::done();
}

CommandResult Deposition::SetThicknessSetpoint(int j, double kA)
{
    if (CommandResult check = CheckOutput(j); !check.ok()) return Refuse(check.status, check.text);
    const double min = cTLV880a::ThickMin();
    const double max = cTLV880a::ThickMax();
    if (!std::isfinite(kA) || kA < min || kA > max)
        return Refuse(
            CommandResult::Status::OutOfRange,
            QStringLiteral("Thickness must be between %1 and %2 !").arg(Limit(min), Limit(max)));
    m_tables.Output(j).Thick = kA;
    emit setpointChanged(j, Setpoint::Thickness);
    return CommandResult::done();
}

CommandResult Deposition::SetManualPower(int j, double percent)
{
    if (CommandResult check = CheckOutput(j); !check.ok()) return Refuse(check.status, check.text);
    // The output's own maximum power is the limit: the card refuses anything above it.
    const double min = cTLV880a::PowerMin();
    const double max = std::clamp(m_tables.Output(j).MaxPwr, min, cTLV880a::PowerMax());
    if (!std::isfinite(percent) || percent < min || percent > max)
        return Refuse(
            CommandResult::Status::OutOfRange,
            QStringLiteral("Power must be between %1 and %2 !").arg(Limit(min), Limit(max)));
    // A change made during the run goes out exactly as given; one the card refuses leaves the
    // setpoint as it was, so the value shown is the one the card has.
    if (m_runState == RunRunning && m_tables.Output(j).Mode == ModeManual &&
        m_tlv.SendPower(static_cast<short>(j), percent) != 0)
        return CommandResult::refused(CommandResult::Status::Failed, m_lastStatus);
    // The setpoint is kept as the window shows it (one decimal): start and resume send that.
    m_manualPower.at(static_cast<size_t>(j)) =
        QLocale::c().toDouble(tlv::Format(percent, QStringLiteral("##0.0")));
    emit setpointChanged(j, Setpoint::ManualPower);
    return CommandResult::done();
}

CommandResult Deposition::SetOpenLoopPower(int j, double percent)
{
    if (CommandResult result = SetManualPower(j, percent); !result.ok()) return result;
    if (m_tables.Output(j).Mode != ModeManual) return SetMode(j, ModeManual);
    return CommandResult::done();
}

CommandResult Deposition::EnterSetpoint(int j, Setpoint which, const QString& text)
{
    bool number = false;
    double value = QLocale::c().toDouble(text.trimmed(), &number);
    // Not a number is refused with the same message as a value beyond the limits.
    if (!number) value = std::nan("");
    switch (which) {
    case Setpoint::Rate:
        return SetRateSetpoint(j, value);
    case Setpoint::Thickness:
        return SetThicknessSetpoint(j, value);
    case Setpoint::ManualPower:
        return SetManualPower(j, value);
    }
    return CommandResult::done();
}

CommandResult Deposition::SetLoopTerms(int j, double p, double i, double d)
{
    if (CommandResult check = CheckOutput(j); !check.ok()) return Refuse(check.status, check.text);
    struct Term {
        double value, min, max;
        const char* name;
    };
    for (const Term& t : {Term{p, cTLV880a::PTermMin(), cTLV880a::PTermMax(), "P"},
                          Term{i, cTLV880a::ITermMin(), cTLV880a::ITermMax(), "I"},
                          Term{d, cTLV880a::DTermMin(), cTLV880a::DTermMax(), "D"}}) {
        if (!std::isfinite(t.value) || t.value < t.min || t.value > t.max)
            return Refuse(CommandResult::Status::OutOfRange,
                          QStringLiteral("%1 term must be between %2 and %3 !")
                              .arg(QLatin1String(t.name), Limit(t.min), Limit(t.max)));
    }
    OutputRecord& out = m_tables.Output(j);
    out.PTerm = p;
    out.ITerm = i;
    out.DTerm = d;
    OutputEdited(j);
    ApplyOutputSetup(j);
    return CommandResult::done();
}

// ---- editors ------------------------------------------------------------------------------

void Deposition::OutputEdited(int j)
{
    if (IsShownOutput(j)) emit outputChanged(j);
}

void Deposition::InputsEdited()
{
    emit inputsChanged();
}

void Deposition::CardEdited()
{
    emit cardChanged();
}

} // namespace coflux
