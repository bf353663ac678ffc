#include "SourceModel.h"

#include "../TextUtil.h"

#include <algorithm>
#include <cmath>

namespace tlv880::bus::emu {

namespace {

// The classes of source the field knows. Thermal: a resistance-heated boat, slow to warm up and
// cool down, quiet. Electron beam: answers fast, but the swept beam ripples the rate and the
// melt spits. Sputter: a magnetron, fast and smooth, nearly linear in power.
SourceParameters Thermal()
{
    SourceParameters p;
    p.maxRate = 20;
    p.threshold = 0.20;
    p.exponent = 2;
    p.lag = 10;
    p.deadTime = 1.5;
    p.noise = 0.01;
    p.noiseTime = 0.5;
    return p;
}

SourceParameters Ebeam()
{
    SourceParameters p;
    p.maxRate = 40;
    p.threshold = 0.05;
    p.exponent = 1.5;
    p.lag = 0.6;
    p.deadTime = 0.1;
    p.noise = 0.03;
    p.noiseTime = 0.1;
    p.sweep = 0.02;
    p.sweepHz = 0.7;
    p.spitsPerMinute = 1;
    p.spitSize = 1;
    p.spitTime = 0.05;
    return p;
}

SourceParameters Sputter()
{
    SourceParameters p;
    p.maxRate = 10;
    p.threshold = 0.05;
    p.exponent = 1;
    p.lag = 0.3;
    p.deadTime = 0.1;
    p.noise = 0.002;
    p.noiseTime = 0.1;
    return p;
}

// Correlation of a quantity with time constant t over one tick (0 when t is 0).
double decay(double tick, double t)
{
    return t > 0 ? std::exp(-tick / t) : 0.0;
}

} // namespace

const char* SourcePresetNames()
{
    return "thermal, ebeam, sputter";
}

bool SourcePreset(const std::string& name, SourceParameters* parameters)
{
    const std::string key = Lower(Trimmed(name));
    if (key == "thermal")
        *parameters = Thermal();
    else if (key == "ebeam")
        *parameters = Ebeam();
    else if (key == "sputter")
        *parameters = Sputter();
    else
        return false;
    return true;
}

double SteadyRate(const SourceParameters& parameters, double power)
{
    const double p = std::clamp(power, 0.0, 1.0);
    if (p <= parameters.threshold || parameters.threshold >= 1) return 0;
    return parameters.maxRate *
           std::pow((p - parameters.threshold) / (1 - parameters.threshold), parameters.exponent);
}

SourceModel::SourceModel(const SourceParameters& parameters, double tickSeconds, uint64_t seed)
    : parameters_(parameters), tick_(tickSeconds),
      lagFactor_(1 - decay(tickSeconds, parameters.lag)),
      noiseFactor_(decay(tickSeconds, parameters.noiseTime)),
      // The power written now reaches the rate after deadTime: that many ticks of history.
      delayLine_(static_cast<size_t>(std::llround(parameters.deadTime / tickSeconds)) + 1, 0.0),
      random_(seed)
{
}

void SourceModel::step()
{
    delayLine_[delayIndex_] = power_;
    delayIndex_ = (delayIndex_ + 1) % delayLine_.size();
    const double delayed = delayLine_[delayIndex_]; // written deadTime ago (or now without one)
    const double steady = SteadyRate(parameters_, delayed);
    lagged_ += (steady - lagged_) * lagFactor_;

    // Ornstein-Uhlenbeck noise: rms 1 whatever the correlation time.
    noiseValue_ = noiseValue_ * noiseFactor_ +
                  std::sqrt(1 - noiseFactor_ * noiseFactor_) * random_.gaussian();
    const double time = static_cast<double>(ticks_) * tick_;
    double rate =
        lagged_ * (1 + parameters_.noise * noiseValue_ +
                   parameters_.sweep * std::sin(2 * kModelPi * parameters_.sweepHz * time));
    // Spits come only from a melt that evaporates, at random (Poisson) times.
    if (spitLeft_ <= 0 && steady > 0 && parameters_.spitsPerMinute > 0 &&
        random_.uniform() < parameters_.spitsPerMinute / 60 * tick_)
        spitLeft_ = std::max(parameters_.spitTime, tick_);
    if (spitLeft_ > 0) {
        rate += parameters_.spitSize / std::max(parameters_.spitTime, tick_);
        spitLeft_ -= tick_;
    }
    rate_ = std::max(0.0, rate);
    film_ += rate_ * tick_;
    ++ticks_;
}

} // namespace tlv880::bus::emu
