#pragma once
// RecipeRun: runs a recipe layer after layer on a deposition process. Per layer:
//
//   Pre-conditioning  the outputs' power follows their rise-and-soak steps, open loop
//   Shutter delay     rate control; once every output's rate held within ±tolerance of its
//                     setpoint for the hold time, the layer's thickness is zeroed (time-out:
//                     the run fails)
//   Deposit           rate ramps as their thickness is reached, until the layer's end
//   Time-power        after a crystal failure with the time-power policy: the failed output
//                     holds its mean power and the layer ends by time
//   Idle ramp         each output's power ramps to its idle power
//
// The run acts on readings only (OnReading); its clock is the readings' time stamps, so a
// test steps time by handing in readings. Abort and every failure put every output to power
// 0 before anything else. No widget: the Process window, the headless run and the tests drive
// the same object.

#include "Recipe.h"
#include "RecipeProcess.h"

#include <QObject>
#include <QString>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace coflux {

class RecipeProgress;
struct RecipeEstimate;

// What one layer deposited, at its end.
struct LayerResult {
    QString name;
    double seconds = 0; // from the layer's start to its end (idle ramp not included)
    struct Output {
        int number = 0;
        double thick = 0;       // kÅ
        bool estimated = false; // its crystal failed: thickness at failure plus rate × time
    };
    std::vector<Output> outputs;
    double endSensorThick = 0; // kÅ, for a layer that ends on a monitor sensor
};

class RecipeRun : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Running, Complete, Aborted, Failed };
    enum class Phase { None, PreConditioning, ShutterDelay, Deposit, TimePower, IdleRamp };
    Q_ENUM(State)
    Q_ENUM(Phase)

    explicit RecipeRun(RecipeProcess& process, QObject* parent = nullptr);
    ~RecipeRun() override;

    // Starts a checked recipe; its time starts with the next reading. False (nothing done)
    // while a run is in progress or for a recipe without layers.
    bool Start(const Recipe& recipe);
    // Every output to power 0, the run ends as aborted.
    void Abort(const QString& reason);
    // Every output to power 0, the run ends as failed (e.g. no readings arrive).
    void Fail(const QString& message);

    // Acts on one reading of the process.
    void OnReading(const RecipeReading& reading);
    // Keeps an event of the process (a backup sensor taking over) in the run's notes; nothing
    // while no run is in progress.
    void AddNote(const QString& text)
    {
        if (IsRunning()) emit Note(m_elapsed, text);
    }

    State CurrentState() const { return m_state; }
    bool IsRunning() const { return m_state == State::Running; }
    const Recipe& CurrentRecipe() const { return m_recipe; }
    int Layer() const { return m_layer; } // 0-based; -1 before the first reading
    Phase CurrentPhase() const { return m_phase; }
    double Elapsed() const { return m_elapsed; }
    // Seconds the run still needs, from the readings so far and the plan of what is left
    // (RecipeProgress's rule); 0 when no run is in progress.
    double EstimatedRemaining() const;
    // The layer's share done and the times to the end of the layer and of the run.
    RecipeEstimate Estimate() const;
    // The thickness of a depositing output in the current layer (kÅ) and the thickness it is
    // planned to reach (kÅ; the end thickness for the output that ends the layer).
    double OutputThickness(int number) const;
    double OutputTarget(int number) const;
    const std::vector<LayerResult>& Results() const { return m_results; }
    const QString& Message() const { return m_message; }

    static QString PhaseName(Phase phase);
    // Elapsed run time as "h:mm:ss".
    static QString ElapsedText(double seconds);
    // The line a phase change gives in the progress log and the headless run:
    // "h:mm:ss  Layer n name  phase".
    static QString PhaseLine(double elapsed, int layer, const QString& name, Phase phase);

signals:
    void PhaseChanged(int layer, coflux::RecipeRun::Phase phase, double elapsed);
    void Finished(coflux::RecipeRun::State state, const QString& message);
    // Something the progress log keeps besides the phases (a crystal failure, a rate ramp).
    void Note(double elapsed, const QString& text);
    // After every reading acted on (for views).
    void Updated();
    // A crystal cannot take what the layer about to start needs; the layer runs (its check is
    // Warn). The text names the layer, the sensor, its life left and the thickness needed.
    void CrystalWarning(const QString& text);
    // The shutter delay of the current layer timed out; the run fails with the same text next.
    void ShutterTimedOut(const QString& text);

private:
    struct Sample {
        double time;
        double power;
        double rate;
        double thick;
    };
    // The run's own state of one output of the current layer.
    struct OutputRun {
        const LayerOutput* plan = nullptr;
        double startPower = 0;          // power when pre-conditioning or the idle ramp began
        double thick = 0;               // Å deposited in this layer
        std::optional<double> zeroFrom; // thickness before the zero, until the zero shows
        std::optional<double> withinSince;
        double setpoint = 0;
        int nextRamp = 0;
        bool ramping = false;
        double rampStart = 0;
        double rampFrom = 0;
        bool timePower = false;
        double failThick = 0; // Å at the crystal failure
        double failRate = 0;  // last good rate
        double failTime = 0;
        std::deque<Sample> history; // good readings of the averaging window
    };

    const RecipeLayer& CurrentLayer() const { return m_recipe.layers[size_t(m_layer)]; }
    void EnterLayer(int layer, const RecipeReading& r);
    // The layer check before a layer; false when it failed the recipe.
    bool CheckCrystals(const RecipeReading& r);
    void EnterPhase(Phase phase, const RecipeReading& r);
    void PreConditioning(const RecipeReading& r);
    void ShutterDelay(const RecipeReading& r);
    void Deposit(const RecipeReading& r);
    void IdleRamp(const RecipeReading& r);
    void TrackThickness(const RecipeReading& r);
    bool HandleCrystalFailures(const RecipeReading& r);
    void StartTimePower(OutputRun& o, const RecipeReading& r);
    bool EndReached(const RecipeReading& r) const;
    void EndLayer(const RecipeReading& r);
    void Finish(State state, const QString& message);
    double PhaseTime() const { return m_elapsed - m_phaseStart; }
    OutputRun* Run(int number);
    const OutputRun* Run(int number) const;
    QString LayerLabel() const;

    RecipeProcess& m_process;
    Recipe m_recipe;
    State m_state = State::Idle;
    int m_layer = -1;
    Phase m_phase = Phase::None;
    bool m_started = false; // the first reading fixed time zero
    double m_startTime = 0; // time stamp of that reading
    double m_dayOffset = 0; // 86400 per midnight passed
    double m_lastStamp = 0;
    double m_elapsed = 0;
    double m_phaseStart = 0;
    double m_layerStart = 0;
    std::vector<OutputRun> m_outputs;
    // The monitor sensor that ends the layer.
    double m_sensorThick = 0;
    std::optional<double> m_sensorZeroFrom;
    double m_sensorRate = 0;
    bool m_sensorFailed = false;
    double m_depositStart = 0;
    std::deque<Sample> m_sensorHistory;
    std::optional<double> m_timeEnd; // elapsed time at which a time-power layer ends
    std::vector<LayerResult> m_results;
    QString m_message;
    std::unique_ptr<RecipeProgress> m_progress; // follows the run reading by reading
};

} // namespace coflux
