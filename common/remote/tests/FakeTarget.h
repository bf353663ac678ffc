#pragma once
// A program's remote target in miniature: keeps setpoints and a run state, records each change
// and refuses what a test tells it to.

#include "common/remote/RemoteTarget.h"

#include <QStringList>

#include <array>
#include <limits>

namespace tlv::remote::testing {

class FakeTarget : public RemoteTarget {
public:
    QString Model() const override { return QStringLiteral("FAKE"); }
    bool Controls() const override { return controls; }

    Outcome SensorReading(int sensor, Triple& reading) const override
    {
        reading = {sensor + 0.5, sensor * 0.001, 5000000.0 - sensor};
        return Outcome::Ok();
    }
    // Sensor 1 deposits, sensor 2 does not, sensor 3 has failed.
    Outcome SensorLifeLeft(int sensor, double& thickness, double& seconds) const override
    {
        const double none = std::numeric_limits<double>::quiet_NaN();
        thickness = sensor == 2 ? none : 12.5;
        seconds = sensor == 0 ? 250.0 : none;
        return Outcome::Ok();
    }
    Outcome OutputReading(int output, Triple& reading) const override
    {
        reading = {1.25, 0.1 * output, 12.5};
        return Outcome::Ok();
    }
    Outcome AnalogVolts(int input, double& volts) const override
    {
        volts = -2.5 * input;
        return Outcome::Ok();
    }
    Outcome State(RunState& value) const override
    {
        value = state;
        return Outcome::Ok();
    }
    Outcome Start() override { return Change(QStringLiteral("start"), RunState::Run); }
    Outcome Stop() override { return Change(QStringLiteral("stop"), RunState::Stop); }
    Outcome Hold() override { return Change(QStringLiteral("hold"), RunState::Hold); }
    Outcome Resume() override { return Change(QStringLiteral("resume"), RunState::Run); }
    Outcome Zero(int output) override { return Log(QStringLiteral("zero %1").arg(output)); }
    Outcome ZeroAll() override { return Log(QStringLiteral("zero all")); }
    Outcome SetMode(int output, OutputMode mode) override
    {
        modes[size_t(output)] = mode;
        return Log(QStringLiteral("mode %1 %2").arg(output).arg(int(mode)));
    }
    Outcome Mode(int output, OutputMode& mode) const override
    {
        mode = modes[size_t(output)];
        return Outcome::Ok();
    }
    Outcome SetRate(int output, double rate) override
    {
        if (rate > 100.0)
            return Outcome::Error(DataOutOfRange,
                                  QStringLiteral("Rate must be between 0 and 100 !"));
        rates[size_t(output)] = rate;
        return Log(QStringLiteral("rate %1 %2").arg(output).arg(rate));
    }
    Outcome Rate(int output, double& rate) const override
    {
        rate = rates[size_t(output)];
        return Outcome::Ok();
    }
    Outcome SetThickness(int output, double value) override
    {
        return Log(QStringLiteral("thick %1 %2").arg(output).arg(value));
    }
    Outcome SetPower(int output, double value) override
    {
        return Log(QStringLiteral("power %1 %2").arg(output).arg(value));
    }
    Outcome LoadSetup(const QString& name) override { return Log(QStringLiteral("load ") + name); }
    Outcome LoadRecipe(const QString& name) override
    {
        return Log(QStringLiteral("recipe load ") + name);
    }
    Outcome StartRecipe() override { return Log(QStringLiteral("recipe start")); }
    Outcome AbortRecipe() override { return Log(QStringLiteral("recipe abort")); }
    Outcome RecipeProgress(RecipeStatus& status) const override
    {
        status = recipe;
        return Outcome::Ok();
    }

    Outcome Materials(QList<Material>& list) const override
    {
        list = materials;
        return Outcome::Ok();
    }
    Outcome SetSensorMaterial(int sensor, const QString& name) override
    {
        if (name != QLatin1String("Gold"))
            return Outcome::Error(DataOutOfRange,
                                  QStringLiteral("Unknown material \"%1\".").arg(name));
        return Log(QStringLiteral("material %1 %2").arg(sensor).arg(name));
    }
    Outcome SensorMaterial(int sensor, QString& name, double& density, double& z) const override
    {
        name = sensor == 0 ? QStringLiteral("Gold") : QString();
        density = sensor == 0 ? 19.3 : 10;
        z = sensor == 0 ? 0.381 : 1;
        return Outcome::Ok();
    }

    bool controls = true;
    QList<Material> materials{
        {QStringLiteral("Gold"), QStringLiteral("Au"), 19.3, 0.381, true, {}, 0},
        {QStringLiteral("Say \"hi\""), QStringLiteral("Hi"), 2.2, 1.0, false, {}, 0}};
    int refuse = 0; // an error number every change returns, 0 to accept
    RunState state = RunState::Stop;
    std::array<OutputMode, 14> modes{};
    std::array<double, 14> rates{};
    RecipeStatus recipe;
    QStringList calls;

private:
    Outcome Log(const QString& call)
    {
        if (refuse != 0) return Outcome::Error(refuse);
        calls.append(call);
        return Outcome::Ok();
    }
    Outcome Change(const QString& call, RunState next)
    {
        Outcome outcome = Log(call);
        if (outcome.ok()) state = next;
        return outcome;
    }
};

} // namespace tlv::remote::testing
