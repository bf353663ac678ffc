// Unattended runs of coflux: the command line, and whole runs of the real program in simulation
// without a display, checked by exit status, standard output and the data log.

#include "UnattendedRun.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

namespace {

using coflux::ParseRunArguments;
using Kind = coflux::RunRequest::Kind;

coflux::RunRequest Parse(const QStringList& args)
{
    return ParseRunArguments(QStringList{QStringLiteral("coflux")} + args);
}

TEST(RunArguments, WithoutRunOptionsTheProgramStartsAsUsual)
{
    EXPECT_EQ(Parse({}).kind, Kind::Interactive);
    EXPECT_EQ(Parse({QStringLiteral("Default.dat")}).kind, Kind::Interactive);
}

TEST(RunArguments, ReadsFileLimitAndHeadlessInAnyOrderAndBothSpellings)
{
    const auto a = Parse({"--headless", "--minutes", "0.05", "--run", "Recipe.dat"});
    EXPECT_EQ(a.kind, Kind::Run);
    EXPECT_EQ(a.file, QStringLiteral("Recipe.dat"));
    EXPECT_DOUBLE_EQ(a.minutes, 0.05);
    EXPECT_TRUE(a.headless);

    const auto b = Parse({"--run=/tmp/a b.dat", "--minutes=90"});
    EXPECT_EQ(b.kind, Kind::Run);
    EXPECT_EQ(b.file, QStringLiteral("/tmp/a b.dat"));
    EXPECT_DOUBLE_EQ(b.minutes, 90);
    EXPECT_FALSE(b.headless);

    EXPECT_DOUBLE_EQ(Parse({"--run", "x.dat"}).minutes, 0) << "no limit unless asked";
    EXPECT_EQ(Parse({"--run", "x.dat", "--help"}).kind, Kind::Help);
}

TEST(RunArguments, RefusesWhatCannotBeRun)
{
    const QList<QStringList> bad{
        {"--headless"},
        {"--minutes", "5"},
        {"--run"},
        {"--run", "--headless"},
        {"--run="},
        {"--run", "a.dat", "--run", "b.dat"},
        {"--run", "a.dat", "extra"},
        {"--run", "a.dat", "--fast"},
        {"--run", "a.dat", "--headless=yes"},
        {"--run", "a.dat", "--minutes"},
        {"--run", "a.dat", "--minutes", "0"},
        {"--run", "a.dat", "--minutes", "-1"},
        {"--run", "a.dat", "--minutes", "ten"},
        {"--run", "a.dat", "--minutes", "nan"},
        {"--run", "a.dat", "--minutes", "inf"},
        {"--run", "a.dat", "--minutes", "10081"},
        {"--run", "a.dat", "--minutes", "1", "--minutes", "2"},
    };
    for (const QStringList& args : bad) {
        const auto request = Parse(args);
        EXPECT_EQ(request.kind, Kind::Invalid) << args.join(' ').toStdString();
        EXPECT_FALSE(request.error.isEmpty()) << args.join(' ').toStdString();
    }
    EXPECT_EQ(Parse({"--run", "a.dat", "--minutes", "10080"}).kind, Kind::Run);
}

TEST(RunArguments, HelpVersionAndSimulate)
{
    EXPECT_EQ(Parse({"--version"}).kind, Kind::Version);
    EXPECT_EQ(Parse({"-v"}).kind, Kind::Version);
    EXPECT_EQ(Parse({"-h"}).kind, Kind::Help);
    EXPECT_EQ(Parse({"--run", "a.dat", "--nonsense", "--help"}).kind, Kind::Help);
    const auto run = Parse({"--run", "a.dat", "--simulate"});
    EXPECT_EQ(run.kind, Kind::Run);
    EXPECT_TRUE(run.simulate);
    EXPECT_FALSE(Parse({"--run", "a.dat"}).simulate);
    EXPECT_EQ(Parse({"--simulate"}).kind, Kind::Invalid);
}

TEST(RunArguments, HeadlessIsSeenOnTheRawCommandLine)
{
    const char* with[] = {"coflux", "--run", "a.dat", "--headless"};
    const char* without[] = {"coflux", "--run", "--headless.dat"};
    EXPECT_TRUE(coflux::WantsHeadless(4, with));
    EXPECT_FALSE(coflux::WantsHeadless(3, without));
}

// ---- whole runs of the program ----------------------------------------------------------------

struct Outcome {
    int status = -1;
    QString out;
    QString err;
    qint64 ms = 0;
};

struct OutputSetup {
    QString name = QStringLiteral("Quick");
    int mode = 3;
    int input = 1; // sensor 1
    double thick = 0.02;
};

class UnattendedRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid() && m_config.isValid() && m_data.isValid() && m_work.isValid());
        m_log = QDir(m_work.path()).filePath(QStringLiteral("run.log"));
    }

    QString WriteSetup(const QString& path, const OutputSetup& out = {}) const
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("[Card]\r\nLogEnabled=1\r\nLogFile=%1\r\nPeriod=.1\r\n"
                                  "[OUTPUT1]\r\nMode=%2\r\nName=%3\r\nInput=%4\r\nThick=%5\r\n"
                                  "Rate=10\r\nPTerm=200\r\nITerm=1\r\nFullScale=10\r\n")
                       .arg(m_log)
                       .arg(out.mode)
                       .arg(out.name)
                       .arg(out.input)
                       .arg(out.thick)
                       .toUtf8());
        return path;
    }

    QString HomeFile(const QString& name) const { return QDir(m_home.path()).filePath(name); }

    void WriteText(const QString& path, const QString& text) const
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    static QByteArray Bytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString SettingsFile() const
    {
        return QDir(m_config.path()).filePath(QStringLiteral("TLV880/coflux.conf"));
    }

    Outcome Run(const QStringList& args, const QList<QPair<QString, QString>>& extra = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TLV880_HOME"), m_home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_data.path());
        for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(display)); // --headless must need none of them
        for (const auto& [name, value] : extra)
            env.insert(name, value);
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(m_work.path());
        QElapsedTimer clock;
        clock.start();
        process.start(qEnvironmentVariable("COFLUX_PROGRAM"), args);
        Outcome outcome;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "coflux did not end";
            return outcome;
        }
        outcome.ms = clock.elapsed();
        outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        outcome.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        outcome.err = QString::fromLocal8Bit(process.readAllStandardError());
        return outcome;
    }

    QStringList LogLines() const
    {
        QFile file(m_log);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    }

    QString RememberedSetup() const
    {
        QSettings settings(QDir(m_config.path()).filePath(QStringLiteral("TLV880/coflux.conf")),
                           QSettings::IniFormat);
        return settings.value(QStringLiteral("Setup File/Setup")).toString();
    }

    QTemporaryDir m_home, m_config, m_data, m_work;
    QString m_log;
};

TEST_F(UnattendedRun, ReachesTheThicknessSetpointAndExitsZeroLeavingTheLog)
{
    const QString setup = WriteSetup(HomeFile(QStringLiteral("Quick.dat")));
    QFile before(setup);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray original = before.readAll();
    before.close();

    // The operator's settings: window positions, open views, the remembered setup file.
    ASSERT_TRUE(QDir(m_config.path()).mkpath(QStringLiteral("TLV880")));
    const QByteArray settings =
        "[Form%20Positions]\nfrmMain=\"L=10,T=20,W=900,H=400\"\n\n[Setup%20File]\n"
        "Setup=Mine.dat\n\n[frmReadings]\nForm%20Visible=True\n";
    WriteText(SettingsFile(), QString::fromLatin1(settings));

    const Outcome run = Run({"--run", "Quick.dat", "--headless"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(Bytes(SettingsFile()), settings) << "a headless run writes no user setting";
    EXPECT_TRUE(run.out.contains(
        QStringLiteral("Deposition halted.\nThickness setpoint reached on Quick.\n")))
        << run.out.toStdString();

    const QStringList lines = LogLines();
    ASSERT_GE(lines.size(), 5) << "start, date, header and data lines";
    EXPECT_EQ(lines.at(0), QString());
    EXPECT_TRUE(lines.at(1).startsWith(QStringLiteral("Date: ")));
    EXPECT_EQ(lines.at(2), QStringLiteral("Time, Output, Thick, Rate, Power, Output, Thick, etc."));
    QStringList data = lines.mid(3);
    data.removeAll(QString());
    ASSERT_FALSE(data.isEmpty());
    for (const QString& line : data)
        EXPECT_TRUE(line.contains(QStringLiteral(", Quick, "))) << line.toStdString();
    const double lastThick = data.last().section(QStringLiteral(", "), 2, 2).toDouble();
    EXPECT_GE(lastThick, 0.015) << "the run ends at the thickness setpoint, not before";

    QFile after(setup);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), original) << "an unattended run never rewrites its setup";
}

// The limit is checked against a deadline on a precise timer: never early, whatever the load.
TEST_F(UnattendedRun, StopsAtTheTimeLimitAndExitsTwo)
{
    OutputSetup far;
    far.thick = 100;
    WriteSetup(HomeFile(QStringLiteral("Far.dat")), far);
    const Outcome run = Run({"--run", "Far", "--minutes", "0.05", "--headless"});
    ASSERT_EQ(run.status, 2) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Time limit of 0.05 minutes reached.")));
    EXPECT_FALSE(run.out.contains(QStringLiteral("halted")));
    EXPECT_GE(run.ms, 3000) << "never before the limit";
    EXPECT_LT(run.ms, 60000);
    EXPECT_GE(LogLines().size(), 4) << "the log of the stopped run stays";
}

TEST_F(UnattendedRun, MissingFileOrBadArgumentsExitOneWithAClearMessage)
{
    const Outcome missing = Run({"--run", "Nowhere.dat", "--headless"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("Nowhere.dat was not found")))
        << missing.err.toStdString();
    EXPECT_FALSE(QFile::exists(m_log));

    const Outcome folder = Run({"--run", m_work.path() + QStringLiteral("/"), "--headless"});
    EXPECT_EQ(folder.status, 1);

    const Outcome bad = Run({"--run", "Quick.dat", "--minutes", "soon", "--headless"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("--minutes soon"))) << bad.err.toStdString();
    EXPECT_TRUE(bad.err.contains(QStringLiteral("Usage: coflux")));
}

TEST_F(UnattendedRun, AnotherProgramsSetupIsRefusedAndLeftAlone)
{
    // A tlvmonitor setup holds none of coflux's sections: read as coflux's it would run the
    // defaults. It is refused before anything runs, and the file stays as it was.
    const QString monitorSetup = HomeFile(QStringLiteral("tlvmonitor.dat"));
    WriteText(monitorSetup, QStringLiteral("[Setup]\r\nPeriod=.5\r\nNumSensors=4\r\n"));
    const QByteArray before = Bytes(monitorSetup);
    const Outcome other = Run({"--run", "tlvmonitor.dat", "--headless", "--minutes", "0.05"});
    EXPECT_EQ(other.status, 1);
    EXPECT_TRUE(other.err.contains(QStringLiteral("tlvmonitor.dat is not a coflux setup file.")))
        << other.err.toStdString();
    EXPECT_FALSE(other.out.contains(QStringLiteral("Deposition started")));
    EXPECT_EQ(Bytes(monitorSetup), before);
}

TEST_F(UnattendedRun, ASetupThatNeverEndsNeedsATimeLimit)
{
    OutputSetup off;
    off.mode = 0;
    WriteSetup(HomeFile(QStringLiteral("Off.dat")), off);
    const Outcome endless = Run({"--run", "Off.dat", "--headless"});
    EXPECT_EQ(endless.status, 1);
    EXPECT_TRUE(endless.err.contains(QStringLiteral("nothing in Off.dat ends a deposition")))
        << endless.err.toStdString();

    const Outcome limited = Run({"--run", "Off.dat", "--headless", "--minutes", "0.02"});
    EXPECT_EQ(limited.status, 2) << limited.err.toStdString();
}

TEST_F(UnattendedRun, ASetupOfAnotherFolderRunsThereAndLeavesTheRememberedSetup)
{
    {
        QSettings settings(QDir(m_config.path()).filePath(QStringLiteral("TLV880/coflux.conf")),
                           QSettings::IniFormat);
        settings.setValue(QStringLiteral("Setup File/Setup"), QStringLiteral("Mine.dat"));
    }
    ASSERT_TRUE(QDir(m_work.path()).mkdir(QStringLiteral("recipes")));
    const QString recipe =
        WriteSetup(QDir(m_work.path()).filePath(QStringLiteral("recipes/Thin film.dat")));

    const Outcome run = Run({"--headless", "--run", recipe});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(RememberedSetup(), QStringLiteral("Mine.dat"));
    EXPECT_FALSE(QFile::exists(HomeFile(QStringLiteral("Thin film.dat"))));
}

TEST_F(UnattendedRun, HelpAndVersionNeedNoDisplay)
{
    const Outcome help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: coflux"))) << help.out.toStdString();
    const Outcome version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, QStringLiteral("coflux 1.0.0\n"));
}

TEST_F(UnattendedRun, ARunWithAWindowNeedsADisplay)
{
    WriteSetup(HomeFile(QStringLiteral("Quick.dat")));
    const Outcome run = Run({"--run", "Quick.dat"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("no display"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("--headless")));
    EXPECT_FALSE(QFile::exists(m_log));
}

// The card refuses a maximum frequency below the initial one: the run does not start on
// settings the card did not take (it used to run anyway, and to crash when its monitor tripped).
TEST_F(UnattendedRun, RefusedCardSettingsAreNotRun)
{
    WriteText(HomeFile(QStringLiteral("p.dat")),
              QStringLiteral("[Card]\r\nFMax=5500000\r\n[SENSOR1]\r\nMonitor=1\r\n"));
    const Outcome run = Run({"--run", "p.dat", "--headless"});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral(
        "the card settings of p.dat were refused: TLV880 Error 1: Frequency must be")))
        << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(QStringLiteral("started")));
}

// Values outside their limits (a period of 5 s, an absurd density) take their defaults: the run
// says so once on standard error and runs on what it said, and its setup file stays untouched.
TEST_F(UnattendedRun, ValuesOutsideTheirLimitsAreNamedOnceAndTheDefaultsRun)
{
    const QString setup = HomeFile(QStringLiteral("p.dat"));
    WriteText(setup, QStringLiteral("[Card]\r\nPeriod=5\r\n[SENSOR1]\r\nDensity=1e300\r\n"
                                    "Monitor=1\r\nThickSP=100\r\n"));
    const QByteArray original = Bytes(setup);
    const Outcome run = Run({"--run", "p.dat", "--headless", "--minutes", "0.02"});
    EXPECT_EQ(run.status, 2) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("coflux: p.dat holds values outside their limits:\n"
                       "[Card] Period=5 (limits 0.1 to 2): 0.25 is used\n"
                       "[SENSOR1] Density=1e300 (limits 0.4 to 99.99): 10 is used\n")))
        << run.err.toStdString();
    EXPECT_EQ(run.err.count(QStringLiteral("outside their limits")), 1);
    EXPECT_FALSE(run.err.contains(QStringLiteral("TLV880 Error"))) << run.err.toStdString();
    EXPECT_EQ(Bytes(setup), original);
}

TEST_F(UnattendedRun, ASetupThatAsksForACardNeedsOneOrSimulate)
{
    WriteText(HomeFile(QStringLiteral("Real.dat")),
              QStringLiteral("[Card]\r\nSimulate=0\r\nPeriod=.1\r\n[SENSOR1]\r\nMonitor=1\r\n"
                             "ThickSP=0\r\n"));
    const QList<QPair<QString, QString>> noBus{{"TLV880_DRIVER", "emulted"}};
    const Outcome refused = Run({"--run", "Real.dat", "--headless"}, noBus);
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("asks for a card (Simulate=0)")))
        << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(QStringLiteral("start-up result 9")));

    const Outcome simulated = Run({"--run", "Real.dat", "--headless", "--simulate"}, noBus);
    EXPECT_EQ(simulated.status, 0) << simulated.err.toStdString();
    EXPECT_TRUE(simulated.err.contains(QStringLiteral("coflux: simulating; no card is used")))
        << simulated.err.toStdString();
}

TEST_F(UnattendedRun, ARecipeRunChecksItsSetupLikeARun)
{
    // The recipe runs on the setup coflux opens at start; it is checked before any layer.
    WriteText(HomeFile(QStringLiteral("R.rcp")), QStringLiteral("[RECIPE]\r\nName=R\r\n"));
    WriteText(HomeFile(QStringLiteral("Default.dat")),
              QStringLiteral("[Card]\r\nSimulate=0\r\nPeriod=.1\r\n"));
    const Outcome noCard = Run({"--recipe", "R.rcp", "--headless"}, {{"TLV880_DRIVER", "emulted"}});
    EXPECT_EQ(noCard.status, 1);
    EXPECT_TRUE(noCard.err.contains(QStringLiteral("Default.dat asks for a card (Simulate=0)")))
        << noCard.err.toStdString();
    EXPECT_TRUE(noCard.err.contains(QStringLiteral("Set Simulate=1 in it")));

    WriteText(HomeFile(QStringLiteral("Default.dat")), QStringLiteral("[Card]\r\nPeriod=.1\r\n"));
    const Outcome noLibrary = Run({"--recipe", "R.rcp", "--headless"},
                                  {{"TLV880_LIBRARY", HomeFile(QStringLiteral("none.so"))}});
    EXPECT_EQ(noLibrary.status, 1);
    EXPECT_TRUE(noLibrary.err.contains(QStringLiteral("the card settings of Default.dat were "
                                                      "refused: TLV880 Error 98")))
        << noLibrary.err.toStdString();

    QFile binary(HomeFile(QStringLiteral("Default.dat")));
    ASSERT_TRUE(binary.open(QIODevice::WriteOnly));
    binary.write(QByteArray("[Card]\0\x01\x02", 9));
    binary.close();
    const Outcome damaged = Run({"--recipe", "R.rcp", "--headless"});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_TRUE(damaged.err.contains(QStringLiteral("Default.dat is not a text file.")))
        << damaged.err.toStdString();
}

// An emulated master card with its analog section, measuring for real: a monitor trips at the
// first reading while analog readings wait. The run ends cleanly with the halt message.
TEST_F(UnattendedRun, ATripOnARealCardEndsTheRunCleanly)
{
    WriteText(HomeFile(QStringLiteral("Card.dat")),
              QStringLiteral("[Card]\r\nSimulate=0\r\nPeriod=.1\r\n[SENSOR1]\r\nMonitor=1\r\n"));
    const Outcome run = Run({"--run", "Card.dat", "--headless"},
                            {{"TLV880_DRIVER", "emulated"}, {"TLV880_EMU_CARDS", "id=1E,fw=300"}});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral(
        "Deposition halted.\nThickness setpoint reached on input monitor Sensor 1.")))
        << run.out.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("simulating"))) << run.err.toStdString();
}

TEST_F(UnattendedRun, ALogThatCannotBeWrittenIsReportedAndEndsWithItsOwnStatus)
{
    m_log = QStringLiteral("/dev/full");
    WriteSetup(HomeFile(QStringLiteral("Full.dat")));
    const Outcome run = Run({"--run", "Full.dat", "--headless"});
    EXPECT_EQ(run.status, 4) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Deposition halted.")));
    EXPECT_TRUE(run.err.contains(QStringLiteral("the log file /dev/full cannot be written: ")))
        << run.err.toStdString();
    EXPECT_EQ(run.err.count(QStringLiteral("cannot be written")), 1) << "the first failure only";
    EXPECT_FALSE(run.err.contains(QStringLiteral("QIODevice"))) << "no library noise between them";
    EXPECT_TRUE(run.err.contains(QStringLiteral("could not be written to the log file /dev/full")));
}

} // namespace
