// The monitor core driven without a window: its setup file, material rules, run state and poll,
// and what it reports through its signals.
#include "MonitorCore.h"
#include "MonitorRemoteTarget.h"

#include "common/ProgramInfo.h"
#include "common/remote/ScpiSession.h"
#include "tlvtest/PrivateHome.h"
#include "tlvtest/RecordingLibrary.h"
#include "tlvtest/StepClock.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

namespace monitor {
namespace {

class MonitorCoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        const QString title = QString::fromLatin1(kProgramTitle);
        tlv::SetProgramInfo({title, QString::fromLatin1(kProductName), 1, 0, 0, {}});
        QSettings(QStringLiteral("TLV880"), title).clear();
        tlv = std::make_unique<cTLV880a>(
            lib, std::make_shared<tlvtest::StepClock>(QDateTime(QDate(2026, 12, 7), QTime(10, 0))),
            nullptr, cTLV880a::Build::Monitor);
        core = std::make_unique<MonitorCore>(*tlv);
        QObject::connect(core.get(), &MonitorCore::notice,
                         [this](const QString& text, NoticeKind kind) {
                             notices << text;
                             kinds.push_back(kind);
                         });
    }

    void Write(const QString& name, const QByteArray& content)
    {
        QFile file(home.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    void Queue(double thickness, double frequency = 5000000.0)
    {
        tlvtest::Reading r;
        for (int i = 0; i < 24; ++i)
            r.sensor(i, 1.5, thickness, frequency);
        lib->readings.push_back(r);
    }
    std::vector<int> MaterialMasks() const
    {
        std::vector<int> masks;
        for (const tlvtest::Call& c : lib->all(QStringLiteral("Xdc770Material")))
            masks.push_back(c.args[0].toInt());
        return masks;
    }

    tlvtest::PrivateHome home;
    std::shared_ptr<tlvtest::RecordingLibrary> lib = std::make_shared<tlvtest::RecordingLibrary>();
    std::unique_ptr<cTLV880a> tlv;
    std::unique_ptr<MonitorCore> core;
    QStringList notices;
    std::vector<NoticeKind> kinds;
};

TEST_F(MonitorCoreTest, StartUpReportsAMissingFileNamesItAndSendsTheDefaults)
{
    QSignalSpy named(core.get(), &MonitorCore::setupFileChanged);
    core->LoadStartupSetup();
    ASSERT_EQ(notices,
              QStringList{QStringLiteral("tlvmonitor.dat Not Found.\nContinuing with defaults.")});
    EXPECT_EQ(kinds[0], NoticeKind::Information);
    ASSERT_EQ(named.count(), 1);
    EXPECT_EQ(named[0][0].toString(), QStringLiteral("tlvmonitor.dat"));
    const tlvtest::Call init = lib->all(QStringLiteral("Xdc770Init")).back();
    EXPECT_DOUBLE_EQ(init.args[0].toDouble(), 6000000.0);
    EXPECT_DOUBLE_EQ(init.args[3].toDouble(), 0.25);
    EXPECT_EQ(core->Settings().sensorsShown, 4);
}

TEST_F(MonitorCoreTest, AFileThatIsNoSetupIsRefusedAndNeverWrittenOver)
{
    Write(QStringLiteral("other.dat"), "[Recipe]\r\nName=x\r\n");
    QSignalSpy status(core.get(), &MonitorCore::statusNotice);
    EXPECT_FALSE(core->IniRead(QStringLiteral("other.dat")));
    EXPECT_EQ(status.count(), 1);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(kinds[0], NoticeKind::Warning);
    EXPECT_FALSE(core->IniWrite(QStringLiteral("other.dat")));
    EXPECT_TRUE(notices.last().endsWith(QStringLiteral("\nIt is not written over.")));
    QFile file(home.filePath(QStringLiteral("other.dat")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[Recipe]\r\nName=x\r\n"));
}

TEST_F(MonitorCoreTest, MaterialEntriesFollowTheInstrumentsLimitsAndNameTheirFilm)
{
    core->LoadStartupSetup();
    const MaterialEntry refused =
        core->EnterMaterial(0, MaterialField::Density, QStringLiteral("0.3"));
    EXPECT_EQ(refused.refusal, QStringLiteral("Density must be between 0.4 and 99.99 !"));
    EXPECT_FALSE(refused.changed);
    EXPECT_EQ(core->Settings().densityText[0], QStringLiteral("10.00"));

    const MaterialEntry same = core->EnterMaterial(0, MaterialField::Density, QStringLiteral("10"));
    EXPECT_TRUE(same.refusal.isEmpty());
    EXPECT_EQ(same.text, QStringLiteral("10")) << "re-worded only: kept as typed";
    EXPECT_FALSE(core->Settings().setupChanged);

    // Gold's numbers, typed by hand, name gold; a tooling names nothing new.
    EXPECT_EQ(core->EnterMaterial(1, MaterialField::Density, QStringLiteral("19.3")).text,
              QStringLiteral("19.30"));
    EXPECT_EQ(core->EnterMaterial(1, MaterialField::ZFactor, QStringLiteral(".381")).text,
              QStringLiteral("0.381"));
    EXPECT_EQ(core->Settings().materialName[1], QStringLiteral("Gold"));
    EXPECT_EQ(core->EnterMaterial(1, MaterialField::Tooling, QStringLiteral("90")).text,
              QStringLiteral("90.0"));
    EXPECT_EQ(core->Settings().materialName[1], QStringLiteral("Gold"));
    EXPECT_TRUE(core->Settings().setupChanged);
    EXPECT_TRUE(MaterialMasks().empty()) << "stopped: sent at the next start";

    core->SetRunState(1);
    lib->calls.clear();
    core->EnterMaterial(2, MaterialField::ZFactor, QStringLiteral("0.5"));
    EXPECT_EQ(MaterialMasks(), std::vector<int>{4}) << "measuring: sent at once";
    EXPECT_FALSE(
        core->EnterMaterial(24, MaterialField::ZFactor, QStringLiteral("1")).refusal.isEmpty());
}

TEST_F(MonitorCoreTest, RunStateStartsAndStopsThePollAndIgnoresOtherStates)
{
    core->LoadStartupSetup();
    QSignalSpy states(core.get(), &MonitorCore::runStateChanged);
    core->SetRunState(2);
    EXPECT_EQ(states.count(), 0);
    core->SetRunState(1);
    EXPECT_EQ(MaterialMasks(), (std::vector<int>{1, 2, 4, 8}));
    EXPECT_EQ(lib->count(QStringLiteral("Xdc770StartMeas")), 1);
    EXPECT_TRUE(core->RunTimer().isActive());
    EXPECT_EQ(core->RunTimer().interval(), 125);
    core->SetRunState(0);
    EXPECT_FALSE(core->RunTimer().isActive());
    ASSERT_EQ(states.count(), 2);
    EXPECT_EQ(states[0][0].toInt(), 1);
    EXPECT_EQ(states[1][0].toInt(), 0);
    EXPECT_EQ(lib->count(QStringLiteral("Xdc770StartMeas")), 1) << "stopping sends nothing";
}

TEST_F(MonitorCoreTest, ThePollShowsOnlyTheNewestWaitingReadingAndRemoteClientsReadIt)
{
    core->LoadStartupSetup();
    core->SetRunState(1);
    QSignalSpy refreshes(core.get(), &MonitorCore::refreshed);
    Refresh last;
    QObject::connect(core.get(), &MonitorCore::refreshed,
                     [&last](const Refresh& refresh) { last = refresh; });
    Queue(1000.0);
    Queue(2000.0, 4500000.0);
    core->Poll();
    EXPECT_TRUE(lib->readings.empty());
    ASSERT_EQ(refreshes.count(), 1);
    ASSERT_EQ(last.cells.size(), 4u);
    EXPECT_EQ(last.cells[3].thickness, QStringLiteral("2.000"));
    EXPECT_EQ(last.cells[3].life, QStringLiteral("50.0"));
    core->Poll(); // nothing new: no refresh
    EXPECT_EQ(refreshes.count(), 1);

    MonitorRemoteTarget target(*core);
    tlv::remote::ScpiSession session(target, true);
    EXPECT_EQ(session.Execute("PROC:STAT?"), QByteArray("RUN"));
    EXPECT_EQ(session.Execute("MEAS:SENS? 1"), QByteArray("1.5,2,4500000"));
}

TEST_F(MonitorCoreTest, ARefusedCardSettingKeepsPeriodAndWindowButTakesTheRestOver)
{
    core->LoadStartupSetup();
    SetupChange change;
    change.period = 0.5;
    change.maxFreq = 4000000.0; // below the minimum: the instrument refuses the window
    change.minFreq = 5000000.0;
    change.initFreq = 4500000.0;
    change.filter = 3;
    change.sensorsShown = 8;
    change.logFile = QStringLiteral("film.log");
    const QString refusal = core->ApplySetup(change);
    EXPECT_TRUE(refusal.startsWith(QStringLiteral("Frequency must be"))) << refusal.toStdString();
    const MonitorSettings& s = core->Settings();
    EXPECT_EQ(s.period, 0.25);
    EXPECT_EQ(s.maxFreq, 6000000.0);
    EXPECT_EQ(s.filter, 3);
    EXPECT_EQ(tlv->FilterSize(), 3);
    EXPECT_EQ(s.sensorsShown, 8);
    EXPECT_EQ(s.logFile, QStringLiteral("film.log"));
    EXPECT_TRUE(s.setupChanged);

    change.maxFreq = 9000000.0;
    change.minFreq = 2000000.0;
    EXPECT_EQ(core->ApplySetup(change), QString());
    EXPECT_EQ(core->Settings().period, 0.5);
}

TEST_F(MonitorCoreTest, SavingWritesWhatTheBoxesShowAndRefusesAReadOnlyFile)
{
    core->LoadStartupSetup();
    ShownMaterials shown;
    shown.density[1] = QStringLiteral("10");
    ASSERT_TRUE(core->IniWrite(QStringLiteral("saved.dat"), shown));
    QFile file(home.filePath(QStringLiteral("saved.dat")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("Sensor1=10.00,100.0,1.000"));
    EXPECT_TRUE(text.contains("Sensor2=10,100.0,1.000"));
    file.close();

    QFile::setPermissions(home.filePath(QStringLiteral("saved.dat")), QFileDevice::ReadOwner);
    EXPECT_FALSE(core->IniWrite(QStringLiteral("saved.dat")));
    EXPECT_EQ(notices.last(), QStringLiteral("saved.dat is Read Only!"));
    EXPECT_EQ(kinds.back(), NoticeKind::Warning);
}

TEST_F(MonitorCoreTest, ACrystalFailingInTheShownReadingsIsAnAlarmUntilItReadsAgain)
{
    core->LoadStartupSetup();
    core->SetRunState(1);
    const tlv::AlarmModel& alarms = core->Alarms().model();
    for (int i = 0; i < 2; ++i) {
        Queue(0.0, -1.0); // no signal on every sensor
        core->Poll();
    }
    EXPECT_TRUE(alarms.open().isEmpty()) << "two failed readings are no failure yet";
    Queue(0.0, -1.0);
    core->Poll();
    const int shown = core->Settings().sensorsShown;
    ASSERT_EQ(alarms.open().size(), shown) << "the shown sensors only";
    EXPECT_EQ(alarms.open().front().text.toStdString(), "Sensor 1 Crystal Failure: no signal.");
    EXPECT_EQ(alarms.open().front().raised, tlv->Clock().now());

    // Remote clients list them; acknowledging needs control.
    MonitorRemoteTarget target(*core);
    tlv::remote::ScpiSession reader(target, false);
    EXPECT_TRUE(reader.Execute("ALAR:COUN?") ==
                QByteArray::number(shown) + "," + QByteArray::number(shown));
    EXPECT_FALSE(reader.Execute("ALAR:ACK ALL").has_value());
    EXPECT_TRUE(reader.Execute("SYST:ERR?")->startsWith("-203,"));

    Queue(100.0, 5000000.0); // good again
    core->Poll();
    EXPECT_TRUE(alarms.open().isEmpty());

    for (int i = 0; i < 3; ++i) {
        Queue(0.0, -3.0);
        core->Poll();
    }
    ASSERT_FALSE(alarms.open().isEmpty());
    core->SetRunState(0); // nothing is read any more
    EXPECT_TRUE(alarms.open().isEmpty());
    QFile log(home.filePath(QStringLiteral("tlvmonitor-alarms.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << log.fileName().toStdString();
    EXPECT_EQ(log.readAll().count('\n'), 4 * shown) << "each raise and clear";
}

} // namespace
} // namespace monitor
