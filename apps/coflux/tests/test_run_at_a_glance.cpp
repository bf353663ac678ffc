// What the operator reads on the main window during a run: each output's rate deviation
// coloured by the tolerance, the run state in a word and colour of its own (Hold apart from
// Run, a completed recipe apart from a running one), and a recipe's layer, share done and
// times left. Readings are handed to the process at stepped times; the instrument's own poll
// is off.

#include "CofluxTestSupport.h"
#include "RecipeSession.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace coflux::test {
namespace {

class RunAtAGlance : public CofluxWindowTest {
protected:
    frmMain& OpenSilver()
    {
        WriteFile(QStringLiteral("Default.dat"),
                  QStringLiteral("[Card]\nLogEnabled=0\nPeriod=.25\n"
                                 "[OUTPUT1]\nMode=3\nName=Silver\nInput=1\nRate=5\nThick=100\n"
                                 "FullScale=10\n"));
        frmMain& main = Open();
        main.Instrument().setTimerEnabled(false); // readings come from the test only
        return main;
    }

    // One reading of output 1 at `rate` Å/s, `time` s after 10:00:00.
    void Reading(double time, double rate, double power = 40)
    {
        SensorArray sensors{};
        OutputArray outputs{};
        m_thick += rate * 0.25;
        sensors[0] = {rate, m_thick, 5.9e6, 0};
        outputs[0] = {rate, m_thick, power, 0};
        emit m_window->Instrument().TLVReading(sensors, outputs, 36000 + time);
    }

    QLabel* Deviation() { return Find<QLabel>(QStringLiteral("lblDeviation_0")); }
    QString Word() { return Find<QLabel>(QStringLiteral("lblRunState"))->text(); }

    double m_thick = 0;
};

// ±5 % of 5 Å/s is ±0.25 Å/s: inside it the deviation is green; outside amber at once, orange
// after the 20 s warning time, red and bold after the 60 s alarm time; back inside, green.
TEST_F(RunAtAGlance, DeviationFollowsTheToleranceWhileRunningOnly)
{
    frmMain& main = OpenSilver();
    Reading(0, 5.1);
    EXPECT_FALSE(Deviation()->isVisibleTo(&main)) << "stopped: no setpoint to stray from";
    main.cmdFSwitch_Click(0);
    Reading(0.25, 5.1);
    EXPECT_TRUE(Deviation()->isVisibleTo(&main));
    EXPECT_EQ(Deviation()->text(), QStringLiteral("+0.10 \u00c5/s (+2.0 %)"));
    EXPECT_TRUE(Deviation()->styleSheet().contains("#008000"));

    Reading(1, 4.5);
    EXPECT_EQ(Deviation()->text(), QStringLiteral("-0.50 \u00c5/s (-10.0 %)"));
    EXPECT_TRUE(Deviation()->styleSheet().contains("#b07800")) << "outside, not yet a warning";
    Reading(21, 4.5);
    EXPECT_TRUE(Deviation()->styleSheet().contains("#e06000")) << "the warning";
    Reading(61, 4.5);
    EXPECT_TRUE(Deviation()->styleSheet().contains("#cc0000")) << "the alarm";
    EXPECT_TRUE(Deviation()->styleSheet().contains("bold"));
    Reading(62, 5.0);
    EXPECT_TRUE(Deviation()->styleSheet().contains("#008000"));

    // An output that leaves rate control has no deviation.
    main.ChannelMode(0, ModeManual);
    Reading(63, 5.0);
    EXPECT_FALSE(Deviation()->isVisibleTo(&main));
    main.ChannelMode(0, ModeAuto);
    Reading(64, 5.0);
    EXPECT_TRUE(Deviation()->isVisibleTo(&main));
    main.cmdFSwitch_Click(1); // hold
    EXPECT_FALSE(Deviation()->isVisibleTo(&main));
}

// Stopped, running and held each have their word and colour; Hold's button is amber, so a held
// deposition does not look like a running one. The captions and colours of the run buttons
// stay as they are.
TEST_F(RunAtAGlance, EachRunStateHasItsWordAndColour)
{
    frmMain& main = OpenSilver();
    auto* start = Find<QPushButton>(QStringLiteral("cmdFSwitch_0"));
    auto* hold = Find<QPushButton>(QStringLiteral("cmdFSwitch_1"));
    auto* word = Find<QLabel>(QStringLiteral("lblRunState"));
    EXPECT_EQ(Word(), "STOPPED");
    EXPECT_TRUE(word->styleSheet().contains("#00ff00"));

    main.cmdFSwitch_Click(0);
    EXPECT_EQ(Word(), "RUNNING");
    EXPECT_TRUE(word->styleSheet().contains("#ff0000"));
    EXPECT_EQ(start->text(), "&Stop");
    EXPECT_EQ(hold->text(), "&Hold");
    EXPECT_FALSE(hold->styleSheet().contains("#ffbf00"));

    main.cmdFSwitch_Click(1);
    EXPECT_EQ(Word(), "HOLD");
    EXPECT_TRUE(word->styleSheet().contains("#ffbf00"));
    EXPECT_EQ(hold->text(), "&Resume");
    EXPECT_TRUE(hold->styleSheet().contains("#ffbf00"));
    EXPECT_EQ(start->text(), "&Stop");

    main.cmdFSwitch_Click(1);
    EXPECT_EQ(Word(), "RUNNING");
    EXPECT_FALSE(hold->styleSheet().contains("#ffbf00"));
    main.cmdFSwitch_Click(0);
    EXPECT_EQ(Word(), "STOPPED");
}

// A recipe's layer, phase, share done and times left show under the frames while it runs; a
// completed recipe reads RECIPE COMPLETE (its outputs at idle power) until Stop.
TEST_F(RunAtAGlance, RecipeProgressAndACompletedRecipeShowAsSuch)
{
    frmMain& main = OpenSilver();
    WriteFile(QStringLiteral("film.rcp"),
              QStringLiteral("[RECIPE]\nName=Film\nLayers=1\n"
                             "[LAYER1]\nName=Seed\nOutputs=1\nEndTime=20\nShutterHold=2\n"
                             "ShutterTimeout=60\n"
                             "[LAYER1 OUTPUT1]\nRate=4\nIdlePower=5\nIdleTime=2\n"));
    RecipeSession& session = main.Host().Recipes();
    ASSERT_EQ(session.Load(HomeFile(QStringLiteral("film.rcp"))), QString());
    ASSERT_EQ(session.Start(), QString());
    auto* strip = Find<QWidget>(QStringLiteral("fraProgress"));
    auto* layer = Find<QLabel>(QStringLiteral("lblLayer"));
    auto* bar = Find<QProgressBar>(QStringLiteral("prgLayer"));
    auto* runLeft = Find<QLabel>(QStringLiteral("lblRunLeft"));

    double t = 0;
    bool sawHalf = false;
    while (session.Run().IsRunning() && t < 120) {
        t += 0.25;
        // Under rate control the source holds its setpoint.
        Reading(t, main.Core().Mode(0) == ModeAuto ? main.Instrument().Rate(0) : 0.0);
        if (!session.Run().IsRunning()) break;
        EXPECT_TRUE(strip->isVisibleTo(&main));
        if (session.Run().CurrentPhase() == RecipeRun::Phase::Deposit &&
            session.Run().Elapsed() > 12) {
            EXPECT_EQ(layer->text(), QStringLiteral("Layer 1/1 Seed: Deposit"));
            EXPECT_GT(bar->value(), 300);
            EXPECT_LT(bar->value(), 1000);
            EXPECT_TRUE(runLeft->text().startsWith(QStringLiteral("Run ends in 0:00:")))
                << runLeft->text().toStdString();
            sawHalf = true;
        }
    }
    EXPECT_TRUE(sawHalf);
    ASSERT_EQ(session.Run().CurrentState(), RecipeRun::State::Complete)
        << session.Run().Message().toStdString();
    EXPECT_FALSE(strip->isVisibleTo(&main));
    EXPECT_EQ(main.RunState(), RunRunning) << "the idle power holds";
    EXPECT_EQ(Word(), "RECIPE COMPLETE");
    main.cmdFSwitch_Click(0);
    EXPECT_EQ(Word(), "STOPPED");
}

} // namespace
} // namespace coflux::test
