#pragma once
// The recorder function: an output in Record mode drives a chart recorder with one measured
// value, scaled so that the chosen full-scale value gives 100 %.

#include "ProcessTables.h"
#include "ReadingArrays.h"

namespace coflux {

// Recorder scales (OutputRecord::RecScale); 100 % is reached at the named value.
enum RecorderScale : short {
    Scale10Rate = 0,   // 10 Å/s
    Scale100Rate = 1,  // 100 Å/s
    Scale100kA = 2,    // 100 kÅ
    Scale1000kA = 3,   // 1000 kÅ
    Scale10Power = 4,  // 10 %
    Scale100Power = 5, // 100 %
    Scale1Volt = 6,    // 1 V
    Scale10Volts = 7   // 10 V
};

// Recorder output of `output` in %, not clamped. The input is, in this order: the output's analog
// input (volt scales only), the output named as its input (rate, thickness or power), the first of
// sensors 1..8 that feeds it (rate or thickness). A scale that does not fit the input gives 0.
double RecorderValue(const OutputRecord& output, const ReadingArrays& readings);

// The value actually sent: below 0 sends 0, 100 or more sends 100.
double ClampRecorderPower(double percent);

} // namespace coflux
