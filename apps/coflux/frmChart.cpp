#include "frmChart.h"

#include "ChartRecorder.h"
#include "CofluxProgram.h"
#include "frmMain.h"

#include "common/FormUtil.h"
#include "common/charts/LiveChartView.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QVBoxLayout>

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
    auto* lblHint =
        new QLabel(QStringLiteral("Click a legend entry to hide or show its line."), this);
    lblHint->setEnabled(false);

    m_chtRate = new tlv::charts::LiveChartView(recorder.RateChart(), this);
    m_chtRate->setObjectName(QStringLiteral("chtRate"));
    m_chtPower = new tlv::charts::LiveChartView(recorder.PowerChart(), this);
    m_chtPower->setObjectName(QStringLiteral("chtPower"));
    m_chtThick = new tlv::charts::LiveChartView(recorder.ThickChart(), this);
    m_chtThick->setObjectName(QStringLiteral("chtThick"));

    auto* splitter = new QSplitter(Qt::Vertical, this);
    for (QWidget* chart : {static_cast<QWidget*>(m_chtRate), static_cast<QWidget*>(m_chtPower),
                           static_cast<QWidget*>(m_chtThick)})
        splitter->addWidget(chart);

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

frmChart* OpenChart(const frmMain& main)
{
    return main.findChild<frmChart*>(QStringLiteral("frmChart"), Qt::FindDirectChildrenOnly);
}
} // namespace

void InstallChart(frmMain& main)
{
    if (!ChartRecorder::Of(main)) new ChartRecorder(main);
}

void ShowChart(frmMain& main)
{
    InstallChart(main);
    frmChart* chart = OpenChart(main);
    if (!chart) chart = new frmChart(*ChartRecorder::Of(main), &main);
    chart->showNormal();
    chart->raise();
    chart->activateWindow();
}

void SaveChartVisibility(const frmMain& main)
{
    const frmChart* chart = OpenChart(main);
    ProgramSettings()->setValue(kVisibleKey, chart && chart->isVisible() ? QStringLiteral("True")
                                                                         : QStringLiteral("False"));
}

void RestoreChartVisibility(frmMain& main)
{
    if (ProgramSettings()->value(kVisibleKey).toString() == QLatin1String("True")) ShowChart(main);
}

} // namespace coflux
