// Remote commands of coflux, carried out by the deposition process.
#include "CofluxRemoteTarget.h"

#include "Deposition.h"
#include "DepositionAlarms.h"
#include "DepositionRecipeHost.h"
#include "TuningRun.h"

#include "common/ProgramInfo.h"

#include <QDir>
#include <QFileInfo>

#include <limits>

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

Outcome CofluxRemoteTarget::SensorLifeLeft(int sensor, double& thickness, double& seconds) const
{
    const auto& forecast = m_process.Readings().SenForecast.at(static_cast<size_t>(sensor));
    const double none = std::numeric_limits<double>::quiet_NaN();
    thickness = forecast ? forecast->thicknessLeft : none;
    seconds = forecast && forecast->secondsLeft ? *forecast->secondsLeft : none;
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

Outcome CofluxRemoteTarget::ProgramFolderFile(const QString& name, QString& path) const
{
    const QFileInfo file(tlv::ProgramFile(name));
    const QString folder = QDir(tlv::ProgramFolder()).canonicalPath();
    // canonicalFilePath resolves links, so a link in the folder cannot reach a file elsewhere.
    if (QFileInfo(name).fileName() != name || !file.isFile() || folder.isEmpty() ||
        QFileInfo(file.canonicalFilePath()).path() != folder)
        return Outcome::Error(tlv::remote::FileNameNotFound, name);
    path = file.canonicalFilePath();
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::LoadSetup(const QString& name)
{
    if (const CommandResult allowed = m_process.CanOpenSetup(); !allowed.ok())
        return Outcome::Error(tlv::remote::SettingsConflict, allowed.text);
    QString path;
    if (Outcome found = ProgramFolderFile(name, path); !found.ok()) return found;
    const SetupLoadResult loaded = m_process.OpenSetup(name);
    // A file that is not a setup is left alone and the setup stays as it was; the client
    // learns why, in the program's words.
    if (!loaded.refusal.isEmpty()) {
        QString refused = loaded.refusal;
        refused.replace(path, name);
        return Outcome::Error(tlv::remote::FileNameNotFound, refused);
    }
    if (loaded.cardSettingsError != 0)
        return Outcome::Error(tlv::remote::DataOutOfRange, loaded.cardSettingsMessage);
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::LoadRecipe(const QString& name)
{
    RecipeSession& session = Recipes();
    if (session.Run().IsRunning())
        return Outcome::Error(tlv::remote::SettingsConflict,
                              QStringLiteral("A recipe is running; abort it first."));
    QString path;
    if (Outcome found = ProgramFolderFile(name, path); !found.ok()) return found;
    QString refused = session.Load(path);
    if (refused.isEmpty()) return Outcome::Ok();
    // The client named the file without its folder; so does the message.
    refused.replace(path, name);
    return Outcome::Error(tlv::remote::DataOutOfRange, refused);
}

Outcome CofluxRemoteTarget::StartRecipe()
{
    const QString refused = Recipes().Start();
    if (refused.isEmpty()) return Outcome::Ok();
    return Outcome::Error(tlv::remote::SettingsConflict, refused);
}

Outcome CofluxRemoteTarget::AbortRecipe()
{
    RecipeSession& session = Recipes();
    if (!session.Run().IsRunning())
        return Outcome::Error(tlv::remote::SettingsConflict,
                              QStringLiteral("No recipe is running."));
    session.Abort(QStringLiteral("Recipe aborted by a remote client."));
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::RecipeProgress(tlv::remote::RecipeStatus& status) const
{
    using tlv::remote::RecipeState;
    const RecipeSession& session = Recipes();
    const RecipeRun& run = session.Run();
    status = {};
    if (!run.IsRunning() && !session.RanSinceLoad()) {
        status.state = session.HasRecipe() ? RecipeState::Loaded : RecipeState::None;
        return Outcome::Ok();
    }
    switch (run.CurrentState()) {
    case RecipeRun::State::Running:
        status.state = RecipeState::Running;
        break;
    case RecipeRun::State::Complete:
        status.state = RecipeState::Complete;
        break;
    case RecipeRun::State::Aborted:
        status.state = RecipeState::Aborted;
        break;
    case RecipeRun::State::Failed:
        status.state = RecipeState::Failed;
        break;
    case RecipeRun::State::Idle:
        status.state = RecipeState::Loaded;
        return Outcome::Ok();
    }
    const auto& layers = run.CurrentRecipe().layers;
    if (run.Layer() >= 0 && run.Layer() < int(layers.size())) {
        status.layer = run.Layer() + 1;
        status.layerName = layers[size_t(run.Layer())].name;
    }
    status.phase = RecipeRun::PhaseName(run.CurrentPhase());
    status.elapsed = run.Elapsed();
    status.message = run.Message();
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::StartTuning(int output, double step, int aggressiveness)
{
    if (Outcome present = Present(output); !present.ok()) return present;
    TuningOptions options;
    options.step = step;
    options.aggressiveness = static_cast<tlv880::tuning::Aggressiveness>(aggressiveness);
    return FromResult(m_process.Tuning().Start(output, options));
}

Outcome CofluxRemoteTarget::Tuning(int output, tlv::remote::TuningStatus& status) const
{
    if (Outcome present = Present(output); !present.ok()) return present;
    const coflux::TuningResult& result = m_process.Tuning().Result();
    status = {};
    if (result.output != output) return Outcome::Ok();
    switch (result.state) {
    case coflux::TuningResult::State::Running:
        status.state = tlv::remote::TuningState::Running;
        break;
    case coflux::TuningResult::State::Done:
        status.state = tlv::remote::TuningState::Done;
        break;
    case coflux::TuningResult::State::Refused:
        status.state = tlv::remote::TuningState::Refused;
        break;
    case coflux::TuningResult::State::Idle:
        break;
    }
    status.message = result.message;
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::TuningResult(int output, tlv::remote::TuningFigures& f) const
{
    if (Outcome present = Present(output); !present.ok()) return present;
    const coflux::TuningResult& r = m_process.Tuning().Result();
    if (r.output != output || r.state != coflux::TuningResult::State::Done)
        return Outcome::Error(tlv::remote::SettingsConflict,
                              QStringLiteral("Output %1 has no tuning result").arg(output + 1));
    const tlv880::tuning::SourceModel& m = r.fit.model;
    f = {m.gain,
         m.timeConstant,
         m.deadTime,
         r.fit.fitQuality,
         r.fit.rateNoise,
         r.proposed.terms.p,
         r.proposed.terms.i,
         r.proposed.terms.d,
         r.predictedProposed.settleTime,
         r.predictedProposed.overshoot,
         r.predictedProposed.powerPeak,
         r.predictedCurrent.settleTime,
         r.predictedCurrent.overshoot,
         r.predictedCurrent.powerPeak};
    return Outcome::Ok();
}

Outcome CofluxRemoteTarget::ApplyTuning(int output)
{
    if (Outcome present = Present(output); !present.ok()) return present;
    return FromResult(m_process.Tuning().Apply(output));
}

tlv::AlarmModel* CofluxRemoteTarget::Alarms() const
{
    return &m_process.Alarms().Model();
}

} // namespace coflux
