#include "Cycle.h"

#include "Loops.h"
#include "Measurement.h"
#include "Rings.h"
#include "Simulation.h"

#include <algorithm>
#include <initializer_list>

namespace tlv880 {

uint32_t CountRegister(int sensor)
{
    return static_cast<uint32_t>(4 * ((sensor + 1) % 4));
}

void AddRestartSequence(const LibraryState& s, RegisterWrites& writes)
{
    writes.add(0, reg::kFirmwarePanel, 2);
    for (uint32_t value : {0u, 1u, 3u, 1u})
        for (int k = 0; k < s.cardCount && k < kMaxCards; ++k)
            writes.add(k, reg::kControl, value);
}

void RunMeasurementCycle(LibraryState& s, const uint32_t* counts, RegisterWrites& writes)
{
    ReadingSlot& slot = AdvanceReadingRing(s.readings);
    // Local copies: the stores into the slot cannot then alias them, so the loop keeps them in
    // registers.
    const int sensors = std::min(s.sensorCount, kSensors);
    const uint32_t gate = s.gate;
    const double referenceClock = s.referenceClock;
    const double minFrequency = s.minFrequency;
    const double maxFrequency = s.maxFrequency;
    for (int i = 0; i < sensors; ++i)
        slot.frequency[i] = FrequencyFromCount(counts[i] & 0x7FFFFFFFu, gate, referenceClock,
                                               minFrequency, maxFrequency);
    ComputeThicknessAndRate(s);
    RunLoopPass(s, &writes);
    s.toolingChanged = 0;
    AddRestartSequence(s, writes);
}

void RunSimulatedCycle(LibraryState& s)
{
    ReadingSlot& slot = AdvanceReadingRing(s.readings);
    for (int i = 0; i < s.sensorCount && i < kSensors; ++i)
        slot.frequency[i] = s.simFrequency[i];
    ComputeThicknessAndRate(s);
    RunLoopPass(s, nullptr);
    RunSimulationUpdate(s);
    s.toolingChanged = 0;
    for (int a = 0; a < kAnalogInputs; ++a)
        if (s.analogMap[a] != -1) RunAnalogInputLoop(s, a, s.simAnalog[a]);
    for (int a = 0; a < kAnalogInputs; ++a)
        s.analogValues[a] = s.simAnalog[a];
    double* analogSlot = AdvanceAnalogRing(s.analog);
    for (int a = 0; a < kAnalogInputs; ++a)
        analogSlot[a] = s.analogValues[a];
}

} // namespace tlv880
