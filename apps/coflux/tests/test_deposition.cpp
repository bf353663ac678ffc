// The deposition process without any widget, on a card-library double that grows film in
// proportion to the power and a clock the test steps: a whole co-deposition to its thickness
// trip with the log checked, the trip's timing, the run-state rules and refusals, and the log's
// failures.

#include "Deposition.h"

#include "CofluxProgram.h"
#include "test_filmLibrary.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cmath>

#include <gtest/gtest.h>

namespace coflux::test {
namespace {

class DepositionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        qputenv("TLV880_HOME", m_home.path().toLocal8Bit());
        InstallProgramInfo();
        m_clock = RunClock();
        m_tlv = std::make_unique<cTLV880a>(m_film.lib, m_clock);
        m_core = std::make_unique<Deposition>(*m_tlv);
        m_core->setRemembersSetupFile(false);
    }

    void TearDown() override
    {
        m_core.reset();
        m_tlv.reset();
    }

    QString HomeFile(const QString& name) const { return QDir(m_home.path()).filePath(name); }

    void Load(const QString& text)
    {
        QFile file(HomeFile(QStringLiteral("Run.dat")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
        file.close();
        m_core->OpenSetup(QStringLiteral("Run.dat"));
        m_tlv->setTimerEnabled(false); // the test is the timer
    }

    // One measurement and one poll of the instrument, a period later; then back to the event
    // loop.
    void Tick()
    {
        m_clock->advance(0.1);
        m_film.Queue();
        m_tlv->TLVTimer_Timer();
        QCoreApplication::sendPostedEvents();
    }

    QStringList LogLines(const QString& path) const
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return {};
        QString text = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
        text.chop(2);
        return text.split(QStringLiteral("\r\n"));
    }

    QTemporaryDir m_home;
    FilmChamber m_film; // outlives the instrument
    std::shared_ptr<tlvtest::StepClock> m_clock;
    std::unique_ptr<cTLV880a> m_tlv;
    std::unique_ptr<Deposition> m_core;
};

TEST_F(DepositionTest, CoDepositionRunsToTheThicknessTripAndLogsEveryReading)
{
    const QString log = HomeFile(QStringLiteral("codep.log"));
    Load(QString::fromLatin1(kCoDeposition).arg(log));
    ASSERT_TRUE(m_core->SetManualPower(0, 40).ok()); // 40 Å/s: 4 Å per reading
    ASSERT_TRUE(m_core->SetManualPower(1, 10).ok()); // 10 Å/s: 1 Å per reading
    QSignalSpy trips(m_core.get(), &Deposition::tripped);
    QSignalSpy readings(m_core.get(), &Deposition::readingTaken);
    ASSERT_TRUE(m_core->Start().ok());
    EXPECT_NEAR(m_tlv->GetPower(0), 40, 1e-9);

    int ticks = 0;
    while (m_core->RunState() == RunRunning && ticks < 1000) {
        Tick();
        ++ticks;
    }
    // 0.4 kÅ at 4 Å per reading: the hundredth reading trips.
    EXPECT_EQ(ticks, 100);
    ASSERT_EQ(trips.count(), 1);
    EXPECT_EQ(trips.at(0).at(0).toString(),
              QStringLiteral("Deposition halted.\r\nThickness setpoint reached on Gold."));
    EXPECT_EQ(readings.count(), 100);
    for (int j : kShownOutputs)
        EXPECT_DOUBLE_EQ(m_tlv->GetPower(static_cast<short>(j)), 0) << j;

    const QStringList lines = LogLines(log);
    ASSERT_EQ(lines.size(), 3 + 99) << "start, date, header, and each reading before the trip";
    EXPECT_EQ(lines[0], QString());
    EXPECT_EQ(lines[1],
              "Date: " + QLocale::system().toString(QDate(2026, 3, 4), QLocale::ShortFormat));
    EXPECT_EQ(lines[2], QStringLiteral("Time, Output, Thick, Rate, Power, Output, Thick, etc."));
    EXPECT_EQ(lines[3], QStringLiteral("10:00:00, Gold, 0.004, 40.00, 40.0, Silver, 0.001, 10.00, "
                                       "10.0"));
    EXPECT_EQ(lines.last(), QStringLiteral("10:00:09, Gold, 0.396, 40.00, 40.0, Silver, 0.099, "
                                           "10.00, 10.0"));

    // Stopped: later readings show but add no line and trip nothing.
    Tick();
    EXPECT_EQ(LogLines(log).size(), lines.size());
    EXPECT_EQ(trips.count(), 1);
    EXPECT_EQ(readings.count(), 101);
}

TEST_F(DepositionTest, TripStopsInsideTheHandlerAndTellsOnlyAfterItReturned)
{
    Load(QString::fromLatin1(kCoDeposition).arg(HomeFile(QStringLiteral("t.log"))));
    m_core->TablesForTesting().Output(0).Thick = 0.004;
    ASSERT_TRUE(m_core->SetManualPower(0, 40).ok());
    ASSERT_TRUE(m_core->Start().ok());

    QList<short> statesSeen;
    bool trippedInside = false;
    bool inside = false;
    QObject::connect(m_core.get(), &Deposition::runStateChanged, m_core.get(),
                     [&](short state) { statesSeen << state; });
    QObject::connect(m_core.get(), &Deposition::tripped, m_core.get(),
                     [&] { trippedInside = inside; });
    // The analog event comes after the reading event of the same poll: the state it finds is
    // recorded, and judged once the poll is over (the event must have come).
    QSignalSpy analog(m_tlv.get(), &cTLV880a::TLVAnalog);
    short stateAtAnalog = -1;
    QObject::connect(m_tlv.get(), &cTLV880a::TLVAnalog, m_core.get(),
                     [&] { stateAtAnalog = m_core->RunState(); });
    m_clock->advance(0.1);
    m_film.Queue(3); // a backlog of analog readings is drained in the same poll
    inside = true;
    m_tlv->TLVTimer_Timer();
    inside = false;
    ASSERT_GE(analog.count(), 1);
    EXPECT_EQ(stateAtAnalog, RunStopped) << "stopped at once, inside the poll";
    EXPECT_EQ(statesSeen, QList<short>{RunStopped});
    QSignalSpy trips(m_core.get(), &Deposition::tripped);
    EXPECT_EQ(trips.count(), 0) << "nothing is told while the poll runs";
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(trips.count(), 1);
    EXPECT_FALSE(trippedInside);
}

// Whoever watches the run (a headless supervisor, a recipe) learns why it stopped from the process
// itself, at once: no one has to guess from the run state or wait for the halt message.
TEST_F(DepositionTest, EveryStopSaysWhy)
{
    qRegisterMetaType<StopReason>();
    Load(QString::fromLatin1(kCoDeposition).arg(HomeFile(QStringLiteral("why.log"))));
    ASSERT_TRUE(m_core->SetManualPower(0, 40).ok());
    QSignalSpy stops(m_core.get(), &Deposition::runStopped);
    const auto reasonAt = [&](int i) { return stops.at(i).at(0).value<StopReason>(); };

    // An output's thickness setpoint, inside the poll, before the queued halt message.
    m_core->TablesForTesting().Output(0).Thick = 0.004;
    ASSERT_TRUE(m_core->Start().ok());
    QSignalSpy trips(m_core.get(), &Deposition::tripped);
    m_clock->advance(0.1);
    m_film.Queue();
    m_tlv->TLVTimer_Timer();
    ASSERT_EQ(stops.count(), 1);
    EXPECT_EQ(trips.count(), 0);
    EXPECT_EQ(reasonAt(0), StopReason::Setpoint);
    EXPECT_EQ(stops.at(0).at(1).toString(),
              QStringLiteral("Deposition halted.\r\nThickness setpoint reached on Gold."));
    QCoreApplication::sendPostedEvents();

    // An input monitor's setpoint is a trip of its own kind.
    m_core->TablesForTesting().Output(0).Thick = 100;
    m_core->TablesForTesting().Sensor(0).Monitor = 1;
    m_core->TablesForTesting().Sensor(0).ThickSP = 0.004;
    ASSERT_TRUE(m_core->Start().ok());
    Tick();
    ASSERT_EQ(stops.count(), 2);
    EXPECT_EQ(reasonAt(1), StopReason::Trip);
    EXPECT_TRUE(stops.at(1).at(1).toString().startsWith(QStringLiteral("Deposition halted.")));
    m_core->TablesForTesting().Sensor(0).Monitor = 0;

    // The operator's Stop, and a direct stop, carry no message.
    ASSERT_TRUE(m_core->Start().ok());
    ASSERT_TRUE(m_core->Stop().ok());
    ASSERT_TRUE(m_core->Start().ok());
    m_core->SetRunState(RunStopped);
    ASSERT_EQ(stops.count(), 4);
    EXPECT_EQ(reasonAt(2), StopReason::Operator);
    EXPECT_EQ(reasonAt(3), StopReason::Operator);
    EXPECT_TRUE(stops.at(2).at(1).toString().isEmpty());

    // A time limit or an error stops a held deposition too; the next stop is the operator's
    // again.
    ASSERT_TRUE(m_core->Start().ok());
    ASSERT_TRUE(m_core->Hold().ok());
    ASSERT_TRUE(m_core->StopFor(StopReason::TimeLimit).ok());
    ASSERT_TRUE(m_core->Start().ok());
    ASSERT_TRUE(m_core->StopFor(StopReason::Error).ok());
    ASSERT_TRUE(m_core->Start().ok());
    ASSERT_TRUE(m_core->Stop().ok());
    ASSERT_EQ(stops.count(), 7);
    EXPECT_EQ(reasonAt(4), StopReason::TimeLimit);
    EXPECT_EQ(reasonAt(5), StopReason::Error);
    EXPECT_EQ(reasonAt(6), StopReason::Operator);

    // Nothing stops what is not running: refused, and nothing is told.
    EXPECT_EQ(m_core->StopFor(StopReason::TimeLimit).status,
              CommandResult::Status::RefusedByRunState);
    m_core->SetRunState(RunStopped);
    EXPECT_EQ(stops.count(), 7);
}

TEST_F(DepositionTest, RunStateRulesRefuseWhatTheStateDoesNotAllow)
{
    Load(QString::fromLatin1(kCoDeposition).arg(HomeFile(QStringLiteral("r.log"))));
    using Status = CommandResult::Status;
    EXPECT_EQ(m_core->Hold().status, Status::RefusedByRunState);
    EXPECT_EQ(m_core->Resume().status, Status::RefusedByRunState);
    EXPECT_EQ(m_core->Stop().status, Status::RefusedByRunState);
    EXPECT_EQ(m_core->PressHoldResume().status, Status::RefusedByRunState);
    EXPECT_EQ(m_core->RunState(), RunStopped);

    ASSERT_TRUE(m_core->Start().ok());
    EXPECT_EQ(m_core->Start().status, Status::RefusedByRunState);
    EXPECT_EQ(m_core->Resume().status, Status::RefusedByRunState);
    ASSERT_TRUE(m_core->Hold().ok());
    const CommandResult again = m_core->Start();
    EXPECT_EQ(again.status, Status::RefusedByRunState);
    EXPECT_EQ(m_core->LastStatusText(), again.text);
    ASSERT_TRUE(m_core->PressHoldResume().ok());
    EXPECT_EQ(m_core->RunState(), RunRunning);
    ASSERT_TRUE(m_core->PressStartStop().ok());
    EXPECT_EQ(m_core->RunState(), RunStopped);
}

// Opening a setup file under a running or held deposition is refused for every caller, the
// window's Open as much as a remote client's: the loops, the log and the setup stay.
TEST_F(DepositionTest, ASetupIsOpenedOnlyWhileStopped)
{
    Load(QString::fromLatin1(kCoDeposition).arg(HomeFile(QStringLiteral("r.log"))));
    QFile other(HomeFile(QStringLiteral("Other.dat")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("[OUTPUT1]\r\nName=Other\r\nMode=0\r\n");
    other.close();
    const QString name = m_core->Tables().Output(0).Name;
    const int mode = m_core->Mode(0);
    QSignalSpy notices(m_core.get(), &Deposition::notice);
    const QString refusal = QStringLiteral("Stop the deposition before opening a setup file");

    for (const short state : {RunRunning, RunHeld}) {
        if (state == RunRunning)
            ASSERT_TRUE(m_core->Start().ok());
        else
            ASSERT_TRUE(m_core->Hold().ok());
        EXPECT_EQ(m_core->CanOpenSetup().status, CommandResult::Status::RefusedByRunState);
        const SetupLoadResult load = m_core->OpenSetup(QStringLiteral("Other.dat"));
        EXPECT_TRUE(load.refusedByRunState);
        EXPECT_EQ(load.refusal, refusal);
        EXPECT_EQ(m_core->RunState(), state) << "the deposition goes on";
        EXPECT_EQ(m_core->SetupFileName(), QStringLiteral("Run.dat"));
        EXPECT_EQ(m_core->Tables().Output(0).Name, name);
        EXPECT_EQ(m_core->Mode(0), mode);
    }
    ASSERT_EQ(notices.size(), 2);
    EXPECT_EQ(notices[0][0].toString(), refusal);

    ASSERT_TRUE(m_core->Stop().ok());
    EXPECT_TRUE(m_core->CanOpenSetup().ok());
    const SetupLoadResult load = m_core->OpenSetup(QStringLiteral("Other.dat"));
    EXPECT_FALSE(load.refusedByRunState);
    EXPECT_TRUE(load.refusal.isEmpty());
    EXPECT_EQ(m_core->Tables().Output(0).Name.trimmed(), QStringLiteral("Other"));
}

TEST_F(DepositionTest, ValuesOutOfRangeAreRefusedWithTheWindowsMessages)
{
    Load(QString::fromLatin1(kCoDeposition).arg(HomeFile(QStringLiteral("v.log"))));
    using Status = CommandResult::Status;
    QSignalSpy changes(m_core.get(), &Deposition::setpointChanged);

    const CommandResult rate = m_core->SetRateSetpoint(0, 1000);
    EXPECT_EQ(rate.status, Status::OutOfRange);
    EXPECT_EQ(rate.text, QStringLiteral("Rate must be between 0 and 999.9 !"));
    EXPECT_EQ(m_core->EnterSetpoint(0, Setpoint::Thickness, QStringLiteral("lots")).text,
              QStringLiteral("Thickness must be between 0 and 999.9 !"));
    EXPECT_EQ(m_core->SetManualPower(1, -0.1).text,
              QStringLiteral("Power must be between 0 and 100 !"));
    EXPECT_EQ(m_core->SetMode(1, 4).status, Status::OutOfRange);
    EXPECT_EQ(m_core->SetMode(5, ModeAuto).status, Status::NotPresent);
    EXPECT_EQ(m_core->ZeroSensor(24).status, Status::OutOfRange);
    EXPECT_EQ(changes.count(), 0) << "nothing refused is announced";
    EXPECT_DOUBLE_EQ(m_core->ThicknessSetpoint(0), 0.4);

    // An analog-fed output takes its rate in the input's units, within +-10 V.
    OutputRecord& heater = m_core->TablesForTesting().Output(12);
    heater.Input = WithAnalog(0, 1);
    m_core->TablesForTesting().Analog(1).Gain = 2;
    m_core->TablesForTesting().Analog(1).Offset = 1;
    EXPECT_TRUE(m_core->SetRateSetpoint(12, 21).ok()) << "2 × 10 V + 1";
    EXPECT_DOUBLE_EQ(heater.Rate, 10);
    EXPECT_DOUBLE_EQ(m_core->RateSetpoint(12), 21);
    EXPECT_EQ(m_core->SetRateSetpoint(12, 21.5).text,
              QStringLiteral("Rate value is not between -10 volts and +10 analog volts!"));

    // Accepted changes are announced, and the manual power goes out at once while running.
    ASSERT_TRUE(m_core->Start().ok());
    ASSERT_TRUE(m_core->SetOpenLoopPower(1, 33.3).ok());
    EXPECT_EQ(m_core->Mode(1), ModeManual);
    EXPECT_NEAR(m_tlv->GetPower(1), 33.3, 1e-9);
    ASSERT_TRUE(m_core->SetMode(1, ModeOff).ok());
    EXPECT_DOUBLE_EQ(m_tlv->GetPower(1), 0);
    EXPECT_DOUBLE_EQ(m_core->ManualPower(1), 0);
}

TEST_F(DepositionTest, PowerAndZeroRefusalsReachTheCallerAndChangeNothing)
{
    Load(QString::fromLatin1(kCoDeposition).arg(HomeFile(QStringLiteral("p.log"))));
    using Status = CommandResult::Status;
    // The output's own maximum is the limit, named in the message; 50 itself is taken.
    m_core->TablesForTesting().Output(1).MaxPwr = 50;
    ASSERT_TRUE(m_core->SetManualPower(1, 30).ok());
    const CommandResult above = m_core->SetManualPower(1, 80);
    EXPECT_EQ(above.status, Status::OutOfRange);
    EXPECT_EQ(above.text, QStringLiteral("Power must be between 0 and 50 !"));
    EXPECT_DOUBLE_EQ(m_core->ManualPower(1), 30);
    EXPECT_TRUE(m_core->SetManualPower(1, 50).ok());
    ASSERT_TRUE(m_core->SetManualPower(1, 30).ok());

    // While running the card has the last word: a power it refuses is refused here too, with
    // the card's error, and the setpoint stays what the card has.
    ASSERT_TRUE(m_core->Start().ok());
    ASSERT_NEAR(m_tlv->GetPower(1), 30, 1e-9);
    m_film.lib->refuse = [](const QString& line) {
        return line.startsWith(QLatin1String("SetPower 1 ")) ||
                       line.startsWith(QLatin1String("Zero "))
                   ? 1
                   : 0;
    };
    QSignalSpy changes(m_core.get(), &Deposition::setpointChanged);
    const CommandResult refused = m_core->SetManualPower(1, 45);
    EXPECT_EQ(refused.status, Status::Failed);
    EXPECT_TRUE(refused.text.startsWith(QStringLiteral("TLV880 Error")))
        << refused.text.toStdString();
    EXPECT_DOUBLE_EQ(m_core->ManualPower(1), 30);
    EXPECT_EQ(changes.count(), 0);

    // A zero the card refuses is no zero: reported, and nobody is told the thickness went.
    QSignalSpy zeroed(m_core.get(), &Deposition::thicknessZeroed);
    const CommandResult zero = m_core->ZeroOutput(0);
    EXPECT_EQ(zero.status, Status::Failed);
    EXPECT_TRUE(zero.text.startsWith(QStringLiteral("TLV880 Error"))) << zero.text.toStdString();
    EXPECT_EQ(zeroed.count(), 0);
    m_film.lib->refuse = nullptr;
    EXPECT_TRUE(m_core->ZeroOutput(0).ok());
    EXPECT_EQ(zeroed.count(), 1);
}

TEST_F(DepositionTest, LostLogLinesAreCountedWithTheirCause)
{
    const QString log = HomeFile(QStringLiteral("missing/run.log"));
    Load(QString::fromLatin1(kCoDeposition).arg(log));
    QSignalSpy lost(m_core.get(), &Deposition::logLineLost);
    ASSERT_TRUE(m_core->SetManualPower(0, 1).ok());
    ASSERT_TRUE(m_core->Start().ok());
    Tick();
    Tick();
    EXPECT_EQ(m_core->LogLinesLost(), 4) << "start, header and two data lines";
    ASSERT_EQ(lost.count(), 4);
    EXPECT_EQ(lost.at(0).at(0).toString(), log);
    EXPECT_FALSE(m_core->FirstLogFailure().isEmpty());
    EXPECT_EQ(lost.last().at(2).toInt(), 4);

    // The folder appears: the next line is written, the count of this run stays.
    ASSERT_TRUE(QDir(m_home.path()).mkdir(QStringLiteral("missing")));
    Tick();
    EXPECT_EQ(m_core->LogLinesLost(), 4);
    EXPECT_EQ(LogLines(log).size(), 1);
    // A new run counts afresh.
    ASSERT_TRUE(m_core->Stop().ok());
    ASSERT_TRUE(m_core->Start().ok());
    EXPECT_EQ(m_core->LogLinesLost(), 0);
}

TEST_F(DepositionTest, RefusedCardSettingsAreReportedByTheLoad)
{
    QFile file(HomeFile(QStringLiteral("p.dat")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // Each frequency lies in the crystal window, but the maximum is below the initial one.
    file.write("[Card]\r\nFMax=5500000\r\n[SENSOR1]\r\nMonitor=1\r\n");
    file.close();
    const SetupLoadResult load = m_core->OpenSetup(QStringLiteral("p.dat"));
    EXPECT_TRUE(load.fileFound);
    EXPECT_TRUE(load.replacedValues.isEmpty());
    EXPECT_EQ(load.cardSettingsError, 1);
    EXPECT_TRUE(load.cardSettingsMessage.startsWith(QStringLiteral("Frequency must be")))
        << load.cardSettingsMessage.toStdString();
    EXPECT_FALSE(load.classErrors.isEmpty());

    const SetupLoadResult missing = m_core->OpenSetup(QStringLiteral("none.dat"));
    EXPECT_FALSE(missing.fileFound);
    ASSERT_EQ(missing.notices.size(), 1);
    EXPECT_TRUE(missing.notices[0].endsWith(QStringLiteral("none.dat Not Found.\r\nContinuing "
                                                           "with defaults.")));
    EXPECT_EQ(missing.cardSettingsError, 0);
}

TEST_F(DepositionTest, ADamagedSetupFileIsNamedAndTheCurrentSetupKept)
{
    Load(QStringLiteral("[OUTPUT1]\r\nName=Gold\r\nMode=3\r\n"));
    QByteArray binary;
    for (int i = 0; i < 2000; ++i)
        binary.append(static_cast<char>((i * 131) % 32)); // control characters: not text
    QFile file(HomeFile(QStringLiteral("bin.dat")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(binary);
    file.close();
    QSignalSpy notices(m_core.get(), &Deposition::notice);

    const SetupLoadResult load = m_core->OpenSetup(QStringLiteral("bin.dat"));
    EXPECT_EQ(load.refusal, QStringLiteral("bin.dat is not a text file."));
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0][0].toString(), load.refusal);
    EXPECT_EQ(m_core->LastStatusText(), load.refusal);
    EXPECT_EQ(m_core->SetupFileName(), QStringLiteral("Run.dat")) << "the current setup stays";
    EXPECT_EQ(m_core->Tables().Output(0).Name.trimmed(), QStringLiteral("Gold"));
    EXPECT_EQ(m_core->Mode(0), 3);

    EXPECT_FALSE(m_core->SaveSetup(QStringLiteral("bin.dat")).ok());
    QFile check(HomeFile(QStringLiteral("bin.dat")));
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), binary) << "the damaged file is never written over";
}

TEST_F(DepositionTest, ASensorsFilmIsSetByNameWithTheInputEditorsRules)
{
    Load(QString::fromLatin1(kCoDeposition).arg(HomeFile(QStringLiteral("m.log"))));
    QFile list(HomeFile(QStringLiteral("films.txt")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("Aluminium | Al | 2.70 | 1.080\nGold | Au | 19.30 | 0.381\n");
    list.close();
    tlv::MaterialTable table;
    table.AddFile(list.fileName());
    m_core->setMaterials(table);
    m_core->TablesForTesting().Sensor(2).Tooling = 90;
    m_tlv->SendMaterial(2, 10, 1, 90);
    QSignalSpy changes(m_core.get(), &Deposition::inputsChanged);
    using Status = CommandResult::Status;

    // A sensor that feeds no loop gets its film at once; its tooling stays.
    ASSERT_TRUE(m_core->SetSensorMaterial(2, QStringLiteral(" aluminium ")).ok());
    EXPECT_EQ(changes.count(), 1);
    const SensorRecord& free = m_core->Tables().Sensor(2);
    EXPECT_DOUBLE_EQ(free.Density, 2.70);
    EXPECT_DOUBLE_EQ(free.ZFactor, 1.080);
    EXPECT_DOUBLE_EQ(free.Tooling, 90);
    EXPECT_EQ(free.Material, QStringLiteral("Aluminium"));
    EXPECT_DOUBLE_EQ(m_tlv->Density(2), 2.70);
    EXPECT_DOUBLE_EQ(m_tlv->ZFactor(2), 1.080);
    EXPECT_DOUBLE_EQ(m_tlv->Tooling(2), 90);

    // Sensor 1 feeds Gold's loop: stored now, on the card at the next load.
    const double onCard = m_tlv->Density(0);
    ASSERT_TRUE(m_core->SetSensorMaterial(0, QStringLiteral("Gold")).ok());
    EXPECT_DOUBLE_EQ(m_core->Tables().Sensor(0).Density, 19.30);
    EXPECT_DOUBLE_EQ(m_tlv->Density(0), onCard);

    const CommandResult unknown = m_core->SetSensorMaterial(1, QStringLiteral("Unobtainium"));
    EXPECT_EQ(unknown.status, Status::OutOfRange);
    EXPECT_EQ(unknown.text, QStringLiteral("Unknown material \"Unobtainium\"."));
    EXPECT_EQ(m_core->SetSensorMaterial(8, QStringLiteral("Gold")).status, Status::NotPresent);
    EXPECT_EQ(m_core->SetSensorFilm(3, 0.2, 1, 100, {}).text,
              QStringLiteral("Density must be between 0.4 and 99.99 !"));
    EXPECT_EQ(m_core->SetSensorFilm(3, 2, 10, 100, {}).text,
              QStringLiteral("Z Factor must be between 0.1 and 9.999 !"));
    EXPECT_EQ(changes.count(), 2) << "nothing refused is announced";
    EXPECT_EQ(m_core->Tables().Sensor(1).Material, QString());

    // Saved and loaded again: the same numbers and names, and Gold now on the card.
    ASSERT_TRUE(m_core->SaveSetup(QStringLiteral("Films.dat")).ok());
    m_core->TablesForTesting().ResetToDefaults();
    m_core->OpenSetup(QStringLiteral("Films.dat"));
    EXPECT_EQ(m_core->Tables().Sensor(2).Material, QStringLiteral("Aluminium"));
    EXPECT_DOUBLE_EQ(m_core->Tables().Sensor(2).ZFactor, 1.080);
    EXPECT_EQ(m_core->Tables().Sensor(0).Material, QStringLiteral("Gold"));
    EXPECT_DOUBLE_EQ(m_tlv->Density(0), 19.30);
    EXPECT_EQ(m_core->Tables().Sensor(1).Material, QString());
}

TEST_F(DepositionTest, ASetupFileWithoutMaterialNamesStaysByteForByteThroughLoadAndSave)
{
    const auto bytes = [this](const QString& name) {
        QFile file(HomeFile(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    // A complete file of the program before materials had names, with the numbers of a
    // material (Silver) on sensor 1.
    m_core->TablesForTesting().Sensor(0).Density = 10.5;
    m_core->TablesForTesting().Sensor(0).ZFactor = 0.529;
    ASSERT_TRUE(m_core->SaveSetup(QStringLiteral("Old.dat")).ok());
    const QByteArray before = bytes(QStringLiteral("Old.dat"));
    ASSERT_FALSE(before.isEmpty());
    ASSERT_FALSE(before.contains("Material"));
    m_core->TablesForTesting().ResetToDefaults();
    m_core->OpenSetup(QStringLiteral("Old.dat"));
    EXPECT_EQ(m_core->Tables().Sensor(0).Material, QString());
    EXPECT_DOUBLE_EQ(m_core->Tables().Sensor(0).ZFactor, 0.529);
    ASSERT_TRUE(m_core->SaveSetup(QStringLiteral("Old.dat")).ok());
    EXPECT_EQ(bytes(QStringLiteral("Old.dat")), before);

    // A name set and then cleared again leaves an empty key, which reads as none.
    ASSERT_TRUE(m_core->SetSensorFilm(0, 10.5, 0.529, 100, QStringLiteral("Silver")).ok());
    ASSERT_TRUE(m_core->SaveSetup(QStringLiteral("Old.dat")).ok());
    EXPECT_TRUE(bytes(QStringLiteral("Old.dat")).contains("Zfactor=0.529"));
    EXPECT_TRUE(bytes(QStringLiteral("Old.dat")).contains("Material=Silver"));
    ASSERT_TRUE(m_core->SetSensorFilm(0, 10.5, 0.529, 100, {}).ok());
    ASSERT_TRUE(m_core->SaveSetup(QStringLiteral("Old.dat")).ok());
    m_core->OpenSetup(QStringLiteral("Old.dat"));
    EXPECT_EQ(m_core->Tables().Sensor(0).Material, QString());
}

} // namespace
} // namespace coflux::test
