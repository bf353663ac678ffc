#pragma once
// RecipeProgress: how far a recipe run is and how long it still needs, for the main window,
// the Process window and remote clients. It watches the run reading by reading (after the run
// acted on the reading) and follows what is measured rather than the plan alone:
//
//   Pre-conditioning  open loop, runs to plan: its planned time less the time spent in it.
//   Shutter delay     the hold time plus the time rate control needs to settle within the
//                     tolerance. The settling time is learned: the mean of the shutter delays
//                     that ended in this run (before the first has ended, those of the last
//                     run), less their hold time. While one runs with every rate within the
//                     tolerance, what is left of the hold; otherwise the hold plus what is left
//                     of the learned settling time.
//   Deposit           by the layer's end: a time end counts down; a thickness end takes the
//                     planned time from the thickness reached to the end thickness (rate ramps
//                     included) and scales it by the measured rate against the planned rate at
//                     that point. The measured rate is the thickness gained over the last
//                     kRateWindow seconds.
//   Idle ramp         runs to plan.
//
// Layers still to come count at their planned times, each shutter delay with the learned
// settling time. The layer's share done is its deposited thickness (or time) against its end:
// 0 before deposition, 1 in the idle ramp. Qt Core only; the run's clock is the readings'.

#include "RecipeProcess.h"
#include "RecipeRun.h"

#include <QString>

#include <array>
#include <deque>
#include <optional>

namespace coflux {

struct RecipeEstimate {
    bool running = false;
    int layer = -1; // 0-based
    QString layerName;
    RecipeRun::Phase phase = RecipeRun::Phase::None;
    double layerDone = 0;      // share of the layer's end reached, 0..1
    double layerRemaining = 0; // s to the end of the layer (its idle ramp included)
    double runRemaining = 0;   // s to the end of the run
    double elapsed = 0;        // s since the run started
};

class RecipeProgress {
public:
    static constexpr double kRateWindow = 10;      // s of thickness the measured rate spans
    static constexpr double kRateMinSpan = 2;      // s of thickness needed before it counts
    static constexpr double kSlowestFactor = 0.05; // measured/planned rate never taken below

    // Follows a new run of `recipe` (the settling learned from the last run is kept).
    void Start(const Recipe& recipe);
    // After `run` acted on reading `r`.
    void OnReading(const RecipeRun& run, const RecipeReading& r);
    // The run ended: nothing is running any more.
    void Finish();

    RecipeEstimate Estimate() const;
    // The settling time rate control is taken to need before its hold (s).
    double SettleSeconds() const;

private:
    const RecipeLayer* CurrentLayer() const;
    double ShutterRemaining(const RecipeLayer& layer) const;
    double ShutterPlanned(const RecipeLayer& layer) const;
    double DepositRemaining(const RecipeLayer& layer) const;
    double LayerRemaining() const;
    void EnterPhase(int layer, RecipeRun::Phase phase, double elapsed);
    void TrackShutter(const RecipeLayer& layer, const RecipeReading& r);
    void TrackDeposit(const RecipeRun& run, const RecipeLayer& layer, const RecipeReading& r);

    struct Point {
        double time;
        double thick; // Å
    };

    Recipe m_recipe;
    bool m_running = false;
    int m_layer = -1;
    RecipeRun::Phase m_phase = RecipeRun::Phase::None;
    double m_elapsed = 0;
    double m_phaseStart = 0;
    double m_depositStart = 0; // deposition of the layer began (time-power goes on from it)
    // Shutter delay: since when each of the layer's outputs is within the tolerance.
    std::array<std::optional<double>, kProcessOutputs> m_withinSince{};
    // Settling times of shutter delays that ended, this run and the last.
    double m_settleSum = 0;
    int m_settleCount = 0;
    std::optional<double> m_lastRunSettle;
    // Deposition: the end quantity's thickness over the rate window.
    std::deque<Point> m_thick;
    double m_doneThick = 0; // Å toward the layer's end
};

} // namespace coflux
