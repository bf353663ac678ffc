// The alarms of coflux's process on the card-library double, the test stepping the instrument's
// clock: each condition raises at its threshold, waits for an acknowledgement and clears when
// its cause has gone; the rate tolerance is a setting of the setup; every change is in the
// alarm log; a halt message leaves the status text once the next run starts.

#include "DepositionAlarms.h"
#include "RecipeSession.h"

#include "test_backupChamber.h"

#include "common/alarms/AlarmConditions.h"
#include "tlvtest/PrintQt.h"

#include <QSignalSpy>

namespace coflux::test {
namespace {

using tlv::Alarm;
using tlv::AlarmSeverity;
using tlv::AlarmState;
namespace condition = tlv::condition;

// Silver on output 1 under rate control at 10 Å/s from sensor 1, at most 50 % power; a rate
// tolerance of ±5 % or 0.1 Å/s with the warning after 2 s and the alarm after 4 s.
const char* const kSetup = "[Card]\nPeriod=.1\nFilter=1\nLogFile=%1\nLogEnabled=0\n"
                           "RateWarnAfter=2\nRateAlarmAfter=4\n"
                           "[OUTPUT1]\nName=Silver\nMode=3\nInput=1\nThick=100\nRate=10\n"
                           "MaxPwr=50\nFullScale=10\n";

class ProcessAlarms : public ChamberTest {
protected:
    void SetUp() override
    {
        ChamberTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(Write(
            QStringLiteral("Run.dat"),
            QString::fromLatin1(kSetup).arg(HomeFile(QStringLiteral("TLV880.LOG"))).toUtf8()));
        ASSERT_TRUE(m_core.OpenSetup(QStringLiteral("Run.dat")).loaded);
        m_tlv.setTimerEnabled(false); // the test is the timer
    }
    tlv::AlarmModel& Model() { return m_core.Alarms().Model(); }
    const Alarm* Open(const QString& which)
    {
        for (const Alarm& alarm : Model().history())
            if (alarm.isOpen() && alarm.condition == which) return &alarm;
        return nullptr;
    }
    // The source gives this rate (Å/s on sensor 1) and this power from now on.
    void Source(double percent) { m_chamber.lib->power[0] = percent / 100.0; }
    void Run(double seconds)
    {
        for (int i = 0; i < int(seconds / BackupChamber::kPeriod + 0.5); ++i)
            Tick();
    }
};

TEST_F(ProcessAlarms, RateOutOfToleranceWarnsThenAlarmsAndClearsBackInside)
{
    EXPECT_DOUBLE_EQ(m_core.Tables().Flags.RateTolerance.warningAfter, 2);
    EXPECT_DOUBLE_EQ(m_core.Tables().Flags.RateTolerance.alarmAfter, 4);
    ASSERT_TRUE(m_core.Start().ok());
    Source(10);
    Run(5);
    EXPECT_EQ(Open(condition::kRate), nullptr) << "on its setpoint";

    Source(11); // 11 Å/s against 10 ± 0.5
    Run(1.9);
    EXPECT_EQ(Open(condition::kRate), nullptr) << "not yet the warning time";
    Run(0.3);
    const Alarm* warning = Open(condition::kRate);
    ASSERT_NE(warning, nullptr);
    EXPECT_EQ(warning->severity, AlarmSeverity::Warning);
    EXPECT_EQ(warning->source.text, "Output 1");
    EXPECT_TRUE(warning->text.startsWith("Rate of Output 1 out of tolerance: 11.00 \u00c5/s "
                                         "against 10.00 \u00b1 0.50 \u00c5/s"))
        << warning->text.toStdString();
    const quint64 id = warning->id;
    ASSERT_TRUE(Model().acknowledge(id));

    Run(2);
    EXPECT_EQ(Model().find(id)->severity, AlarmSeverity::Alarm) << "4 s outside";
    EXPECT_EQ(Model().find(id)->state, AlarmState::Active) << "to be acknowledged again";

    Source(10.4);
    Run(0.2);
    EXPECT_EQ(Model().find(id)->state, AlarmState::Cleared);
    EXPECT_LE(Model().find(id)->cleared.msecsTo(m_clock->now()), 100) << "at the first reading";
    ASSERT_TRUE(m_core.Stop().ok());
}

TEST_F(ProcessAlarms, MaximumPowerForFiveSecondsAndStopClearsTheOutputsAlarms)
{
    ASSERT_TRUE(m_core.Start().ok());
    Source(50); // the loop asks for everything it may: 50 %, and 50 Å/s is far off
    Run(4.8);
    EXPECT_EQ(Open(condition::kPower), nullptr);
    Run(0.4);
    ASSERT_NE(Open(condition::kPower), nullptr);
    EXPECT_TRUE(Open(condition::kPower)->text.startsWith("Output 1 at its maximum power (50 %)"));
    EXPECT_NE(Open(condition::kRate), nullptr);

    // Stopped: no loop holds the output, both causes are gone.
    ASSERT_TRUE(m_core.Stop().ok());
    EXPECT_TRUE(Model().open().isEmpty());

    // In Manual the operator chose the power: no alarm however long.
    ASSERT_TRUE(m_core.SetMode(0, ModeManual).ok());
    ASSERT_TRUE(m_core.Start().ok());
    Source(50);
    Run(10);
    EXPECT_TRUE(Model().open().isEmpty());
    ASSERT_TRUE(m_core.Stop().ok());

    // Every change went to the alarm log beside the data log, at once.
    QFile log(HomeFile(QStringLiteral("coflux-alarms.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << log.fileName().toStdString();
    const QStringList lines = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 4);
    EXPECT_TRUE(lines.front().contains("\traised\t")) << lines.front().toStdString();
    EXPECT_EQ(lines.filter("\tcleared\t").size(),
              lines.filter("\traised\twarning\trate").size() +
                  lines.filter("\traised\talarm\tpower").size());
}

TEST_F(ProcessAlarms, CrystalFailuresRaiseUntilTheNextStart)
{
    m_chamber.FailAt(BackupChamber::kPrimary, 30); // gives out after 3 s at 10 Å/s
    ASSERT_TRUE(m_core.Start().ok());
    Source(10);
    Run(5);
    const Alarm* crystal = Open(condition::kCrystal);
    ASSERT_NE(crystal, nullptr);
    EXPECT_EQ(crystal->source.text, "Sensor 1");
    EXPECT_EQ(crystal->text, "Sensor 1 Crystal Failure.");

    ASSERT_TRUE(m_core.Stop().ok());
    EXPECT_NE(Open(condition::kCrystal), nullptr) << "stopping mends no crystal";
    m_chamber.FailAt(BackupChamber::kPrimary, 1e12); // a fresh crystal
    ASSERT_TRUE(m_core.Start().ok());
    Run(1);
    EXPECT_EQ(Open(condition::kCrystal), nullptr);
    ASSERT_TRUE(m_core.Stop().ok());
}

TEST_F(ProcessAlarms, ToleranceIsASettingOfTheSetup)
{
    tlv::RateTolerance wide;
    wide.percent = 20;
    wide.warningAfter = 70; // after the alarm
    const CommandResult refused = m_core.SetRateTolerance(wide);
    EXPECT_EQ(refused.status, CommandResult::Status::OutOfRange);
    EXPECT_TRUE(refused.text.contains("before a rate warning")) << refused.text.toStdString();

    wide.warningAfter = 10;
    QSignalSpy changed(&m_core, &Deposition::cardChanged);
    ASSERT_TRUE(m_core.SetRateTolerance(wide).ok());
    EXPECT_EQ(changed.count(), 1);
    ASSERT_TRUE(m_core.SaveSetup(QStringLiteral("Wide.dat")).ok());
    ASSERT_TRUE(m_core.OpenSetup(QStringLiteral("Run.dat")).loaded);
    EXPECT_DOUBLE_EQ(m_core.Tables().Flags.RateTolerance.percent, 5);
    ASSERT_TRUE(m_core.OpenSetup(QStringLiteral("Wide.dat")).loaded);
    EXPECT_EQ(m_core.Tables().Flags.RateTolerance, wide);

    // 11 Å/s is within ±20 %: no alarm with the wide band.
    ASSERT_TRUE(m_core.Start().ok());
    Source(11);
    Run(15);
    EXPECT_EQ(Open(condition::kRate), nullptr);
    ASSERT_TRUE(m_core.Stop().ok());
}

TEST_F(ProcessAlarms, AShutterDelayThatTimesOutIsAnAlarmUntilTheNextRecipe)
{
    // Pre-conditioning brings the source to 5 %, 5 Å/s; the layer wants 20 Å/s and the double
    // holds the power: the rate never comes within the shutter tolerance.
    ASSERT_NO_FATAL_FAILURE(
        Write(QStringLiteral("Layer.rcp"),
              "[RECIPE]\nLayers=1\n"
              "[LAYER1]\nName=Silver\nOutputs=1\nEndOutput=1\nEndThick=0.2\n"
              "ShutterTolerance=10\nShutterHold=1\nShutterTimeout=3\n"
              "[LAYER1 OUTPUT1]\nRate=20\nRise1Power=5\nRise1Time=1\nSoak1Time=1\n"
              "IdlePower=0\nIdleTime=1\n"));
    RecipeSession& recipes = m_recipes.Session();
    ASSERT_EQ(recipes.Load(HomeFile(QStringLiteral("Layer.rcp"))), QString());
    ASSERT_EQ(recipes.Start(), QString());
    for (int i = 0; i < 200 && recipes.Run().IsRunning(); ++i)
        Tick();
    ASSERT_EQ(recipes.Run().CurrentState(), RecipeRun::State::Failed);
    const Alarm* shutter = Open(condition::kShutter);
    ASSERT_NE(shutter, nullptr);
    EXPECT_EQ(shutter->text, recipes.Run().Message());
    EXPECT_TRUE(shutter->text.contains("shutter delay timed out after 3 s"));

    ASSERT_EQ(recipes.Start(), QString());
    EXPECT_EQ(Open(condition::kShutter), nullptr) << "a new run, a new chance";
    recipes.Abort(QStringLiteral("test over"));
}

TEST_F(ProcessAlarms, AHaltMessageLeavesTheStatusOnceTheNextRunStarts)
{
    ASSERT_NO_FATAL_FAILURE(
        Write(QStringLiteral("Thin.dat"),
              QString::fromLatin1(kSetup)
                  .arg(HomeFile(QStringLiteral("TLV880.LOG")))
                  .replace(QStringLiteral("Thick=100"), QStringLiteral("Thick=0.01"))
                  .toUtf8()));
    ASSERT_TRUE(m_core.OpenSetup(QStringLiteral("Thin.dat")).loaded);
    ASSERT_TRUE(m_core.Start().ok());
    Source(10);
    for (int i = 0; i < 100 && m_core.RunState() == RunRunning; ++i)
        Tick();
    ASSERT_EQ(m_core.RunState(), RunStopped);
    EXPECT_TRUE(m_core.LastStatusText().startsWith("Deposition halted."));
    EXPECT_EQ(m_core.LastStatusCause(), "halt");

    QSignalSpy cleared(&m_core, &Deposition::statusCleared);
    ASSERT_TRUE(m_core.Start().ok());
    ASSERT_EQ(cleared.count(), 1);
    EXPECT_EQ(cleared.at(0).at(0).toString(), "halt");
    EXPECT_TRUE(m_core.LastStatusText().isEmpty());
    ASSERT_TRUE(m_core.Stop().ok());

    // A refusal is no halt: it stays through a start.
    EXPECT_FALSE(m_core.Hold().ok()); // stopped: refused
    const QString refusal = m_core.LastStatusText();
    ASSERT_FALSE(refusal.isEmpty());
    ASSERT_TRUE(m_core.Start().ok());
    EXPECT_EQ(m_core.LastStatusText(), refusal);
    ASSERT_TRUE(m_core.Stop().ok());
}

} // namespace
} // namespace coflux::test
