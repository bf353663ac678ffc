#pragma once
// frmChart: the live chart window of coflux (View menu, "&Chart"). Three charts against clock
// time, one above the other: rate (Å/s), power (%) and thickness (kÅ) with each output's
// thickness setpoint as a dashed line, drawn from the main window's chart history. A click on a
// legend entry hides that line; the span box chooses how much of the kept 30 minutes is shown.
// Its position is remembered like the readings view's.

#include <QWidget>

class QComboBox;

namespace tlv::charts {
class LiveChartView;
}

namespace coflux {

class ChartRecorder;
class frmMain;

class frmChart : public QWidget {
    Q_OBJECT
public:
    frmChart(ChartRecorder& recorder, QWidget* parent = nullptr);

    tlv::charts::LiveChartView* RateView() const { return m_chtRate; }
    tlv::charts::LiveChartView* PowerView() const { return m_chtPower; }
    tlv::charts::LiveChartView* ThickView() const { return m_chtThick; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void SetSpan(int index);

    QComboBox* m_cboSpan = nullptr;
    tlv::charts::LiveChartView* m_chtRate = nullptr;
    tlv::charts::LiveChartView* m_chtPower = nullptr;
    tlv::charts::LiveChartView* m_chtThick = nullptr;
};

// The main window's hooks: make the chart history (once, at start-up, after the window attached
// itself to the instrument), show the chart window (made on first use, raised when open), and
// keep its visibility in the user's settings ("Form Visible" in section "frmChart") so that it
// opens again at the next start, like the readings view.
void InstallChart(frmMain& main);
void ShowChart(frmMain& main);
void SaveChartVisibility(const frmMain& main);
void RestoreChartVisibility(frmMain& main);

} // namespace coflux
