#include "frmChart.h"

#include "FleetModel.h"

#include "common/charts/LiveChartView.h"

#include <algorithm>

namespace fleet {

namespace {
const std::size_t kCapacity = tlv::charts::ChartModel::RingCapacity(
    kHistorySeconds, tlv::charts::ChartModel::kShortestPeriod);

tlv::charts::ChartWindow::Options ChartOptions(const CoaterKey& key)
{
    tlv::charts::ChartWindow::Options options;
    options.title = QStringLiteral("Chart - %1 %2").arg(key.name(), key.program);
    options.legends = tlv::charts::ChartWindow::Legends::Shared;
    options.spanMinutes = {1, 5, 10};
    options.size = QSize(900, 700);
    options.remembersPosition = false;
    options.timeBase = tlv::charts::LiveChartView::TimeBase::Epoch;
    return options;
}
} // namespace

frmChart::frmChart(const FleetModel& model, int row, QWidget* parent)
    : ChartWindow(ChartOptions(model.coaters().at(static_cast<std::size_t>(row)).key), parent),
      m_model(model), m_row(row), m_key(model.coaters().at(static_cast<std::size_t>(row)).key),
      m_rate(QStringLiteral("Rate"), QStringLiteral("Å/s"), kCapacity),
      m_thick(QStringLiteral("Thickness"), QStringLiteral("kÅ"), kCapacity),
      m_power(QStringLiteral("Power"), QStringLiteral("%"), kCapacity)
{
    // The history so far, then each reading as it comes.
    const Coater& coater = model.coaters().at(static_cast<std::size_t>(row));
    for (const auto& [number, output] : coater.outputs)
        for (const Sample& sample : output.history)
            Append(SeriesFor(true, number), true, sample);
    if (coater.outputs.empty())
        for (const auto& [number, sensor] : coater.sensors)
            for (const Sample& sample : sensor.history)
                Append(SeriesFor(false, number), false, sample);
    connect(&model, &FleetModel::readingAdded, this, &frmChart::Record);

    m_chtRate = addChart(m_rate, QStringLiteral("chtRate"));
    m_chtThick = addChart(m_thick, QStringLiteral("chtThick"));
    m_chtPower = addChart(m_power, QStringLiteral("chtPower"));
    m_chtPower->setValueRange(0, 100);
}

// The charts go before the models they draw, which are this window's own.
frmChart::~frmChart()
{
    DeleteCharts();
}
int frmChart::SeriesFor(bool output, int number)
{
    const auto found = m_series.find({output, number});
    if (found != m_series.end()) return found->second;
    const QString name =
        output ? QStringLiteral("Output %1").arg(number) : QStringLiteral("Sensor %1").arg(number);
    // The three charts add a channel together, so it has the same id (and look) in each.
    const int id = m_rate.addSeries(name);
    m_thick.addSeries(name);
    m_power.addSeries(name);
    m_series.emplace(std::make_pair(output, number), id);
    return id;
}

void frmChart::Append(int id, bool output, const Sample& sample)
{
    m_rate.append(id, sample.t, sample.rate);
    m_thick.append(id, sample.t, sample.thickness / 1000.0);
    if (output) m_power.append(id, sample.t, sample.power);
}

void frmChart::Record(int row, bool output, int number)
{
    if (row != m_row) return;
    const Coater& coater = m_model.coaters().at(static_cast<std::size_t>(row));
    // A program with outputs is charted by its outputs, one without by its sensors.
    if (!output && !coater.outputs.empty()) return;
    const std::deque<Sample>* history = nullptr;
    if (output) {
        history = &coater.outputs.at(number).history;
    } else {
        history = &coater.sensors.at(number).history;
    }
    if (history->empty()) return;
    const Sample& sample = history->back();
    const double gap = std::max(1.0, 3 * coater.periodSeconds);
    for (tlv::charts::ChartModel* chart : {&m_rate, &m_thick, &m_power})
        chart->setGapSeconds(gap);
    Append(SeriesFor(output, number), output, sample);
}

} // namespace fleet
