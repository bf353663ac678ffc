// Output control: the velocity-form PID increment, the loop pass of every measurement cycle, the
// analog-input loop and the conversion of a power into converter codes for registers 0x08 / 0x14.
// Pure functions over LibraryState; register writes are collected, not performed.
#pragma once

#include "LibraryState.h"
#include "RegisterWrites.h"

namespace tlv880 {

enum class LoopKind { Rate, Analog };

// PID increment of output o for error e. A rate loop whose sensors all failed this cycle gets 0
// and keeps its error history.
double PidIncrement(LibraryState& s, int output, double error, LoopKind kind);

// Converter code of a power on output o: limited to 0..max power, negated when the first card
// reported a valid firmware version, times 32760 and the full-scale fraction, truncated. Values
// beyond the 32-bit range saturate (NaN gives 0).
int32_t OutputCode(const LibraryState& s, int output, double power);

// Writes power p to output o: updates the card's code pair and adds the register write of the
// pair (register 0x08 of card o / 2, or 0x14 of the first card for outputs 12 and 13).
void WriteOutput(LibraryState& s, int output, double power, RegisterWrites& writes);

// Register value of a code pair: high * 65536 + low in 32-bit two's complement.
uint32_t PackCodes(int32_t high, int32_t low);

// Loop pass of a cycle: every enabled loop follows its setpoint, then all 14 outputs are written
// (when writes is not null, i.e. in real mode) and their powers stored in the current slot.
void RunLoopPass(LibraryState& s, RegisterWrites* writes);

// Analog-input loop for input a with value v: drives the output it is mapped to when that
// output's loop is enabled, and stores the power in the current slot.
void RunAnalogInputLoop(LibraryState& s, int input, double value);

// Moves the power towards the control output with the given step limit.
void SlewPower(OutputLoop& loop, double step);

// Clears the converter codes (those of 12 and 13 too with the analog section).
void ClearOutputCodes(LibraryState& s);

} // namespace tlv880
