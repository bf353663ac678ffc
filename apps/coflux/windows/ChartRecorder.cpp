#include "ChartRecorder.h"

#include "Deposition.h"

#include <cmath>

namespace coflux {

using tlv::charts::ChartModel;

ChartRecorder::ChartRecorder(const Deposition& process, QObject* parent)
    : QObject(parent), m_process(process), m_rate(QStringLiteral("Rate"), QStringLiteral("Å/s")),
      m_power(QStringLiteral("Power"), QStringLiteral("%")),
      m_thick(QStringLiteral("Thickness"), QStringLiteral("kÅ"))
{
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

void ChartRecorder::Record(double time)
{
    const double t = m_clock.continuous(time);
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
            m_thick.append(s.thick, t, readings.OutThick[i]);
            m_thick.setLevel(s.setpoint, out.Thick);
        }
    }
}

} // namespace coflux
