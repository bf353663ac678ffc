// Remote commands of coflux, carried out by the deposition process.
#include "CofluxRemoteTarget.h"

#include "Deposition.h"

#include "common/ProgramInfo.h"

#include <QDir>
#include <QFileInfo>

namespace coflux {

using tlv::remote::Outcome;
using RemoteMode = tlv::remote::OutputMode;

Outcome CofluxRemoteTarget::FromResult(const CommandResult& result)
{
    switch (result.status) {
    case CommandResult::Status::Done:
        return Outcome::Ok();
    case CommandResult::Status::RefusedByRunState:
        return Outcome::Error(tlv::remote::SettingsConflict, result.text);
    case CommandResult::Status::OutOfRange:
    case CommandResult::Status::NotPresent:
    case CommandResult::Status::Failed:
        break;
    }
    return Outcome::Error(tlv::remote::DataOutOfRange, result.text);
}

Outcome CofluxRemoteTarget::Present(int output) const
{
    if (m_process.IsPresentOutput(output)) return Outcome::Ok();
    return Outcome::Error(tlv::remote::DataOutOfRange,
                          QStringLiteral("Output %1 is not present").arg(output + 1));
}

Outcome CofluxRemoteTarget::SensorReading(int sensor, tlv::remote::Triple& reading) const
{
    const ReadingArrays& r = m_process.Readings();
    const auto s = static_cast<size_t>(sensor);
    reading = {r.SenRate.at(s), r.SenThick.at(s), r.SenFreq.at(s)};
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::OutputReading(int output, tlv::remote::Triple& reading) const
{
    const ReadingArrays& r = m_process.Readings();
    const auto j = static_cast<size_t>(output);
    reading = {r.OutRate.at(j), r.OutThick.at(j), r.OutPower.at(j)};
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::AnalogVolts(int input, double& volts) const
{
    volts = m_process.Readings().AnVolts.at(static_cast<size_t>(input));
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::State(tlv::remote::RunState& state) const
{
    switch (m_process.RunState()) {
    case RunRunning:
        state = tlv::remote::RunState::Run;
        break;
    case RunHeld:
        state = tlv::remote::RunState::Hold;
        break;
    default:
        state = tlv::remote::RunState::Stop;
        break;
    }
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::Start()
{
    return FromResult(m_process.Start());
}
Outcome CofluxRemoteTarget::Stop()
{
    return FromResult(m_process.Stop());
}
Outcome CofluxRemoteTarget::Hold()
{
    return FromResult(m_process.Hold());
}
Outcome CofluxRemoteTarget::Resume()
{
    return FromResult(m_process.Resume());
}
Outcome CofluxRemoteTarget::Zero(int output)
{
    return FromResult(m_process.ZeroOutput(output));
}

Outcome CofluxRemoteTarget::ZeroAll()
{
    m_process.ZeroAll();
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::SetMode(int output, RemoteMode mode)
{
    return FromResult(m_process.SetMode(output, static_cast<int>(mode)));
}

Outcome CofluxRemoteTarget::Mode(int output, RemoteMode& mode) const
{
    if (Outcome present = Present(output); !present.ok()) return present;
    const int value = m_process.Mode(output);
    mode = value >= 0 && value <= 3 ? static_cast<RemoteMode>(value) : RemoteMode::Off;
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::SetRate(int output, double rate)
{
    return FromResult(m_process.SetRateSetpoint(output, rate));
}

Outcome CofluxRemoteTarget::Rate(int output, double& rate) const
{
    if (Outcome present = Present(output); !present.ok()) return present;
    rate = m_process.RateSetpoint(output);
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::SetThickness(int output, double kiloAngstrom)
{
    return FromResult(m_process.SetThicknessSetpoint(output, kiloAngstrom));
}

Outcome CofluxRemoteTarget::Thickness(int output, double& kiloAngstrom) const
{
    if (Outcome present = Present(output); !present.ok()) return present;
    kiloAngstrom = m_process.ThicknessSetpoint(output);
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::SetPower(int output, double percent)
{
    return FromResult(m_process.SetManualPower(output, percent));
}

Outcome CofluxRemoteTarget::Power(int output, double& percent) const
{
    if (Outcome present = Present(output); !present.ok()) return present;
    percent = m_process.ManualPower(output);
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::LoadSetup(const QString& name)
{
    if (m_process.RunState() != RunStopped)
        return Outcome::Error(tlv::remote::SettingsConflict,
                              QStringLiteral("Stop the deposition before opening a setup file"));
    const QFileInfo file(tlv::ProgramFile(name));
    const QString folder = QDir(tlv::ProgramFolder()).canonicalPath();
    // canonicalFilePath resolves links, so a link in the folder cannot reach a file elsewhere.
    if (QFileInfo(name).fileName() != name || !file.isFile() || folder.isEmpty() ||
        QFileInfo(file.canonicalFilePath()).path() != folder)
        return Outcome::Error(tlv::remote::FileNameNotFound, name);
    const SetupLoadResult loaded = m_process.OpenSetup(name);
    if (loaded.cardSettingsError != 0)
        return Outcome::Error(tlv::remote::DataOutOfRange, loaded.cardSettingsMessage);
    return Outcome::Ok();
}

} // namespace coflux
