#pragma once
// A deposition process simulated in steps of instrument time, for the recipe run's tests: each
// output is a source whose rate follows its power with a lag, under a PI rate loop when the
// recipe asks for rate control; thickness is the integral of the rate. Every command is
// recorded with the time it came, so a test can check what reached the outputs and when.

#include "RecipeProcess.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace coflux::test {

class SimulatedProcess : public RecipeProcess {
public:
    struct Command {
        enum Kind { Power, RateControl, Setpoint, Zero, ZeroSensor, AllOff, Material } kind;
        int channel;
        double value;
        double time;
    };

    struct Source {
        double power = 0;           // %
        double rate = 0;            // Å/s
        double thick = 0;           // Å
        bool loop = false;          // under rate control
        double setpoint = 0;        // Å/s
        double maxPower = 100;      // the supply cannot give more
        double ratePerPower = 0.25; // Å/s per % above the threshold
        double threshold = 10;      // % below which nothing evaporates
        bool crystalFailed = false;
        // The crystal fails once this thickness is passed after the output's first zero.
        std::optional<double> failAtThick;
        bool zeroed = false;
    };

    // The time stamp of the first reading (seconds since midnight).
    explicit SimulatedProcess(double startTime = 36000) : m_time(startTime)
    {
        sensorOutput.fill(-1);
    }

    std::array<Source, kProcessOutputs> sources;
    // Sensor s watches output sensorOutput[s] (-1: none).
    std::array<int, kProcessSensors> sensorOutput{};

    std::array<double, kProcessSensors> sensorThick{};
    std::vector<Command> commands;
    // Readings report the thickness from before a zero for this many readings after it.
    int staleReadingsAfterZero = 0;

    double Now() const { return m_time; }

    // Advances the sources by dt seconds and returns the reading at the new time.
    RecipeReading Step(double dt)
    {
        m_time += dt;
        RecipeReading r;
        r.time = m_time >= 86400 ? m_time - 86400 : m_time;
        for (size_t j = 0; j < sources.size(); ++j) {
            Source& s = sources[j];
            if (s.loop && !s.crystalFailed) {
                s.power += 4.0 * (s.setpoint - s.rate) * dt;
                s.power = std::clamp(s.power, 0.0, s.maxPower);
            }
            const double target = s.ratePerPower * std::max(0.0, s.power - s.threshold);
            s.rate += (target - s.rate) * std::min(1.0, dt / 1.5); // the source's thermal lag
            s.thick += s.rate * dt;
            if (s.failAtThick && s.zeroed && s.thick >= *s.failAtThick) s.crystalFailed = true;
            r.outputPower[j] = s.power;
            r.outputRate[j] = s.crystalFailed ? 0 : s.rate;
            r.outputThick[j] = s.crystalFailed ? 0 : s.thick;
            r.outputCrystalFailed[j] = s.crystalFailed;
        }
        for (size_t s = 0; s < sensorOutput.size(); ++s) {
            if (sensorOutput[s] < 0) continue;
            const Source& src = sources[size_t(sensorOutput[s])];
            sensorThick[s] += src.rate * dt;
            r.sensorRate[s] = src.crystalFailed ? 0 : src.rate;
            r.sensorThick[s] = src.crystalFailed ? 0 : sensorThick[s];
            r.sensorCrystalFailed[s] = src.crystalFailed;
        }
        if (m_stale > 0) {
            --m_stale;
            r.outputThick = m_staleThick;
        }
        return r;
    }

    void SetPower(int slot, double percent) override
    {
        Record(Command::Power, slot, percent);
        Source& s = sources[size_t(slot)];
        s.loop = false;
        s.power = std::min(percent, s.maxPower);
    }
    void StartRateControl(int slot, double rate) override
    {
        Record(Command::RateControl, slot, rate);
        sources[size_t(slot)].loop = true;
        sources[size_t(slot)].setpoint = rate;
    }
    void SetRateSetpoint(int slot, double rate) override
    {
        Record(Command::Setpoint, slot, rate);
        sources[size_t(slot)].setpoint = rate;
    }
    void ZeroThickness(int slot) override
    {
        Record(Command::Zero, slot, 0);
        if (staleReadingsAfterZero > 0) {
            m_stale = staleReadingsAfterZero;
            for (size_t j = 0; j < sources.size(); ++j)
                m_staleThick[j] = sources[j].thick;
        }
        sources[size_t(slot)].thick = 0;
        sources[size_t(slot)].zeroed = true;
    }
    void ZeroSensor(int sensor) override
    {
        Record(Command::ZeroSensor, sensor, 0);
        sensorThick[size_t(sensor)] = 0;
    }
    // The film only changes what the sensors would read; the simulated sources ignore it.
    void SetOutputMaterial(int slot, const QString& material) override
    {
        Record(Command::Material, slot, 0);
        materials.push_back(material);
    }
    std::vector<QString> materials; // in the order they were set

    void AllOutputsOff() override
    {
        Record(Command::AllOff, -1, 0);
        for (Source& s : sources) {
            s.loop = false;
            s.power = 0;
        }
    }

    // Commands of one kind (and channel, unless -1) in the order they came.
    std::vector<Command> Of(Command::Kind kind, int channel = -1) const
    {
        std::vector<Command> found;
        for (const Command& c : commands)
            if (c.kind == kind && (channel < 0 || c.channel == channel)) found.push_back(c);
        return found;
    }

private:
    void Record(Command::Kind kind, int channel, double value)
    {
        commands.push_back({kind, channel, value, m_time});
    }

    double m_time;
    int m_stale = 0;
    std::array<double, kProcessOutputs> m_staleThick{};
};

} // namespace coflux::test
