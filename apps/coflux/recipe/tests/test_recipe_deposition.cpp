// Recipe runs on the deposition process of coflux with the real card library in simulate
// mode, readings handed in at stepped times (RecipeOnDepositionFixture.h).

#include "RecipeOnDepositionFixture.h"

#include <QSignalSpy>

namespace coflux::test {
namespace {

TEST_F(RecipeOnDeposition, OutputWithoutSensorsOrNotOnTheCardsIsRefusedBeforeAnythingStarts)
{
    Open();
    const QString onSpare = Write("spare.rcp", QByteArray(kRecipe)
                                                   .replace("Outputs=1", "Outputs=3")
                                                   .replace("EndOutput=1", "EndOutput=3")
                                                   .replace("OUTPUT1]", "OUTPUT3]"));
    ASSERT_EQ(session->Load(onSpare), QString());
    EXPECT_EQ(session->Start(), "Output 3 (Spare) has no sensor to control its rate; assign its "
                                "sensors in its editor first.");
    EXPECT_EQ(m_dep->RunState(), RunStopped);
    EXPECT_EQ(m_dep->Mode(2), ModeOff);
    EXPECT_FALSE(session->Run().IsRunning());
}

TEST_F(RecipeOnDeposition, LayerRunsThroughTheProcessAndGivesBackTheThicknessSetpoints)
{
    Open();
    // The operator's settings of output 1, which the recipe takes over.
    ASSERT_TRUE(m_dep->SetRateSetpoint(0, 3).ok());
    ASSERT_TRUE(m_dep->SetManualPower(0, 12.5).ok());
    ASSERT_EQ(session->Load(m_recipe), QString());
    ASSERT_EQ(session->Start(), QString());
    EXPECT_EQ(m_dep->RunState(), RunRunning);
    QSignalSpy zeroed(m_dep.get(), &Deposition::thicknessZeroed); // after the start's own zero
    // Pre-conditioning is open loop: Manual mode, power ramping.
    Step(4);
    EXPECT_EQ(m_dep->Mode(0), ModeManual);
    EXPECT_NEAR(m_instrument->GetPower(0), 10, 2.6);
    // The setup's thickness setpoint (0.05 kÅ) would stop the layer; it is out of the way.
    EXPECT_DOUBLE_EQ(m_dep->ThicknessSetpoint(0), cTLV880a::ThickMax());

    while (session->Run().IsRunning() &&
           session->Run().CurrentPhase() != RecipeRun::Phase::ShutterDelay)
        Reading();
    EXPECT_EQ(m_dep->Mode(0), ModeAuto);
    EXPECT_DOUBLE_EQ(m_dep->RateSetpoint(0), 5);

    Step(4000);
    ASSERT_EQ(session->Run().CurrentState(), RecipeRun::State::Complete)
        << session->Run().Message().toStdString();
    EXPECT_GE(session->Run().Results()[0].outputs[0].thick, 0.1);
    EXPECT_DOUBLE_EQ(m_dep->ThicknessSetpoint(0), 0.05);
    EXPECT_EQ(m_dep->Mode(0), ModeManual);
    EXPECT_NEAR(m_instrument->GetPower(0), 5, 1e-9); // the idle power
    // The layer counted from an offset: no zero reached the output under rate control.
    EXPECT_EQ(zeroed.count(), 0);
    EXPECT_GT(m_dep->Readings().OutThick[0], session->Run().Results()[0].outputs[0].thick);

    // Once the deposition stops, output 1 is the operator's again.
    ASSERT_TRUE(m_dep->Stop().ok());
    EXPECT_EQ(m_dep->Mode(0), ModeAuto);
    EXPECT_DOUBLE_EQ(m_dep->RateSetpoint(0), 3);
    EXPECT_DOUBLE_EQ(m_dep->ManualPower(0), 12.5);
    EXPECT_DOUBLE_EQ(m_dep->ThicknessSetpoint(0), 0.05);
}

TEST_F(RecipeOnDeposition, AnAbortGivesEveryOutputSettingBackAtOnce)
{
    Open();
    ASSERT_TRUE(m_dep->SetRateSetpoint(0, 3).ok());
    ASSERT_TRUE(m_dep->SetManualPower(0, 12.5).ok());
    ASSERT_EQ(session->Load(m_recipe), QString());
    ASSERT_EQ(session->Start(), QString());
    while (session->Run().IsRunning() &&
           session->Run().CurrentPhase() != RecipeRun::Phase::ShutterDelay)
        Reading();
    ASSERT_DOUBLE_EQ(m_dep->RateSetpoint(0), 5); // the recipe's
    session->Abort(QStringLiteral("Recipe aborted (interrupted)."));
    EXPECT_EQ(m_dep->RunState(), RunStopped);
    EXPECT_EQ(m_dep->Mode(0), ModeAuto);
    EXPECT_DOUBLE_EQ(m_dep->RateSetpoint(0), 3);
    EXPECT_DOUBLE_EQ(m_dep->ManualPower(0), 12.5);
    EXPECT_DOUBLE_EQ(m_dep->ThicknessSetpoint(0), 0.05);
    EXPECT_DOUBLE_EQ(m_instrument->GetPower(0), 0);
}

TEST_F(RecipeOnDeposition, ALayersMaterialIsCheckedAtLoadAndGivesItsSensorsTheFilm)
{
    Open();
    const QString unknown =
        Write("unknown.rcp",
              QByteArray(kRecipe).replace("IdleTime=2\n", "IdleTime=2\nMaterial=Unobtainium\n"));
    EXPECT_EQ(session->Load(unknown),
              unknown + ": layer 1 \"Film\", [LAYER1 OUTPUT1] key Material: \"Unobtainium\" is "
                        "not in the material table.");
    EXPECT_FALSE(session->HasRecipe());

    const QString aluminium = Write(
        "al.rcp", QByteArray(kRecipe).replace("IdleTime=2\n", "IdleTime=2\nMaterial=aluminium\n"));
    ASSERT_EQ(session->Load(aluminium), QString());
    EXPECT_DOUBLE_EQ(m_dep->Tables().Sensor(0).Density, 10) << "nothing changes at loading";
    ASSERT_EQ(session->Start(), QString());
    Step(2);
    ASSERT_TRUE(session->Run().IsRunning()) << session->Run().Message().toStdString();
    // Sensor 1 feeds output 1's loop, yet the layer is measured with its own film at once.
    const SensorRecord& sensor = m_dep->Tables().Sensor(0);
    EXPECT_DOUBLE_EQ(sensor.Density, 2.70);
    EXPECT_DOUBLE_EQ(sensor.ZFactor, 1.080);
    EXPECT_EQ(sensor.Material, QStringLiteral("Aluminium"));
    EXPECT_DOUBLE_EQ(m_instrument->Density(0), 2.70);
    EXPECT_DOUBLE_EQ(m_instrument->ZFactor(0), 1.080);
    EXPECT_DOUBLE_EQ(m_dep->Tables().Sensor(1).Density, 10) << "output 2's sensor keeps its film";
    session->Abort(QStringLiteral("done"));
}

TEST_F(RecipeOnDeposition, CrystalFailureEventStopsTheProcess)
{
    Open();
    ASSERT_EQ(session->Load(m_recipe), QString());
    ASSERT_EQ(session->Start(), QString());
    while (session->Run().IsRunning() && session->Run().CurrentPhase() != RecipeRun::Phase::Deposit)
        Reading();
    Step(8);
    m_dep->TLVSensorEvent(1, QStringLiteral("Sensor 1 Crystal Failure."), 0);
    QCoreApplication::processEvents();
    Reading();
    EXPECT_EQ(session->Run().CurrentState(), RecipeRun::State::Failed);
    EXPECT_NE(session->Run().Message().indexOf("crystal failure on output 1"), -1);
    EXPECT_EQ(m_dep->RunState(), RunStopped);
    EXPECT_DOUBLE_EQ(m_instrument->GetPower(0), 0);
    EXPECT_DOUBLE_EQ(m_dep->ThicknessSetpoint(0), 0.05);
}

TEST_F(RecipeOnDeposition, MonitorTripStopsTheRecipeAndNamesTheTrip)
{
    Open(true);
    ASSERT_EQ(session->Load(m_recipe), QString());
    ASSERT_EQ(session->Start(), QString());
    Step(4000);
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(session->Run().CurrentState(), RecipeRun::State::Failed);
    EXPECT_NE(session->Run().Message().indexOf("input monitor Sensor 3"), -1)
        << session->Run().Message().toStdString();
    EXPECT_DOUBLE_EQ(m_instrument->GetPower(0), 0);
}

} // namespace
} // namespace coflux::test
