#include "MonitorChart.h"

#include "MonitorSettings.h"
#include "frmMain.h"

#include "common/ProgramInfo.h"

#include <QSettings>

namespace monitor {

namespace {
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

namespace {
tlv::charts::ChartWindow::Options ChartOptions()
{
    tlv::charts::ChartWindow::Options options;
    options.title = QStringLiteral("Rate and Thickness Chart");
    options.legends = tlv::charts::ChartWindow::Legends::Shared;
    options.hint = QStringLiteral("Untick a sensor to hide its lines, tick it to show them.");
    options.size = QSize(900, 640);
    return options;
}
} // namespace

frmChart::frmChart(ChartRecorder& recorder, QWidget* parent) : ChartWindow(ChartOptions(), parent)
{
    m_chtRate = addChart(recorder.RateChart(), QStringLiteral("chtRate"));
    m_chtThick = addChart(recorder.ThickChart(), QStringLiteral("chtThick"));
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
