#pragma once
// frmChart: the live chart window of coflux (View menu, "&Chart"). Three charts against clock
// time, one above the other on one time axis: rate (Å/s), power (%) and thickness in percent of
// each output's thickness setpoint (the setpoint a dashed line at 100 %, its value in the
// legend), drawn from the main window's chart history. Each chart has its legend beside it;
// unticking an entry hides that line. The span box chooses how much of the kept 30 minutes is
// shown. Its position is remembered like the readings view's.

#include <QWidget>

#include <vector>

class QComboBox;

namespace tlv::charts {
class ChartLegend;
class LiveChartView;
} // namespace tlv::charts

namespace coflux {

class ChartRecorder;

class frmChart : public QWidget {
    Q_OBJECT
public:
    frmChart(ChartRecorder& recorder, QWidget* parent = nullptr);

    tlv::charts::LiveChartView* RateView() const { return m_chtRate; }
    tlv::charts::LiveChartView* PowerView() const { return m_chtPower; }
    tlv::charts::LiveChartView* ThickView() const { return m_chtThick; }
    // The legends of the rate, power and thickness charts, in that order.
    const std::vector<tlv::charts::ChartLegend*>& Legends() const { return m_legends; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void SetSpan(int index);
    void FitLegends();

    QComboBox* m_cboSpan = nullptr;
    tlv::charts::LiveChartView* m_chtRate = nullptr;
    tlv::charts::LiveChartView* m_chtPower = nullptr;
    tlv::charts::LiveChartView* m_chtThick = nullptr;
    std::vector<tlv::charts::ChartLegend*> m_legends;
};

// Whether the chart window is open is kept in the user's settings ("Form Visible" in section
// "frmChart") so that it opens again at the next start, like the readings view.
void SaveChartVisibility(const frmChart* chart);
bool ChartWasVisible();

} // namespace coflux
