#pragma once
// The chart history of coflux: for every present output that is not Off, its rate (Å/s), power
// (%) and thickness (kÅ) with the thickness setpoint, taken from each reading of the deposition
// process, into three chart models that keep the last 30 minutes. The main window makes it at
// start and hands it to the chart window, so the chart shows the history whenever it opens.
// Recording costs a few stores per reading; drawing is the chart window's business.

#include "ProcessTables.h"

#include "common/charts/ChartModel.h"

#include <QObject>

#include <array>

namespace coflux {

class Deposition;

class ChartRecorder : public QObject {
    Q_OBJECT
public:
    // Records each reading `process` takes; the process must outlive the recorder.
    explicit ChartRecorder(const Deposition& process, QObject* parent = nullptr);

    tlv::charts::ChartModel& RateChart() { return m_rate; }
    tlv::charts::ChartModel& PowerChart() { return m_power; }
    tlv::charts::ChartModel& ThickChart() { return m_thick; }

    // Records the process's current readings at `time` (seconds since midnight).
    void Record(double time);

private:
    struct OutputSeries {
        int rate = -1;
        int power = -1;
        int thick = -1;
        int setpoint = -1;
    };
    void EnsureSeries(int j, bool sensorFed, const QString& name);

    const Deposition& m_process;
    tlv::charts::ChartModel m_rate;
    tlv::charts::ChartModel m_power;
    tlv::charts::ChartModel m_thick;
    tlv::charts::MidnightClock m_clock;
    std::array<OutputSeries, kOutputSlots> m_series{};
};

} // namespace coflux
