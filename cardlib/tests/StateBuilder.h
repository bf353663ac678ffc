// Builds LibraryState instances for tests that drive cycles with counts or frequencies directly.
#pragma once

#include "LibraryState.h"
#include "Measurement.h"

namespace tlv880::test {

// Defaults of the frequency window and period, initial frequency 6 MHz, and a film of density
// 2.7, Z-factor 1.2 and tooling 1.0 on every sensor.
inline LibraryState MakeState(double density = 2.7, double zFactor = 1.2, double tooling = 1.0)
{
    LibraryState s;
    s.initialFrequency = 6000000.0;
    s.initialised = 1;
    for (int i = 0; i < kSensors; ++i) {
        s.density[i] = density;
        s.zFactor[i] = zFactor;
        s.tooling[i] = tooling;
    }
    ComputeThicknessConstants(s);
    return s;
}

// Count register value that a card latches for frequency f with the state's gate and clock.
inline uint32_t CountFor(const LibraryState& s, double f)
{
    return static_cast<uint32_t>(static_cast<double>(s.gate) * s.referenceClock / f);
}

} // namespace tlv880::test
