#pragma once
// The chart of one coater, opened from the fleet window: rate (Å/s), thickness (kÅ) and power
// (%) of each of its outputs against time (of each sensor, for a program without outputs, and
// then no power), from the history the fleet keeps (the last ten minutes) and each reading as
// it arrives. Power runs from 0 to 100 %. The three charts share one time axis and one legend (the
// program's chart window, its clock time that of the coater's readings).

#include "Coater.h"
#include "FleetMessages.h"

#include "common/charts/ChartModel.h"
#include "common/charts/ChartWindow.h"

#include <map>

namespace fleet {

class FleetModel;

class frmChart : public tlv::charts::ChartWindow {
    Q_OBJECT
public:
    frmChart(const FleetModel& model, int row, QWidget* parent = nullptr);
    ~frmChart() override;

    const CoaterKey& Key() const { return m_key; }
    tlv::charts::LiveChartView* RateView() const { return m_chtRate; }
    tlv::charts::LiveChartView* ThickView() const { return m_chtThick; }
    tlv::charts::LiveChartView* PowerView() const { return m_chtPower; }

private:
    void Record(int row, bool output, int number);
    int SeriesFor(bool output, int number);
    void Append(int id, bool output, const Sample& sample);

    const FleetModel& m_model;
    int m_row;
    CoaterKey m_key;
    tlv::charts::ChartModel m_rate;
    tlv::charts::ChartModel m_thick;
    tlv::charts::ChartModel m_power;
    std::map<std::pair<bool, int>, int> m_series; // (output, number) -> series id
    tlv::charts::LiveChartView* m_chtRate = nullptr;
    tlv::charts::LiveChartView* m_chtThick = nullptr;
    tlv::charts::LiveChartView* m_chtPower = nullptr;
};

} // namespace fleet
