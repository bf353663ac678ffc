#pragma once
// DepositionAlarms: the alarms of coflux's process. Owns the alarm model, its log beside the data
// log, and the conditions that watch the process: the instrument's health events, each output's
// rate against the rate tolerance and its power against its maximum, and a backup sensor taking
// over. What only a recipe knows (a shutter delay that timed out, a crystal too short for the
// next layer) is handed in by whoever runs the recipe. No widget: the window, remote clients and
// the broker read the same model.

#include "common/alarms/AlarmConditions.h"
#include "common/alarms/ProgramAlarms.h"

#include <QObject>
#include <QString>

namespace coflux {

class Deposition;
struct ReadingArrays;

class DepositionAlarms : public QObject {
    Q_OBJECT
public:
    // Watches `process`, its parent, from here on.
    explicit DepositionAlarms(Deposition& process);

    tlv::AlarmModel& Model() { return m_alarms.model(); }
    const tlv::AlarmModel& Model() const { return m_alarms.model(); }
    // The log ("coflux-alarms.log" in the folder of the data log, LogFile).
    const tlv::AlarmLog& Log() const { return m_alarms.log(); }

    // The source an alarm of output slot j names: outputs 1 to 6 as the window numbers them.
    static tlv::AlarmSource OutputSource(int j);

    // ---- what a recipe run reports ----
    // A recipe run starts: the last run's time-out no longer stands.
    void RecipeStarted();
    // The run failed because its shutter delay timed out (`message` says which layer and why).
    void ShutterTimedOut(const QString& message);
    // A crystal cannot take what layer `layer` (0-based) needs: the layer check warned and the
    // layer runs. Clears once another layer begins or the run ends.
    void CrystalTooShort(const QString& message, int layer);
    // A phase of layer `layer` began.
    void RecipePhase(int layer);
    // The run ended, however it ended.
    void RecipeEnded();

signals:
    // The alarm log could not be written (once until a write succeeds again).
    void logFailed(const QString& message);

private:
    void OnReading(const ReadingArrays& readings);
    void OnRunState(short state, short previous);
    void FollowDataLog();

    Deposition& m_process;
    tlv::ProgramAlarms m_alarms;
    tlv::AlarmModel& m_model; // m_alarms' own
    tlv::InstrumentEventAlarms m_events;
    tlv::OutputAlarms m_outputs;
    int m_shortLayer = -1; // the layer a crystal is too short for, -1 none
};

} // namespace coflux
