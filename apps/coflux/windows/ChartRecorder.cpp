#include "ChartRecorder.h"

#include "Deposition.h"
#include "RecipeRun.h"

#include <cmath>
#include <limits>

namespace coflux {

using tlv::charts::ChartModel;

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
} // namespace

ChartRecorder::ChartRecorder(const Deposition& process, QObject* parent)
    : QObject(parent), m_process(process), m_rate(QStringLiteral("Rate"), QStringLiteral("Å/s")),
      m_power(QStringLiteral("Power"), QStringLiteral("%")),
      m_thick(QStringLiteral("Thickness"), QStringLiteral("kÅ"))
{
    // Thickness is kept as a share of the setpoint in force when each reading was taken.
    m_thick.setStoresShares(true);
    connect(&process, &Deposition::readingTaken, this,
            [this](const ReadingArrays&, double time) { Record(time); });
}

// Series are made when an output first takes part, so the legends hold only outputs that ran.
// An analog-fed output has no rate in Å/s and no thickness: only its power is drawn.
void ChartRecorder::EnsureSeries(int j, bool sensorFed, const QString& name)
{
    OutputSeries& s = m_series.at(static_cast<std::size_t>(j));
    if (s.power < 0) s.power = m_power.addSeries(name);
    if (sensorFed && s.rate < 0) {
        s.rate = m_rate.addSeries(name);
        s.thick = m_thick.addSeries(name);
        s.setpoint =
            m_thick.addSeries(name + QStringLiteral(" setpoint"), ChartModel::Kind::Level, s.thick);
    }
    m_power.setName(s.power, name);
    if (s.rate >= 0) {
        m_rate.setName(s.rate, name);
        m_thick.setName(s.thick, name);
        m_thick.setName(s.setpoint, name + QStringLiteral(" setpoint"));
    }
}

void ChartRecorder::FollowRecipe(const RecipeRun& run)
{
    m_run = &run;
    // A layer's first phase change is its beginning.
    connect(&run, &RecipeRun::PhaseChanged, this, [this](int layer) {
        if (layer == m_lastMarkedLayer || layer < 0) return;
        m_lastMarkedLayer = layer;
        m_pendingMarker =
            QStringLiteral("Layer %1 %2")
                .arg(layer + 1)
                .arg(m_run->CurrentRecipe().layers.at(static_cast<size_t>(layer)).name);
    });
    connect(&run, &RecipeRun::Finished, this, [this] { m_lastMarkedLayer = -1; });
}

ChartRecorder::ThickInForce ChartRecorder::ThicknessInForce(int j, double reading) const
{
    const int number = OutputNumberOfSlot(j);
    if (m_run && m_run->IsRunning() && m_run->Layer() >= 0) {
        const auto layer = static_cast<size_t>(m_run->Layer());
        if (m_run->CurrentRecipe().layers.at(layer).Output(number)) {
            // The recipe has the output: its layer's thickness against the layer's end while it
            // deposits, what the layer reached once it ended (the idle ramp), and nothing
            // before the layer's shutter opens.
            const double target = m_run->OutputTarget(number);
            switch (m_run->CurrentPhase()) {
            case RecipeRun::Phase::Deposit:
            case RecipeRun::Phase::TimePower:
                return {m_run->OutputThickness(number), target};
            case RecipeRun::Phase::IdleRamp:
                if (m_run->Results().size() == layer + 1)
                    for (const LayerResult::Output& o : m_run->Results().back().outputs)
                        if (o.number == number) return {o.thick, target};
                return {kNaN, kNaN};
            default:
                return {kNaN, kNaN};
            }
        }
    }
    // An output a running recipe has taken over has its thickness setpoint set aside: outside
    // its layers it counts toward nothing.
    if (m_run && m_run->IsRunning())
        for (const RecipeLayer& layer : m_run->CurrentRecipe().layers)
            if (layer.Output(number)) return {kNaN, kNaN};
    const double own = m_process.Tables().Output(j).Thick;
    return {reading, own > 0 ? own : kNaN};
}

// The rate setpoint of a loop on the output's sensors and the band the rate tolerance allows
// around it; nothing (a break) while no such loop holds it.
void ChartRecorder::RecordRateSetpoint(int j, OutputSeries& s, double t)
{
    const RateDeviation& d = m_process.Deviations().At(j);
    if (d.shown && s.rateSetpoint < 0) {
        const QString name = m_process.Tables().Output(j).Name.trimmed();
        s.rateSetpoint = m_rate.addSeries(name + QStringLiteral(" setpoint"),
                                          ChartModel::Kind::Setpoint, s.rate);
        m_rate.addSeries(QString(), ChartModel::Kind::Band, s.rateSetpoint);
        m_rate.addSeries(QString(), ChartModel::Kind::Band, s.rateSetpoint);
    }
    if (s.rateSetpoint < 0) return;
    const double half =
        d.shown ? m_process.Deviations().Tolerance().bandHalfWidth(d.setpoint) : kNaN;
    const double setpoint = d.shown ? d.setpoint : kNaN;
    m_rate.append(s.rateSetpoint, t, setpoint);
    m_rate.append(s.rateSetpoint + 1, t, setpoint + half);
    m_rate.append(s.rateSetpoint + 2, t, setpoint - half);
}

void ChartRecorder::Record(double time)
{
    const double t = m_clock.continuous(time);
    if (!m_pendingMarker.isEmpty()) {
        for (ChartModel* model : {&m_rate, &m_power, &m_thick})
            model->addMarker(t, m_pendingMarker);
        m_pendingMarker.clear();
    }
    // No reading for more than two periods breaks the lines instead of bridging the gap.
    const double gap = 2 * m_process.Instrument().Period();
    for (ChartModel* model : {&m_rate, &m_power, &m_thick})
        model->setGapSeconds(gap);
    const ReadingArrays& readings = m_process.Readings();
    for (int j : kShownOutputs) {
        const OutputRecord& out = m_process.Tables().Output(j);
        OutputSeries& s = m_series.at(static_cast<std::size_t>(j));
        if (!m_process.IsPresentOutput(j) || out.Mode == ModeOff) {
            if (s.setpoint >= 0) m_thick.setLevel(s.setpoint, std::nan(""));
            continue;
        }
        const bool sensorFed = InputAnalog(out.Input) < 0;
        EnsureSeries(j, sensorFed, out.Name.trimmed());
        const auto i = static_cast<std::size_t>(j);
        m_power.append(s.power, t, readings.OutPower[i]);
        if (sensorFed && s.rate >= 0) {
            m_rate.append(s.rate, t, readings.OutRate[i]);
            RecordRateSetpoint(j, s, t);
            const ThickInForce in = ThicknessInForce(j, readings.OutThick[i]);
            m_thick.appendShare(s.thick, t, in.thick, in.setpoint);
            m_thick.setLevel(s.setpoint, in.setpoint > 0 ? in.setpoint : kNaN);
        }
    }
}

} // namespace coflux
