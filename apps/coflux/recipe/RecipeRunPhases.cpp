// The work of each phase of a layer: pre-conditioning, shutter delay, deposition with rate
// ramps and crystal failures.

#include "RecipePlan.h"
#include "RecipeRun.h"

#include <algorithm>
#include <cmath>

namespace coflux {

namespace {

// Power of an output `t` s into its pre-conditioning: each step ramps linearly from the power
// before it to its own power, then holds it.
double PreConditionPower(const LayerOutput& plan, double from, double t)
{
    double power = from;
    for (const PreStep& step : plan.preSteps) {
        if (t < step.riseTime) return power + (step.power - power) * (t / step.riseTime);
        t -= step.riseTime;
        power = step.power;
        if (t < step.soakTime) return power;
        t -= step.soakTime;
    }
    return power;
}

// After a zero the next readings may still carry the thickness from before it; they count as
// zero until a reading shows less than that thickness or this many seconds have passed.
constexpr double kZeroSettleSeconds = 2;

double Mean(const auto& samples, auto field, double fallback)
{
    if (samples.empty()) return fallback;
    double sum = 0;
    for (const auto& s : samples)
        sum += s.*field;
    return sum / double(samples.size());
}

} // namespace

void RecipeRun::PreConditioning(const RecipeReading& r)
{
    for (const OutputRun& o : m_outputs)
        if (r.outputCrystalFailed[size_t(o.plan->slot)] &&
            CurrentLayer().crystalPolicy == CrystalPolicy::Stop)
            return Fail(QStringLiteral("%1: crystal failure on output %2 during "
                                       "pre-conditioning.")
                            .arg(LayerLabel())
                            .arg(o.plan->number));
    const double t = PhaseTime();
    for (const OutputRun& o : m_outputs)
        if (!o.plan->preSteps.empty())
            m_process.SetPower(o.plan->slot, PreConditionPower(*o.plan, o.startPower, t));
    if (t >= PlannedPreConditionTime(CurrentLayer())) EnterPhase(Phase::ShutterDelay, r);
}

void RecipeRun::ShutterDelay(const RecipeReading& r)
{
    const RecipeLayer& layer = CurrentLayer();
    // Rate control needs its crystals: without a good rate the shutter can never open.
    for (const OutputRun& o : m_outputs)
        if (r.outputCrystalFailed[size_t(o.plan->slot)])
            return Fail(QStringLiteral("%1: crystal failure on output %2 during the shutter "
                                       "delay.")
                            .arg(LayerLabel())
                            .arg(o.plan->number));

    double heldSince = m_phaseStart;
    bool allWithin = true;
    for (OutputRun& o : m_outputs) {
        const double rate = r.outputRate[size_t(o.plan->slot)];
        const bool within =
            std::abs(rate - o.setpoint) <= o.setpoint * layer.shutterTolerance / 100.0;
        if (!within) {
            o.withinSince.reset();
            allWithin = false;
            continue;
        }
        if (!o.withinSince) o.withinSince = m_elapsed;
        heldSince = std::max(heldSince, *o.withinSince);
    }
    if (allWithin && m_elapsed - heldSince >= layer.shutterHold)
        return EnterPhase(Phase::Deposit, r);
    if (PhaseTime() < layer.shutterTimeout) return;

    QStringList outside;
    for (const OutputRun& o : m_outputs)
        if (!o.withinSince)
            outside << QStringLiteral("output %1 at %2 A/s")
                           .arg(o.plan->number)
                           .arg(r.outputRate[size_t(o.plan->slot)], 0, 'f', 2);
    const QString which =
        outside.isEmpty()
            ? QStringLiteral("the rates did not hold for %1 s").arg(layer.shutterHold)
            : outside.join(QStringLiteral(", ")) +
                  QStringLiteral(" not within ±%1 % of the setpoint").arg(layer.shutterTolerance);
    const QString message = QStringLiteral("%1: shutter delay timed out after %2 s: %3.")
                                .arg(LayerLabel())
                                .arg(layer.shutterTimeout)
                                .arg(which);
    emit ShutterTimedOut(message);
    Fail(message);
}

void RecipeRun::TrackThickness(const RecipeReading& r)
{
    const bool settled = m_elapsed - m_depositStart >= kZeroSettleSeconds;
    for (OutputRun& o : m_outputs) {
        if (o.timePower) {
            o.thick = o.failThick + o.failRate * (m_elapsed - o.failTime);
            continue;
        }
        const double raw = r.outputThick[size_t(o.plan->slot)];
        if (o.zeroFrom && (raw < *o.zeroFrom || settled)) o.zeroFrom.reset();
        if (!o.zeroFrom) o.thick = raw;
    }
    if (CurrentLayer().end != LayerEnd::SensorThickness) return;
    const size_t sensor = size_t(CurrentLayer().endSensor - 1);
    if (m_sensorFailed) {
        m_sensorThick = m_sensorHistory.empty()
                            ? m_sensorThick
                            : m_sensorHistory.back().thick +
                                  m_sensorRate * (m_elapsed - m_sensorHistory.back().time);
        return;
    }
    const double raw = r.sensorThick[sensor];
    if (m_sensorZeroFrom && (raw < *m_sensorZeroFrom || settled)) m_sensorZeroFrom.reset();
    if (!m_sensorZeroFrom) m_sensorThick = raw;
    m_sensorRate = r.sensorRate[sensor];
}

void RecipeRun::Deposit(const RecipeReading& r)
{
    const RecipeLayer& layer = CurrentLayer();
    if (!HandleCrystalFailures(r)) return;
    TrackThickness(r);

    for (OutputRun& o : m_outputs) {
        if (o.timePower) continue;
        const auto& ramps = o.plan->ramps;
        if (!o.ramping && o.nextRamp < int(ramps.size()) &&
            o.thick >= ramps[size_t(o.nextRamp)].thick * 1000.0) {
            o.ramping = true;
            o.rampStart = m_elapsed;
            o.rampFrom = o.setpoint;
            emit Note(m_elapsed, QStringLiteral("%1: output %2 rate ramp %3 to %4 A/s.")
                                     .arg(LayerLabel())
                                     .arg(o.plan->number)
                                     .arg(o.nextRamp + 1)
                                     .arg(ramps[size_t(o.nextRamp)].rate));
        }
        if (o.ramping) {
            const RateRamp& ramp = ramps[size_t(o.nextRamp)];
            const double f =
                ramp.time > 0 ? std::min(1.0, (m_elapsed - o.rampStart) / ramp.time) : 1.0;
            o.setpoint = o.rampFrom + (ramp.rate - o.rampFrom) * f;
            m_process.SetRateSetpoint(o.plan->slot, o.setpoint);
            if (f >= 1) {
                o.ramping = false;
                ++o.nextRamp;
            }
        }
        const size_t slot = size_t(o.plan->slot);
        o.history.push_back({m_elapsed, r.outputPower[slot], r.outputRate[slot], o.thick});
        while (o.history.front().time < m_elapsed - layer.powerAverage)
            o.history.pop_front();
    }
    if (layer.end == LayerEnd::SensorThickness && !m_sensorFailed) {
        m_sensorHistory.push_back({m_elapsed, 0, m_sensorRate, m_sensorThick});
        while (m_sensorHistory.front().time < m_elapsed - layer.powerAverage)
            m_sensorHistory.pop_front();
    }
    if (EndReached(r)) EndLayer(r);
}

bool RecipeRun::HandleCrystalFailures(const RecipeReading& r)
{
    const RecipeLayer& layer = CurrentLayer();
    for (OutputRun& o : m_outputs) {
        if (o.timePower || !r.outputCrystalFailed[size_t(o.plan->slot)]) continue;
        if (layer.crystalPolicy == CrystalPolicy::Stop) {
            Fail(QStringLiteral("%1: crystal failure on output %2; the recipe is stopped.")
                     .arg(LayerLabel())
                     .arg(o.plan->number));
            return false;
        }
        StartTimePower(o, r);
        if (m_state != State::Running) return false;
    }
    if (layer.end != LayerEnd::SensorThickness || m_sensorFailed) return true;
    const int sensor = layer.endSensor;
    if (!r.sensorCrystalFailed[size_t(sensor - 1)]) return true;
    if (layer.crystalPolicy == CrystalPolicy::Stop) {
        Fail(QStringLiteral("%1: crystal failure on sensor %2; the recipe is stopped.")
                 .arg(LayerLabel())
                 .arg(sensor));
        return false;
    }
    // The monitor's thickness goes on at its mean rate of the averaging window.
    m_sensorFailed = true;
    m_sensorRate = Mean(m_sensorHistory, &Sample::rate, 0.0);
    if (m_sensorRate <= 0) {
        Fail(QStringLiteral("%1: crystal failure on sensor %2 before a good rate was measured; "
                            "the layer cannot be ended by time.")
                 .arg(LayerLabel())
                 .arg(sensor));
        return false;
    }
    const Sample& last = m_sensorHistory.back();
    const double end = last.time + (layer.endThick * 1000.0 - last.thick) / m_sensorRate;
    m_timeEnd = m_timeEnd ? std::min(*m_timeEnd, end) : end;
    emit Note(m_elapsed, QStringLiteral("%1: crystal failure on sensor %2; the layer ends by "
                                        "time at %3 s.")
                             .arg(LayerLabel())
                             .arg(sensor)
                             .arg(end, 0, 'f', 1));
    if (m_phase == Phase::Deposit) EnterPhase(Phase::TimePower, r);
    return true;
}

// Time-power: the failed output holds the mean power of its last good readings, and its
// thickness goes on at their mean rate. When it ends the layer, the layer ends by time.
void RecipeRun::StartTimePower(OutputRun& o, const RecipeReading& r)
{
    const RecipeLayer& layer = CurrentLayer();
    const double power = Mean(o.history, &Sample::power, r.outputPower[size_t(o.plan->slot)]);
    o.timePower = true;
    o.failRate = Mean(o.history, &Sample::rate, 0.0);
    o.failThick = o.history.empty() ? o.thick : o.history.back().thick;
    o.failTime = o.history.empty() ? m_elapsed : o.history.back().time;
    m_process.SetPower(o.plan->slot, power);
    QString detail = QStringLiteral("%1: crystal failure on output %2; power held at %3 %.")
                         .arg(LayerLabel())
                         .arg(o.plan->number)
                         .arg(power, 0, 'f', 1);
    if (layer.end == LayerEnd::OutputThickness && layer.endOutput == o.plan->number) {
        if (o.failRate <= 0)
            return Fail(QStringLiteral("%1: crystal failure on output %2 before a good rate was "
                                       "measured; the layer cannot be ended by time.")
                            .arg(LayerLabel())
                            .arg(o.plan->number));
        const double end = o.failTime + (layer.endThick * 1000.0 - o.failThick) / o.failRate;
        m_timeEnd = m_timeEnd ? std::min(*m_timeEnd, end) : end;
        detail += QStringLiteral(" The layer ends by time at %1 s.").arg(end, 0, 'f', 1);
    }
    emit Note(m_elapsed, detail);
    if (m_phase == Phase::Deposit) EnterPhase(Phase::TimePower, r);
}

bool RecipeRun::EndReached(const RecipeReading&) const
{
    const RecipeLayer& layer = CurrentLayer();
    if (m_timeEnd && m_elapsed >= *m_timeEnd) return true;
    switch (layer.end) {
    case LayerEnd::Time:
        return m_elapsed - m_depositStart >= layer.endTime;
    case LayerEnd::OutputThickness: {
        const OutputRun* o = Run(layer.endOutput);
        return o && !o->timePower && o->thick >= layer.endThick * 1000.0;
    }
    case LayerEnd::SensorThickness:
        return !m_sensorFailed && m_sensorThick >= layer.endThick * 1000.0;
    }
    return false;
}

} // namespace coflux
