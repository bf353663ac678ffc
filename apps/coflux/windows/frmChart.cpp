#include "frmChart.h"

#include "ChartRecorder.h"
#include "CofluxProgram.h"
#include "HelpWindow.h"

namespace coflux {

namespace {
tlv::charts::ChartWindow::Options ChartOptions()
{
    tlv::charts::ChartWindow::Options options;
    options.title = QStringLiteral("Chart");
    options.hint = QStringLiteral("Untick a legend entry to hide its line, tick it to show it.");
    options.showHelp = [](QWidget* window) { ShowHelp(window, QStringLiteral("charts.html")); };
    return options;
}
} // namespace

frmChart::frmChart(ChartRecorder& recorder, QWidget* parent) : ChartWindow(ChartOptions(), parent)
{
    m_chtRate = addChart(recorder.RateChart(), QStringLiteral("chtRate"));
    m_chtPower = addChart(recorder.PowerChart(), QStringLiteral("chtPower"));
    m_chtPower->setValueRange(0, 100);
    m_chtThick = addChart(recorder.ThickChart(), QStringLiteral("chtThick"));
    // Each reading against the setpoint in force when it was taken: a 0.3 kÅ layer reads as
    // well as a 100 kÅ one, and a finished layer keeps its 100 %.
    m_chtThick->setRelativeToLevels(true);
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
