#pragma once
// What coflux offers remote clients: the readings, the run state, the output setpoints, opening
// setup files and running process recipes, all through the deposition process. The process applies
// the window's own limits and run-state rules and announces every accepted change, so the window
// shows a remote change as if it had been typed there.

#include "common/remote/RemoteTarget.h"

namespace coflux {

class Deposition;
class RecipeSession;
struct CommandResult;

class CofluxRemoteTarget : public tlv::remote::RemoteTarget {
public:
    // Both must outlive the target.
    CofluxRemoteTarget(Deposition& process, RecipeSession& recipes)
        : m_process(process), m_recipes(recipes)
    {
    }

    QString Model() const override { return QStringLiteral("COFLUX"); }
    bool Controls() const override { return true; }

    tlv::remote::Outcome SensorReading(int sensor, tlv::remote::Triple& reading) const override;
    tlv::remote::Outcome SensorLifeLeft(int sensor, double& thickness,
                                        double& seconds) const override;
    tlv::remote::Outcome OutputReading(int output, tlv::remote::Triple& reading) const override;
    tlv::remote::Outcome AnalogVolts(int input, double& volts) const override;
    tlv::remote::Outcome State(tlv::remote::RunState& state) const override;

    tlv::remote::Outcome Start() override;
    tlv::remote::Outcome Stop() override;
    tlv::remote::Outcome Hold() override;
    tlv::remote::Outcome Resume() override;
    tlv::remote::Outcome Zero(int output) override;
    tlv::remote::Outcome ZeroAll() override;

    tlv::remote::Outcome SetMode(int output, tlv::remote::OutputMode mode) override;
    tlv::remote::Outcome Mode(int output, tlv::remote::OutputMode& mode) const override;
    tlv::remote::Outcome SetRate(int output, double rate) override;
    tlv::remote::Outcome Rate(int output, double& rate) const override;
    tlv::remote::Outcome SetThickness(int output, double kiloAngstrom) override;
    tlv::remote::Outcome Thickness(int output, double& kiloAngstrom) const override;
    tlv::remote::Outcome SetPower(int output, double percent) override;
    tlv::remote::Outcome Power(int output, double& percent) const override;

    // Only a file that lies in the program's folder itself (links resolved) and only while
    // stopped: a setup replaced under a running deposition would change its outputs midway.
    tlv::remote::Outcome LoadSetup(const QString& name) override;

    // Recipes run on the process's own recipe session, the one the Process window shows, so a
    // recipe loaded or started remotely appears there. Recipe files are found as setup files
    // are: in the program's folder only.
    tlv::remote::Outcome LoadRecipe(const QString& name) override;
    tlv::remote::Outcome StartRecipe() override;
    tlv::remote::Outcome AbortRecipe() override;
    tlv::remote::Outcome RecipeProgress(tlv::remote::RecipeStatus& status) const override;
    tlv::AlarmModel* Alarms() const override;

    // Loop tuning runs on the process's own tuning run, the one the Tune window shows.
    tlv::remote::Outcome StartTuning(int output, double step, int aggressiveness) override;
    tlv::remote::Outcome Tuning(int output, tlv::remote::TuningStatus& status) const override;
    tlv::remote::Outcome TuningResult(int output,
                                      tlv::remote::TuningFigures& figures) const override;
    tlv::remote::Outcome ApplyTuning(int output) override;
    // The film materials of the process's table, and a sensor's film by name through the
    // process, with the input editor's rules (CofluxMaterialRemote.cpp).
    tlv::remote::Outcome Materials(QList<tlv::Material>& materials) const override;
    tlv::remote::Outcome SetSensorMaterial(int sensor, const QString& name) override;
    tlv::remote::Outcome SensorMaterial(int sensor, QString& name, double& density,
                                        double& zFactor) const override;

    // The process's answer in the interface's terms: run-state refusals are "Settings
    // conflict", refused values "Data out of range", each with the window's message.
    static tlv::remote::Outcome FromResult(const CommandResult& result);

private:
    tlv::remote::Outcome Present(int output) const;
    // The file of that bare name in the program's folder itself (links resolved), or why not.
    tlv::remote::Outcome ProgramFolderFile(const QString& name, QString& path) const;

    RecipeSession& Recipes() const { return m_recipes; }

    Deposition& m_process;
    RecipeSession& m_recipes;
};

} // namespace coflux
