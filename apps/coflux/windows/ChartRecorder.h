#pragma once
// The chart history of coflux: for every present output that is not Off, its rate (Å/s), power
// (%) and thickness (kÅ) with the thickness setpoint, taken from the readings the main window
// shows, into three chart models that keep the last 30 minutes. It lives as a child of the main
// window for the whole program run, so the chart window shows the history whenever it opens.
// Recording costs a few stores per reading; drawing is the chart window's business.

#include "ProcessTables.h"

#include "common/charts/ChartModel.h"

#include <QObject>

#include <array>

namespace coflux {

class frmMain;

class ChartRecorder : public QObject {
    Q_OBJECT
public:
    // Made by the main window after it attached itself to the instrument, so that each reading
    // reaches the window first and the recorder takes what the window shows.
    explicit ChartRecorder(frmMain& main);

    // The main window's recorder (null before it is made).
    static ChartRecorder* Of(const frmMain& main);

    tlv::charts::ChartModel& RateChart() { return m_rate; }
    tlv::charts::ChartModel& PowerChart() { return m_power; }
    tlv::charts::ChartModel& ThickChart() { return m_thick; }

    // Records the main window's current readings at `time` (seconds since midnight).
    void Record(double time);

private:
    struct OutputSeries {
        int rate = -1;
        int power = -1;
        int thick = -1;
        int setpoint = -1;
    };
    void EnsureSeries(int j, bool sensorFed, const QString& name);

    frmMain& m_main;
    tlv::charts::ChartModel m_rate;
    tlv::charts::ChartModel m_power;
    tlv::charts::ChartModel m_thick;
    tlv::charts::MidnightClock m_clock;
    std::array<OutputSeries, kOutputSlots> m_series{};
};

} // namespace coflux
