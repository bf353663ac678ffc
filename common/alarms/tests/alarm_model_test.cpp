#include "common/alarms/AlarmLog.h"
#include "common/alarms/AlarmModel.h"
#include "tlvtest/PrintQt.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using tlv::Alarm;
using tlv::AlarmChange;
using tlv::AlarmLog;
using tlv::AlarmModel;
using tlv::AlarmSeverity;
using tlv::AlarmSource;
using tlv::AlarmState;

// A model on a clock the test steps.
struct Clocked {
    QDateTime now{QDate(2026, 12, 8), QTime(10, 0, 0)};
    AlarmModel model{[this] { return now; }, 3};
    void step(int seconds) { now = now.addSecs(seconds); }
};

TEST(AlarmModel, RaiseAcknowledgeClearWithTheInstrumentTime)
{
    Clocked c;
    QSignalSpy spy(&c.model, &AlarmModel::changed);
    const AlarmSource out1 = AlarmSource::output(0, "Output 1");
    const quint64 id = c.model.raise("power", out1, "Output 1 at its maximum power.");
    EXPECT_EQ(c.model.unacknowledgedCount(), 1);
    c.step(5);
    // Raised again while open: one alarm, the newest text, no second report.
    EXPECT_EQ(c.model.raise("power", out1, "again"), id);
    EXPECT_EQ(c.model.open().size(), 1);
    EXPECT_EQ(c.model.open().front().text, "again");
    EXPECT_EQ(spy.count(), 1);

    c.step(5);
    EXPECT_TRUE(c.model.acknowledge(id));
    EXPECT_TRUE(c.model.acknowledge(id)); // twice: fine, nothing new
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(c.model.find(id)->state, AlarmState::Acknowledged);
    EXPECT_EQ(c.model.unacknowledgedCount(), 0);
    EXPECT_EQ(c.model.open().size(), 1); // acknowledged, still there

    c.step(5);
    EXPECT_TRUE(c.model.clear("power", out1));
    EXPECT_FALSE(c.model.clear("power", out1));
    ASSERT_EQ(spy.count(), 3);
    const Alarm* alarm = c.model.find(id);
    EXPECT_EQ(alarm->state, AlarmState::Cleared);
    EXPECT_EQ(alarm->raised.time(), QTime(10, 0, 0));
    EXPECT_EQ(alarm->acknowledged.time(), QTime(10, 0, 10));
    EXPECT_EQ(alarm->cleared.time(), QTime(10, 0, 15));
    EXPECT_TRUE(c.model.open().isEmpty());

    // The same condition again is a new alarm.
    EXPECT_NE(c.model.raise("power", out1, "third"), id);
    EXPECT_FALSE(c.model.acknowledge(999));
}

TEST(AlarmModel, ConditionsAndSourcesAreToldApart)
{
    Clocked c;
    c.model.raise("crystal", AlarmSource::sensor(0), "Sensor 1 Crystal Failure.");
    c.model.raise("crystal", AlarmSource::sensor(4), "Sensor 5 Crystal Failure.");
    c.model.raise("quality", AlarmSource::sensor(0), "Sensor 1 Quality Failure.");
    EXPECT_EQ(c.model.open().size(), 3);
    EXPECT_TRUE(c.model.clear("crystal", AlarmSource::sensor(4)));
    EXPECT_TRUE(c.model.isOpen("crystal", AlarmSource::sensor(0)));
    EXPECT_EQ(c.model.clearAll("crystal"), 1);
    EXPECT_TRUE(c.model.isOpen("quality", AlarmSource::sensor(0)));
    EXPECT_EQ(c.model.acknowledgeAll(), 3); // the cleared ones too: they were never seen
    EXPECT_EQ(c.model.acknowledgeAll(), 0);
}

TEST(AlarmModel, AWarningThatBecomesAnAlarmAsksAgain)
{
    Clocked c;
    QSignalSpy spy(&c.model, &AlarmModel::changed);
    const AlarmSource out2 = AlarmSource::output(1, "Output 2");
    const quint64 id = c.model.raise("rate", out2, "warn", AlarmSeverity::Warning);
    c.model.acknowledge(id);
    c.step(40);
    EXPECT_EQ(c.model.raise("rate", out2, "alarm", AlarmSeverity::Alarm), id);
    const Alarm* alarm = c.model.find(id);
    EXPECT_EQ(alarm->severity, AlarmSeverity::Alarm);
    EXPECT_EQ(alarm->state, AlarmState::Active);
    EXPECT_TRUE(alarm->acknowledged.isNull());
    EXPECT_EQ(alarm->changed.time(), QTime(10, 0, 40));
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(2).at(1).value<AlarmChange>(), AlarmChange::Raised);
    // An alarm raised again as a warning stays an alarm.
    c.model.raise("rate", out2, "warn again", AlarmSeverity::Warning);
    EXPECT_EQ(c.model.find(id)->severity, AlarmSeverity::Alarm);
    EXPECT_EQ(spy.count(), 3);
}

TEST(AlarmModel, HistoryKeepsOpenAlarmsAndTheLatestCleared)
{
    Clocked c; // at most 3 cleared
    const quint64 open = c.model.raise("crystal", AlarmSource::sensor(23), "stays");
    std::vector<quint64> ids;
    for (int i = 0; i < 10; ++i) {
        ids.push_back(c.model.raise("power", AlarmSource::output(0, "Output 1"), "n"));
        c.model.clear("power", AlarmSource::output(0, "Output 1"));
    }
    EXPECT_EQ(c.model.history().size(), 4u);
    ASSERT_NE(c.model.find(open), nullptr);
    EXPECT_EQ(c.model.find(ids[6]), nullptr);
    EXPECT_NE(c.model.find(ids[7]), nullptr);
    EXPECT_EQ(c.model.history().back().id, ids[9]);
    EXPECT_FALSE(c.model.acknowledge(ids[0])); // gone
}

TEST(AlarmLog, WritesEveryChangeAtOnceAsTabSeparatedLines)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Clocked c;
    AlarmLog log;
    const QString path = AlarmLog::pathFor(dir.filePath("logs"), "coflux");
    EXPECT_TRUE(path.endsWith("logs/coflux-alarms.log"));
    ASSERT_TRUE(log.open(path)) << log.error().toStdString();
    log.follow(c.model);

    const quint64 id =
        c.model.raise("crystal", AlarmSource::sensor(4), "Sensor 5\tCrystal\nFailure.");
    // On disk before anything else happens: nothing waits in a buffer.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "2026-12-08 10:00:00.000\t1\traised\talarm\tcrystal\tSensor 5\t"
                              "Sensor 5 Crystal Failure.\n");
    c.step(3);
    c.model.acknowledge(id);
    c.step(3);
    c.model.clear("crystal", AlarmSource::sensor(4));
    c.model.raise("shutter", {}, "Shutter delay timed out.", AlarmSeverity::Warning);
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 4); // three lines and the empty rest after the last line end
    EXPECT_TRUE(lines[0].startsWith("2026-12-08 10:00:03.000\t1\tacknowledged\talarm\t"));
    EXPECT_TRUE(lines[1].startsWith("2026-12-08 10:00:06.000\t1\tcleared\t"));
    EXPECT_EQ(lines[2], "2026-12-08 10:00:06.000\t2\traised\twarning\tshutter\t\t"
                        "Shutter delay timed out.");

    // A second program start appends.
    AlarmLog again;
    ASSERT_TRUE(again.open(path));
    again.write(*c.model.find(2), AlarmChange::Cleared);
    file.seek(0);
    EXPECT_EQ(file.readAll().count('\n'), 5);
}

TEST(AlarmLog, AFileThatCannotBeWrittenIsNamedOnce)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    AlarmLog log;
    // A folder where the file should be.
    ASSERT_TRUE(QDir(dir.path()).mkpath("taken/coflux-alarms.log"));
    const QString path = AlarmLog::pathFor(dir.filePath("taken"), "coflux");
    EXPECT_FALSE(log.open(path));
    EXPECT_TRUE(log.error().startsWith("Cannot write the alarm log ")) << log.error().toStdString();
    EXPECT_TRUE(log.error().contains("coflux-alarms.log"));

    Clocked c;
    log.follow(c.model);
    QSignalSpy failed(&log, &AlarmLog::failed);
    c.model.raise("crystal", AlarmSource::sensor(0), "one");
    c.model.raise("crystal", AlarmSource::sensor(1), "two");
    EXPECT_EQ(failed.count(), 1);

    // Once the folder is gone the next change is written again.
    ASSERT_TRUE(QDir(dir.filePath("taken/coflux-alarms.log")).removeRecursively());
    c.model.raise("crystal", AlarmSource::sensor(2), "three");
    EXPECT_TRUE(log.error().isEmpty());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().endsWith("three\n"));
}

} // namespace
