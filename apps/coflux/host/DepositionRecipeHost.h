#pragma once
// The deposition process of coflux as the host of recipe runs: the recipe's commands become
// the process's own commands (open-loop power is Manual mode, rate control is Auto mode), and
// each reading of the process, with the crystal failures its sensor events report, goes to the
// recipe run. While a recipe runs, the thickness setpoints of its outputs are moved out of the
// way (the layers' ends take their place) and put back when it ends; a deposition stopped by
// anything else (a monitor's trip, the operator's Stop) ends the recipe as failed.

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
    // Thickness setpoints of the recipe's outputs before the run (slot, kÅ).
    std::vector<std::pair<int, double>> m_savedThick;
    bool m_stopping = false; // our own Stop: not a stop from outside
    QString m_lastTrip;
};

} // namespace coflux
