#include "LoopPrediction.h"

#include "Loops.h"
#include "ResponseAnalysis.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>

namespace tlv880::tuning {

namespace {

constexpr int kSubsteps = 20; // source model steps per measurement period

// Shares of the rule's integral time the choice of terms tries: the rule's own first.
constexpr double kIntegralFactors[] = {1, 0.85, 0.7, 0.6, 0.5, 0.4, 0.3, 0.25};

// The power (%) that holds the setpoint on the model, within the output's maximum.
double PlainSteadyPower(const SourceModel& model, const LoopConditions& c)
{
    if (!(model.gain > 0)) return 0;
    return std::min(c.maxPower * 100, model.thresholdPower + c.setpoint / model.gain);
}

// The identified source, integrated between measurement cycles.
class ModelSource {
public:
    ModelSource(const SourceModel& model, double dt, double startPowerPercent)
        : m_model(model), m_dt(dt),
          m_lagged(std::max(0.0, model.gain * (startPowerPercent - model.thresholdPower))),
          m_delay(size_t(std::lround(model.deadTime / dt)), startPowerPercent)
    {
    }

    // The mean rate over the next `steps` substeps at this power (%).
    double Advance(double powerPercent, int steps)
    {
        double sum = 0;
        const double alpha =
            m_model.timeConstant > 0 ? 1 - std::exp(-m_dt / m_model.timeConstant) : 1;
        for (int k = 0; k < steps; ++k) {
            m_delay.push_back(powerPercent);
            const double delayed = m_delay.front();
            m_delay.pop_front();
            // The source's rate curve first, then the lag: a source that is switched on above
            // its threshold starts to deposit after the dead time, however slow it is.
            const double steady = std::max(0.0, m_model.gain * (delayed - m_model.thresholdPower));
            m_lagged += alpha * (steady - m_lagged);
            sum += m_lagged;
        }
        return sum / steps;
    }

private:
    SourceModel m_model;
    double m_dt;
    double m_lagged; // Angstrom/s
    std::deque<double> m_delay;
};

} // namespace

Prediction PredictLoop(const SourceModel& model, const LoopTermSet& terms, const LoopConditions& c)
{
    // The loop runs on a state record of the library itself: output 0 fed by sensor 0.
    auto state = std::make_unique<LibraryState>();
    LibraryState& s = *state;
    s.period = c.period;
    s.sensorMask[0] = 1;
    s.tooling[0] = 1;
    s.validSensors = 1;
    OutputLoop& loop = s.loops[0];
    loop.maxPower = c.maxPower;
    loop.slewRate = c.slewRate;
    loop.power = loop.controlOutput = c.startPower;
    // What Xdc770Loop2 does on a loop that was not enabled.
    loop.setpoint = c.setpoint;
    loop.pTerm = terms.p;
    loop.iTerm = terms.i;
    loop.dTerm = terms.d;
    loop.enabled = 1;

    ModelSource source(model, c.period / kSubsteps, c.startPower * 100);
    Prediction out;
    std::vector<double> raw;
    const int cycles = int(std::ceil(c.seconds / c.period));
    for (int n = 1; n <= cycles; ++n) {
        const double rate = source.Advance(loop.power * 100, kSubsteps);
        s.readings.writeIndex = int8_t((s.readings.writeIndex + 1) % kRingSlots);
        ReadingSlot& slot = s.readings.slots[s.readings.writeIndex];
        slot.rate[0] = rate;
        RunLoopPass(s, nullptr);
        out.times.push_back(n * c.period);
        raw.push_back(rate);
        out.powers.push_back(slot.power[0] * 100);
    }
    out.rates = rehearsal::MovingMean(raw, std::max(1, c.filter));
    const rehearsal::LoopFigures figures =
        rehearsal::MeasureLoop(out.times, out.rates, c.setpoint, 0);
    out.settleTime = figures.settleTime;
    out.overshoot = figures.overshoot;
    if (!out.powers.empty()) {
        out.powerPeak = *std::max_element(out.powers.begin(), out.powers.end());
        const auto from = out.powers.begin() + std::ptrdiff_t(out.powers.size() * 3 / 4);
        const auto [low, high] = std::minmax_element(from, out.powers.end());
        double sum = 0;
        for (auto it = from; it != out.powers.end(); ++it)
            sum += *it;
        out.steadyPower = sum / double(out.powers.end() - from);
        out.powerSwing = out.steadyPower > 0 ? (*high - *low) / 2 / out.steadyPower * 100 : 0;
    }
    return out;
}

RuleResult ChooseTerms(const SourceModel& model, Aggressiveness aggressiveness,
                       const LoopConditions& conditions)
{
    const double plain = ClosedLoopTime(model, aggressiveness, conditions.period);
    const double steadyPower = PlainSteadyPower(model, conditions);
    RuleResult best = SimcTermsFor(model, plain);
    double bestSettle = INFINITY;
    // Once a candidate settles, the others are predicted only as long as they would need to
    // settle sooner and hold for the 10 s: hundreds of loops stay cheap on a slow source.
    LoopConditions horizon = conditions;
    auto consider = [&](const RuleResult& candidate) {
        if (NoiseKick(candidate.terms, conditions) > 0.1 * steadyPower) return;
        const Prediction p = PredictLoop(model, candidate.terms, horizon);
        if (p.settleTime < 0 || p.overshoot > OvershootLimit(aggressiveness)) return;
        if (p.settleTime < bestSettle) {
            bestSettle = p.settleTime;
            best = candidate;
            horizon.seconds = std::min(conditions.seconds, bestSettle + 15);
        }
    };
    constexpr int kCandidates = 40;
    for (TuningRuleKind rule : {TuningRuleKind::SimcPi, TuningRuleKind::ImcPid})
        for (double factor : kIntegralFactors)
            for (int k = 0; k <= kCandidates; ++k)
                consider(RuleTermsFor(
                    rule, model, plain / 5 * std::pow(200.0, double(k) / kCandidates), factor));
    return best;
}

double SoakPower(const SourceModel& model, const LoopConditions& conditions)
{
    // The straight line is the tangent at the operating point; a rate curve that bends upwards
    // (as most sources' do) gives more rate below it than the line, so the soak stays below the
    // line's threshold by half of what the setpoint needs above it.
    const double above = model.gain > 0 ? conditions.setpoint / model.gain : 0;
    const double soak = model.thresholdPower - above / 2;
    return std::clamp(std::floor(soak * 10) / 10, 0.0, conditions.maxPower * 100);
}

double NoiseKick(const LoopTermSet& terms, const LoopConditions& conditions)
{
    // One reading enters the increment once through each part; the derivative part's weight is
    // largest in the second increment (-2 e1), so that one counts.
    const double integral = terms.i > 0 ? conditions.period / terms.i : 0;
    const double derivative = 2 * terms.d / conditions.period;
    return 2 * conditions.rateNoise * terms.p / 10000 * (1 + integral + derivative) * 100;
}

} // namespace tlv880::tuning
