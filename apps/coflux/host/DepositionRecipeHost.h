#pragma once
// The deposition process of coflux as the host of recipe runs: the recipe's commands become
// the process's own commands (open-loop power is Manual mode, rate control is Auto mode), and
// each reading of the process, with the crystal failures its sensor events report, goes to the
// recipe run. While a recipe runs, the thickness setpoints of its outputs are moved out of the
// way (the layers' ends take their place). A layer's thickness counts from an offset the host
// records when the recipe zeroes an output or a sensor: the card is never zeroed under rate
// control, where a zero would read as rate 0 for a reading and bump the loop's power. Their modes,
// rate setpoints and manual powers are the recipe's. Every one of those settings is put back as the
// operator had it when the recipe ends, however it ends: at once when the deposition is stopped
// (abort, failure), else (a completed recipe holds its idle powers) once the deposition stops. A
// deposition stopped by anything else (a monitor's trip, the operator's Stop) ends the recipe as
// failed.

#include "RecipeSession.h"

#include "Deposition.h"

#include <QObject>

#include <array>
#include <vector>

namespace coflux {

class DepositionRecipeHost : public QObject, public RecipeHost {
    Q_OBJECT
public:
    explicit DepositionRecipeHost(Deposition& deposition, QObject* parent = nullptr);

    // The run that receives the readings (the session's).
    void Attach(RecipeRun& run) { m_run = &run; }

    bool OutputPresent(int slot) const override;
    bool SensorPresent(int sensor) const override;
    bool MaterialKnown(const QString& name) const override;
    QString BeginRecipe(const Recipe& recipe) override;
    void EndRecipe(bool completed) override;
    QString DataLogPath() const override;
    bool CrystalState(std::array<int, kProcessOutputs>& outputSensors,
                      std::array<double, kProcessSensors>& sensorLeft) const override;

    void SetPower(int slot, double percent) override;
    void StartRateControl(int slot, double rate) override;
    void SetRateSetpoint(int slot, double rate) override;
    void ZeroThickness(int slot) override;
    void ZeroSensor(int sensor) override;
    void SetOutputMaterial(int slot, const QString& material) override;
    void AllOutputsOff() override;

private:
    void OnReading(const ReadingArrays& readings, double time);
    void OnRunState(short state, short previous);
    void AfterOutsideStop();
    void FailAfterOutsideStop();

    Deposition& m_dep;
    RecipeRun* m_run = nullptr;
    std::array<bool, kProcessSensors> m_sensorFailed{};
    std::array<bool, kProcessOutputs> m_outputFailed{};
    // Thickness (Å) at the recipe's last zero of each output and sensor: readings to the
    // recipe count from there.
    std::array<double, kProcessOutputs> m_thickOffset{};
    std::array<double, kProcessSensors> m_sensorOffset{};
    void RestoreOperatorSettings();
    static double SinceOffset(double thick, double& offset);

    // The operator's settings of one of the recipe's outputs before the run.
    struct SavedOutput {
        int slot = 0;
        int mode = 0;
        double rate = 0;        // display units
        double thick = 0;       // kÅ
        double manualPower = 0; // %
    };
    std::vector<SavedOutput> m_saved;
    bool m_restorePending = false; // completed: put back once the deposition stops
    bool m_stopping = false;       // our own Stop: not a stop from outside
    QString m_lastTrip;
};

} // namespace coflux
