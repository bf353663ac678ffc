#include "Simulation.h"

namespace tlv880 {

namespace {

double HistorySum(const LibraryState& s, int output)
{
    double sum = 0;
    for (int h = 0; h < kSimHistory; ++h)
        sum += s.simRateHistory[output][h];
    return sum;
}

// Outputs 0 .. output count - 1, then 12 and 13 unless already visited: each output is handled
// once per update, so a sensor on an analog output falls at the same rate as on a source output.
template <typename Visit> void ForEachSimulatedOutput(const LibraryState& s, Visit visit)
{
    const int count = s.outputCount < kOutputs ? s.outputCount : kOutputs;
    for (int o = 0; o < count; ++o)
        visit(o);
    if (count <= kAnalogOutputA) visit(kAnalogOutputA);
    if (count <= kAnalogOutputB) visit(kAnalogOutputB);
}

} // namespace

int NextRandom(uint32_t& seed)
{
    seed = seed * 214013u + 2531011u;
    return static_cast<int>((seed >> 16) & 0x7FFFu);
}

double SimulatedRate(double power)
{
    const double x = power * 10 - 1;
    double rate = x > 0 ? 2.75 * x * x - 9.93 * x : 0.0;
    if (rate < 0) rate = 0;
    return rate;
}

void RunSimulationUpdate(LibraryState& s)
{
    ForEachSimulatedOutput(s, [&](int o) {
        s.simRateHistory[o][s.simHistoryIndex] = SimulatedRate(s.loops[o].power);
    });

    for (int a = 0; a < kAnalogInputs; ++a) {
        const int o = s.analogMap[a];
        if (o < 0 || o >= kOutputs) continue;
        double m = HistorySum(s, o) / 10;
        if (m > 10) m = 10;
        if (m < 0) m = 0;
        s.simAnalog[a] = m;
    }

    s.simHistoryIndex = s.simHistoryIndex >= kSimHistory - 1 ? 0 : s.simHistoryIndex + 1;

    ForEachSimulatedOutput(s, [&](int o) {
        const double d = HistorySum(s, o) / 5;
        for (int j = 0; j < s.sensorCount && j < kSensors; ++j) {
            if (!((s.sensorMask[o] >> j) & 1u)) continue;
            const int r = NextRandom(s.randomSeed);
            double f = s.simFrequency[j] - d + (r - 16383) / 80000.0;
            f -= d;
            s.simFrequency[j] = f < s.minFrequency ? kNoSignal : f;
        }
    });
}

void ClearSimulatedHistory(LibraryState& s)
{
    for (int o = 0; o < s.outputCount && o < kOutputs; ++o)
        for (int h = 0; h < kSimHistory; ++h)
            s.simRateHistory[o][h] = 0;
}

} // namespace tlv880
