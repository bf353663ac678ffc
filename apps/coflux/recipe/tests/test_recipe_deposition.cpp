// Recipe runs on the deposition process of coflux with the real card library in simulate
// mode: the instrument's poll is off and readings are handed to the process one by one at
// stepped times, so what the recipe commands (modes, powers, rate setpoints, zeroing) is
// checked on the process without waiting on the wall clock.

#include "DepositionRecipeHost.h"
#include "RecipeSession.h"

#include "CofluxProgram.h"
#include "Deposition.h"

#include "common/DialogService.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace coflux {
namespace {

// Outputs 1 and 2 fed by sensors 1 and 2; output 3 fed by nothing; sensor 3 a monitor.
const char* kSetup = "[Card]\nLogEnabled=0\nPeriod=.25\nFilter=1\n"
                     "[OUTPUT1]\nName=Silver\nMode=3\nInput=1\nThick=0.05\nFullScale=10\n"
                     "[OUTPUT2]\nName=Copper\nMode=0\nInput=2\nThick=0.05\nFullScale=10\n"
                     "[OUTPUT3]\nName=Spare\nMode=0\nInput=0\n"
                     "[SENSOR3]\nMonitor=%1\nThickSP=0.02\n";

const char* kRecipe = "[RECIPE]\nLayers=1\n"
                      "[LAYER1]\nName=Film\nOutputs=1\nEndOutput=1\nEndThick=0.1\n"
                      "ShutterHold=2\nShutterTimeout=60\n"
                      "[LAYER1 OUTPUT1]\nRate=5\nRise1Power=20\nRise1Time=2\nSoak1Time=1\n"
                      "IdlePower=5\nIdleTime=2\n";

class RecipeOnDeposition : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        qputenv("TLV880_HOME", m_home.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_home.filePath("cfg"));
        InstallProgramInfo();
    }

    void Open(bool monitor = false)
    {
        Write("test.dat", QString(kSetup).arg(monitor ? 1 : 0).toUtf8());
        m_recipe = Write("film.rcp", kRecipe);
        m_instrument = std::make_unique<cTLV880a>();
        m_dep = std::make_unique<Deposition>(*m_instrument);
        m_dep->setRemembersSetupFile(false);
        ASSERT_TRUE(m_dep->OpenSetup("test.dat").loaded);
        m_instrument->setTimerEnabled(false); // readings come from the test only
        session = &RecipeSessionOf(*m_dep);
    }

    QString Write(const QString& name, const QByteArray& text)
    {
        QFile f(m_home.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    }

    // One reading of a source on output 1 whose rate follows its power (0.25 Å/s per % above
    // 10 %) in open loop, seen by sensor 1; sensor 3 sees the same film.
    void Reading()
    {
        m_time += 0.25;
        const double power = m_instrument->GetPower(0);
        // Under rate control the loop holds the setpoint (the library's own loop runs on its own
        // simulated crystals, not on these readings).
        if (m_dep->Mode(0) == ModeAuto && m_dep->RunState() == RunRunning)
            m_rate = m_dep->RateSetpoint(0);
        else
            m_rate += (0.25 * std::max(0.0, power - 10) - m_rate) * 0.25;
        m_thick += m_rate * 0.25;
        m_monitor += m_rate * 0.25;
        SensorArray sensors{};
        OutputArray outputs{};
        sensors[0] = {m_rate, m_thick, 5.9e6, 0};
        sensors[2] = {m_rate, m_monitor, 5.9e6, 0};
        outputs[0] = {m_rate, m_thick, power, 0};
        m_dep->TLVReading(sensors, outputs, m_time);
        QCoreApplication::processEvents(); // the process's queued signals
    }

    void Step(int readings)
    {
        for (int i = 0; i < readings && session->Run().IsRunning(); ++i)
            Reading();
    }

    QTemporaryDir m_home;
    tlv::DialogService::ScopedHandler m_dialogs{tlv::DialogAnswer(QMessageBox::Ok)};
    std::unique_ptr<cTLV880a> m_instrument;
    std::unique_ptr<Deposition> m_dep;
    RecipeSession* session = nullptr;
    QString m_recipe;
    double m_time = 36000;
    double m_rate = 0;
    double m_thick = 0;
    double m_monitor = 0;
};

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
    ASSERT_EQ(session->Load(m_recipe), QString());
    ASSERT_EQ(session->Start(), QString());
    EXPECT_EQ(m_dep->RunState(), RunRunning);
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
} // namespace coflux
