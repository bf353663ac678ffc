#pragma once
// The live rate chart of tlvmonitor (View menu, "&Chart"): one line per displayed sensor, from
// the readings the main window shows at each refresh, with the last 30 minutes kept from the
// start of the program whether the chart window is open or not. A click on a legend entry hides
// a sensor's line. The window's position and visibility are remembered (section "frmChart").

#include "instrument/cTLV880a.h"

#include "common/charts/ChartModel.h"

#include <QTime>
#include <QWidget>

#include <array>

class QComboBox;

namespace tlv::charts {
class LiveChartView;
}

namespace monitor {

class frmMain;

inline constexpr int kChartSensors = tlv880::kSensors;

// The rate history of the displayed sensors; a child of the main window.
class ChartRecorder : public QObject {
    Q_OBJECT
public:
    explicit ChartRecorder(QObject* owner);
    static ChartRecorder* Of(const QObject& owner);

    tlv::charts::ChartModel& RateChart() { return m_rate; }
    // Records the rates of sensors 0 .. shown - 1 at `secondsSinceMidnight`.
    void Record(const SensorArray& readings, int shown, double secondsSinceMidnight);

private:
    tlv::charts::ChartModel m_rate;
    tlv::charts::MidnightClock m_clock;
    std::array<int, kChartSensors> m_series{};
};

class frmChart : public QWidget {
    Q_OBJECT
public:
    frmChart(ChartRecorder& recorder, QWidget* parent = nullptr);
    tlv::charts::LiveChartView* RateView() const { return m_chtRate; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QComboBox* m_cboSpan = nullptr;
    tlv::charts::LiveChartView* m_chtRate = nullptr;
};

// The main window's hooks.
void InstallChart(frmMain& main);
void ShowChart(frmMain& main);
void RecordChart(frmMain& main, const SensorArray& readings, int shown, const QTime& now);
void SaveChartVisibility(const frmMain& main);
void RestoreChartVisibility(frmMain& main);

} // namespace monitor
