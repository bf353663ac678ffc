// A deposition source behind one output of an emulated card: how its rate answers the power the
// output drives. The steady rate is zero below a threshold power and then rises as
//   rate = maxRate x ((p - threshold) / (1 - threshold))^exponent
// (p the power fraction 0..1); the rate follows it with a dead time and a first-order lag, and
// carries noise, a sweep ripple and spits. Rates are Angstrom/s of the source's own film at the
// reference (substrate) position; crystals see them through their tooling factors.
#pragma once

#include "ModelRandom.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tlv880::bus::emu {

// Everything that describes a source; the loop tuner and the tests build their plants from it.
struct SourceParameters {
    double maxRate = 10;       // Angstrom/s at full power
    double threshold = 0;      // power fraction below which nothing evaporates
    double exponent = 1;       // of the rate curve above the threshold
    double lag = 0;            // time constant of the first-order lag, s (0: none)
    double deadTime = 0;       // s between a power change and the first change of rate
    double noise = 0;          // rate noise, fraction of the rate (rms)
    double noiseTime = 0;      // correlation time of the noise, s (0: new value every tick)
    double sweep = 0;          // sweep ripple, fraction of the rate (amplitude)
    double sweepHz = 0;        // frequency of the sweep ripple
    double spitsPerMinute = 0; // mean number of spits while the source evaporates
    double spitSize = 0;       // Angstrom one spit adds
    double spitTime = 0.05;    // s over which a spit lays its film down
    double density = 10;       // g/cm3 of the film
};

// Fills parameters with a named preset ("thermal", "ebeam", "sputter"; case as given is
// ignored); false for an unknown name, parameters unchanged.
bool SourcePreset(const std::string& name, SourceParameters* parameters);
// The preset names, for messages.
const char* SourcePresetNames();

// The rate a source settles at for a constant power fraction.
double SteadyRate(const SourceParameters& parameters, double power);

// One source stepping in fixed ticks. The dead-time delay line is allocated here, once; step()
// allocates nothing.
class SourceModel {
public:
    SourceModel(const SourceParameters& parameters, double tickSeconds, uint64_t seed);

    const SourceParameters& parameters() const { return parameters_; }
    // The power fraction the output drives from now on.
    void setPower(double power) { power_ = power; }
    // Advances one tick.
    void step();
    // Advances the given number of ticks at once while the power stands still, its dead time
    // passed: the lag runs its course in closed form, without noise, sweep or spits.
    void settle(uint64_t ticks);
    // Ticks between a power change and its first effect on the rate.
    size_t delayTicks() const { return delayLine_.size() - 1; }
    // The rate during the last tick (noise and spits included), Angstrom/s.
    double rate() const { return rate_; }
    // Film laid down at the reference position since the start, Angstrom.
    double film() const { return film_; }

private:
    SourceParameters parameters_;
    double tick_;
    double lagFactor_;   // share of the gap to the steady rate closed per tick
    double noiseFactor_; // per-tick correlation of the noise
    std::vector<double> delayLine_;
    size_t delayIndex_ = 0;
    ModelRandom random_;

    double power_ = 0;
    double lagged_ = 0;
    double noiseValue_ = 0;
    double spitLeft_ = 0; // s of the current spit still to run
    uint64_t ticks_ = 0;
    double rate_ = 0;
    double film_ = 0;
};

} // namespace tlv880::bus::emu
