#pragma once
// The simulated process as the host of a recipe session: what the cards have (output 4 and
// sensors 5 to 8 are missing), getting ready and back, and the data log's path.

#include "RecipeSession.h"
#include "SimulatedProcess.h"

#include <vector>

namespace coflux::test {

class Host : public RecipeHost {
public:
    explicit Host(const QString& dataLog) : m_dataLog(dataLog) {}
    SimulatedProcess sim;
    int begun = 0;
    std::vector<bool> ended;
    QString refuseWith;

    bool OutputPresent(int slot) const override { return slot != 3; } // output 4 is missing
    bool SensorPresent(int sensor) const override { return sensor < 4; }
    bool MaterialKnown(const QString& name) const override { return name == QLatin1String("Gold"); }
    QString BeginRecipe(const Recipe&) override
    {
        if (refuseWith.isEmpty()) ++begun;
        return refuseWith;
    }
    void EndRecipe(bool completed) override { ended.push_back(completed); }
    QString DataLogPath() const override { return m_dataLog; }
    void SetPower(int slot, double percent) override { sim.SetPower(slot, percent); }
    void StartRateControl(int slot, double rate) override { sim.StartRateControl(slot, rate); }
    void SetRateSetpoint(int slot, double rate) override { sim.SetRateSetpoint(slot, rate); }
    void ZeroThickness(int slot) override { sim.ZeroThickness(slot); }
    void ZeroSensor(int sensor) override { sim.ZeroSensor(sensor); }
    void SetOutputMaterial(int slot, const QString& material) override
    {
        sim.SetOutputMaterial(slot, material);
    }
    void AllOutputsOff() override { sim.AllOutputsOff(); }

private:
    QString m_dataLog;
};

} // namespace coflux::test
