#include "common/charts/ChartWindow.h"

#include "common/FormUtil.h"
#include "common/charts/ChartLegend.h"
#include "common/charts/PlotAligner.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

namespace tlv::charts {

ChartWindow::ChartWindow(const Options& options, QWidget* parent)
    : QWidget(parent, Qt::Window), m_options(options)
{
    setObjectName(options.objectName);
    setWindowTitle(options.title);
    setAttribute(Qt::WA_DeleteOnClose);

    m_cboSpan = new QComboBox(this);
    m_cboSpan->setObjectName(QStringLiteral("cboSpan"));
    for (const int minutes : options.spanMinutes)
        m_cboSpan->addItem(minutes == 1 ? QStringLiteral("1 minute")
                                        : QStringLiteral("%1 minutes").arg(minutes));
    m_cboSpan->setToolTip(QStringLiteral("Time shown in the charts."));
    auto* lblSpan = new QLabel(QStringLiteral("Show the last"), this);
    lblSpan->setBuddy(m_cboSpan);
    m_chkClock = new QCheckBox(QStringLiteral("C&lock time"), this);
    m_chkClock->setObjectName(QStringLiteral("chkClock"));
    m_chkClock->setToolTip(QStringLiteral(
        "Show the time of day on the time axis instead of minutes before the latest reading."));

    auto* top = new QHBoxLayout;
    top->addWidget(lblSpan);
    top->addWidget(m_cboSpan);
    top->addSpacing(12);
    top->addWidget(m_chkClock);
    top->addStretch(1);
    if (options.showHelp) {
        auto* cmdHelp = new QPushButton(QStringLiteral("&Help"), this);
        cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
        cmdHelp->setToolTip(QStringLiteral("What the charts show and how to use them (F1)."));
        cmdHelp->setShortcut(QKeySequence::HelpContents);
        connect(cmdHelp, &QPushButton::clicked, this, [this] { m_options.showHelp(this); });
        top->addWidget(cmdHelp);
    }
    if (!options.hint.isEmpty()) {
        auto* lblHint = new QLabel(options.hint, this);
        lblHint->setObjectName(QStringLiteral("lblHint"));
        lblHint->setEnabled(false);
        top->addWidget(lblHint);
    }

    m_splitter = new QSplitter(Qt::Vertical, this);
    m_aligner = new PlotAligner(this);
    auto* body = new QHBoxLayout;
    body->addWidget(m_splitter, 1);
    if (options.legends == Legends::Shared) {
        auto* legend = new ChartLegend(this);
        m_legends.push_back(legend);
        body->addWidget(legend);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(body, 1);

    connect(m_cboSpan, &QComboBox::currentIndexChanged, this, &ChartWindow::SetSpan);
    connect(m_chkClock, &QCheckBox::toggled, this, &ChartWindow::SetClockTime);
    const int initial = std::clamp(options.defaultSpan, 0,
                                   std::max(0, static_cast<int>(options.spanMinutes.size()) - 1));
    m_cboSpan->setCurrentIndex(initial);

    resize(options.size);
    if (options.remembersPosition) ::RestoreFormPosition(this, true);
}

LiveChartView* ChartWindow::addChart(ChartModel& model, const QString& objectName)
{
    auto* view = new LiveChartView(model, this);
    view->setObjectName(objectName);
    view->setTimeBase(m_options.timeBase);
    view->setClockTime(m_chkClock->isChecked());
    m_views.push_back(view);
    SetSpan(m_cboSpan->currentIndex());
    if (m_options.legends == Legends::Shared) {
        m_legends.front()->attach(view);
        m_splitter->addWidget(view);
    } else {
        auto* legend = new ChartLegend(this);
        legend->setObjectName(objectName + QStringLiteral("Legend"));
        legend->attach(view);
        connect(legend, &ChartLegend::entriesChanged, this, &ChartWindow::FitLegends);
        m_legends.push_back(legend);
        // Each chart with its legend beside it; the legends share one width and the plot areas
        // one left edge, so the time axes line up.
        auto* row = new QWidget(m_splitter);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->addWidget(view, 1);
        rowLayout->addWidget(legend);
        m_splitter->addWidget(row);
        FitLegends();
    }
    if (m_aligner) m_aligner->add(view);
    return view;
}

void ChartWindow::FitLegends()
{
    if (m_options.legends == Legends::Shared) return;
    int width = 0;
    for (const ChartLegend* legend : m_legends)
        width = std::max(width, legend->sizeHint().width());
    for (ChartLegend* legend : m_legends)
        legend->setFixedWidth(width);
}

void ChartWindow::SetSpan(int index)
{
    if (index < 0 || index >= static_cast<int>(m_options.spanMinutes.size())) return;
    const double seconds = m_options.spanMinutes.at(static_cast<std::size_t>(index)) * 60.0;
    for (LiveChartView* view : m_views)
        view->setSpanSeconds(seconds);
}

void ChartWindow::SetSpanMinutes(int minutes)
{
    const auto found =
        std::find(m_options.spanMinutes.begin(), m_options.spanMinutes.end(), minutes);
    if (found != m_options.spanMinutes.end())
        m_cboSpan->setCurrentIndex(static_cast<int>(found - m_options.spanMinutes.begin()));
}

void ChartWindow::SetClockTime(bool on)
{
    if (m_chkClock->isChecked() != on) {
        m_chkClock->setChecked(on); // comes back here through the box's signal
        return;
    }
    for (LiveChartView* view : m_views)
        view->setClockTime(on);
}

void ChartWindow::DeleteCharts()
{
    delete m_aligner;
    m_aligner = nullptr;
    for (ChartLegend* legend : m_legends)
        delete legend;
    m_legends.clear();
    for (LiveChartView* view : m_views)
        delete view;
    m_views.clear();
}

void ChartWindow::closeEvent(QCloseEvent* event)
{
    if (m_options.remembersPosition) ::SaveFormPosition(this);
    event->accept();
}

} // namespace tlv::charts
