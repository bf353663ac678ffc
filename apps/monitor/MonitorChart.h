#pragma once
// The live charts of tlvmonitor (View menu, "&Chart"): rate (Å/s) and thickness (kÅ), one line
// per displayed sensor in each, from the readings the main window shows at each refresh, with the
// last 30 minutes kept from the start of the program whether the chart window is open or not.
// The two charts are stacked on one time axis and share a legend that lists every sensor (in
// columns); unticking a sensor hides its line in both. A line breaks where readings stopped for
// more than two periods. The window's position and visibility are remembered (section
// "frmChart").

#include "instrument/cTLV880a.h"

#include "common/charts/ChartModel.h"
#include "common/charts/ChartWindow.h"

#include <QTime>

#include <array>

namespace monitor {

class frmMain;

inline constexpr int kChartSensors = tlv880::kSensors;

// The rate and thickness history of the displayed sensors; a child of the main window.
class ChartRecorder : public QObject {
    Q_OBJECT
public:
    explicit ChartRecorder(QObject* owner);
    static ChartRecorder* Of(const QObject& owner);

    tlv::charts::ChartModel& RateChart() { return m_rate; }
    tlv::charts::ChartModel& ThickChart() { return m_thick; }
    // Records the rates and thicknesses of sensors 0 .. shown - 1 at `secondsSinceMidnight`;
    // `periodSeconds` is the measurement period: no reading for more than two breaks the lines.
    void Record(const SensorArray& readings, int shown, double secondsSinceMidnight,
                double periodSeconds = 0);

private:
    tlv::charts::ChartModel m_rate;
    tlv::charts::ChartModel m_thick;
    tlv::charts::MidnightClock m_clock;
    std::array<int, kChartSensors> m_series{};
};

// The program's chart window on the recorder: the two charts and one legend for both.
class frmChart : public tlv::charts::ChartWindow {
    Q_OBJECT
public:
    frmChart(ChartRecorder& recorder, QWidget* parent = nullptr);
    tlv::charts::LiveChartView* RateView() const { return m_chtRate; }
    tlv::charts::LiveChartView* ThickView() const { return m_chtThick; }
    tlv::charts::ChartLegend* Legend() const { return Legends().front(); }

private:
    tlv::charts::LiveChartView* m_chtRate = nullptr;
    tlv::charts::LiveChartView* m_chtThick = nullptr;
};

// The main window's hooks.
void InstallChart(frmMain& main);
void ShowChart(frmMain& main);
void RecordChart(frmMain& main, const SensorArray& readings, int shown, const QTime& now);
void SaveChartVisibility(const frmMain& main);
void RestoreChartVisibility(frmMain& main);

} // namespace monitor
