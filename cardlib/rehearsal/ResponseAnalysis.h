// Figures of a source's response and of a rate loop's quality, measured from the library's
// readings: what a process engineer reads off a chart, computed the same way every time so that
// presets, loop terms and tuners can be compared.
#pragma once

#include <vector>

namespace tlv880::rehearsal {

// A source's answer to a power step, as a first-order lag behind a dead time.
struct StepFigures {
    bool valid = false;
    double deadTime = 0;   // s from the step to the first change of rate
    double riseTime63 = 0; // s from the step until the rate reaches 63 % of its change
    double steadyRate = 0; // Angstrom/s the rate settles at
    double lag = 0;        // riseTime63 - deadTime: the time constant
};

// Fits the thickness readings (times in s, thickness in Angstrom, 0 before the step) that follow
// a power step at stepTime. The rate settles long before the last readings: the straight line
// through the readings from settledFrom on gives the steady rate and, where it crosses zero
// thickness, the 63 % time; the dead time is the one that makes the first-order rise fit the
// readings before settledFrom best.
StepFigures FitStep(const std::vector<double>& times, const std::vector<double>& thickness,
                    double stepTime, double settledFrom);

// The time (s after stepTime) at which the rate readings first reach the given level, read
// between the readings' mid-times (a rate reading is the mean over its period); -1 if never.
double CrossingTime(const std::vector<double>& times, const std::vector<double>& rates,
                    double period, double stepTime, double level);

struct LoopFigures {
    double settleTime = -1; // s from the start until the rate stays within the band for `hold` s
    double overshoot = 0;   // % of the setpoint the rate rose above it at most (0 if never)
};

// Settle time and overshoot of rate readings (times in s) under a loop started at startTime
// towards setpoint: the first reading from which every reading for the next `hold` seconds lies
// within band (a fraction, e.g. 0.05) of the setpoint; -1 when the readings never do.
LoopFigures MeasureLoop(const std::vector<double>& times, const std::vector<double>& rates,
                        double setpoint, double startTime, double band = 0.05, double hold = 10);

// The moving mean over the last `length` values (fewer at the start), as the instrument filters.
std::vector<double> MovingMean(const std::vector<double>& values, int length);

} // namespace tlv880::rehearsal
