// Simulate mode: crystals that lose frequency with the power of the outputs they feed, and analog
// inputs that follow the simulated deposition of their outputs.
#pragma once

#include "LibraryState.h"

namespace tlv880 {

// Next value 0..32767 of the simulation's pseudo-random generator (linear congruential, fixed
// default seed 1 until seeded from the time of day).
int NextRandom(uint32_t& seed);

// Simulated deposition rate of an output driven at power p: 2.75 x^2 - 9.93 x with
// x = 10 p - 1 when positive, else 0.
double SimulatedRate(double power);

// One simulation update: rate history, analog values, and the fall of every fed crystal.
void RunSimulationUpdate(LibraryState& s);

// Clears the rate history of outputs 0 .. output count - 1.
void ClearSimulatedHistory(LibraryState& s);

} // namespace tlv880
