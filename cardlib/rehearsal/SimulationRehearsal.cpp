#include "SimulationRehearsal.h"

#include "Cycle.h"
#include "LibraryState.h"
#include "Measurement.h"

#include <cmath>

namespace tlv880::rehearsal {

SimulatedChamber::SimulatedChamber(double period, double density)
    : m_state(std::make_unique<LibraryState>()), m_period(period)
{
    LibraryState& s = *m_state;
    s.period = period;
    s.initialFrequency = 6000000.0;
    s.maxFrequency = 6100000.0;
    s.initialised = 1;
    s.sensorCount = kSensors;
    s.outputCount = kOutputs;
    for (int i = 0; i < kSensors; ++i) {
        s.density[i] = density;
        s.zFactor[i] = 1;
        s.tooling[i] = 1;
        s.simFrequency[i] = kSimulatedStartFrequency;
    }
    ComputeThicknessConstants(s);
    s.sensorMask[0] = 0x1;
}

SimulatedChamber::~SimulatedChamber() = default;

void SimulatedChamber::SetPower(double power)
{
    OutputLoop& loop = m_state->loops[0];
    loop.enabled = 0;
    loop.power = power;
}

void SimulatedChamber::StartLoop(const LoopTerms& terms)
{
    OutputLoop& loop = m_state->loops[0];
    loop.fullScale = terms.fullScale / 10;
    loop.maxPower = terms.maxPower;
    loop.slewRate = terms.slewRate;
    loop.setpoint = terms.setpoint;
    loop.pTerm = terms.pTerm;
    loop.iTerm = terms.iTerm;
    loop.dTerm = terms.dTerm;
    loop.controlOutput = loop.power;
    if (!loop.enabled) loop.lastIncrement = loop.e0 = loop.e1 = loop.e2 = 0;
    loop.enabled = 1;
}

void SimulatedChamber::Run(int cycles)
{
    for (int c = 0; c < cycles; ++c) {
        RunSimulatedCycle(*m_state);
        const ReadingSlot& slot = m_state->readings.slots[m_state->readings.writeIndex];
        m_times.push_back(double(m_times.size() + 1) * m_period);
        m_rates.push_back(slot.rate[0]);
        m_powers.push_back(slot.power[0]);
    }
}

LoopRun RehearseSimulatedLoop(const LoopTerms& terms)
{
    SimulatedChamber chamber(terms.period, terms.density);
    chamber.SetPower(terms.startPower);
    chamber.Run(int(std::lround(terms.soakSeconds / terms.period)));
    const double start = chamber.Now();
    chamber.StartLoop(terms);
    chamber.Run(int(terms.seconds / terms.period));
    LoopRun run;
    run.times = chamber.Times();
    run.rates = chamber.Rates();
    run.powers = chamber.Powers();
    run.raw = MeasureLoop(run.times, run.rates, terms.setpoint, start);
    run.filtered =
        MeasureLoop(run.times, MovingMean(run.rates, terms.filter), terms.setpoint, start);
    return run;
}

} // namespace tlv880::rehearsal
