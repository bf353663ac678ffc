#include "RecipeProgress.h"

#include "RecipePlan.h"

#include <algorithm>
#include <cmath>

namespace coflux {

namespace {

using Phase = RecipeRun::Phase;

// A planned time that cannot be reached (a rate of zero) adds nothing rather than infinity.
double Finite(double seconds)
{
    return std::isfinite(seconds) ? std::max(0.0, seconds) : 0.0;
}

bool Depositing(Phase phase)
{
    return phase == Phase::Deposit || phase == Phase::TimePower;
}

// The output whose plan a thickness end is measured against: the ending output, or for a
// monitor sensor the layer's first output (as the plan counts it).
const LayerOutput* EndPlan(const RecipeLayer& layer)
{
    if (layer.end == LayerEnd::OutputThickness) return layer.Output(layer.endOutput);
    if (layer.end == LayerEnd::SensorThickness && !layer.outputs.empty())
        return &layer.outputs.front();
    return nullptr;
}

} // namespace

void RecipeProgress::Start(const Recipe& recipe)
{
    if (m_settleCount > 0) m_lastRunSettle = m_settleSum / m_settleCount;
    m_settleSum = 0;
    m_settleCount = 0;
    m_recipe = recipe;
    m_running = true;
    m_layer = -1;
    m_phase = Phase::None;
    m_elapsed = 0;
    m_phaseStart = 0;
    m_depositStart = 0;
    m_withinSince.fill(std::nullopt);
    m_thick.clear();
    m_doneThick = 0;
}

void RecipeProgress::Finish()
{
    m_running = false;
}

double RecipeProgress::SettleSeconds() const
{
    if (m_settleCount > 0) return m_settleSum / m_settleCount;
    return m_lastRunSettle.value_or(0.0);
}

const RecipeLayer* RecipeProgress::CurrentLayer() const
{
    if (m_layer < 0 || m_layer >= int(m_recipe.layers.size())) return nullptr;
    return &m_recipe.layers[size_t(m_layer)];
}

void RecipeProgress::OnReading(const RecipeRun& run, const RecipeReading& r)
{
    if (!m_running) return;
    if (!run.IsRunning()) return Finish();
    m_elapsed = run.Elapsed();
    if (run.Layer() != m_layer || run.CurrentPhase() != m_phase)
        EnterPhase(run.Layer(), run.CurrentPhase(), m_elapsed);
    const RecipeLayer* layer = CurrentLayer();
    if (!layer) return;
    if (m_phase == Phase::ShutterDelay) TrackShutter(*layer, r);
    if (Depositing(m_phase)) TrackDeposit(run, *layer, r);
}

void RecipeProgress::EnterPhase(int layer, Phase phase, double elapsed)
{
    // A shutter delay that ended has shown how long rate control needed to settle.
    if (m_phase == Phase::ShutterDelay && phase != Phase::ShutterDelay) {
        if (const RecipeLayer* was = CurrentLayer()) {
            m_settleSum += std::max(0.0, elapsed - m_phaseStart - was->shutterHold);
            ++m_settleCount;
        }
    }
    const bool depositContinues = Depositing(m_phase) && Depositing(phase) && layer == m_layer;
    m_layer = layer;
    m_phase = phase;
    m_phaseStart = elapsed;
    m_withinSince.fill(std::nullopt);
    if (!depositContinues) {
        m_depositStart = elapsed;
        m_thick.clear();
        m_doneThick = 0;
    }
}

void RecipeProgress::TrackShutter(const RecipeLayer& layer, const RecipeReading& r)
{
    for (const LayerOutput& o : layer.outputs) {
        const double rate = r.outputRate[size_t(o.slot)];
        const bool within = std::abs(rate - o.rate) <= o.rate * layer.shutterTolerance / 100.0;
        auto& since = m_withinSince[size_t(o.slot)];
        if (!within)
            since.reset();
        else if (!since)
            since = m_elapsed;
    }
}

void RecipeProgress::TrackDeposit(const RecipeRun& run, const RecipeLayer& layer,
                                  const RecipeReading& r)
{
    double thick = 0;
    switch (layer.end) {
    case LayerEnd::Time:
        return;
    case LayerEnd::OutputThickness:
        thick = run.OutputThickness(layer.endOutput) * 1000.0;
        break;
    case LayerEnd::SensorThickness: {
        // The sensor is zeroed as deposition starts; its first readings may still carry the
        // thickness from before, so they are not counted.
        if (m_elapsed - m_depositStart < kRateMinSpan) return;
        const size_t sensor = size_t(std::clamp(layer.endSensor - 1, 0, kProcessSensors - 1));
        if (r.sensorCrystalFailed[sensor]) return;
        thick = r.sensorThick[sensor];
        break;
    }
    }
    m_doneThick = std::max(0.0, thick);
    m_thick.push_back({m_elapsed, m_doneThick});
    while (m_thick.size() > 2 && m_thick.front().time < m_elapsed - kRateWindow)
        m_thick.pop_front();
}

double RecipeProgress::ShutterPlanned(const RecipeLayer& layer) const
{
    return layer.shutterHold + SettleSeconds();
}

double RecipeProgress::ShutterRemaining(const RecipeLayer& layer) const
{
    const double spent = m_elapsed - m_phaseStart;
    double held = layer.shutterHold;
    for (const LayerOutput& o : layer.outputs) {
        const auto& since = m_withinSince[size_t(o.slot)];
        if (!since) return layer.shutterHold + std::max(0.0, SettleSeconds() - spent);
        held = std::min(held, m_elapsed - *since);
    }
    return std::max(0.0, layer.shutterHold - held);
}

double RecipeProgress::DepositRemaining(const RecipeLayer& layer) const
{
    const double spent = m_elapsed - m_depositStart;
    if (layer.end == LayerEnd::Time) return std::max(0.0, layer.endTime - spent);
    const LayerOutput* plan = EndPlan(layer);
    const double end = layer.endThick * 1000.0;
    const double left = std::max(0.0, end - m_doneThick);
    std::optional<double> measured;
    if (m_thick.size() >= 2 && m_thick.back().time - m_thick.front().time >= kRateMinSpan)
        measured = (m_thick.back().thick - m_thick.front().thick) /
                   (m_thick.back().time - m_thick.front().time);
    if (!plan) return measured && *measured > 0 ? left / *measured : 0.0;
    const double at = PlannedTimeToThickness(*plan, m_doneThick);
    const double planned = PlannedTimeToThickness(*plan, end) - at;
    if (!std::isfinite(planned))
        return measured && *measured > 0 ? left / *measured : Finite(planned);
    if (!measured) return std::max(0.0, planned);
    const double plannedRate = PlannedRate(*plan, at);
    if (plannedRate <= 0) return *measured > 0 ? left / *measured : std::max(0.0, planned);
    const double factor = std::max(kSlowestFactor, *measured / plannedRate);
    return std::max(0.0, planned / factor);
}

double RecipeProgress::LayerRemaining() const
{
    const RecipeLayer* layer = CurrentLayer();
    if (!layer) return 0;
    const double spent = m_elapsed - m_phaseStart;
    const double deposit = Finite(PlannedDepositTime(*layer));
    const double idle = PlannedIdleTime(*layer);
    switch (m_phase) {
    case Phase::PreConditioning:
        return std::max(0.0, PlannedPreConditionTime(*layer) - spent) + ShutterPlanned(*layer) +
               deposit + idle;
    case Phase::ShutterDelay:
        return ShutterRemaining(*layer) + deposit + idle;
    case Phase::Deposit:
    case Phase::TimePower:
        return DepositRemaining(*layer) + idle;
    case Phase::IdleRamp:
        return std::max(0.0, idle - spent);
    case Phase::None:
        break;
    }
    return PlannedPreConditionTime(*layer) + ShutterPlanned(*layer) + deposit + idle;
}

RecipeEstimate RecipeProgress::Estimate() const
{
    RecipeEstimate e;
    e.running = m_running;
    if (!m_running) return e;
    e.layer = m_layer;
    e.phase = m_phase;
    e.elapsed = m_elapsed;
    const RecipeLayer* layer = CurrentLayer();
    if (layer) {
        e.layerName = layer->name;
        e.layerRemaining = LayerRemaining();
        if (m_phase == Phase::IdleRamp) {
            e.layerDone = 1;
        } else if (Depositing(m_phase)) {
            e.layerDone =
                layer->end == LayerEnd::Time
                    ? (layer->endTime > 0 ? (m_elapsed - m_depositStart) / layer->endTime : 1.0)
                    : (layer->endThick > 0 ? m_doneThick / (layer->endThick * 1000.0) : 1.0);
            e.layerDone = std::clamp(e.layerDone, 0.0, 1.0);
        }
    }
    double rest = 0;
    for (size_t i = size_t(std::max(0, m_layer + 1)); i < m_recipe.layers.size(); ++i) {
        const RecipeLayer& next = m_recipe.layers[i];
        rest += PlannedPreConditionTime(next) + ShutterPlanned(next) +
                Finite(PlannedDepositTime(next)) + PlannedIdleTime(next);
    }
    e.runRemaining = e.layerRemaining + rest;
    return e;
}

} // namespace coflux
