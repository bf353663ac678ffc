#include "MonitorChart.h"

#include "MonitorSettings.h"
#include "frmMain.h"

#include "common/FormUtil.h"
#include "common/ProgramInfo.h"
#include "common/charts/LiveChartView.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QVBoxLayout>

namespace monitor {

namespace {
constexpr std::array<int, 4> kSpanMinutes{1, 5, 10, 30};
constexpr int kDefaultSpanIndex = 1;
const char* const kVisibleKey = "frmChart/Form Visible";

QSettings UserSettings()
{
    return QSettings(QStringLiteral("TLV880"), tlv::Program().title);
}

frmChart* OpenChart(const frmMain& main)
{
    return main.findChild<frmChart*>(QStringLiteral("frmChart"), Qt::FindDirectChildrenOnly);
}
} // namespace

ChartRecorder::ChartRecorder(QObject* owner)
    : QObject(owner), m_rate(QStringLiteral("Rate"), QStringLiteral("Å/s"))
{
    setObjectName(QStringLiteral("chartRecorder"));
    m_series.fill(-1);
}

ChartRecorder* ChartRecorder::Of(const QObject& owner)
{
    return owner.findChild<ChartRecorder*>(QStringLiteral("chartRecorder"),
                                           Qt::FindDirectChildrenOnly);
}

void ChartRecorder::Record(const SensorArray& readings, int shown, double secondsSinceMidnight)
{
    const double t = m_clock.continuous(secondsSinceMidnight);
    const int count = std::min(shown, kChartSensors);
    for (int s = 0; s < count; ++s) {
        int& id = m_series.at(static_cast<std::size_t>(s));
        if (id < 0) id = m_rate.addSeries(QStringLiteral("Sensor %1").arg(s + 1));
        m_rate.append(id, t, readings[static_cast<std::size_t>(s)][0]);
    }
}

frmChart::frmChart(ChartRecorder& recorder, QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmChart"));
    setWindowTitle(QStringLiteral("Rate Chart"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_cboSpan = new QComboBox(this);
    m_cboSpan->setObjectName(QStringLiteral("cboSpan"));
    for (int minutes : kSpanMinutes)
        m_cboSpan->addItem(minutes == 1 ? QStringLiteral("1 minute")
                                        : QStringLiteral("%1 minutes").arg(minutes));
    m_cboSpan->setToolTip(QStringLiteral("Time shown in the chart."));
    auto* lblSpan = new QLabel(QStringLiteral("Show the last"), this);
    lblSpan->setBuddy(m_cboSpan);
    auto* lblHint =
        new QLabel(QStringLiteral("Click a legend entry to hide or show its line."), this);
    lblHint->setEnabled(false);
    m_chtRate = new tlv::charts::LiveChartView(recorder.RateChart(), this);
    m_chtRate->setObjectName(QStringLiteral("chtRate"));

    auto* top = new QHBoxLayout;
    top->addWidget(lblSpan);
    top->addWidget(m_cboSpan);
    top->addStretch(1);
    top->addWidget(lblHint);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_chtRate, 1);

    connect(m_cboSpan, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && index < static_cast<int>(kSpanMinutes.size()))
            m_chtRate->setSpanSeconds(kSpanMinutes.at(static_cast<std::size_t>(index)) * 60.0);
    });
    m_cboSpan->setCurrentIndex(kDefaultSpanIndex);
    m_chtRate->setSpanSeconds(kSpanMinutes.at(kDefaultSpanIndex) * 60.0);
    resize(760, 420);
    RestoreFormPosition(this, true);
}

void frmChart::closeEvent(QCloseEvent* event)
{
    SaveFormPosition(this);
    event->accept();
}

void InstallChart(frmMain& main)
{
    if (!ChartRecorder::Of(main)) new ChartRecorder(&main);
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

void RecordChart(frmMain& main, const SensorArray& readings, int shown, const QTime& now)
{
    if (ChartRecorder* recorder = ChartRecorder::Of(main))
        recorder->Record(readings, shown, now.msecsSinceStartOfDay() / 1000.0);
}

void SaveChartVisibility(const frmMain& main)
{
    const frmChart* chart = OpenChart(main);
    UserSettings().setValue(QLatin1String(kVisibleKey), chart && chart->isVisible()
                                                            ? QStringLiteral("True")
                                                            : QStringLiteral("False"));
}

void RestoreChartVisibility(frmMain& main)
{
    if (UserSettings().value(QLatin1String(kVisibleKey)).toString() == QLatin1String("True"))
        ShowChart(main);
}

} // namespace monitor
