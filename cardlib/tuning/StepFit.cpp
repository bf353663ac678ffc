#include "StepFit.h"

#include <algorithm>
#include <cmath>

namespace tlv880::tuning {

namespace {

// Integral from 0 to t of the unit step response of the lag behind the dead time.
double StepIntegral(double t, double tau, double dead)
{
    const double s = t - dead;
    if (s <= 0) return 0;
    return s - tau * (1 - std::exp(-s / tau));
}

// The unit step response averaged over the window that ends at t.
double AveragedStep(double t, double tau, double dead, double window)
{
    if (window <= 0) {
        const double s = t - dead;
        return s <= 0 ? 0 : 1 - std::exp(-s / tau);
    }
    return (StepIntegral(t, tau, dead) - StepIntegral(t - window, tau, dead)) / window;
}

// The response to the power schedule with unit gain, zero at the first power.
double ScheduleResponse(const std::vector<PowerChange>& powers, double t, double tau, double dead,
                        double window)
{
    double sum = 0;
    for (size_t k = 1; k < powers.size(); ++k)
        sum += (powers[k].power - powers[k - 1].power) *
               AveragedStep(t - powers[k].time, tau, dead, window);
    return sum;
}

struct Candidate {
    double tau = 0, dead = 0, base = 0, gain = 0, residual = INFINITY;
};

// For a fixed lag and dead time the rate is linear in the base rate and the gain: the two come
// from the normal equations, and the residual says how good the pair is.
Candidate Solve(const StepRecord& r, double tau, double dead)
{
    double n = 0, sx = 0, sxx = 0, sy = 0, sxy = 0;
    std::vector<double> x(r.times.size());
    for (size_t i = 0; i < r.times.size(); ++i) {
        x[i] = ScheduleResponse(r.powers, r.times[i], tau, dead, r.window);
        n += 1;
        sx += x[i];
        sxx += x[i] * x[i];
        sy += r.rates[i];
        sxy += x[i] * r.rates[i];
    }
    Candidate c{tau, dead};
    const double det = n * sxx - sx * sx;
    if (det <= 1e-12) return c;
    c.gain = (n * sxy - sx * sy) / det;
    c.base = (sy - c.gain * sx) / n;
    double residual = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double e = r.rates[i] - c.base - c.gain * x[i];
        residual += e * e;
    }
    c.residual = residual;
    return c;
}

double Mean(const std::vector<double>& v, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += v[i];
    return to > from ? sum / double(to - from) : 0;
}

} // namespace

std::vector<double> ModelRates(const SourceModel& model, double baseRate,
                               const std::vector<PowerChange>& powers,
                               const std::vector<double>& times, double window)
{
    std::vector<double> rates;
    rates.reserve(times.size());
    for (double t : times)
        rates.push_back(baseRate + model.gain * ScheduleResponse(powers, t, model.timeConstant,
                                                                 model.deadTime, window));
    return rates;
}

StepFit FitStep(const StepRecord& r)
{
    StepFit fit;
    if (r.powers.size() < 2 || r.times.size() != r.rates.size() || r.times.size() < 12) {
        fit.message = "Too few readings to identify the source.";
        return fit;
    }
    const double stepTime = r.powers[1].time;
    const double delta = r.powers[1].power - r.powers[0].power;
    const auto firstAfter =
        size_t(std::lower_bound(r.times.begin(), r.times.end(), stepTime) - r.times.begin());
    const double span = r.times.back() - stepTime;
    if (firstAfter < 4 || span <= 0 || delta == 0) {
        fit.message = "Too few readings to identify the source.";
        return fit;
    }

    // The response: the last fifth of the first step against the readings before it.
    size_t stepEnd = r.times.size();
    if (r.powers.size() > 2)
        stepEnd = size_t(std::lower_bound(r.times.begin(), r.times.end(), r.powers[2].time) -
                         r.times.begin());
    const size_t tailFrom = firstAfter + (stepEnd - firstAfter) * 4 / 5;
    const double before = Mean(r.rates, 0, firstAfter);
    fit.baseRate = before;
    fit.response = Mean(r.rates, tailFrom, stepEnd) - before;
    double spread = 0;
    for (size_t i = 0; i < firstAfter; ++i)
        spread += (r.rates[i] - before) * (r.rates[i] - before);
    const double baseNoise = std::sqrt(spread / double(firstAfter));
    fit.rateNoise = baseNoise; // at the steady power, where nothing but noise moves the rate

    // The rate must move the way the power did, clearly beyond what its noise could make of
    // the difference of two means.
    const double meanError =
        baseNoise * std::sqrt(1.0 / double(firstAfter) + 1.0 / double(stepEnd - tailFrom));
    if (fit.response * delta <= 0 || std::fabs(fit.response) < std::max(4 * meanError, 0.02)) {
        fit.verdict = FitVerdict::NoResponse;
        fit.message = "No response: the rate did not follow the power step (is the power below "
                      "the source's threshold?). No term was changed.";
        return fit;
    }

    // A coarse grid over lag and dead time, then finer grids around the best pair.
    double tauLow = std::max(r.window / 10, 0.01), tauHigh = std::max(2 * span, 1.0);
    double deadLow = 0, deadHigh = span / 2;
    Candidate best;
    for (int round = 0; round < 5; ++round) {
        constexpr int kSteps = 24;
        for (int a = 0; a <= kSteps; ++a) {
            // The lag on a logarithmic scale: a fast and a slow source are found alike.
            const double tau = tauLow * std::pow(tauHigh / tauLow, double(a) / kSteps);
            for (int b = 0; b <= kSteps; ++b) {
                const double dead = deadLow + (deadHigh - deadLow) * b / kSteps;
                const Candidate c = Solve(r, tau, dead);
                if (c.residual < best.residual) best = c;
            }
        }
        const double tauFactor = std::pow(tauHigh / tauLow, 2.0 / kSteps);
        tauLow = std::max(best.tau / tauFactor, 0.005);
        tauHigh = best.tau * tauFactor;
        const double deadStep = (deadHigh - deadLow) * 2 / kSteps;
        deadLow = std::max(0.0, best.dead - deadStep);
        deadHigh = best.dead + deadStep;
    }

    const double mean = Mean(r.rates, 0, r.rates.size());
    double total = 0;
    for (double y : r.rates)
        total += (y - mean) * (y - mean);
    fit.model = {best.gain, best.tau, best.dead, 0};
    fit.baseRate = best.base;
    fit.model.thresholdPower = best.gain != 0 ? r.powers[0].power - best.base / best.gain : 0;
    fit.fitQuality = total > 0 ? 1 - best.residual / total : 0;
    fit.modelRates = ModelRates(fit.model, best.base, r.powers, r.times, r.window);

    // Noise hides the response when it is large against it, or when it is what leaves a poor
    // fit unexplained.
    const double noiseShare = fit.rateNoise / std::fabs(fit.response);
    if (noiseShare > 0.2 || (fit.fitQuality < 0.8 && noiseShare > 0.1)) {
        fit.verdict = FitVerdict::TooNoisy;
        fit.message = "Too noisy to identify the source: the rate noise is more than a fifth of "
                      "its response to the step. Use a larger step. No term was changed.";
        return fit;
    }
    if (fit.fitQuality < 0.8 || fit.model.gain * delta * fit.response <= 0) {
        fit.verdict = FitVerdict::PoorFit;
        fit.message = "The model explains too little of the response; no terms are proposed. "
                      "No term was changed.";
        return fit;
    }
    fit.verdict = FitVerdict::Fitted;
    return fit;
}

} // namespace tlv880::tuning
