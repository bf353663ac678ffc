#pragma once
// The chart history of coflux: for every present output that is not Off, its rate (Å/s) with
// the rate setpoint in force and the edges of its tolerance band while a loop on its sensors
// holds it, its power (%), and its thickness as a percentage of the thickness setpoint in
// force when the reading was taken (during a recipe layer, the layer's end thickness of the
// output; between layers, none), with that setpoint; and a marker where each recipe layer
// begins. Taken from each reading of the deposition process, into three chart models that keep
// the last 30 minutes. The main window makes it at start and hands it to the chart window, so
// the chart shows the history whenever it opens. Recording costs a few stores per reading;
// drawing is the chart window's business.

#include "ProcessTables.h"

#include "common/charts/ChartModel.h"

#include <QObject>

#include <array>

namespace coflux {

class Deposition;
class RecipeRun;

class ChartRecorder : public QObject {
    Q_OBJECT
public:
    // Records each reading `process` takes; the process must outlive the recorder.
    explicit ChartRecorder(const Deposition& process, QObject* parent = nullptr);

    tlv::charts::ChartModel& RateChart() { return m_rate; }
    tlv::charts::ChartModel& PowerChart() { return m_power; }
    tlv::charts::ChartModel& ThickChart() { return m_thick; }

    // Marks the layers of `run`'s recipes and reads its outputs' thickness against the
    // layer's end; the run must outlive the recorder.
    void FollowRecipe(const RecipeRun& run);

    // Records the process's current readings at `time` (seconds since midnight).
    void Record(double time);

private:
    struct OutputSeries {
        int rate = -1;
        int power = -1;
        int thick = -1;
        int setpoint = -1;     // thickness setpoint (level)
        int rateSetpoint = -1; // rate setpoint in force, then the band's upper and lower edge
    };
    void EnsureSeries(int j, bool sensorFed, const QString& name);
    void RecordRateSetpoint(int j, OutputSeries& s, double t);
    // Output j's thickness (kÅ) and the setpoint (kÅ) it counts against now, for a reading of
    // `reading` kÅ; NaN where there is none (between a recipe's layers).
    struct ThickInForce {
        double thick;
        double setpoint;
    };
    ThickInForce ThicknessInForce(int j, double reading) const;

    const Deposition& m_process;
    const RecipeRun* m_run = nullptr;
    QString m_pendingMarker; // a layer began: marked at the next reading
    int m_lastMarkedLayer = -1;
    tlv::charts::ChartModel m_rate;
    tlv::charts::ChartModel m_power;
    tlv::charts::ChartModel m_thick;
    tlv::charts::MidnightClock m_clock;
    std::array<OutputSeries, kOutputSlots> m_series{};
};

} // namespace coflux
