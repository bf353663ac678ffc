// A rate loop rehearsed on the virtual coater: one source on output 0 feeding the crystal of
// sensor 0, the loop started from power 0 (or after a soak at a start power, as a recipe's
// pre-conditioning leaves it), and the figures an operator judges a loop by. The
// loop tuner and the loop benchmark build on it.
#pragma once

#include "ResponseAnalysis.h"
#include "emulated/SourceModel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tlv880::rehearsal {

// The loop's terms and the output's limits, in the library's units (fractions, seconds).
struct LoopTerms {
    double setpoint = 5; // Angstrom/s
    double pTerm = 100;
    double iTerm = 1;
    double dTerm = 0;
    double period = 0.25;   // s
    double fullScale = 10;  // V
    double maxPower = 1;    // fraction
    double slewRate = 1;    // power fraction per second
    int filter = 4;         // readings the instrument averages the rate over
    double density = 10;    // of the film, as the sensor's material
    double seconds = 120;   // of card time under the loop
    double startPower = 0;  // fraction the output soaks at before rate control starts
    double soakSeconds = 1; // of card time at the start power
};

struct LoopRun {
    LoopFigures raw;      // from the library's rate readings
    LoopFigures filtered; // from the rate as the instrument shows it (moving mean of `filter`)
    std::vector<double> times, rates, powers;
};

// A chamber file with one source of these parameters on output 0 and its crystal on sensor 0
// (tooling 1); every parameter is written out, so the file needs no preset.
std::string OneSourceChamber(const bus::emu::SourceParameters& source, uint64_t seed);

// Runs the loop on the chamber (text of a chamber file with a source on output 0 and a crystal
// on sensor 0) on the manual clock, after the soak; false with the reason in error.
bool RehearseLoop(const std::string& chamber, const LoopTerms& terms, LoopRun* run,
                  std::string* error);

} // namespace tlv880::rehearsal
