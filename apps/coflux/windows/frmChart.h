#pragma once
// frmChart: the live chart window of coflux (View menu, "&Chart"), the program's chart window
// on the main window's chart history. Three charts on one time axis, one above the other:
// rate (Å/s) with each output's setpoint in force and its tolerance band, power (0 to 100 %)
// and thickness in percent of the setpoint in force when each reading was taken (the setpoint
// a dashed line at 100 %, its value in the legend); a recipe layer's beginning is a marker with
// its name. Each chart has its legend beside it; unticking an entry hides that line. The span
// box chooses how much of the kept 30 minutes is shown, "Clock time" the time of day on the
// time axis. Its position is remembered like the readings view's.

#include "common/charts/ChartWindow.h"

namespace coflux {

class ChartRecorder;

class frmChart : public tlv::charts::ChartWindow {
    Q_OBJECT
public:
    frmChart(ChartRecorder& recorder, QWidget* parent = nullptr);

    tlv::charts::LiveChartView* RateView() const { return m_chtRate; }
    tlv::charts::LiveChartView* PowerView() const { return m_chtPower; }
    tlv::charts::LiveChartView* ThickView() const { return m_chtThick; }

private:
    tlv::charts::LiveChartView* m_chtRate = nullptr;
    tlv::charts::LiveChartView* m_chtPower = nullptr;
    tlv::charts::LiveChartView* m_chtThick = nullptr;
};

// Whether the chart window is open is kept in the user's settings ("Form Visible" in section
// "frmChart") so that it opens again at the next start, like the readings view.
void SaveChartVisibility(const frmChart* chart);
bool ChartWasVisible();

} // namespace coflux
