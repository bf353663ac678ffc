// Process recipes driven by a remote client (PROC:REC:...) through coflux's remote target, on
// the deposition process with readings handed in at stepped times: the same session and run as
// the Process window's, the remote interface's error numbers for every refusal, and nothing
// half-run.

#include "RecipeOnDepositionFixture.h"

#include "CofluxRemoteTarget.h"

#include "common/remote/ScpiSession.h"

#include <QDir>

namespace coflux::test {
namespace {

class RemoteRecipe : public RecipeOnDeposition {
protected:
    void Connect(bool control = true)
    {
        Open();
        m_target = std::make_unique<CofluxRemoteTarget>(*m_dep, *session);
        m_client = std::make_unique<tlv::remote::ScpiSession>(*m_target, control);
    }
    // Runs a command and returns the error it left ("0,..." when none).
    QByteArray Send(const QByteArray& line)
    {
        EXPECT_FALSE(m_client->Execute(line).has_value()) << line.constData();
        return *m_client->Execute("SYST:ERR?");
    }
    QByteArray Status() { return m_client->Execute("PROC:REC:STAT?").value_or("<none>"); }
    // Readings until the run is in `phase` (or has ended).
    void StepTo(RecipeRun::Phase phase)
    {
        while (session->Run().IsRunning() && session->Run().CurrentPhase() != phase)
            Reading();
    }
    // Nothing of a recipe reached the process: stopped, output 1 as the setup left it.
    void ExpectNothingRan()
    {
        EXPECT_FALSE(session->Run().IsRunning());
        EXPECT_EQ(m_dep->RunState(), RunStopped);
        EXPECT_EQ(m_dep->Mode(0), ModeAuto);
        EXPECT_DOUBLE_EQ(m_dep->ThicknessSetpoint(0), 0.05);
        EXPECT_DOUBLE_EQ(m_instrument->GetPower(0), 0);
    }

    std::unique_ptr<CofluxRemoteTarget> m_target;
    std::unique_ptr<tlv::remote::ScpiSession> m_client;
};

const QByteArray kNoError = "0,\"No error\"";

TEST_F(RemoteRecipe, RefusesFilesOutsideTheFolderMissingFilesAndBadRecipes)
{
    Connect();
    QTemporaryDir outside;
    const QString elsewhere = outside.filePath(QStringLiteral("elsewhere.rcp"));
    ASSERT_TRUE(QFile::copy(m_recipe, elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, m_home.filePath(QStringLiteral("link.rcp"))));
    QDir(m_home.path()).mkdir(QStringLiteral("folder.rcp"));
    for (const char* line : {"PROC:REC:LOAD \"missing.rcp\"", "PROC:REC:LOAD \"link.rcp\"",
                             "PROC:REC:LOAD \"folder.rcp\"", "PROC:REC:LOAD \"../film.rcp\"",
                             "PROC:REC:LOAD \"/etc/passwd\""})
        EXPECT_TRUE(Send(line).startsWith("-256,")) << line;

    Write("bad.rcp", QByteArray(kRecipe).replace("Rate=5", "Rate=5000"));
    const QByteArray bad = Send("PROC:REC:LOAD \"bad.rcp\"");
    EXPECT_EQ(bad, "-222,\"Data out of range; bad.rcp: layer 1 \"\"Film\"\", [LAYER1 OUTPUT1] key "
                   "Rate: Rate must be between 0 and 999.9 !\"");
    EXPECT_FALSE(bad.contains(m_home.path().toUtf8())) << "the folder stays the program's own";
    EXPECT_EQ(Status(), "NONE,0,\"\",\"\",0,\"\"");
    EXPECT_TRUE(Send("PROC:REC:STAR").startsWith("-221,\"Settings conflict; No recipe is loaded."));
    ExpectNothingRan();
}

TEST_F(RemoteRecipe, ChangesNeedControlAndQueriesDoNot)
{
    Connect(false);
    for (const char* line : {"PROC:REC:LOAD \"film.rcp\"", "PROC:REC:STAR", "PROC:REC:ABOR"})
        EXPECT_TRUE(Send(line).startsWith("-203,")) << line;
    EXPECT_EQ(Status(), "NONE,0,\"\",\"\",0,\"\"");
    EXPECT_FALSE(session->HasRecipe());
    ExpectNothingRan();
}

TEST_F(RemoteRecipe, StartIsRefusedWhileTheDepositionRunsAndNothingHalfRuns)
{
    Connect();
    ASSERT_EQ(Send("PROC:REC:LOAD \"film.rcp\""), kNoError);
    EXPECT_EQ(Status(), "LOADED,0,\"\",\"\",0,\"\"");
    ASSERT_EQ(Send("PROC:STAR"), kNoError);
    EXPECT_EQ(Send("PROC:REC:STAR"), "-221,\"Settings conflict; The deposition is running: stop "
                                     "it before a recipe starts.\"");
    EXPECT_FALSE(session->Run().IsRunning());
    EXPECT_EQ(m_dep->Mode(0), ModeAuto);
    EXPECT_DOUBLE_EQ(m_dep->ThicknessSetpoint(0), 0.05);
    EXPECT_TRUE(
        Send("PROC:REC:ABOR").startsWith("-221,\"Settings conflict; No recipe is running."));
    ASSERT_EQ(Send("PROC:STOP"), kNoError);
    EXPECT_EQ(Status(), "LOADED,0,\"\",\"\",0,\"\"");
    ExpectNothingRan();
}

TEST_F(RemoteRecipe, RunsToCompletionAndReportsLayerPhaseAndElapsedOnTheWay)
{
    Connect();
    ASSERT_EQ(Send("PROC:REC:LOAD \"film.rcp\""), kNoError);
    ASSERT_EQ(Send("PROC:REC:STAR"), kNoError);
    EXPECT_EQ(m_dep->RunState(), RunRunning);
    EXPECT_EQ(Status(), "RUNNING,0,\"\",\"Waiting\",0,\"\"") << "no reading yet";
    EXPECT_TRUE(Send("PROC:REC:STAR").startsWith("-221,"));
    EXPECT_TRUE(Send("PROC:REC:LOAD \"film.rcp\"").startsWith("-221,"));

    Reading(); // time zero of the run
    Step(4);
    EXPECT_EQ(Status(), "RUNNING,1,\"Film\",\"Pre-conditioning\",1,\"\"");
    StepTo(RecipeRun::Phase::ShutterDelay);
    const double shutterAt = session->Run().Elapsed();
    EXPECT_NEAR(shutterAt, 3.0, 0.25) << "rise 2 s and soak 1 s";
    EXPECT_EQ(Status(), "RUNNING,1,\"Film\",\"Shutter delay\"," +
                            tlv::remote::ScpiSession::NumberText(shutterAt) + ",\"\"");
    StepTo(RecipeRun::Phase::Deposit);
    EXPECT_TRUE(Status().startsWith("RUNNING,1,\"Film\",\"Deposit\","));
    Step(4000);
    ASSERT_EQ(session->Run().CurrentState(), RecipeRun::State::Complete);
    const QList<QByteArray> fields = Status().split(',');
    ASSERT_EQ(fields.size(), 6);
    EXPECT_EQ(fields[0], "COMPLETE");
    EXPECT_EQ(fields[1], "1");
    EXPECT_EQ(fields[3], "\"Idle ramp\"");
    EXPECT_NEAR(fields[4].toDouble(), session->Run().Elapsed(), 0.051) << "in tenths";
    EXPECT_EQ(fields[5], "\"Recipe complete.\"");
    EXPECT_EQ(m_dep->RunState(), RunRunning) << "the idle power holds after a completed recipe";
    EXPECT_NEAR(m_instrument->GetPower(0), 5, 1e-9);
}

TEST_F(RemoteRecipe, AbortPutsEveryOutputToZeroAndStartsAgainFromTheTop)
{
    Connect();
    ASSERT_EQ(Send("PROC:REC:LOAD \"film.rcp\""), kNoError);
    ASSERT_EQ(Send("PROC:REC:STAR"), kNoError);
    StepTo(RecipeRun::Phase::Deposit);
    Step(8);
    ASSERT_GT(m_instrument->GetPower(0), 0);
    ASSERT_EQ(Send("PROC:REC:ABOR"), kNoError);
    EXPECT_DOUBLE_EQ(m_instrument->GetPower(0), 0);
    EXPECT_EQ(m_dep->RunState(), RunStopped);
    EXPECT_DOUBLE_EQ(m_dep->ThicknessSetpoint(0), 0.05) << "the setup's setpoint is back";
    const QByteArray aborted = Status();
    EXPECT_TRUE(aborted.startsWith("ABORTED,1,\"Film\",\"Deposit\",")) << aborted.constData();
    EXPECT_TRUE(aborted.endsWith(",\"Recipe aborted by a remote client.\"")) << aborted.constData();
    Reading();
    EXPECT_EQ(Status(), aborted) << "readings after the end change nothing";
    EXPECT_TRUE(Send("PROC:REC:ABOR").startsWith("-221,"));

    // The same recipe again, from its first layer.
    ASSERT_EQ(Send("PROC:REC:STAR"), kNoError);
    Reading();
    EXPECT_EQ(Status(), "RUNNING,1,\"Film\",\"Pre-conditioning\",0,\"\"");
}

} // namespace
} // namespace coflux::test
