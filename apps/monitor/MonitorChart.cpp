#include "MonitorChart.h"

#include "MonitorSettings.h"
#include "frmMain.h"

#include "common/FormUtil.h"
#include "common/ProgramInfo.h"
#include "common/charts/ChartLegend.h"
#include "common/charts/LiveChartView.h"
#include "common/charts/PlotAligner.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QSplitter>
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
    : QObject(owner), m_rate(QStringLiteral("Rate"), QStringLiteral("Å/s")),
      m_thick(QStringLiteral("Thickness"), QStringLiteral("kÅ"))
{
    setObjectName(QStringLiteral("chartRecorder"));
    m_series.fill(-1);
}

ChartRecorder* ChartRecorder::Of(const QObject& owner)
{
    return owner.findChild<ChartRecorder*>(QStringLiteral("chartRecorder"),
                                           Qt::FindDirectChildrenOnly);
}

// Both charts add a sensor's series together, so a sensor has the same id (and look) in each.
void ChartRecorder::Record(const SensorArray& readings, int shown, double secondsSinceMidnight,
                           double periodSeconds)
{
    const double t = m_clock.continuous(secondsSinceMidnight);
    m_rate.setGapSeconds(2 * periodSeconds);
    m_thick.setGapSeconds(2 * periodSeconds);
    const int count = std::min(shown, kChartSensors);
    for (int s = 0; s < count; ++s) {
        int& id = m_series.at(static_cast<std::size_t>(s));
        const QString name = QStringLiteral("Sensor %1").arg(s + 1);
        if (id < 0) {
            id = m_rate.addSeries(name);
            m_thick.addSeries(name);
        }
        const auto& reading = readings[static_cast<std::size_t>(s)];
        m_rate.append(id, t, reading[0]);
        m_thick.append(id, t, reading[1] / 1000.0); // Å to kÅ, as the grid shows it
    }
}

frmChart::frmChart(ChartRecorder& recorder, QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmChart"));
    setWindowTitle(QStringLiteral("Rate and Thickness Chart"));
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
        QStringLiteral("Untick a sensor to hide its lines, tick it to show them."), this);
    lblHint->setEnabled(false);
    m_chtRate = new tlv::charts::LiveChartView(recorder.RateChart(), this);
    m_chtRate->setObjectName(QStringLiteral("chtRate"));
    m_chtThick = new tlv::charts::LiveChartView(recorder.ThickChart(), this);
    m_chtThick->setObjectName(QStringLiteral("chtThick"));
    m_legend = new tlv::charts::ChartLegend(this);
    m_legend->attach(m_chtRate);
    m_legend->attach(m_chtThick);
    auto* aligner = new tlv::charts::PlotAligner(this);
    aligner->add(m_chtRate);
    aligner->add(m_chtThick);

    auto* charts = new QSplitter(Qt::Vertical, this);
    charts->addWidget(m_chtRate);
    charts->addWidget(m_chtThick);
    auto* body = new QHBoxLayout;
    body->addWidget(charts, 1);
    body->addWidget(m_legend);

    auto* top = new QHBoxLayout;
    top->addWidget(lblSpan);
    top->addWidget(m_cboSpan);
    top->addStretch(1);
    top->addWidget(lblHint);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(body, 1);

    const auto setSpan = [this](int index) {
        if (index < 0 || index >= static_cast<int>(kSpanMinutes.size())) return;
        for (tlv::charts::LiveChartView* view : {m_chtRate, m_chtThick})
            view->setSpanSeconds(kSpanMinutes.at(static_cast<std::size_t>(index)) * 60.0);
    };
    connect(m_cboSpan, &QComboBox::currentIndexChanged, this, setSpan);
    m_cboSpan->setCurrentIndex(kDefaultSpanIndex);
    setSpan(kDefaultSpanIndex);
    resize(900, 640);
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
        recorder->Record(readings, shown, now.msecsSinceStartOfDay() / 1000.0,
                         main.Settings().period);
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
