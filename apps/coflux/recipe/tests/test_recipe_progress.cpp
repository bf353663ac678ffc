// The progress of a recipe run on a simulated process, the instrument's time stepped reading by
// reading: the estimates of the time to the end of the layer and of the run against the time
// the run really took, a source slower than planned, the layer's share done and the settling
// time learned from one run for the next.

#include "RecipeFile.h"
#include "RecipePlan.h"
#include "RecipeProgress.h"
#include "RecipeRun.h"
#include "SimulatedProcess.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace coflux {
namespace {

using test::SimulatedProcess;
using Phase = RecipeRun::Phase;

constexpr double kStep = 0.25; // s between readings

struct Sample {
    double elapsed;
    int layer;
    Phase phase;
    RecipeEstimate estimate;
    double planned; // the plan alone: what the recipe's layers take, less the time elapsed
};

class RecipeProgressTest : public ::testing::Test {
protected:
    Recipe Load(const QString& text)
    {
        const RecipeLoad load = ParseRecipe(text.toUtf8(), QStringLiteral("test.rcp"));
        EXPECT_TRUE(load.recipe) << load.error.toStdString();
        return load.recipe.value_or(Recipe{});
    }

    // Runs `recipe` to its end, keeping the estimate after every reading.
    void RunToEnd(const Recipe& recipe, double limit = 3600)
    {
        samples.clear();
        ASSERT_TRUE(run.Start(recipe));
        progress.Start(recipe);
        double plan = 0;
        for (const RecipeLayer& layer : recipe.layers)
            plan += PlannedLayerTime(layer);
        for (double t = 0; t < limit && run.IsRunning(); t += kStep) {
            const RecipeReading r = process.Step(kStep);
            run.OnReading(r);
            progress.OnReading(run, r);
            if (!run.IsRunning()) continue;
            samples.push_back({run.Elapsed(), run.Layer(), run.CurrentPhase(), progress.Estimate(),
                               std::max(0.0, plan - run.Elapsed())});
            // The run keeps its own estimate by the same rule.
            EXPECT_DOUBLE_EQ(run.EstimatedRemaining(), progress.Estimate().runRemaining);
        }
        ASSERT_EQ(run.CurrentState(), RecipeRun::State::Complete) << run.Message().toStdString();
        total = run.Elapsed();
        progress.Finish();
    }

    // The end of a layer: the elapsed time of its last sample.
    double LayerEnd(int layer) const
    {
        double end = 0;
        for (const Sample& s : samples)
            if (s.layer == layer) end = s.elapsed;
        return end + kStep;
    }

    SimulatedProcess process;
    RecipeRun run{process};
    RecipeProgress progress;
    std::vector<Sample> samples;
    double total = 0;
};

// The example recipe shipped with coflux, run end to end: the run's remaining time is
// estimated within 10 % of what it really took from the moment the first shutter delay has
// settled, and within 25 % before, where the plan alone knows nothing of settling.
TEST_F(RecipeProgressTest, ExampleRecipeEstimateFollowsTheRunItReallyTook)
{
    const RecipeLoad load = ReadRecipe(QStringLiteral(TLV_EXAMPLE_RECIPE));
    ASSERT_TRUE(load.recipe) << load.error.toStdString();
    RunToEnd(*load.recipe);

    double firstSettled = -1;
    for (const Sample& s : samples)
        if (s.layer == 0 && s.phase == Phase::Deposit) {
            firstSettled = s.elapsed;
            break;
        }
    ASSERT_GT(firstSettled, 0);
    double worstAfter = 0;
    double worstBefore = 0;
    for (const Sample& s : samples) {
        const double actual = total - s.elapsed;
        const double error = std::abs(s.estimate.runRemaining - actual) / std::max(actual, 20.0);
        (s.elapsed >= firstSettled ? worstAfter : worstBefore) =
            std::max(s.elapsed >= firstSettled ? worstAfter : worstBefore, error);
    }
    EXPECT_LT(worstAfter, 0.10);
    EXPECT_LT(worstBefore, 0.25);

    // The figures of the estimate against the run, for the record.
    std::printf("run took %.1f s; planned %.1f s\n", total, samples.front().planned);
    for (double at : {0.0, 30.0, 60.0, 90.0, 120.0, 150.0, 180.0}) {
        for (const Sample& s : samples)
            if (s.elapsed >= at) {
                std::printf("t=%6.1f s layer %d %-16s estimate %6.1f s  actual %6.1f s  "
                            "plan alone %6.1f s\n",
                            s.elapsed, s.layer + 1, qPrintable(RecipeRun::PhaseName(s.phase)),
                            s.estimate.runRemaining, total - s.elapsed, s.planned);
                break;
            }
    }
}

// The layer's time left agrees with the layer's real end, and the run's time left is the
// layer's plus the layers to come.
TEST_F(RecipeProgressTest, LayerEstimateEndsWithTheLayer)
{
    const Recipe recipe =
        Load("[RECIPE]\nLayers=2\n"
             "[LAYER1]\nName=Base\nOutputs=1\nEndOutput=1\nEndThick=0.3\nShutterHold=3\n"
             "[LAYER1 OUTPUT1]\nRate=5\nRise1Power=20\nRise1Time=5\nSoak1Time=3\nIdleTime=4\n"
             "[LAYER2]\nName=Cap\nOutputs=1\nEndTime=20\nShutterHold=3\n"
             "[LAYER2 OUTPUT1]\nRate=4\nIdleTime=4\n");
    RunToEnd(recipe);
    const double end0 = LayerEnd(0);
    for (const Sample& s : samples) {
        if (s.layer != 0 || s.phase != Phase::Deposit) continue;
        EXPECT_NEAR(s.estimate.layerRemaining, end0 - s.elapsed,
                    std::max(2.0, 0.1 * (end0 - s.elapsed)))
            << "at " << s.elapsed;
        EXPECT_GT(s.estimate.runRemaining, s.estimate.layerRemaining + 20);
    }
    const Sample& last = samples.back();
    EXPECT_EQ(last.layer, 1);
    EXPECT_EQ(last.phase, Phase::IdleRamp);
    EXPECT_LE(last.estimate.runRemaining, 0.5);
}

// A source that cannot reach its ramped rate: the deposit estimate follows the rate it gives,
// not the plan, which would end the layer far too early.
TEST_F(RecipeProgressTest, DepositEstimateFollowsASourceSlowerThanPlanned)
{
    process.sources[0].maxPower = 34; // at most 6 Å/s where the ramp asks for 8
    const Recipe recipe =
        Load("[RECIPE]\nLayers=1\n"
             "[LAYER1]\nName=Thick\nOutputs=1\nEndOutput=1\nEndThick=0.8\nShutterHold=3\n"
             "[LAYER1 OUTPUT1]\nRate=4\nRamp1Thick=0.05\nRamp1Rate=8\nRamp1Time=2\nIdleTime=2\n");
    RunToEnd(recipe);
    const double end = LayerEnd(0);
    int checked = 0;
    for (const Sample& s : samples) {
        if (s.phase != Phase::Deposit || s.estimate.layerDone < 0.3) continue;
        const double actual = end - s.elapsed;
        EXPECT_NEAR(s.estimate.layerRemaining, actual, std::max(2.0, 0.08 * actual))
            << "at " << s.elapsed;
        ++checked;
    }
    EXPECT_GT(checked, 100);
    // The plan alone, at 30 % of the layer, was far shorter than the truth.
    double depositStart = -1;
    for (const Sample& s : samples) {
        if (s.phase != Phase::Deposit) continue;
        if (depositStart < 0) depositStart = s.elapsed;
        if (s.estimate.layerDone < 0.3) continue;
        const double plan = PlannedDepositTime(recipe.layers[0]) - (s.elapsed - depositStart) +
                            PlannedIdleTime(recipe.layers[0]);
        EXPECT_LT(plan, 0.85 * (end - s.elapsed));
        break;
    }
}

// The share done: nothing before the shutter opens, the thickness (or time) toward the end
// while depositing, never down, and all of it in the idle ramp.
TEST_F(RecipeProgressTest, LayerShareDoneGrowsFromZeroToOne)
{
    const Recipe recipe =
        Load("[RECIPE]\nLayers=2\n"
             "[LAYER1]\nName=Base\nOutputs=1\nEndOutput=1\nEndThick=0.2\nShutterHold=2\n"
             "[LAYER1 OUTPUT1]\nRate=5\nRise1Power=20\nRise1Time=3\nSoak1Time=1\nIdleTime=2\n"
             "[LAYER2]\nName=Cap\nOutputs=1\nEndTime=10\nShutterHold=2\n"
             "[LAYER2 OUTPUT1]\nRate=4\nIdleTime=2\n");
    RunToEnd(recipe);
    double before = -1;
    int lastLayer = 0;
    for (const Sample& s : samples) {
        if (s.layer != lastLayer) before = -1;
        lastLayer = s.layer;
        switch (s.phase) {
        case Phase::PreConditioning:
        case Phase::ShutterDelay:
            EXPECT_EQ(s.estimate.layerDone, 0);
            break;
        case Phase::Deposit:
            EXPECT_GE(s.estimate.layerDone, before);
            EXPECT_LE(s.estimate.layerDone, 1);
            before = s.estimate.layerDone;
            break;
        case Phase::IdleRamp:
            EXPECT_EQ(s.estimate.layerDone, 1);
            break;
        default:
            break;
        }
        EXPECT_EQ(s.estimate.layerName, recipe.layers[size_t(s.layer)].name);
    }
    // Halfway through the time-ended layer's deposition, half of it is done.
    for (const Sample& s : samples)
        if (s.layer == 1 && s.phase == Phase::Deposit && s.estimate.layerDone >= 0.5) {
            EXPECT_NEAR(s.estimate.layerRemaining, 5 + 2, 0.3);
            break;
        }
    EXPECT_FALSE(progress.Estimate().running);
}

// The settling time of rate control is learned from the shutter delays that ended; the next
// run starts from it, so its first estimate is already closer than the plan's.
TEST_F(RecipeProgressTest, SettlingLearnedInOneRunServesTheNext)
{
    const Recipe recipe =
        Load("[RECIPE]\nLayers=1\n"
             "[LAYER1]\nName=Film\nOutputs=1\nEndTime=10\nShutterTolerance=2\nShutterHold=2\n"
             "[LAYER1 OUTPUT1]\nRate=5\nIdleTime=2\n");
    EXPECT_EQ(progress.SettleSeconds(), 0);
    RunToEnd(recipe);
    const double settle = progress.SettleSeconds();
    double shutter = 0;
    for (const Sample& s : samples)
        if (s.phase == Phase::ShutterDelay) shutter = s.elapsed;
    EXPECT_NEAR(settle, shutter + kStep - 2, 0.6);
    EXPECT_GT(settle, 2);

    process.sources[0] = SimulatedProcess::Source{};
    RunToEnd(recipe);
    const double actual = total - samples.front().elapsed;
    EXPECT_NEAR(samples.front().estimate.runRemaining, actual, 0.1 * actual);
    EXPECT_LT(samples.front().planned, 0.8 * actual); // the plan alone misses the settling
}

} // namespace
} // namespace coflux
