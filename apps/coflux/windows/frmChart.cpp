#include "frmChart.h"

#include "ChartRecorder.h"
#include "CofluxProgram.h"

#include "common/FormUtil.h"
#include "common/charts/ChartLegend.h"
#include "common/charts/LiveChartView.h"
#include "common/charts/PlotAligner.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace coflux {

namespace {
constexpr std::array<int, 4> kSpanMinutes{1, 5, 10, 30};
constexpr int kDefaultSpanIndex = 1;
} // namespace

frmChart::frmChart(ChartRecorder& recorder, QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmChart"));
    setWindowTitle(QStringLiteral("Chart"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_cboSpan = new QComboBox(this);
    m_cboSpan->setObjectName(QStringLiteral("cboSpan"));
    for (int minutes : kSpanMinutes)
        m_cboSpan->addItem(minutes == 1 ? QStringLiteral("1 minute")
                                        : QStringLiteral("%1 minutes").arg(minutes));
    m_cboSpan->setToolTip(QStringLiteral("Time shown in the charts."));
    auto* lblSpan = new QLabel(QStringLiteral("Show the last"), this);
    lblSpan->setBuddy(m_cboSpan);
    auto* lblHint = new QLabel(
        QStringLiteral("Untick a legend entry to hide its line, tick it to show it."), this);
    lblHint->setEnabled(false);

    m_chtRate = new tlv::charts::LiveChartView(recorder.RateChart(), this);
    m_chtRate->setObjectName(QStringLiteral("chtRate"));
    m_chtPower = new tlv::charts::LiveChartView(recorder.PowerChart(), this);
    m_chtPower->setObjectName(QStringLiteral("chtPower"));
    m_chtThick = new tlv::charts::LiveChartView(recorder.ThickChart(), this);
    m_chtThick->setObjectName(QStringLiteral("chtThick"));
    // Each output against its own setpoint: a 0.3 kÅ layer reads as well as a 100 kÅ one.
    m_chtThick->setRelativeToLevels(true);

    // Each chart with its legend beside it; the legends share one width and the plot areas one
    // left edge, so the three time axes line up.
    auto* splitter = new QSplitter(Qt::Vertical, this);
    auto* aligner = new tlv::charts::PlotAligner(this);
    for (tlv::charts::LiveChartView* view : {m_chtRate, m_chtPower, m_chtThick}) {
        auto* legend = new tlv::charts::ChartLegend(this);
        legend->setObjectName(view->objectName() + QStringLiteral("Legend"));
        legend->attach(view);
        connect(legend, &tlv::charts::ChartLegend::entriesChanged, this, &frmChart::FitLegends);
        m_legends.push_back(legend);
        auto* row = new QWidget(splitter);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->addWidget(view, 1);
        rowLayout->addWidget(legend);
        splitter->addWidget(row);
        aligner->add(view);
    }
    FitLegends();

    auto* top = new QHBoxLayout;
    top->addWidget(lblSpan);
    top->addWidget(m_cboSpan);
    top->addStretch(1);
    top->addWidget(lblHint);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splitter, 1);

    connect(m_cboSpan, &QComboBox::currentIndexChanged, this, &frmChart::SetSpan);
    m_cboSpan->setCurrentIndex(kDefaultSpanIndex);
    SetSpan(kDefaultSpanIndex);

    resize(760, 820);
    ::RestoreFormPosition(this, true);
}

void frmChart::FitLegends()
{
    int width = 0;
    for (const tlv::charts::ChartLegend* legend : m_legends)
        width = std::max(width, legend->sizeHint().width());
    for (tlv::charts::ChartLegend* legend : m_legends)
        legend->setFixedWidth(width);
}

void frmChart::SetSpan(int index)
{
    if (index < 0 || index >= static_cast<int>(kSpanMinutes.size())) return;
    const double seconds = kSpanMinutes.at(static_cast<std::size_t>(index)) * 60.0;
    for (tlv::charts::LiveChartView* view : {m_chtRate, m_chtPower, m_chtThick})
        view->setSpanSeconds(seconds);
}

void frmChart::closeEvent(QCloseEvent* event)
{
    ::SaveFormPosition(this);
    event->accept();
}

namespace {
const QString kVisibleKey = QStringLiteral("frmChart/Form Visible");
} // namespace

void SaveChartVisibility(const frmChart* chart)
{
    ProgramSettings()->setValue(kVisibleKey, chart && chart->isVisible() ? QStringLiteral("True")
                                                                         : QStringLiteral("False"));
}

bool ChartWasVisible()
{
    return ProgramSettings()->value(kVisibleKey).toString() == QLatin1String("True");
}

} // namespace coflux
