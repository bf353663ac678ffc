// The editors' commands: each applies what one editor's OK or Update changes, with the rules
// that tie the records to each other and to the card, and tells the views once.

#include "Deposition.h"

#include "instrument/cTLV880a.h"

namespace coflux {

namespace {

CommandResult NoOutput(int j)
{
    return CommandResult::refused(CommandResult::Status::NotPresent,
                                  QStringLiteral("There is no output %1.").arg(j + 1));
}

} // namespace

int Deposition::SensorOwner(int s) const
{
    if (s < 0 || s >= kSensorSlots) return -1;
    return m_tlv.SensorLoop(static_cast<short>(s));
}

int Deposition::AnalogOwner(int a) const
{
    if (a < 0 || a >= kAnalogInputs) return -1;
    return m_tlv.AnalogLoop(static_cast<short>(a));
}

CommandResult Deposition::CheckOutputEdit(int j, const OutputEdit& edit) const
{
    if (!IsShownOutput(j)) return NoOutput(j);
    // The backup must be a sensor the film is not measured with already.
    const int fed = edit.analog < 0 ? edit.sensors : 0;
    if (edit.backup >= 0 && InputHasSensor(fed, edit.backup))
        return CommandResult::refused(
            CommandResult::Status::OutOfRange,
            QStringLiteral("Sensor %1 feeds this film already; its backup must be another sensor.")
                .arg(edit.backup + 1));
    return CommandResult::done();
}

CommandResult Deposition::EditOutput(int j, const OutputEdit& edit)
{
    if (const CommandResult checked = CheckOutputEdit(j, edit); !checked.ok())
        return Refuse(checked.status, checked.text);
    OutputRecord& record = m_tables.Output(j);
    record.PTerm = edit.pTerm;
    record.ITerm = edit.iTerm;
    record.DTerm = edit.dTerm;
    record.FullScale = edit.fullScale;
    record.MaxPwr = edit.maxPower;
    record.SlewRate = edit.slewRate;
    if (edit.crossOutput) record.XOut = *edit.crossOutput;
    record.Name = ProcessTables::FixedWidth(edit.name, kOutputNameLength);
    record.Backup = edit.backup;
    record.BackupTooling = edit.backupTooling;

    // A film is fed by sensors or an analog input, never by another output: that field only
    // serves the recorder function, and a loop cannot use it.
    record.Input = WithOutput(record.Input, -1);
    if (!edit.keepInputs) {
        if (edit.analog < 0)
            AssignSensors(j, edit.sensors);
        else
            AssignAnalog(j, edit.analog, edit.sensors);
    }
    // A material picked for the film goes to every sensor that feeds it now, as the input
    // editor would set them.
    if (!edit.material.isEmpty())
        for (int s = 0; s < kConfiguredSensors; ++s)
            if (InputHasSensor(record.Input, s) && IsPresentSensor(s))
                SetSensorMaterial(s, edit.material);

    OutputEdited(j);
    ApplyOutputSetup(j);
    return CommandResult::done();
}

void Deposition::AssignSensors(int j, int sensors)
{
    OutputRecord& record = m_tables.Output(j);
    // Choosing sensors releases an analog input that fed this output, also when no sensor is
    // chosen, so that the table and the card agree on an output without input.
    if (const int previous = InputAnalog(record.Input); previous >= 0) {
        record.Input = WithAnalog(record.Input, -1);
        if (AnalogOwner(previous) == j) m_tlv.setAnalogLoop(static_cast<short>(previous), -1);
    }
    int input = record.Input;
    for (int s = 0; s < kConfiguredSensors; ++s) {
        const auto sensor = static_cast<short>(s);
        if (!InputHasSensor(sensors, s)) {
            input = WithSensor(input, s, false);
            if (SensorOwner(s) == j) m_tlv.setSensorLoop(sensor, -1);
            continue;
        }
        // A sensor feeds one loop: another output that had it lets it go.
        if (const int owner = SensorOwner(s); owner != -1 && owner != j) {
            OutputRecord& other = m_tables.Output(owner);
            other.Input = WithSensor(other.Input, s, false);
            m_tlv.setSensorLoop(sensor, -1);
        }
        input = WithAnalog(WithSensor(input, s, true), -1);
    }
    record.Input = input;
}

void Deposition::AssignAnalog(int j, int analog, int sensors)
{
    OutputRecord& record = m_tables.Output(j);
    if (const int owner = AnalogOwner(analog); owner != -1 && owner != j) {
        OutputRecord& other = m_tables.Output(owner);
        other.Input = WithAnalog(other.Input, -1);
        m_tlv.setAnalogLoop(static_cast<short>(analog), -1);
    }
    int input = WithAnalog(record.Input, analog);
    // The sensor bits are kept as chosen; the analog input takes precedence.
    for (int s = 0; s < kConfiguredSensors; ++s)
        input = WithSensor(input, s, InputHasSensor(sensors, s));
    record.Input = input;
}

CommandResult Deposition::EditInputs(const InputsEdit& edit)
{
    for (int a = 0; a < kAnalogInputs; ++a) {
        AnalogRecord& analog = m_tables.Analog(a);
        const AnalogEdit& typed = edit.analogs[static_cast<size_t>(a)];
        analog.Gain = typed.gain;
        analog.Offset = typed.offset;
        analog.Units = typed.units.left(kAnalogUnitsLength);
        analog.Monitor = typed.monitor ? -1 : 0;
        analog.AnalogSP = typed.setpoint;
    }
    // Every sensor is applied; the first film the class refuses is the answer.
    CommandResult result = CommandResult::done();
    for (int s = 0; s < kConfiguredSensors; ++s) {
        const std::optional<SensorEdit>& typed = edit.sensors[static_cast<size_t>(s)];
        if (!typed) continue;
        SensorRecord& sensor = m_tables.Sensor(s);
        sensor.Monitor = typed->monitor ? -1 : 0;
        sensor.ThickSP = typed->thickSetpoint;
        const CommandResult film =
            SetSensorFilm(s, typed->density, typed->zFactor, typed->tooling, typed->material);
        if (result.ok() && !film.ok()) result = film;
    }
    InputsEdited();
    return result;
}

CommandResult Deposition::EditCard(const CardEdit& edit)
{
    m_tables.Flags.LogEnabled = edit.logEnabled ? 1 : 0;
    m_tables.Flags.LogFile = edit.logFile;
    const int refused =
        m_tlv.SendInit(edit.maxFrequency, edit.minFrequency, edit.initFrequency, edit.period);
    m_tlv.setFilterSize(edit.filter);
    m_tlv.setOpMode(edit.simulate ? 1 : 0);
    CardEdited();
    // The class has said why (classError); the caller learns that it did.
    if (refused != 0)
        return CommandResult::refused(CommandResult::Status::Failed, LastStatusText());
    return CommandResult::done();
}

CommandResult Deposition::EditRecorder(int j, const RecorderEdit& edit)
{
    if (!IsShownOutput(j)) return Refuse(CommandResult::Status::NotPresent, NoOutput(j).text);
    // The record changes only once the card has let go of the former loop's inputs: a card that
    // kept one would go on feeding this output's loop while the table calls it a recorder.
    bool released = true;
    for (short s = 0; s < kSensorSlots; ++s)
        if (SensorOwner(s) == j && !InputHasSensor(edit.input, s))
            released = m_tlv.setSensorLoop(s, -1) == 0 && released;
    for (short a = 0; a < kAnalogInputs; ++a)
        if (AnalogOwner(a) == j && InputAnalog(edit.input) != a)
            released = m_tlv.setAnalogLoop(a, -1) == 0 && released;
    if (!released)
        return CommandResult::refused(CommandResult::Status::Failed,
                                      QStringLiteral("The card kept an input of output %1's loop.")
                                          .arg(tlv880::OutputNumberOfSlot(j)));
    OutputRecord& record = m_tables.Output(j);
    record.Input = edit.input;
    if (edit.scale) record.RecScale = *edit.scale;
    OutputEdited(j);
    return CommandResult::done();
}

} // namespace coflux
