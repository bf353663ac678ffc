// Recipe runs on a simulated process, the instrument's time stepped reading by reading: the
// phases of each layer, the ends, the crystal-failure policies, abort, and what reaches the
// outputs when a run stops.

#include "RecipeFile.h"
#include "RecipeProgressLog.h"
#include "RecipeRun.h"
#include "SimulatedProcess.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace coflux {
namespace {

using test::SimulatedProcess;
using Kind = SimulatedProcess::Command::Kind;
using Phase = RecipeRun::Phase;

constexpr double kStep = 0.25; // s between readings

// One output, pre-conditioned, ending on its own thickness.
const char* kSingleLayer = "[RECIPE]\nLayers=1\n"
                           "[LAYER1]\nName=Base\nOutputs=1\nEndOutput=1\nEndThick=0.3\n"
                           "ShutterTolerance=5\nShutterHold=3\nShutterTimeout=60\n%1\n"
                           "[LAYER1 OUTPUT1]\nRate=5\nRise1Power=20\nRise1Time=5\nSoak1Time=3\n"
                           "IdleTime=4\n%2\n";

class RecipeRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QObject::connect(&run, &RecipeRun::PhaseChanged, [this](int layer, Phase phase, double t) {
            phases.push_back({layer, phase, t});
        });
    }

    Recipe Load(const QString& text)
    {
        const RecipeLoad load = ParseRecipe(text.toUtf8(), QStringLiteral("test.rcp"));
        EXPECT_TRUE(load.recipe) << load.error.toStdString();
        return load.recipe.value_or(Recipe{});
    }

    // Hands readings to the run until it ends or `seconds` of instrument time have passed.
    void RunFor(double seconds)
    {
        for (double t = 0; t < seconds && run.IsRunning(); t += kStep) {
            last = process.Step(kStep);
            readings.push_back(last);
            run.OnReading(last);
        }
    }

    // Elapsed run time at which `phase` of `layer` began; -1 when it never did.
    double PhaseStart(int layer, Phase phase) const
    {
        for (const auto& p : phases)
            if (p.layer == layer && p.phase == phase) return p.elapsed;
        return -1;
    }

    struct PhaseEntry {
        int layer;
        Phase phase;
        double elapsed;
    };

    SimulatedProcess process;
    RecipeRun run{process};
    std::vector<PhaseEntry> phases;
    std::vector<RecipeReading> readings;
    RecipeReading last;
};

TEST_F(RecipeRunTest, ThreeLayersCompleteEachWithinFivePercentAboveItsEnd)
{
    process.sensorOutput[2] = 1; // sensor 3 watches output 2
    const Recipe recipe =
        Load("[RECIPE]\nName=Three\nLayers=3\n"
             "[LAYER1]\nName=Base\nOutputs=1\nEndOutput=1\nEndThick=0.3\nShutterHold=3\n"
             "[LAYER1 OUTPUT1]\nRate=5\nRise1Power=20\nRise1Time=5\nSoak1Time=3\nIdlePower=12\n"
             "IdleTime=5\n"
             "[LAYER2]\nName=Alloy\nOutputs=1,2\nEndOutput=2\nEndThick=0.4\nShutterHold=3\n"
             "[LAYER2 OUTPUT1]\nRate=3\n"
             "[LAYER2 OUTPUT2]\nRate=6\nRise1Power=25\nRise1Time=5\nSoak1Time=2\n"
             "[LAYER3]\nName=Cap\nOutputs=2\nEndSensor=3\nEndThick=0.2\nShutterHold=3\n"
             "[LAYER3 OUTPUT2]\nRate=4\n");
    ASSERT_TRUE(run.Start(recipe));
    QString finished;
    QObject::connect(&run, &RecipeRun::Finished,
                     [&](RecipeRun::State, const QString& message) { finished = message; });
    RunFor(1200);

    EXPECT_EQ(run.CurrentState(), RecipeRun::State::Complete) << run.Message().toStdString();
    EXPECT_EQ(finished, "Recipe complete.");
    ASSERT_EQ(run.Results().size(), 3u);
    const double base = run.Results()[0].outputs[0].thick;
    const double alloy = run.Results()[1].outputs[1].thick;
    const double cap = run.Results()[2].endSensorThick;
    EXPECT_GE(base, 0.3);
    EXPECT_LE(base, 0.3 * 1.05);
    EXPECT_GE(alloy, 0.4);
    EXPECT_LE(alloy, 0.4 * 1.05);
    EXPECT_GE(cap, 0.2);
    EXPECT_LE(cap, 0.2 * 1.05);
    // Output 1 co-deposited in layer 2 at its own rate: about half of output 2's thickness.
    EXPECT_NEAR(run.Results()[1].outputs[0].thick, 0.2, 0.03);

    // Every layer went through its phases in order; the third has no pre-conditioning.
    for (int layer = 0; layer < 3; ++layer) {
        EXPECT_LT(PhaseStart(layer, Phase::ShutterDelay), PhaseStart(layer, Phase::Deposit));
        EXPECT_LT(PhaseStart(layer, Phase::Deposit), PhaseStart(layer, Phase::IdleRamp));
    }
    EXPECT_EQ(PhaseStart(2, Phase::PreConditioning), -1);
    EXPECT_EQ(phases.size(), 2u + 3u + 3u + 3u);
    // Output 1 idled at 12 % between the first two layers; both end at 0 after the last.
    double idle = -1;
    for (const auto& c : process.Of(Kind::Power, 0))
        if (c.time - readings.front().time <= PhaseStart(1, Phase::PreConditioning)) idle = c.value;
    EXPECT_DOUBLE_EQ(idle, 12);
    EXPECT_DOUBLE_EQ(process.sources[0].power, 0);
    EXPECT_DOUBLE_EQ(process.sources[1].power, 0);
}

TEST_F(RecipeRunTest, EachLayerSetsItsOutputsMaterialAsItBegins)
{
    const Recipe recipe = Load("[RECIPE]\nLayers=2\n"
                               "[LAYER1]\nName=Seed\nOutputs=1\nEndTime=5\nShutterHold=1\n"
                               "[LAYER1 OUTPUT1]\nRate=5\nMaterial=Chromium\n"
                               "[LAYER2]\nName=Film\nOutputs=1,2\nEndTime=5\nShutterHold=1\n"
                               "[LAYER2 OUTPUT1]\nRate=3\n"
                               "[LAYER2 OUTPUT2]\nRate=4\nMaterial=Gold\n");
    ASSERT_TRUE(run.Start(recipe));
    RunFor(kStep);
    EXPECT_EQ(process.materials, std::vector<QString>{QStringLiteral("Chromium")});
    EXPECT_EQ(process.Of(Kind::Material, 0).size(), 1u);
    EXPECT_TRUE(process.Of(Kind::Material, 1).empty()) << "the second layer has not begun";
    RunFor(1200);
    EXPECT_EQ(run.CurrentState(), RecipeRun::State::Complete) << run.Message().toStdString();
    EXPECT_EQ(process.materials,
              (std::vector<QString>{QStringLiteral("Chromium"), QStringLiteral("Gold")}));
    EXPECT_EQ(process.Of(Kind::Material, 0).size(), 1u) << "layer 2 names no film for output 1";
    EXPECT_EQ(process.Of(Kind::Material, 1).size(), 1u);
}

TEST_F(RecipeRunTest, PreConditioningPowerFollowsRampsAndSoaks)
{
    Recipe recipe = Load(QString(kSingleLayer).arg("", ""));
    recipe.layers[0].outputs[0].preSteps.push_back({35, 4, 2});
    ASSERT_TRUE(run.Start(recipe));
    RunFor(30);
    ASSERT_GE(PhaseStart(0, Phase::ShutterDelay), 0);

    // Ramp to 20 % in 5 s, hold 3 s, ramp to 35 % in 4 s, hold 2 s.
    auto expected = [](double t) {
        if (t < 5) return 20 * t / 5;
        if (t < 8) return 20.0;
        if (t < 12) return 20 + 15 * (t - 8) / 4;
        return 35.0;
    };
    const double start = readings.front().time;
    int checked = 0;
    for (const RecipeReading& r : readings) {
        const double t = r.time - start;
        if (t > 14) break;
        // The power a reading shows is the one sent at the reading before: one step behind.
        EXPECT_NEAR(r.outputPower[0], expected(t), 4 * kStep + 1e-9) << "t = " << t;
        ++checked;
    }
    EXPECT_GT(checked, 50);
    EXPECT_NEAR(PhaseStart(0, Phase::ShutterDelay), 14, kStep);
    // No rate control before pre-conditioning ended.
    EXPECT_NEAR(process.Of(Kind::RateControl).front().time - start, 14, kStep);
}

TEST_F(RecipeRunTest, ThicknessCountsOnlyAfterTheRateHeldWithinToleranceForTheHoldTime)
{
    ASSERT_TRUE(run.Start(Load(QString(kSingleLayer).arg("", ""))));
    RunFor(400);
    ASSERT_EQ(run.CurrentState(), RecipeRun::State::Complete);

    const auto zeros = process.Of(Kind::Zero, 0);
    ASSERT_EQ(zeros.size(), 1u);
    const double zeroAt = zeros[0].time;
    double lastOutside = -1;
    double rateControlAt = process.Of(Kind::RateControl, 0).front().time;
    for (const RecipeReading& r : readings) {
        if (r.time > zeroAt) break;
        if (r.time >= rateControlAt && std::abs(r.outputRate[0] - 5) > 0.25) lastOutside = r.time;
    }
    ASSERT_GT(lastOutside, rateControlAt); // the source took a while to get there
    EXPECT_GE(zeroAt - lastOutside, 3.0 - kStep);
    EXPECT_LE(zeroAt - lastOutside, 3.0 + kStep);
    // What deposited during the shutter delay is not the layer's.
    EXPECT_LE(run.Results()[0].outputs[0].thick, 0.315);
}

TEST_F(RecipeRunTest, SourceThatCannotReachItsRateFailsAtTheTimeOutWithOutputsOff)
{
    process.sources[0].maxPower = 25; // at most 3.75 Å/s
    process.sources[3].power = 40;    // another output, not in the recipe, is running
    ASSERT_TRUE(run.Start(Load(QString(kSingleLayer).arg("", ""))));
    RunFor(200);

    EXPECT_EQ(run.CurrentState(), RecipeRun::State::Failed);
    EXPECT_NE(run.Message().indexOf("Layer 1 \"Base\": shutter delay timed out after 60 s"), -1)
        << run.Message().toStdString();
    EXPECT_NE(run.Message().indexOf("output 1 at 3.7"), -1) << run.Message().toStdString();
    const double failedAt = process.commands.back().time - readings.front().time;
    EXPECT_NEAR(failedAt, PhaseStart(0, Phase::ShutterDelay) + 60, kStep);
    EXPECT_EQ(process.commands.back().kind, Kind::AllOff);
    EXPECT_TRUE(process.Of(Kind::Zero).empty());
    for (const auto& s : process.sources)
        EXPECT_EQ(s.power, 0);
}

TEST_F(RecipeRunTest, CrystalFailureWithStopEndsTheRecipeWithEveryOutputAtZero)
{
    process.sources[0].failAtThick = 150; // mid-layer
    ASSERT_TRUE(run.Start(Load(QString(kSingleLayer).arg("CrystalFailure=Stop", ""))));
    RunFor(400);

    EXPECT_EQ(run.CurrentState(), RecipeRun::State::Failed);
    EXPECT_NE(run.Message().indexOf("crystal failure on output 1"), -1);
    ASSERT_EQ(process.commands.back().kind, Kind::AllOff);
    EXPECT_EQ(process.sources[0].power, 0);
    // Nothing reaches the outputs after the stop, whatever readings follow.
    const size_t sent = process.commands.size();
    run.OnReading(process.Step(kStep));
    EXPECT_EQ(process.commands.size(), sent);
    EXPECT_TRUE(run.Results().empty());
}

TEST_F(RecipeRunTest, CrystalFailureWithTimePowerHoldsMeanPowerAndEndsTheLayerByTime)
{
    process.sources[0].failAtThick = 150;
    ASSERT_TRUE(
        run.Start(Load(QString(kSingleLayer).arg("CrystalFailure=TimePower\nPowerAverage=5", ""))));
    std::vector<QString> notes;
    QObject::connect(&run, &RecipeRun::Note,
                     [&](double, const QString& text) { notes.push_back(text); });
    RunFor(400);

    ASSERT_EQ(run.CurrentState(), RecipeRun::State::Complete) << run.Message().toStdString();
    ASSERT_GE(PhaseStart(0, Phase::TimePower), 0);
    const auto powers = process.Of(Kind::Power, 0);
    // The power held is that of a source at 5 Å/s: 30 %.
    const auto held = std::find_if(powers.begin(), powers.end(), [&](const auto& c) {
        return c.time - readings.front().time >= PhaseStart(0, Phase::TimePower);
    });
    ASSERT_NE(held, powers.end());
    EXPECT_NEAR(held->value, 30, 1.0);
    ASSERT_FALSE(notes.empty());
    EXPECT_NE(notes.front().indexOf("ends by time"), -1);
    // The layer ended by time: estimated and real thickness both at the end value.
    const LayerResult& result = run.Results()[0];
    EXPECT_TRUE(result.outputs[0].estimated);
    EXPECT_GE(result.outputs[0].thick, 0.3);
    EXPECT_LE(result.outputs[0].thick, 0.315);
    const double deposit = PhaseStart(0, Phase::IdleRamp) - PhaseStart(0, Phase::Deposit);
    EXPECT_NEAR(deposit, 300 / 5.0, 3.0);
}

TEST_F(RecipeRunTest, AbortPutsEveryOutputToZeroAndNothingFollows)
{
    ASSERT_TRUE(run.Start(Load(QString(kSingleLayer).arg("", ""))));
    RunFor(20);
    ASSERT_TRUE(run.IsRunning());
    RecipeRun::State finished = RecipeRun::State::Running;
    QObject::connect(&run, &RecipeRun::Finished,
                     [&](RecipeRun::State state, const QString&) { finished = state; });
    run.Abort(QStringLiteral("Aborted by the operator."));

    EXPECT_EQ(finished, RecipeRun::State::Aborted);
    EXPECT_EQ(process.commands.back().kind, Kind::AllOff);
    const size_t sent = process.commands.size();
    RunFor(10);
    run.OnReading(process.Step(kStep));
    EXPECT_EQ(process.commands.size(), sent);
    // A second abort or a late failure changes nothing.
    run.Fail(QStringLiteral("late"));
    EXPECT_EQ(run.CurrentState(), RecipeRun::State::Aborted);
    EXPECT_EQ(process.commands.size(), sent);
}

TEST_F(RecipeRunTest, RateRampMovesTheSetpointLinearlyOnceItsThicknessIsReached)
{
    ASSERT_TRUE(
        run.Start(Load(QString(kSingleLayer).arg("", "Ramp1Thick=0.1\nRamp1Rate=8\nRamp1Time=4"))));
    RunFor(400);
    ASSERT_EQ(run.CurrentState(), RecipeRun::State::Complete);

    const auto setpoints = process.Of(Kind::Setpoint, 0);
    ASSERT_GE(setpoints.size(), 4u / 0.25);
    const double start = setpoints.front().time;
    for (const auto& c : setpoints)
        EXPECT_NEAR(c.value, 5 + 3 * std::min(1.0, (c.time - start) / 4), 1e-9);
    EXPECT_DOUBLE_EQ(setpoints.back().value, 8);
    EXPECT_NEAR(setpoints.back().time - start, 4, kStep);
    // The ramp began at 0.1 kÅ of the layer.
    const double zeroAt = process.Of(Kind::Zero, 0).front().time;
    EXPECT_NEAR((start - zeroAt) * 5, 100, 10);
}

TEST_F(RecipeRunTest, StaleReadingsAfterTheZeroDoNotEndTheNextLayer)
{
    process.staleReadingsAfterZero = 3;
    ASSERT_TRUE(run.Start(Load("[RECIPE]\nLayers=2\n"
                               "[LAYER1]\nOutputs=1\nEndOutput=1\nEndThick=0.5\nShutterHold=2\n"
                               "[LAYER1 OUTPUT1]\nRate=10\n"
                               "[LAYER2]\nOutputs=1\nEndOutput=1\nEndThick=0.2\nShutterHold=2\n"
                               "[LAYER2 OUTPUT1]\nRate=10\n")));
    RunFor(600);
    ASSERT_EQ(run.CurrentState(), RecipeRun::State::Complete);
    const double second = PhaseStart(1, Phase::IdleRamp) - PhaseStart(1, Phase::Deposit);
    EXPECT_NEAR(second, 200 / 10.0, 2.0);
    EXPECT_GE(run.Results()[1].outputs[0].thick, 0.2);
}

TEST_F(RecipeRunTest, ClockPassingMidnightKeepsTheRunGoing)
{
    SimulatedProcess late(86400 - 10);
    RecipeRun lateRun(late);
    ASSERT_TRUE(lateRun.Start(Load(QString(kSingleLayer).arg("", ""))));
    for (int i = 0; i < 2000 && lateRun.IsRunning(); ++i)
        lateRun.OnReading(late.Step(kStep));
    EXPECT_EQ(lateRun.CurrentState(), RecipeRun::State::Complete);
    EXPECT_GT(lateRun.Elapsed(), 60);
    EXPECT_LT(lateRun.Elapsed(), 200);
}

TEST_F(RecipeRunTest, RemainingTimeEstimateTracksTheRun)
{
    ASSERT_TRUE(run.Start(Load(QString(kSingleLayer).arg("", ""))));
    run.OnReading(process.Step(kStep));
    const double first = run.EstimatedRemaining();
    std::vector<std::pair<double, double>> estimates; // elapsed, remaining
    while (run.IsRunning()) {
        run.OnReading(process.Step(kStep));
        estimates.push_back({run.Elapsed(), run.EstimatedRemaining()});
    }
    ASSERT_EQ(run.CurrentState(), RecipeRun::State::Complete);
    const double total = run.Elapsed();
    EXPECT_NEAR(first, total, 0.3 * total);
    // During deposition the estimate comes from the measured thickness and rate.
    for (const auto& [elapsed, remaining] : estimates) {
        if (elapsed > PhaseStart(0, Phase::Deposit) + 10 &&
            elapsed < PhaseStart(0, Phase::IdleRamp)) {
            EXPECT_NEAR(remaining, total - elapsed, 3.0) << "at " << elapsed;
        }
    }
    EXPECT_EQ(run.EstimatedRemaining(), 0);
}

TEST_F(RecipeRunTest, ProgressLogHoldsStartPhasesLayerResultsAndTheEnd)
{
    QTemporaryDir dir;
    const QString path = RecipeLogPath(dir.filePath("TLV880.LOG"));
    EXPECT_EQ(path, dir.filePath("TLV880-recipe.log"));
    RecipeProgressLog log(run, path);
    process.sources[0].failAtThick = 150;
    ASSERT_TRUE(
        run.Start(Load(QString(kSingleLayer).arg("CrystalFailure=TimePower\nPowerAverage=5", ""))));
    log.Begin("base.rcp", QDateTime(QDate(2026, 12, 7), QTime(9, 30)));
    RunFor(400);
    ASSERT_EQ(run.CurrentState(), RecipeRun::State::Complete);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
    ASSERT_GE(lines.size(), 9);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "Date: 2026-12-07 09:30:00");
    EXPECT_EQ(lines[2], "Recipe: test (base.rcp), 1 layer");
    EXPECT_TRUE(lines[3].startsWith("0:00:00  Layer 1 Base  Pre-conditioning"))
        << lines[3].toStdString();
    EXPECT_TRUE(lines[4].endsWith("Layer 1 Base  Shutter delay"));
    EXPECT_TRUE(lines[5].endsWith("Layer 1 Base  Deposit"));
    EXPECT_NE(lines[6].indexOf("crystal failure on output 1"), -1) << lines[6].toStdString();
    EXPECT_TRUE(lines[7].endsWith("Layer 1 Base  Time-power"));
    EXPECT_NE(lines[8].indexOf("Idle ramp (layer ended after"), -1);
    EXPECT_NE(lines[8].indexOf("output 1 0.30"), -1);
    EXPECT_NE(lines[8].indexOf("(estimated)"), -1);
    EXPECT_TRUE(lines[9].endsWith("  Recipe complete.")) << lines[9].toStdString();
}

TEST(RecipeRunText, PhaseLinesCarryElapsedTimeLayerAndPhase)
{
    EXPECT_EQ(RecipeRun::PhaseLine(65.4, 1, "Alloy", Phase::ShutterDelay),
              "0:01:05  Layer 2 Alloy  Shutter delay");
    EXPECT_EQ(RecipeRun::PhaseLine(3725, 0, "Base", Phase::TimePower),
              "1:02:05  Layer 1 Base  Time-power");
}

} // namespace
} // namespace coflux
