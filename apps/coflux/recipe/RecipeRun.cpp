// The run of a recipe: the clock, layers and phases, and how a run ends. The work of each
// phase is in RecipeRunPhases.cpp.

#include "RecipeRun.h"

#include "RecipeCrystalCheck.h"
#include "RecipePlan.h"
#include "RecipeProgress.h"

#include <algorithm>
#include <cmath>

namespace coflux {

namespace {
// A time stamp this far below the one before means the instrument's clock passed midnight.
constexpr double kHalfDay = 43200;
constexpr double kDay = 86400;
} // namespace

RecipeRun::RecipeRun(RecipeProcess& process, QObject* parent)
    : QObject(parent), m_process(process), m_progress(std::make_unique<RecipeProgress>())
{
}

RecipeRun::~RecipeRun() = default;

bool RecipeRun::Start(const Recipe& recipe)
{
    if (m_state == State::Running || recipe.layers.empty()) return false;
    m_recipe = recipe;
    m_state = State::Running;
    m_layer = -1;
    m_phase = Phase::None;
    m_started = false;
    m_dayOffset = 0;
    m_elapsed = 0;
    m_outputs.clear();
    m_results.clear();
    m_message.clear();
    m_progress->Start(recipe);
    return true;
}

void RecipeRun::Abort(const QString& reason)
{
    if (m_state != State::Running) return;
    m_process.AllOutputsOff();
    Finish(State::Aborted, reason);
}

void RecipeRun::Fail(const QString& message)
{
    if (m_state != State::Running) return;
    m_process.AllOutputsOff();
    Finish(State::Failed, message);
}

void RecipeRun::Finish(State state, const QString& message)
{
    m_state = state;
    m_message = message;
    m_progress->Finish();
    emit Finished(state, message);
}

void RecipeRun::OnReading(const RecipeReading& r)
{
    if (m_state != State::Running) return;
    if (!m_started) {
        m_started = true;
        m_startTime = r.time;
        m_lastStamp = r.time;
        m_elapsed = 0;
        EnterLayer(0, r);
    } else {
        if (r.time + kHalfDay < m_lastStamp) m_dayOffset += kDay;
        m_lastStamp = r.time;
        // Readings are taken in order; a stamp never moves the run's time back.
        m_elapsed = std::max(m_elapsed, r.time + m_dayOffset - m_startTime);
    }
    if (m_state != State::Running) return;

    switch (m_phase) {
    case Phase::PreConditioning:
        PreConditioning(r);
        break;
    case Phase::ShutterDelay:
        ShutterDelay(r);
        break;
    case Phase::Deposit:
    case Phase::TimePower:
        Deposit(r);
        break;
    case Phase::IdleRamp:
        IdleRamp(r);
        break;
    case Phase::None:
        break;
    }
    if (m_state != State::Running) return;
    m_progress->OnReading(*this, r);
    emit Updated();
}

void RecipeRun::EnterLayer(int layer, const RecipeReading& r)
{
    m_layer = layer;
    m_layerStart = m_elapsed;
    if (!CheckCrystals(r)) return;
    m_outputs.clear();
    for (const LayerOutput& plan : CurrentLayer().outputs) {
        OutputRun run;
        run.plan = &plan;
        m_outputs.push_back(run);
        // The layer's film is measured with its own density and Z-ratio from its start.
        if (!plan.material.isEmpty()) m_process.SetOutputMaterial(plan.slot, plan.material);
    }
    m_sensorThick = 0;
    m_sensorRate = 0;
    m_sensorFailed = false;
    m_sensorZeroFrom.reset();
    m_sensorHistory.clear();
    m_timeEnd.reset();
    const bool preConditioning =
        std::any_of(m_outputs.begin(), m_outputs.end(),
                    [](const OutputRun& o) { return !o.plan->preSteps.empty(); });
    EnterPhase(preConditioning ? Phase::PreConditioning : Phase::ShutterDelay, r);
}

void RecipeRun::EnterPhase(Phase phase, const RecipeReading& r)
{
    m_phase = phase;
    m_phaseStart = m_elapsed;
    switch (phase) {
    case Phase::PreConditioning:
    case Phase::IdleRamp:
        for (OutputRun& o : m_outputs)
            o.startPower = r.outputPower[size_t(o.plan->slot)];
        break;
    case Phase::ShutterDelay:
        for (OutputRun& o : m_outputs) {
            o.setpoint = o.plan->rate;
            o.withinSince.reset();
            m_process.StartRateControl(o.plan->slot, o.setpoint);
        }
        break;
    case Phase::Deposit:
        // The shutter opens: the layer's thickness counts from here.
        m_depositStart = m_elapsed;
        for (OutputRun& o : m_outputs) {
            const double before = r.outputThick[size_t(o.plan->slot)];
            if (before > 0) o.zeroFrom = before;
            o.thick = 0;
            o.nextRamp = 0;
            o.ramping = false;
            o.history.clear();
            m_process.ZeroThickness(o.plan->slot);
        }
        if (CurrentLayer().end == LayerEnd::SensorThickness) {
            const int sensor = CurrentLayer().endSensor - 1;
            const double before = r.sensorThick[size_t(sensor)];
            if (before > 0) m_sensorZeroFrom = before;
            m_process.ZeroSensor(sensor);
        }
        break;
    case Phase::TimePower:
    case Phase::None:
        break;
    }
    emit PhaseChanged(m_layer, phase, m_elapsed);
}

void RecipeRun::EndLayer(const RecipeReading& r)
{
    const RecipeLayer& layer = CurrentLayer();
    LayerResult result;
    result.name = layer.name;
    result.seconds = m_elapsed - m_layerStart;
    for (const OutputRun& o : m_outputs)
        result.outputs.push_back({o.plan->number, o.thick / 1000.0, o.timePower});
    result.endSensorThick = m_sensorThick / 1000.0;
    m_results.push_back(result);
    EnterPhase(Phase::IdleRamp, r);
}

void RecipeRun::IdleRamp(const RecipeReading& r)
{
    const double t = PhaseTime();
    for (const OutputRun& o : m_outputs) {
        const double f = std::min(1.0, t / o.plan->idleTime);
        m_process.SetPower(o.plan->slot, o.startPower + (o.plan->idlePower - o.startPower) * f);
    }
    if (t < PlannedIdleTime(CurrentLayer())) return;
    if (m_layer + 1 < int(m_recipe.layers.size()))
        EnterLayer(m_layer + 1, r);
    else
        Finish(State::Complete, QStringLiteral("Recipe complete."));
}

RecipeRun::OutputRun* RecipeRun::Run(int number)
{
    for (OutputRun& o : m_outputs)
        if (o.plan->number == number) return &o;
    return nullptr;
}

const RecipeRun::OutputRun* RecipeRun::Run(int number) const
{
    for (const OutputRun& o : m_outputs)
        if (o.plan->number == number) return &o;
    return nullptr;
}

bool RecipeRun::CheckCrystals(const RecipeReading& r)
{
    if (!r.crystalsKnown) return true;
    const RecipeLayer& layer = CurrentLayer();
    const QStringList shortfalls = CheckLayerCrystals(layer, r.outputSensors, r.sensorLeft);
    if (shortfalls.isEmpty()) return true;
    const QString message =
        QStringLiteral("%1: %2.").arg(LayerLabel(), shortfalls.join(QStringLiteral("; ")));
    if (layer.crystalCheck == CrystalCheck::Stop) {
        Fail(message + QStringLiteral(" The recipe is stopped before the layer."));
        return false;
    }
    emit Note(m_elapsed, message);
    emit CrystalWarning(message);
    return true;
}

QString RecipeRun::LayerLabel() const
{
    return QStringLiteral("Layer %1 \"%2\"").arg(m_layer + 1).arg(CurrentLayer().name);
}

double RecipeRun::OutputThickness(int number) const
{
    const OutputRun* o = Run(number);
    return o && (m_phase == Phase::Deposit || m_phase == Phase::TimePower) ? o->thick / 1000.0
                                                                           : 0.0;
}

double RecipeRun::OutputTarget(int number) const
{
    if (m_layer < 0) return 0;
    const RecipeLayer& layer = CurrentLayer();
    if (layer.end == LayerEnd::OutputThickness && layer.endOutput == number) return layer.endThick;
    const LayerOutput* plan = layer.Output(number);
    return plan ? PlannedThickness(*plan, PlannedDepositTime(layer)) / 1000.0 : 0.0;
}

double RecipeRun::EstimatedRemaining() const
{
    return m_state == State::Running ? m_progress->Estimate().runRemaining : 0.0;
}

RecipeEstimate RecipeRun::Estimate() const
{
    return m_progress->Estimate();
}

QString RecipeRun::PhaseName(Phase phase)
{
    switch (phase) {
    case Phase::PreConditioning:
        return QStringLiteral("Pre-conditioning");
    case Phase::ShutterDelay:
        return QStringLiteral("Shutter delay");
    case Phase::Deposit:
        return QStringLiteral("Deposit");
    case Phase::TimePower:
        return QStringLiteral("Time-power");
    case Phase::IdleRamp:
        return QStringLiteral("Idle ramp");
    case Phase::None:
        break;
    }
    return QStringLiteral("Waiting");
}

QString RecipeRun::ElapsedText(double seconds)
{
    const long long whole = std::llround(std::max(0.0, seconds));
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600)
        .arg((whole / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString RecipeRun::PhaseLine(double elapsed, int layer, const QString& name, Phase phase)
{
    return QStringLiteral("%1  Layer %2 %3  %4")
        .arg(ElapsedText(elapsed))
        .arg(layer + 1)
        .arg(name, PhaseName(phase));
}

} // namespace coflux
