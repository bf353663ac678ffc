// Recipe sessions and the headless run on a simulated process: the lines printed, the exit
// status of every ending, the progress log beside the data log, and that a refused recipe
// sends nothing to the outputs.

#include "RecipeCommandLine.h"
#include "RecipeHeadless.h"
#include "RecipeSession.h"
#include "SimulatedHost.h"

#include "common/TerminationSignals.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

namespace coflux {
namespace {

using Kind = test::SimulatedProcess::Command::Kind;

using test::Host;

const char* kRecipe = "[RECIPE]\nName=Pair\nLayers=2\n"
                      "[LAYER1]\nName=First\nOutputs=1\nEndOutput=1\nEndThick=0.1\n"
                      "ShutterHold=2\nShutterTimeout=40\n"
                      "[LAYER1 OUTPUT1]\nRate=5\nRise1Power=20\nRise1Time=2\nSoak1Time=1\n"
                      "IdleTime=2\n"
                      "[LAYER2]\nName=Second\nOutputs=2\nEndTime=10\nShutterHold=2\n"
                      "[LAYER2 OUTPUT2]\nRate=4\nIdleTime=2\n";

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_out = std::tmpfile();
        m_err = std::tmpfile();
        // Readings come one per turn of the event loop, a quarter second of instrument time
        // each: the run's course does not depend on the wall clock.
        QObject::connect(&m_feed, &QTimer::timeout, [this] {
            session.Run().OnReading(host.sim.Step(0.25));
            if (++m_readings == interruptAfter) {
                // Readings pause: the interrupt, not the recipe's end, must end this run.
                m_feed.stop();
                std::raise(interruptSignal);
            }
        });
        m_feed.setInterval(0);
    }
    void TearDown() override
    {
        std::fclose(m_out);
        std::fclose(m_err);
    }

    QString Write(const QString& name, const QByteArray& text)
    {
        QFile f(m_dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    }

    int RunFile(const QString& path, bool feed = true, double noReadings = 10)
    {
        if (feed) m_feed.start();
        const int status = RunRecipeHeadless(session, path, m_out, m_err, noReadings);
        m_feed.stop();
        return status;
    }

    static QStringList Lines(std::FILE* file)
    {
        std::fflush(file);
        std::rewind(file);
        QByteArray all;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, file))
            all += buffer;
        return QString::fromLocal8Bit(all).split('\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir m_dir;
    Host host{m_dir.filePath("TLV880.LOG")};
    RecipeSession session{host};
    int interruptAfter = -1;
    int interruptSignal = SIGINT;
    QTimer m_feed;
    int m_readings = 0;
    std::FILE* m_out = nullptr;
    std::FILE* m_err = nullptr;
};

TEST_F(HeadlessTest, CompleteRunPrintsOneLinePerPhaseAndExitsZero)
{
    EXPECT_EQ(RunFile(Write("pair.rcp", kRecipe)), RecipeExitComplete);
    const QStringList lines = Lines(m_out);
    ASSERT_EQ(lines.size(), 4 + 3 + 1);
    EXPECT_EQ(lines[0], "0:00:00  Layer 1 First  Pre-conditioning");
    EXPECT_TRUE(lines[1].endsWith("  Layer 1 First  Shutter delay"));
    EXPECT_TRUE(lines[4].endsWith("  Layer 2 Second  Shutter delay"));
    EXPECT_TRUE(lines[6].endsWith("  Layer 2 Second  Idle ramp"));
    EXPECT_EQ(lines.last(), "Recipe complete.");
    EXPECT_TRUE(Lines(m_err).isEmpty());
    EXPECT_EQ(host.ended, std::vector<bool>{true});

    // The progress log lies beside the data log.
    QFile log(m_dir.filePath("TLV880-recipe.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    EXPECT_NE(text.indexOf("Recipe: Pair ("), -1);
    EXPECT_NE(text.indexOf("Layer 2 Second  Idle ramp (layer ended after"), -1);
    EXPECT_TRUE(text.trimmed().endsWith("Recipe complete."));
    EXPECT_FALSE(QFile::exists(m_dir.filePath("TLV880.LOG")));
}

// Ctrl+C, kill, a closed terminal and Ctrl+\ all end the run the same way.
class HeadlessSignalTest : public HeadlessTest, public ::testing::WithParamInterface<int> {};

TEST_P(HeadlessSignalTest, SignalAbortsWithEveryOutputAtZeroAndExitsThree)
{
    interruptAfter = 40;
    interruptSignal = GetParam();
    EXPECT_EQ(RunFile(Write("pair.rcp", kRecipe)), RecipeExitAborted);
    EXPECT_EQ(Lines(m_out).last(), "Recipe aborted (interrupted).");
    EXPECT_EQ(
        Lines(m_err),
        QStringList{
            QStringLiteral("coflux: ended by %1.").arg(tlv::TerminationSignals::Name(GetParam()))});
    ASSERT_FALSE(host.sim.commands.empty());
    EXPECT_EQ(host.sim.commands.back().kind, Kind::AllOff);
    EXPECT_EQ(host.ended, std::vector<bool>{false});
    // The handlers of the program are back in place.
    EXPECT_EQ(std::signal(GetParam(), SIG_DFL), SIG_DFL);
    EXPECT_EQ(std::signal(SIGPIPE, SIG_DFL), SIG_DFL);
}

INSTANTIATE_TEST_SUITE_P(EverySignal, HeadlessSignalTest,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGQUIT));

TEST_F(HeadlessTest, FailuresExitFourAfterEveryOutputWentToZero)
{
    host.sim.sources[0].maxPower = 20; // never reaches 5 Å/s
    EXPECT_EQ(RunFile(Write("pair.rcp", kRecipe)), RecipeExitFailed);
    EXPECT_NE(Lines(m_out).last().indexOf("shutter delay timed out after 40 s"), -1);
    EXPECT_EQ(host.sim.commands.back().kind, Kind::AllOff);
}

TEST_F(HeadlessTest, NoReadingsFailTheRun)
{
    EXPECT_EQ(RunFile(Write("pair.rcp", kRecipe), false, 0.2), RecipeExitFailed);
    EXPECT_EQ(Lines(m_out).last(), "No readings for 0.2 s; the recipe is stopped.");
    EXPECT_EQ(host.sim.commands.back().kind, Kind::AllOff);
}

TEST_F(HeadlessTest, RefusedRecipesExitOneAndReachNoOutput)
{
    const QByteArray onOutput4 = QByteArray(kRecipe)
                                     .replace("Outputs=2", "Outputs=4")
                                     .replace("[LAYER2 OUTPUT2]", "[LAYER2 OUTPUT4]");
    const QByteArray bad[] = {QByteArray(kRecipe).replace("Rate=4", "Rate=1e6"), onOutput4,
                              QByteArray(kRecipe).replace("EndTime=10", "")};
    const char* messages[] = {"[LAYER2 OUTPUT2] key Rate: Rate must be between",
                              "output 4 is not on the installed cards",
                              "layer 2 \"Second\", [LAYER2]: the layer has no end"};
    for (size_t i = 0; i < std::size(bad); ++i) {
        const QString path = Write(QStringLiteral("bad%1.rcp").arg(i), bad[i]);
        EXPECT_EQ(RunFile(path), RecipeExitError);
        const QStringList err = Lines(m_err);
        ASSERT_FALSE(err.isEmpty());
        EXPECT_TRUE(err.last().startsWith(path + ": ")) << err.last().toStdString();
        EXPECT_NE(err.last().indexOf(messages[i]), -1) << err.last().toStdString();
    }
    EXPECT_EQ(RunFile(m_dir.filePath("missing.rcp")), RecipeExitError);
    EXPECT_TRUE(host.sim.commands.empty());
    EXPECT_EQ(host.begun, 0);
    EXPECT_FALSE(session.HasRecipe());
}

TEST_F(HeadlessTest, ProcessThatCannotStartExitsOne)
{
    host.refuseWith = QStringLiteral("The setup file was not found.");
    EXPECT_EQ(RunFile(Write("pair.rcp", kRecipe)), RecipeExitError);
    EXPECT_EQ(Lines(m_err).last(), "The setup file was not found.");
    EXPECT_TRUE(host.sim.commands.empty());
}

TEST(RecipeCommandLine, RecipeAndHeadlessOnlyAndTheFileFromTheProgramFolder)
{
    const auto parse = [](QStringList args) {
        args.prepend("coflux");
        return ParseRecipeArguments(args);
    };
    EXPECT_FALSE(parse({"--run", "Default.dat"}).wanted);
    const RecipeRequest both = parse({"--recipe", "Example.rcp", "--headless"});
    EXPECT_TRUE(both.wanted && both.headless && both.error.isEmpty());
    EXPECT_EQ(both.file, "Example.rcp");
    EXPECT_EQ(parse({"--headless", "--recipe=a.rcp"}).file, "a.rcp");
    EXPECT_FALSE(parse({"--recipe", "a.rcp"}).headless);
    EXPECT_EQ(parse({"--recipe"}).error, "--recipe needs the name of a recipe file.");
    EXPECT_EQ(parse({"--recipe", "--headless"}).error, "--recipe needs the name of a recipe file.");
    EXPECT_EQ(parse({"--recipe", "a", "--recipe", "b"}).error, "--recipe is given more than once.");
    EXPECT_EQ(parse({"--recipe", "a", "--minutes", "2"}).error,
              "--minutes cannot be combined with --recipe.");

    QTemporaryDir folder;
    QFile(folder.filePath("in.rcp")).open(QIODevice::WriteOnly);
    EXPECT_EQ(ResolveRecipeFile("in.rcp", folder.path()), folder.filePath("in.rcp"));
    EXPECT_EQ(ResolveRecipeFile("none.rcp", folder.path()), "none.rcp");
}

} // namespace
} // namespace coflux
