// Identifying a source from an open-loop power step: a first-order lag behind a dead time
// (gain in Angstrom/s per % of power, time constant and dead time in seconds) fitted by least
// squares to the rate readings, with how much of the response the model explains and the rate
// noise left over. Pure arithmetic: no library, no clock.
#pragma once

#include <string>
#include <vector>

namespace tlv880::tuning {

// The source near an operating point: after the dead time the rate heads for
//   max(0, gain * (power - thresholdPower))
// with the time constant. thresholdPower is where the straight line through the operating point
// meets zero rate (the linear model's threshold).
struct SourceModel {
    double gain = 0;           // Angstrom/s per %
    double timeConstant = 0;   // s
    double deadTime = 0;       // s
    double thresholdPower = 0; // %
};

// A power the output was given at a time (s), in %.
struct PowerChange {
    double time = 0;
    double power = 0;
};

// What was recorded: the rate readings (times in s, rates in Angstrom/s) and the powers
// commanded from the first entry on (the steady power before the step comes first).
// window: the seconds each rate reading averages over (one period for the library's own rate,
// filter x period for the rate as the instrument shows it).
struct StepRecord {
    std::vector<double> times;
    std::vector<double> rates;
    std::vector<PowerChange> powers;
    double window = 0.25;
};

enum class FitVerdict {
    Fitted,
    NoResponse, // the rate did not follow the step (below the source's threshold power)
    TooNoisy,   // the noise is too large a share of the response
    PoorFit,    // the model explains too little of the response
    TooFewReadings
};

struct StepFit {
    FitVerdict verdict = FitVerdict::TooFewReadings;
    SourceModel model;
    double baseRate = 0;   // Angstrom/s at the steady power before the step
    double response = 0;   // Angstrom/s the rate changed by with the (first) step
    double fitQuality = 0; // share of the response's variance the model explains (R squared)
    double rateNoise = 0;  // Angstrom/s, RMS of the rate at the steady power before the step
    std::string message;   // why it was refused; empty when fitted
    // The fitted model's rate at each reading time, for drawing it over the readings.
    std::vector<double> modelRates;
};

// Fits the record. The model's prediction for a reading is the mean of the modelled rate over
// the reading's window, so a filtered rate is fitted without taking the filter for the source.
StepFit FitStep(const StepRecord& record);

// The rate the model gives at each of `times` for the power schedule, averaged over `window`.
// powers[0] is the steady power the base rate belongs to.
std::vector<double> ModelRates(const SourceModel& model, double baseRate,
                               const std::vector<PowerChange>& powers,
                               const std::vector<double>& times, double window);

} // namespace tlv880::tuning
