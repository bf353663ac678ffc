// The Z-match relation between the film on a crystal and its frequency: the card library turns
// a frequency into a thickness with it, and the emulated crystals turn a film back into a
// frequency with the same constants, so the library reads back the film the model laid down.
#pragma once

namespace tlv880::bus::emu {

constexpr double kQuartzFrequencyConstant = 1.668e13; // Nq, Hz x Angstrom
constexpr double kQuartzDensity = 2.648;              // g/cm3
constexpr double kPi = 3.14159265358979;              // as the library stores it

// Areal mass of the film (Angstrom x g/cm3: thickness times density) on a crystal that runs at
// fresh Hz uncoated and at f Hz now, for the film's Z-ratio.
double MassOfFrequency(double fresh, double f, double zRatio);

// The frequency of a crystal of fresh Hz carrying a film of the given areal mass. Films heavier
// than half the crystal's frequency can carry read as half the fresh frequency (the relation
// holds only above it; a real crystal has stopped long before).
double FrequencyOfMass(double fresh, double mass, double zRatio);

} // namespace tlv880::bus::emu
