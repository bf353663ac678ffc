// The backup sensor of an output, on the card-library double with a crystal that gives out in
// the middle of a layer and a clock the test steps: the backup takes over the loop at once,
// the thickness goes on from the failed crystal's (a thickness setpoint and a recipe layer end
// within 5 % of the film deposited), the power is not bumped, the event is told and kept in the
// recipe's progress log; without a backup, or when the backup fails too, the crystal failure
// stands. Setup files with and without the backup keys keep their bytes.

#include "Deposition.h"
#include "DepositionRecipeHost.h"
#include "RecipeProgressLog.h"

#include "CofluxProgram.h"
#include "test_backupChamber.h"
#include "test_filmLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace coflux::test {
namespace {

// Silver on output 1, measured by sensor 1, with sensor 5 (tooling 125 %) as its backup.
const char* const kSetup = "[Card]\nPeriod=.1\nFilter=1\nLogFile=%1\n"
                           "[OUTPUT1]\nName=Silver\nMode=2\nInput=1\nThick=0.2\nFullScale=10\n"
                           "%2";
const char* const kBackupKeys = "Backup=5\nBackupTooling=125\n";

// One layer of 0.2 kÅ at 5 Å/s; the pre-conditioning brings the source to 5 %, i.e. 5 Å/s.
const char* const kLayer = "[RECIPE]\nLayers=1\n"
                           "[LAYER1]\nName=Silver\nOutputs=1\nEndOutput=1\nEndThick=0.2\n"
                           "ShutterTolerance=10\nShutterHold=1\nShutterTimeout=30\n"
                           "[LAYER1 OUTPUT1]\nRate=5\nRise1Power=5\nRise1Time=1\nSoak1Time=1\n"
                           "IdlePower=0\nIdleTime=1\n";

const QString kTakeOver = QStringLiteral("Sensor 5 takes over from sensor 1 on Silver.");

class BackupSensor : public ChamberTest {
protected:
    void Load(bool backup)
    {
        ASSERT_NO_FATAL_FAILURE(
            Write(QStringLiteral("Run.dat"), QString::fromLatin1(kSetup)
                                                 .arg(HomeFile(QStringLiteral("TLV880.LOG")),
                                                      QLatin1String(backup ? kBackupKeys : ""))
                                                 .toUtf8()));
        ASSERT_TRUE(m_core.OpenSetup(QStringLiteral("Run.dat")).loaded);
        m_tlv.setTimerEnabled(false); // the test is the timer
    }

    // Runs the layer recipe to its end; the truth is taken when the deposit phase ends.
    RecipeRun::State RunLayer()
    {
        EXPECT_NO_FATAL_FAILURE(Write(QStringLiteral("Layer.rcp"), kLayer));
        RecipeSession& recipes = m_recipes.Session();
        EXPECT_EQ(recipes.Load(HomeFile(QStringLiteral("Layer.rcp"))), QString());
        QObject::connect(&recipes.Run(), &RecipeRun::PhaseChanged, &recipes,
                         [this](int, RecipeRun::Phase phase, double) {
                             if (phase != RecipeRun::Phase::Deposit && m_inDeposit)
                                 m_truthAtEnd = m_chamber.Truth();
                             m_inDeposit = phase == RecipeRun::Phase::Deposit;
                         });
        EXPECT_EQ(recipes.Start(), QString());
        for (int i = 0; i < 5000 && recipes.Run().IsRunning(); ++i)
            Tick();
        return recipes.Run().CurrentState();
    }

    double m_truthAtEnd = -1;
    bool m_inDeposit = false;
};

TEST_F(BackupSensor, TakesOverAndTheThicknessSetpointStaysRight)
{
    ASSERT_NO_FATAL_FAILURE(Load(true));
    m_chamber.FailAt(BackupChamber::kPrimary, 80); // 80 Å into a 200 Å film
    QSignalSpy tookOver(&m_core, &Deposition::backupTookOver);
    QSignalSpy tripped(&m_core, &Deposition::tripped);
    ASSERT_TRUE(m_core.SetManualPower(0, 5).ok());
    ASSERT_TRUE(m_core.Start().ok());
    for (int i = 0; i < 1000 && m_core.RunState() == RunRunning; ++i)
        Tick();
    ASSERT_EQ(m_core.RunState(), RunStopped);
    QCoreApplication::processEvents();

    ASSERT_EQ(tookOver.count(), 1);
    EXPECT_EQ(tookOver.at(0).at(0).toInt(), 0);
    EXPECT_EQ(tookOver.at(0).at(1).toInt(), BackupChamber::kBackup);
    EXPECT_EQ(tookOver.at(0).at(2).toString(), kTakeOver);
    ASSERT_EQ(tripped.count(), 1);
    EXPECT_EQ(tripped.at(0).at(0).toString(),
              QStringLiteral("Deposition halted.\r\nThickness setpoint reached on Silver."));
    EXPECT_NEAR(m_chamber.Truth(), 200, 10) << "the setpoint counts the failed crystal's film";
    EXPECT_TRUE(m_chamber.Failed(BackupChamber::kPrimary));

    // The output's sensor bits moved to the backup, through the instrument's map.
    EXPECT_TRUE(m_core.BackupTookOver(0));
    EXPECT_EQ(m_core.SensorBits(0), 1 << BackupChamber::kBackup);
    EXPECT_EQ(m_tlv.SensorLoop(BackupChamber::kBackup), 0);
    EXPECT_EQ(m_tlv.SensorLoop(BackupChamber::kPrimary), -1);
    EXPECT_EQ(m_core.Tables().Output(0).Input, 1) << "the setup itself is not changed";
    // The backup measured with the output's tooling from the start of the run.
    EXPECT_DOUBLE_EQ(m_tlv.Tooling(BackupChamber::kBackup), 125);

    // A new run measures with the output's own sensors again.
    ASSERT_TRUE(m_core.Start().ok());
    EXPECT_FALSE(m_core.BackupTookOver(0));
    EXPECT_EQ(m_tlv.SensorLoop(BackupChamber::kPrimary), 0);
    EXPECT_EQ(m_tlv.SensorLoop(BackupChamber::kBackup), -1);
    ASSERT_TRUE(m_core.Stop().ok());
}

TEST_F(BackupSensor, ARecipeLayerEndsWithinFivePercentWithoutABump)
{
    ASSERT_NO_FATAL_FAILURE(Load(true));
    // The crystal carries the pre-conditioning's film too; it gives out mid-layer.
    m_chamber.FailAt(BackupChamber::kPrimary, 100);
    int loopsAtTakeOver = -1;
    int powersAtTakeOver = -1;
    double powerAtTakeOver = -1;
    QObject::connect(&m_core, &Deposition::backupTookOver, &m_core, [&] {
        loopsAtTakeOver = int(m_chamber.lib->linesOf(QStringLiteral("Loop")).size());
        powersAtTakeOver = int(m_chamber.lib->linesOf(QStringLiteral("SetPower")).size());
        powerAtTakeOver = m_chamber.lib->power[0];
    });
    ASSERT_EQ(RunLayer(), RecipeRun::State::Complete)
        << m_recipes.Session().Run().Message().toStdString();

    ASSERT_GE(loopsAtTakeOver, 1) << "the backup took over under rate control";
    EXPECT_GT(m_chamber.Film(BackupChamber::kPrimary), 0);
    EXPECT_NEAR(m_truthAtEnd, 200, 10) << "the layer's film, failed crystal and backup together";
    // The loop carried on: no new loop terms, no power step at the take-over.
    EXPECT_DOUBLE_EQ(powerAtTakeOver, 0.05);
    const auto results = m_recipes.Session().Run().Results();
    ASSERT_EQ(results.size(), 1U);

    // The progress log keeps the event beside the phases.
    QFile log(RecipeLogPath(m_core.Tables().Flags.LogFile));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << log.fileName().toStdString();
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains(kTakeOver));
    Q_UNUSED(powersAtTakeOver);
}

TEST_F(BackupSensor, WithoutABackupOrWhenItFailsTooTheCrystalFailureStands)
{
    ASSERT_NO_FATAL_FAILURE(Load(false));
    m_chamber.FailAt(BackupChamber::kPrimary, 100);
    QSignalSpy tookOver(&m_core, &Deposition::backupTookOver);
    ASSERT_EQ(RunLayer(), RecipeRun::State::Failed);
    EXPECT_TRUE(
        m_recipes.Session().Run().Message().contains(QStringLiteral("crystal failure on output 1")))
        << m_recipes.Session().Run().Message().toStdString();
    EXPECT_EQ(tookOver.count(), 0);
}

TEST_F(BackupSensor, ABackupThatFailsTooLeavesTheLayerToItsCrystalFailureAction)
{
    ASSERT_NO_FATAL_FAILURE(Load(true));
    m_chamber.FailAt(BackupChamber::kPrimary, 100);
    m_chamber.FailAt(BackupChamber::kBackup, 120); // 80 % of the flux: soon after the take-over
    QSignalSpy tookOver(&m_core, &Deposition::backupTookOver);
    ASSERT_EQ(RunLayer(), RecipeRun::State::Failed);
    EXPECT_EQ(tookOver.count(), 1);
    EXPECT_TRUE(
        m_recipes.Session().Run().Message().contains(QStringLiteral("crystal failure on output 1")))
        << m_recipes.Session().Run().Message().toStdString();
}

TEST_F(BackupSensor, SetupFilesWithAndWithoutBackupKeepTheirBytes)
{
    auto bytes = [this] {
        QFile file(HomeFile(QStringLiteral("Run.dat")));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    };
    auto roundTrip = [&] {
        const QByteArray before = bytes();
        EXPECT_TRUE(m_core.OpenSetup(QStringLiteral("Run.dat")).loaded);
        EXPECT_TRUE(m_core.SaveSetup(QStringLiteral("Run.dat")).ok());
        return std::pair{before, bytes()};
    };

    // A setup of before the backup keys, as the program wrote it.
    ASSERT_NO_FATAL_FAILURE(Load(false));
    ASSERT_TRUE(m_core.SaveSetup(QStringLiteral("Run.dat")).ok());
    const auto [old, oldAgain] = roundTrip();
    EXPECT_EQ(oldAgain, old);
    EXPECT_FALSE(old.contains("Backup"));
    EXPECT_EQ(m_core.Tables().Output(0).Backup, -1);

    // One with a backup reads it and writes it back as it stands.
    OutputRecord& out = m_core.TablesForTesting().Output(0);
    out.Backup = BackupChamber::kBackup;
    out.BackupTooling = 125;
    ASSERT_TRUE(m_core.SaveSetup(QStringLiteral("Run.dat")).ok());
    const auto [withKeys, withKeysAgain] = roundTrip();
    EXPECT_EQ(withKeysAgain, withKeys);
    EXPECT_TRUE(withKeys.contains("Backup=5\r\nBackupTooling=125.00") ||
                withKeys.contains("Backup=5\nBackupTooling=125.00"))
        << withKeys.toStdString();
    EXPECT_EQ(m_core.Tables().Output(0).Backup, BackupChamber::kBackup);
    EXPECT_DOUBLE_EQ(m_core.Tables().Output(0).BackupTooling, 125);

    // Removing the backup writes it as none; a number outside 0..8 reads as none.
    m_core.TablesForTesting().Output(0).Backup = -1;
    ASSERT_TRUE(m_core.SaveSetup(QStringLiteral("Run.dat")).ok());
    ASSERT_TRUE(m_core.OpenSetup(QStringLiteral("Run.dat")).loaded);
    EXPECT_EQ(m_core.Tables().Output(0).Backup, -1);
    QByteArray text = bytes();
    text.replace("Backup=0", "Backup=12");
    ASSERT_NO_FATAL_FAILURE(Write(QStringLiteral("Run.dat"), text));
    const SetupLoadResult loaded = m_core.OpenSetup(QStringLiteral("Run.dat"));
    EXPECT_EQ(m_core.Tables().Output(0).Backup, -1);
    EXPECT_EQ(loaded.replacedValues.size(), 1);
}

} // namespace
} // namespace coflux::test
