#include "SourceModel.h"

#include "../TextUtil.h"

#include <algorithm>
#include <cmath>

namespace tlv880::bus::emu {

namespace {

// The classes of source the field knows. Thermal: a resistance-heated boat, slow to warm up and
// cool down, quiet. Electron beam: answers fast, but the swept beam ripples the rate and the
// melt spits. Sputter: a magnetron, fast and smooth, nearly linear in power.
constexpr SourceParameters kThermal{.maxRate = 20,
                                    .threshold = 0.20,
                                    .exponent = 2,
                                    .lag = 10,
                                    .deadTime = 1.5,
                                    .noise = 0.01,
                                    .noiseTime = 0.5};
constexpr SourceParameters kEbeam{.maxRate = 40,
                                  .threshold = 0.05,
                                  .exponent = 1.5,
                                  .lag = 0.6,
                                  .deadTime = 0.1,
                                  .noise = 0.03,
                                  .noiseTime = 0.1,
                                  .sweep = 0.02,
                                  .sweepHz = 0.7,
                                  .spitsPerMinute = 1,
                                  .spitSize = 1};
constexpr SourceParameters kSputter{.maxRate = 10,
                                    .threshold = 0.05,
                                    .exponent = 1,
                                    .lag = 0.3,
                                    .deadTime = 0.1,
                                    .noise = 0.002,
                                    .noiseTime = 0.1};

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
        *parameters = kThermal;
    else if (key == "ebeam")
        *parameters = kEbeam;
    else if (key == "sputter")
        *parameters = kSputter;
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

void SourceModel::settle(uint64_t ticks)
{
    // Each tick closes lagFactor of the gap to the steady rate: after k ticks the rate is
    // steady + (lagged - steady) x d^k, d = 1 - lagFactor, and the film is their sum.
    const double steady = SteadyRate(parameters_, power_);
    const double d = 1 - lagFactor_;
    const double n = static_cast<double>(ticks);
    const double dn = std::pow(d, n);
    const double transient = lagFactor_ > 0 ? (lagged_ - steady) * d * (1 - dn) / lagFactor_ : 0;
    film_ += tick_ * (n * steady + transient);
    lagged_ = steady + (lagged_ - steady) * dn;
    rate_ = lagged_;
    spitLeft_ = 0;
    ticks_ += ticks;
}

} // namespace tlv880::bus::emu
