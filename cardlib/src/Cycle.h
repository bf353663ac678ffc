// One measurement cycle, real or simulated, as the acquisition thread runs it: a new reading slot,
// frequencies, thickness and rate, loop pass, and (simulated) the simulation update and analog
// ring. Runs under the state mutex; the real cycle returns the register writes (output codes and
// the restart sequence) for the caller to perform after releasing it.
#pragma once

#include "LibraryState.h"
#include "RegisterWrites.h"

namespace tlv880 {

// counts: the raw count register of each sensor (bit 31 is ignored), kSensors entries.
void RunMeasurementCycle(LibraryState& s, const uint32_t* counts, RegisterWrites& writes);

void RunSimulatedCycle(LibraryState& s);

// Restart sequence of the cards: 2 to register 0x10 of the first card, then 0, 1, 3, 1 to
// register 0x0C of every card.
void AddRestartSequence(const LibraryState& s, RegisterWrites& writes);

// Channel count register of a sensor: channels 0..3 read 0x04, 0x08, 0x0C, 0x00.
uint32_t CountRegister(int sensor);

} // namespace tlv880
