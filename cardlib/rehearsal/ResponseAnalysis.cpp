#include "ResponseAnalysis.h"

#include <algorithm>
#include <cmath>

namespace tlv880::rehearsal {

namespace {

// Thickness of a first-order rise of steady rate r, dead time d and lag tau, s after the step.
double riseThickness(double s, double r, double d, double tau)
{
    const double t = s - d;
    if (t <= 0) return 0;
    return tau > 0 ? r * (t - tau * (1 - std::exp(-t / tau))) : r * t;
}

} // namespace

StepFigures FitStep(const std::vector<double>& times, const std::vector<double>& thickness,
                    double stepTime, double settledFrom)
{
    StepFigures figures;
    // Least-squares line through the settled readings.
    double n = 0, sumT = 0, sumY = 0, sumTT = 0, sumTY = 0;
    for (size_t k = 0; k < times.size() && k < thickness.size(); ++k) {
        if (times[k] < settledFrom) continue;
        const double t = times[k] - stepTime;
        n += 1;
        sumT += t;
        sumY += thickness[k];
        sumTT += t * t;
        sumTY += t * thickness[k];
    }
    const double spread = n * sumTT - sumT * sumT;
    if (n < 3 || spread <= 0) return figures;
    const double slope = (n * sumTY - sumT * sumY) / spread;
    const double intercept = (sumY - slope * sumT) / n;
    if (slope <= 0) return figures;
    figures.steadyRate = slope;
    figures.riseTime63 = -intercept / slope; // dead time plus lag
    if (figures.riseTime63 < 0) return figures;

    // The dead time: a fine scan of 0..riseTime63, then a narrower one around the best.
    const double total = figures.riseTime63;
    auto misfit = [&](double dead) {
        double sum = 0;
        for (size_t k = 0; k < times.size() && k < thickness.size(); ++k) {
            if (times[k] < stepTime || times[k] >= settledFrom) continue;
            const double e =
                thickness[k] - riseThickness(times[k] - stepTime, slope, dead, total - dead);
            sum += e * e;
        }
        return sum;
    };
    double best = 0, bestMisfit = misfit(0);
    double low = 0, high = total;
    for (int round = 0; round < 3; ++round) {
        const int steps = 200;
        for (int i = 0; i <= steps; ++i) {
            const double dead = low + (high - low) * i / steps;
            const double m = misfit(dead);
            if (m < bestMisfit) {
                bestMisfit = m;
                best = dead;
            }
        }
        const double width = (high - low) / steps;
        low = std::max(0.0, best - width);
        high = std::min(total, best + width);
    }
    figures.deadTime = best;
    figures.lag = total - best;
    figures.valid = true;
    return figures;
}

double CrossingTime(const std::vector<double>& times, const std::vector<double>& rates,
                    double period, double stepTime, double level)
{
    double previousTime = stepTime, previousRate = 0;
    for (size_t k = 0; k < times.size() && k < rates.size(); ++k) {
        const double middle = times[k] - period / 2;
        if (middle < stepTime) continue;
        if (rates[k] >= level) {
            if (rates[k] == previousRate) return middle - stepTime;
            return previousTime +
                   (middle - previousTime) * (level - previousRate) / (rates[k] - previousRate) -
                   stepTime;
        }
        previousTime = middle;
        previousRate = rates[k];
    }
    return -1;
}

LoopFigures MeasureLoop(const std::vector<double>& times, const std::vector<double>& rates,
                        double setpoint, double startTime, double band, double hold)
{
    LoopFigures figures;
    const size_t count = std::min(times.size(), rates.size());
    double highest = -1e300;
    for (size_t k = 0; k < count; ++k) {
        if (times[k] >= startTime) highest = std::max(highest, rates[k]);
    }
    if (setpoint != 0 && highest > setpoint)
        figures.overshoot = (highest - setpoint) / std::fabs(setpoint) * 100;
    // The first stretch of readings within the band that lasts `hold` seconds.
    const double tolerance = band * std::fabs(setpoint);
    bool inside = false;
    double since = 0;
    for (size_t k = 0; k < count; ++k) {
        if (times[k] < startTime) continue;
        if (std::fabs(rates[k] - setpoint) > tolerance) {
            inside = false;
            continue;
        }
        if (!inside) since = times[k];
        inside = true;
        if (times[k] - since >= hold) {
            figures.settleTime = since - startTime;
            break;
        }
    }
    return figures;
}

std::vector<double> MovingMean(const std::vector<double>& values, int length)
{
    std::vector<double> means(values.size());
    double sum = 0;
    for (size_t k = 0; k < values.size(); ++k) {
        sum += values[k];
        if (k >= static_cast<size_t>(length)) sum -= values[k - static_cast<size_t>(length)];
        means[k] = sum / static_cast<double>(std::min(k + 1, static_cast<size_t>(length)));
    }
    return means;
}

} // namespace tlv880::rehearsal
