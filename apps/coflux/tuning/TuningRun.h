#pragma once
// A tuning run of one output under the running deposition: from a steady power the output is
// given an open-loop power step (optionally followed by a step back down), the rate of its
// sensors is recorded, a lag-with-dead-time model is fitted and loop terms are proposed (SIMC PI
// or IMC PID, whichever is predicted to settle sooner), with the loop's predicted response for
// the proposed and the current terms, and the terms for a start after a soak. The
// output returns to the mode and power it had before. Nothing here changes a loop term: Apply
// goes through the process's own SetLoopTerms, with the output editor's checks and messages.
//
// The run is driven by the process's readings (Deposition calls Reading), so it runs as fast as
// the readings come: in a test, as fast as the test steps the clock. It ends at the deposition's
// Stop or Hold, at a trip, at a failed crystal of the output and after the time-out, each with
// its own message.

#include "LoopPrediction.h"
#include "StepFit.h"
#include "TuningRule.h"

#include <QObject>
#include <QString>

#include <vector>

namespace coflux {

class Deposition;
struct CommandResult;

struct TuningOptions {
    double startPower = -1; // %; below 0: the output's present power
    double step = 5;        // % of full power, up from the start power
    bool stepDown = false;  // a second step back to the start power, fitted together
    tlv880::tuning::Aggressiveness aggressiveness = tlv880::tuning::Aggressiveness::Normal;
    double timeout = 180; // s of the whole run
};

struct TuningResult {
    enum class State { Idle, Running, Done, Refused };
    State state = State::Idle;
    int output = -1;
    QString message; // why it ended (Refused), or what it is doing (Running)
    TuningOptions options;
    double startPower = 0, stepPower = 0; // % actually used
    // The record: seconds from the start of the run, rate Angstrom/s, power %.
    std::vector<double> times, rates, powers;
    tlv880::tuning::StepFit fit;
    tlv880::tuning::RuleResult proposed;
    tlv880::tuning::LoopTermSet current;
    tlv880::tuning::Prediction predictedProposed, predictedCurrent;
    double setpoint = 0; // Angstrom/s the predictions are for
    // For an output brought to a soak power before rate control (a recipe's pre-conditioning):
    // the power, the terms chosen for that start and their predicted loop.
    double soakPower = 0; // %
    tlv880::tuning::RuleResult soakProposed;
    tlv880::tuning::Prediction predictedSoak;
};

class TuningRun : public QObject {
    Q_OBJECT
public:
    explicit TuningRun(Deposition& process);

    // Starts a run on output j; refused (nothing changed) when the deposition is not running,
    // the output has no sensor, a run is going on, or the powers are out of range.
    CommandResult Start(int j, const TuningOptions& options);
    // The latest run's state and result (of any output).
    const TuningResult& Result() const { return m_result; }
    bool Running() const { return m_result.state == TuningResult::State::Running; }
    // Writes the proposed terms of output j's result as the output editor does (the process's
    // SetLoopTerms: same limits, same messages); refused without a result for j.
    CommandResult Apply(int j);

    // ---- called by the process ----
    void Reading(double time);
    // The deposition left the running state (Stop, Hold or a trip with its message).
    void DepositionEnded(const QString& why);

signals:
    // The state, the record or the result changed.
    void changed(int output);

private:
    enum class Phase { Settling, Stepping, SteppingDown };
    void Refuse(const QString& message);
    void Finish();
    void RestoreOutput(bool sendPower);
    bool Steady(double since, double minimum) const;
    QString PhaseText() const;

    Deposition& m_process;
    TuningResult m_result;
    Phase m_phase = Phase::Settling;
    double m_firstTime = -1;  // reading time of the run's first reading (s since midnight)
    double m_phaseStart = 0;  // s of the run
    double m_stepTime = 0;    // s of the run the step went out
    double m_downTime = -1;   // s of the run the step down went out
    short m_previousMode = 0; // what the output had before the run
    double m_previousManual = 0;
};

} // namespace coflux
