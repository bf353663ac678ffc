// Loading a setup file into the process and the card, and saving the process's setup. Setup
// files live in the program's folder and are named by their file name alone.

#include "Deposition.h"

#include "CofluxSetupFile.h"

#include "common/ProgramInfo.h"
#include "common/SetupFile.h"

namespace coflux {

void Deposition::SetSetupFileName(const QString& name)
{
    m_setupFile = name;
    if (m_remembersSetupFile) tlv::SetCurrentSetupFile(name);
    emit setupFileChanged(name);
}

SetupLoadResult Deposition::OpenSetup(const QString& name)
{
    SetupLoadResult result;
    if (name.isEmpty()) return result;
    result.loaded = true;
    // A setup loaded under a running deposition would change its loops and log mid-run.
    if (const CommandResult allowed = CanOpenSetup(); !allowed.ok()) {
        result.refusal = allowed.text;
        result.refusedByRunState = true;
        result.notices << allowed.text;
        SetStatus(allowed.text);
        emit notice(allowed.text, NoticeLevel::Warning);
        return result;
    }
    SetupLoadResult* outer = m_loading;
    m_loading = &result;

    const CofluxSetupFile file(tlv::ProgramFile(name));
    result.fileFound = file.Exists();
    result.refusal = file.Refusal();
    if (!result.refusal.isEmpty()) {
        // A damaged file is named and left alone: its values never replace the current setup,
        // and the current setup is never saved over it.
        result.notices << result.refusal;
        SetStatus(result.refusal);
        emit notice(result.refusal, NoticeLevel::Warning);
        m_loading = outer;
        return result;
    }
    if (!result.fileFound) {
        const QString text =
            file.Path() + QStringLiteral(" Not Found.\r\nContinuing with defaults.");
        result.notices << text;
        SetStatus(text);
        emit notice(text, NoticeLevel::Information);
    }
    SetSetupFileName(name);

    CardSettings card;
    QStringList replaced;
    file.Read(m_tables, card, &replaced);
    if (!replaced.isEmpty()) ReportReplacedValues(name, replaced, result);

    // Card settings: the operating mode only when a card is there to measure.
    m_tlv.setOpMode(m_tlv.NumCards() > 0 ? card.Simulate : 1);
    m_tlv.setFilterSize(card.Filter);
    const auto errorsBefore = result.classErrors.size();
    result.cardSettingsError = m_tlv.SendInit(card.FMax, card.FMin, card.FInit, card.Period);
    if (result.cardSettingsError != 0 && result.classErrors.size() > errorsBefore)
        result.cardSettingsMessage = result.classErrors.at(errorsBefore).second;

    for (int s = 0; s < kConfiguredSensors; ++s) {
        const SensorRecord& sensor = m_tables.Sensor(s);
        const auto sen = static_cast<short>(s);
        if (m_tlv.NumCards() == 0 || m_tlv.NumSensorValid(sen))
            m_tlv.SendMaterial(sen, sensor.Density, sensor.ZFactor, SensorTooling(s));
    }

    for (int j : kShownOutputs) {
        if (!IsPresentOutput(j)) continue;
        ApplyMode(j, m_tables.Output(j).Mode);
        m_manualPower.at(static_cast<size_t>(j)) = 0;
        ApplyOutputSetup(j);
        m_tlv.SendPower(static_cast<short>(j), 0);
    }

    m_tlv.SendStartMeas();
    m_tlv.ZeroAll();
    m_tlv.setTimerEnabled(true);

    m_loading = outer;
    emit setupLoaded(name);
    return result;
}

// Values outside their limits were replaced by their defaults while loading: one message for
// the whole file, told once here rather than refused by the card at every send.
void Deposition::ReportReplacedValues(const QString& name, const QStringList& replaced,
                                      SetupLoadResult& result)
{
    constexpr int kListed = 12;
    QString text = name + QStringLiteral(" holds values outside their limits:\n") +
                   replaced.mid(0, kListed).join(QLatin1Char('\n'));
    if (replaced.size() > kListed)
        text += QStringLiteral("\n(and %1 more)").arg(replaced.size() - kListed);
    result.notices << text;
    result.replacedValues = replaced;
    SetStatus(name + QStringLiteral(": ") + replaced.front() +
              (replaced.size() > 1 ? QStringLiteral(" (and %1 more)").arg(replaced.size() - 1)
                                   : QString()));
    emit notice(text, NoticeLevel::Warning);
}

void Deposition::SetShowErrors(bool show)
{
    if (m_tables.Flags.ShowErrors == show) return;
    m_tables.Flags.ShowErrors = show;
    emit cardChanged();
}

void Deposition::SetCrossRate(bool on)
{
    if ((m_tables.Flags.XRate > 0) == on) return;
    m_tables.Flags.XRate = on ? 1 : 0;
    // Loops that followed a cross output go back to their own rate setpoint at once; with
    // cross-rate on, the next reading sets them from their cross output.
    if (!on && m_runState == RunRunning) {
        for (int j : kShownOutputs) {
            const OutputRecord& out = m_tables.Output(j);
            if (IsPresentOutput(j) && out.Mode == ModeAuto && out.XOut >= 0 &&
                InputAnalog(out.Input) < 0)
                m_tlv.setRate(static_cast<short>(j), out.Rate);
        }
    }
    emit cardChanged();
}

CommandResult Deposition::SetRateTolerance(const tlv::RateTolerance& tolerance)
{
    if (const std::string problem = tolerance.problem(); !problem.empty())
        return Refuse(CommandResult::Status::OutOfRange, QString::fromStdString(problem));
    if (m_tables.Flags.RateTolerance == tolerance) return CommandResult::done();
    m_tables.Flags.RateTolerance = tolerance;
    emit cardChanged();
    return CommandResult::done();
}

CommandResult Deposition::CanOpenSetup() const
{
    if (m_runState == RunStopped) return CommandResult::done();
    return CommandResult::refused(
        CommandResult::Status::RefusedByRunState,
        QStringLiteral("Stop the deposition before opening a setup file"));
}

CommandResult Deposition::SaveSetup(const QString& name)
{
    if (name.isEmpty())
        return Refuse(CommandResult::Status::OutOfRange, QStringLiteral("No setup file named."));
    const CofluxSetupFile file(tlv::ProgramFile(name));
    CardSettings card;
    card.Filter = m_tlv.FilterSize();
    card.Period = m_tlv.Period();
    card.FMax = m_tlv.SensorMaxFreq();
    card.FMin = m_tlv.SensorMinFreq();
    card.FInit = m_tlv.SensorInitFreq();
    card.Simulate = static_cast<short>(m_tlv.OpMode());

    QString cause;
    QString failure;
    switch (file.Write(m_tables, card, &cause)) {
    case CofluxSetupFile::WriteStatus::Written:
        SetSetupFileName(name);
        return CommandResult::done();
    case CofluxSetupFile::WriteStatus::CannotCreate:
        failure = file.Path() + QStringLiteral(" could not be created: ") + cause;
        break;
    case CofluxSetupFile::WriteStatus::ReadOnly:
        // Names the setup file that is current before the save, also for Save As.
        failure = m_setupFile + QStringLiteral(" is Read Only!");
        break;
    case CofluxSetupFile::WriteStatus::Incomplete:
        SetSetupFileName(name);
        failure = file.Path() + QStringLiteral(" could not be written completely.");
        break;
    }
    SetStatus(failure);
    emit notice(failure, NoticeLevel::Warning);
    return CommandResult::refused(CommandResult::Status::Failed, failure);
}

} // namespace coflux
