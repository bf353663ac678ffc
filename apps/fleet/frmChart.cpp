#include "frmChart.h"

#include "FleetModel.h"

#include "common/charts/ChartLegend.h"
#include "common/charts/LiveChartView.h"
#include "common/charts/PlotAligner.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QVBoxLayout>

#include <array>

namespace fleet {

namespace {
constexpr std::array<int, 3> kSpanMinutes{1, 5, 10};
constexpr int kDefaultSpanIndex = 1;
const std::size_t kCapacity = tlv::charts::ChartModel::RingCapacity(
    kHistorySeconds, tlv::charts::ChartModel::kShortestPeriod);
} // namespace

frmChart::frmChart(const FleetModel& model, int row, QWidget* parent)
    : QWidget(parent, Qt::Window), m_model(model), m_row(row),
      m_key(model.coaters().at(static_cast<std::size_t>(row)).key),
      m_rate(QStringLiteral("Rate"), QStringLiteral("Å/s"), kCapacity),
      m_thick(QStringLiteral("Thickness"), QStringLiteral("kÅ"), kCapacity),
      m_power(QStringLiteral("Power"), QStringLiteral("%"), kCapacity)
{
    setObjectName(QStringLiteral("frmChart"));
    setWindowTitle(QStringLiteral("Chart - %1 %2").arg(m_key.name(), m_key.program));
    setAttribute(Qt::WA_DeleteOnClose);

    // The history so far, then each reading as it comes.
    const Coater& coater = model.coaters().at(static_cast<std::size_t>(row));
    for (const auto& [number, output] : coater.outputs)
        for (const Sample& sample : output.history) {
            const int id = SeriesFor(true, number);
            m_rate.append(id, sample.t, sample.rate);
            m_thick.append(id, sample.t, sample.thickness / 1000.0);
            m_power.append(id, sample.t, sample.power);
        }
    if (coater.outputs.empty())
        for (const auto& [number, sensor] : coater.sensors)
            for (const Sample& sample : sensor.history) {
                const int id = SeriesFor(false, number);
                m_rate.append(id, sample.t, sample.rate);
                m_thick.append(id, sample.t, sample.thickness / 1000.0);
            }
    connect(&model, &FleetModel::readingAdded, this, &frmChart::Record);

    m_cboSpan = new QComboBox(this);
    m_cboSpan->setObjectName(QStringLiteral("cboSpan"));
    for (const int minutes : kSpanMinutes)
        m_cboSpan->addItem(minutes == 1 ? QStringLiteral("1 minute")
                                        : QStringLiteral("%1 minutes").arg(minutes));
    auto* lblSpan = new QLabel(QStringLiteral("Show the last"), this);
    lblSpan->setBuddy(m_cboSpan);
    m_chtRate = new tlv::charts::LiveChartView(m_rate, this);
    m_chtRate->setObjectName(QStringLiteral("chtRate"));
    m_chtThick = new tlv::charts::LiveChartView(m_thick, this);
    m_chtThick->setObjectName(QStringLiteral("chtThick"));
    m_chtPower = new tlv::charts::LiveChartView(m_power, this);
    m_chtPower->setObjectName(QStringLiteral("chtPower"));
    m_legend = new tlv::charts::ChartLegend(this);
    auto* charts = new QSplitter(Qt::Vertical, this);
    for (tlv::charts::LiveChartView* view : {m_chtRate, m_chtThick, m_chtPower}) {
        m_legend->attach(view);
        charts->addWidget(view);
    }
    auto* aligner = new tlv::charts::PlotAligner(this);
    aligner->add(m_chtRate);
    aligner->add(m_chtThick);
    aligner->add(m_chtPower);
    auto* body = new QHBoxLayout;
    body->addWidget(charts, 1);
    body->addWidget(m_legend);
    auto* top = new QHBoxLayout;
    top->addWidget(lblSpan);
    top->addWidget(m_cboSpan);
    top->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(body, 1);

    const auto setSpan = [this](int index) {
        if (index < 0 || index >= static_cast<int>(kSpanMinutes.size())) return;
        for (tlv::charts::LiveChartView* view : {m_chtRate, m_chtThick, m_chtPower})
            view->setSpanSeconds(kSpanMinutes.at(static_cast<std::size_t>(index)) * 60.0);
    };
    connect(m_cboSpan, &QComboBox::currentIndexChanged, this, setSpan);
    m_cboSpan->setCurrentIndex(kDefaultSpanIndex);
    setSpan(kDefaultSpanIndex);
    resize(900, 700);
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
    const int id = SeriesFor(output, number);
    m_rate.append(id, sample.t, sample.rate);
    m_thick.append(id, sample.t, sample.thickness / 1000.0);
    if (output) m_power.append(id, sample.t, sample.power);
}

} // namespace fleet
