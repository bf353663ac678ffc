#include "RecipePlan.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace coflux {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// One stretch of deposition at a rate that changes linearly from `rate0` to `rate1`.
struct Stretch {
    double start = 0;    // s
    double duration = 0; // s; infinity for the open stretch after the last ramp
    double thick0 = 0;   // Å at the start
    double rate0 = 0;
    double rate1 = 0;
};

// The stretches of an output's deposition: a constant rate up to each ramp, the ramp, and the
// constant rate after the last ramp. Ramps are taken in order; a ramp whose thickness was
// passed during the one before starts as soon as that one has ended.
std::vector<Stretch> Stretches(const LayerOutput& output)
{
    std::vector<Stretch> stretches;
    double t = 0;
    double thick = 0;
    double rate = output.rate;
    for (const RateRamp& ramp : output.ramps) {
        const double target = ramp.thick * 1000.0;
        if (thick < target) {
            const double steady = rate > 0 ? (target - thick) / rate : kInfinity;
            stretches.push_back({t, steady, thick, rate, rate});
            if (steady == kInfinity) return stretches;
            t += steady;
            thick = target;
        }
        stretches.push_back({t, ramp.time, thick, rate, ramp.rate});
        t += ramp.time;
        thick += (rate + ramp.rate) / 2.0 * ramp.time;
        rate = ramp.rate;
    }
    stretches.push_back({t, kInfinity, thick, rate, rate});
    return stretches;
}

double RateIn(const Stretch& s, double dt)
{
    if (s.duration == kInfinity || s.duration <= 0) return s.rate1;
    return s.rate0 + (s.rate1 - s.rate0) * dt / s.duration;
}

double ThickIn(const Stretch& s, double dt)
{
    return s.thick0 + (s.rate0 + RateIn(s, dt)) / 2.0 * dt;
}

} // namespace

double PlannedRate(const LayerOutput& output, double seconds)
{
    for (const Stretch& s : Stretches(output))
        if (seconds < s.start + s.duration) return RateIn(s, std::max(0.0, seconds - s.start));
    return output.ramps.empty() ? output.rate : output.ramps.back().rate;
}

double PlannedThickness(const LayerOutput& output, double seconds)
{
    const std::vector<Stretch> stretches = Stretches(output);
    for (const Stretch& s : stretches)
        if (seconds < s.start + s.duration) return ThickIn(s, std::max(0.0, seconds - s.start));
    const Stretch& last = stretches.back();
    return ThickIn(last, last.duration);
}

double PlannedTimeToThickness(const LayerOutput& output, double angstrom)
{
    if (angstrom <= 0) return 0;
    for (const Stretch& s : Stretches(output)) {
        const double end = s.duration == kInfinity ? kInfinity : ThickIn(s, s.duration);
        if (angstrom > end) continue;
        // Thickness grows as a quadratic in the time within the stretch.
        const double need = angstrom - s.thick0;
        const double slope =
            s.duration == kInfinity || s.duration <= 0 ? 0.0 : (s.rate1 - s.rate0) / s.duration;
        if (slope == 0) return s.rate0 > 0 ? s.start + need / s.rate0 : kInfinity;
        // need = rate0 dt + slope dt² / 2
        const double disc = s.rate0 * s.rate0 + 2.0 * slope * need;
        const double dt = (-s.rate0 + std::sqrt(std::max(0.0, disc))) / slope;
        return s.start + std::clamp(dt, 0.0, s.duration);
    }
    return kInfinity;
}

double PlannedRampStart(const LayerOutput& output, int index)
{
    int ramp = -1;
    // Walk the ramps in order: each starts at its thickness, or when the one before ends.
    double t = 0;
    double thick = 0;
    double rate = output.rate;
    for (const RateRamp& r : output.ramps) {
        ++ramp;
        const double target = r.thick * 1000.0;
        if (thick < target) {
            if (rate <= 0) return kInfinity;
            t += (target - thick) / rate;
            thick = target;
        }
        if (ramp == index) return t;
        t += r.time;
        thick += (rate + r.rate) / 2.0 * r.time;
        rate = r.rate;
    }
    return kInfinity;
}

double PlannedDepositTime(const RecipeLayer& layer)
{
    switch (layer.end) {
    case LayerEnd::Time:
        return layer.endTime;
    case LayerEnd::OutputThickness:
        if (const LayerOutput* o = layer.Output(layer.endOutput))
            return PlannedTimeToThickness(*o, layer.endThick * 1000.0);
        return kInfinity;
    case LayerEnd::SensorThickness:
        if (!layer.outputs.empty())
            return PlannedTimeToThickness(layer.outputs.front(), layer.endThick * 1000.0);
        return kInfinity;
    }
    return kInfinity;
}

double PlannedPreConditionTime(const RecipeLayer& layer)
{
    double longest = 0;
    for (const LayerOutput& o : layer.outputs) {
        double total = 0;
        for (const PreStep& step : o.preSteps)
            total += step.riseTime + step.soakTime;
        longest = std::max(longest, total);
    }
    return longest;
}

double PlannedIdleTime(const RecipeLayer& layer)
{
    double longest = 0;
    for (const LayerOutput& o : layer.outputs)
        longest = std::max(longest, o.idleTime);
    return longest;
}

double PlannedLayerTime(const RecipeLayer& layer)
{
    return PlannedPreConditionTime(layer) + layer.shutterHold + PlannedDepositTime(layer) +
           PlannedIdleTime(layer);
}

} // namespace coflux
