#pragma once
// The chart of one coater, opened from the fleet window: rate (Å/s), thickness (kÅ) and power
// (%) of each of its outputs against time (of each sensor, for a program without outputs, and
// then no power), from the history the fleet keeps (the last ten minutes) and each reading as
// it arrives. The three charts share one time axis and one legend.

#include "FleetMessages.h"

#include "common/charts/ChartModel.h"

#include <QWidget>

#include <map>

class QComboBox;

namespace tlv::charts {
class ChartLegend;
class LiveChartView;
} // namespace tlv::charts

namespace fleet {

class FleetModel;

class frmChart : public QWidget {
    Q_OBJECT
public:
    frmChart(const FleetModel& model, int row, QWidget* parent = nullptr);

    const CoaterKey& Key() const { return m_key; }
    tlv::charts::LiveChartView* RateView() const { return m_chtRate; }
    tlv::charts::LiveChartView* ThickView() const { return m_chtThick; }
    tlv::charts::LiveChartView* PowerView() const { return m_chtPower; }

private:
    void Record(int row, bool output, int number);
    int SeriesFor(bool output, int number);

    const FleetModel& m_model;
    int m_row;
    CoaterKey m_key;
    tlv::charts::ChartModel m_rate;
    tlv::charts::ChartModel m_thick;
    tlv::charts::ChartModel m_power;
    std::map<std::pair<bool, int>, int> m_series; // (output, number) -> series id
    QComboBox* m_cboSpan = nullptr;
    tlv::charts::LiveChartView* m_chtRate = nullptr;
    tlv::charts::LiveChartView* m_chtThick = nullptr;
    tlv::charts::LiveChartView* m_chtPower = nullptr;
    tlv::charts::ChartLegend* m_legend = nullptr;
};

} // namespace fleet
