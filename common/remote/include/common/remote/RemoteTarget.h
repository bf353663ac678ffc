#pragma once
// What a program offers to remote clients. The dispatcher checks syntax, channel ranges and
// write protection before it calls a target, so a target only applies the program's own rules
// (the window's limits and run-state rules) and says why it refused.
//
// Channels are zero-based here: sensors 0..23, outputs 0..13 (the output table slot), analog
// inputs 0..3. Every member left as it is answers "Undefined header": a program implements what
// it has (tlvmonitor: identity, sensor readings and the run state).

#include "common/MaterialTable.h"
#include "common/alarms/AlarmModel.h"
#include "common/remote/ScpiErrors.h"

#include <QList>
#include <QString>

namespace tlv::remote {

enum class RunState { Stop, Run, Hold };
// The output modes in the order of the window's option buttons.
enum class OutputMode { Off = 0, Record = 1, Manual = 2, Auto = 3 };

// A process recipe as the interface reports it: what is loaded, how its last run went and where
// a running one is.
enum class RecipeState { None, Loaded, Running, Complete, Failed, Aborted };

struct RecipeStatus {
    RecipeState state = RecipeState::None;
    int layer = 0;      // 1-based; 0 while no layer has begun
    QString layerName;  // empty while no layer has begun
    QString phase;      // the phase's name as the Process window shows it; empty when not run
    double elapsed = 0; // seconds since the run's first reading
    QString message;    // how the run ended ("Recipe complete.", why it failed); empty before
};

// A loop tuning run of an output: where it is and, once done, the identified source, the
// proposed terms and the predicted loop for those and for the current terms.
enum class TuningState { Idle, Running, Done, Refused };

struct TuningStatus {
    TuningState state = TuningState::Idle;
    QString message; // what it is doing, or why it ended without a result
};

struct TuningFigures {
    double gain = 0, timeConstant = 0, deadTime = 0;  // Å/s per %, s, s
    double fitQuality = 0, rateNoise = 0;             // R squared, Å/s
    double p = 0, i = 0, d = 0;                       // proposed terms
    double settle = -1, overshoot = 0, powerPeak = 0; // predicted with them (s, %, %)
    double currentSettle = -1, currentOvershoot = 0, currentPowerPeak = 0; // with the current
};

struct Triple {
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
};

class RemoteTarget {
public:
    virtual ~RemoteTarget() = default;

    // The model field of the identity: "COFLUX" or "TLVMONITOR".
    virtual QString Model() const = 0;
    // False for a program that only measures: its commands that change anything are then
    // undefined rather than protected.
    virtual bool Controls() const { return false; }

    // Readings of the newest poll: rate (Å/s), thickness (kÅ), frequency (Hz).
    virtual Outcome SensorReading(int sensor, Triple& reading) const;
    // What the sensor's crystal can still take: thickness (kÅ, as the sensor reads it) and the
    // seconds that lasts at the present rate; NaN for either when it cannot be told.
    virtual Outcome SensorLifeLeft(int sensor, double& thickness, double& seconds) const;
    // rate (Å/s), thickness (kÅ), power (%).
    virtual Outcome OutputReading(int output, Triple& reading) const;
    virtual Outcome AnalogVolts(int input, double& volts) const;
    virtual Outcome State(RunState& state) const;

    virtual Outcome Start();
    virtual Outcome Stop();
    virtual Outcome Hold();
    virtual Outcome Resume();
    virtual Outcome Zero(int output);
    virtual Outcome ZeroAll();

    virtual Outcome SetMode(int output, OutputMode mode);
    virtual Outcome Mode(int output, OutputMode& mode) const;
    virtual Outcome SetRate(int output, double rate);
    virtual Outcome Rate(int output, double& rate) const;
    virtual Outcome SetThickness(int output, double kiloAngstrom);
    virtual Outcome Thickness(int output, double& kiloAngstrom) const;
    virtual Outcome SetPower(int output, double percent);
    virtual Outcome Power(int output, double& percent) const;

    // Opens the setup file of that bare name from the program's folder, as File Open does.
    virtual Outcome LoadSetup(const QString& name);

    // Reads and checks the recipe file of that bare name from the program's folder.
    virtual Outcome LoadRecipe(const QString& name);
    // Starts the loaded recipe on the process; nothing changes when it is refused.
    virtual Outcome StartRecipe();
    // Every output to power 0, then the running recipe ends as aborted.
    virtual Outcome AbortRecipe();
    virtual Outcome RecipeProgress(RecipeStatus& status) const;

    // Loop tuning: an open-loop power step of `step` % from the output's present power,
    // aggressiveness 0 calm, 1 normal, 2 fast; its state; its result; writing the proposed
    // terms as the output editor would.
    virtual Outcome StartTuning(int output, double step, int aggressiveness);
    virtual Outcome Tuning(int output, TuningStatus& status) const;
    virtual Outcome TuningResult(int output, TuningFigures& figures) const;
    virtual Outcome ApplyTuning(int output);
    // The film materials the program offers, in its table's order.
    virtual Outcome Materials(QList<Material>& materials) const;
    // Sets sensor's film to the material of that name, as the program's editor does; a name the
    // table does not have is refused (Data out of range).
    virtual Outcome SetSensorMaterial(int sensor, const QString& name);
    // The sensor's film: its material's name (empty when none is named), density, Z-factor.
    virtual Outcome SensorMaterial(int sensor, QString& name, double& density,
                                   double& zFactor) const;

    // The program's alarms (ALARm:...), nullptr for a program without: their commands are then
    // undefined. Acknowledging is a change (protected without control allowed) that even a
    // program which only measures offers.
    virtual tlv::AlarmModel* Alarms() const { return nullptr; }

protected:
    static Outcome Undefined() { return Outcome::Error(UndefinedHeader); }
};

} // namespace tlv::remote
