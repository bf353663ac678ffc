// The check of a recipe layer against the crystals that will measure it, before the layer
// starts: Warn (the default) tells and runs the layer, Stop fails the recipe with every output
// at 0; the message names the layer, the sensor, its life left and the thickness needed. The
// same check is offered before Start, with the layers before it wearing the crystals first.

#include "Deposition.h"
#include "DepositionRecipeHost.h"
#include "RecipeCrystalCheck.h"
#include "RecipeProgressLog.h"

#include "CofluxProgram.h"
#include "test_backupChamber.h"
#include "test_filmLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace coflux::test {
namespace {

const char* const kSetup = "[Card]\nPeriod=.1\nFilter=1\nLogFile=%1\n"
                           "[OUTPUT1]\nName=Silver\nMode=0\nInput=1\nFullScale=10\n";

// Two layers of 0.2 kÅ on output 1; `%1` is the first layer's check.
const char* const kLayers = "[RECIPE]\nLayers=2\n"
                            "[LAYER1]\nName=Seed\nOutputs=1\nEndOutput=1\nEndThick=0.2\n"
                            "ShutterTolerance=10\nShutterHold=1\nShutterTimeout=30\n%1"
                            "[LAYER1 OUTPUT1]\nRate=5\nRise1Power=5\nRise1Time=1\nSoak1Time=1\n"
                            "IdlePower=5\nIdleTime=1\n"
                            "[LAYER2]\nName=Cap\nOutputs=1\nEndOutput=1\nEndThick=0.2\n"
                            "ShutterTolerance=10\nShutterHold=1\nShutterTimeout=30\n"
                            "[LAYER2 OUTPUT1]\nRate=5\nIdleTime=1\n";

// A crystal 1 kHz above the minimum: about 0.18 kÅ of density 10 left.
constexpr double kWorn = 5001000;

class LayerCheck : public ChamberTest {
protected:
    void SetUp() override
    {
        ChamberTest::SetUp();
        Write(QStringLiteral("Run.dat"),
              QString::fromLatin1(kSetup).arg(HomeFile(QStringLiteral("TLV880.LOG"))).toUtf8());
        ASSERT_TRUE(m_core.OpenSetup(QStringLiteral("Run.dat")).loaded);
        m_tlv.setTimerEnabled(false);
        m_chamber.SetFrequency(0, kWorn);
    }

    RecipeSession& Load(const char* check)
    {
        Write(QStringLiteral("Layers.rcp"), QString::fromLatin1(kLayers).arg(check).toUtf8());
        RecipeSession& recipes = m_recipes.Session();
        EXPECT_EQ(recipes.Load(HomeFile(QStringLiteral("Layers.rcp"))), QString());
        return recipes;
    }

    // The layer's message for sensor 1 at the worn frequency, as the forecast gives its life.
    static QString Expected(const QString& layer)
    {
        const auto left = tlv::ForecastCrystal(kWorn, 5000000, 6000000, 10, 1, 100, 0);
        return QStringLiteral("%1: sensor 1 has %2 kA left, the layer needs 0.200 kA.")
            .arg(layer)
            .arg(left->thicknessLeft, 0, 'f', 3);
    }

    void RunToEnd(RecipeSession& recipes)
    {
        for (int i = 0; i < 5000 && recipes.Run().IsRunning(); ++i)
            Tick();
    }

    QString ProgressLog() const
    {
        QFile log(RecipeLogPath(m_core.Tables().Flags.LogFile));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }
};

TEST_F(LayerCheck, WarnsAndRunsTheLayerByDefault)
{
    RecipeSession& recipes = Load("");
    Tick(); // the instrument measures before the run as it always does
    // Before Start: the first layer does not fit on the worn crystal, nor the second after it.
    const auto before = recipes.CrystalCheckNow(0);
    ASSERT_TRUE(before.has_value());
    ASSERT_EQ(before->size(), 1);
    EXPECT_TRUE(before->front().startsWith(QStringLiteral("sensor 1 has 0.1")));
    ASSERT_EQ(recipes.CrystalCheckNow(1)->size(), 1);

    QStringList warnings;
    QObject::connect(&recipes.Run(), &RecipeRun::CrystalWarning, &recipes,
                     [&](const QString& text) { warnings << text; });
    // The crystal is replaced once the first layer has begun (after its check).
    QObject::connect(&recipes.Run(), &RecipeRun::PhaseChanged, &recipes,
                     [this] { m_chamber.SetFrequency(0, 5900000); });
    ASSERT_EQ(recipes.Start(), QString());
    RunToEnd(recipes);
    EXPECT_EQ(recipes.Run().CurrentState(), RecipeRun::State::Complete)
        << recipes.Run().Message().toStdString();
    ASSERT_EQ(warnings.size(), 1) << "the second layer fits the fresh crystal";
    EXPECT_EQ(warnings.front(), Expected(QStringLiteral("Layer 1 \"Seed\"")));
    EXPECT_TRUE(ProgressLog().contains(warnings.front()));
}

TEST_F(LayerCheck, StopFailsTheRecipeBeforeTheLayerWithEveryOutputAtZero)
{
    RecipeSession& recipes = Load("CrystalCheck=Stop\n");
    ASSERT_EQ(recipes.Start(), QString());
    RunToEnd(recipes);
    EXPECT_EQ(recipes.Run().CurrentState(), RecipeRun::State::Failed);
    EXPECT_EQ(recipes.Run().Message(),
              Expected(QStringLiteral("Layer 1 \"Seed\"")) +
                  QStringLiteral(" The recipe is stopped before the layer."));
    EXPECT_EQ(recipes.Run().CurrentPhase(), RecipeRun::Phase::None) << "the layer never began";
    EXPECT_DOUBLE_EQ(m_chamber.lib->power[0], 0);
    EXPECT_NEAR(m_chamber.Truth(), 0, 1e-9);
}

TEST(LayerCrystals, NeedsFollowTheLayersEndAndEachOutputsRate)
{
    RecipeLayer layer;
    layer.outputs = {LayerOutput{1, 0, 5.0, {}, {}, 0, 10, {}},
                     LayerOutput{2, 1, 2.5, {}, {}, 0, 10, {}}};
    layer.end = LayerEnd::OutputThickness;
    layer.endOutput = 1;
    layer.endThick = 1.0;
    EXPECT_DOUBLE_EQ(LayerThicknessNeeded(layer, layer.outputs[0]), 1.0);
    EXPECT_DOUBLE_EQ(LayerThicknessNeeded(layer, layer.outputs[1]), 0.5) << "half the rate";
    layer.end = LayerEnd::Time;
    layer.endTime = 100;
    EXPECT_DOUBLE_EQ(LayerThicknessNeeded(layer, layer.outputs[1]), 0.25);

    std::array<int, kProcessOutputs> sensors{};
    sensors[0] = 0b01;
    sensors[1] = 0b10;
    std::array<double, kProcessSensors> left{};
    left.fill(10);
    left[1] = std::nan("");
    EXPECT_EQ(CheckLayerCrystals(layer, sensors, left),
              QStringList{QStringLiteral("sensor 2 has failed, the layer needs 0.250 kA")});
    left[1] = 0.25;
    EXPECT_TRUE(CheckLayerCrystals(layer, sensors, left).isEmpty()) << "exactly enough holds";
    layer.end = LayerEnd::SensorThickness;
    layer.endSensor = 3;
    layer.endThick = 12;
    EXPECT_EQ(
        CheckLayerCrystals(layer, sensors, left),
        QStringList{QStringLiteral("sensor 3 has 10.000 kA left, the layer needs 12.000 kA")});
}

} // namespace
} // namespace coflux::test
