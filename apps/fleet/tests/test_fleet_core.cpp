// The fleet's process around its model: the command line over the settings, and the event log
// that every event is appended to (and that says once when it cannot be written).

#include "Fleet.h"
#include "FleetMessagesSupport.h"
#include "FleetOptions.h"

#include "tlvtest/PrivateHome.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace fleet::test {
namespace {

TEST(FleetOptions, TheCommandLineWinsOverTheSettingsKeyByKey)
{
    tlv::mqtt::PublishOptions saved;
    saved.url = QStringLiteral("mqtt://saved/coaters");
    saved.user = QStringLiteral("viewer");
    FleetOptions options;
    QString error;
    ASSERT_TRUE(
        ParseFleetArguments({QStringLiteral("--publish"), QStringLiteral("mqtts://lab/hall"),
                             QStringLiteral("--publish-cafile=/etc/ca.pem"),
                             QStringLiteral("--event-log"), QStringLiteral("ev.log")},
                            saved, options, error))
        << error.toStdString();
    EXPECT_EQ(options.broker.url, QStringLiteral("mqtts://lab/hall"));
    EXPECT_EQ(options.broker.user, QStringLiteral("viewer"));
    EXPECT_EQ(options.broker.caFile, QStringLiteral("/etc/ca.pem"));
    EXPECT_EQ(options.eventLog, QStringLiteral("ev.log"));

    ASSERT_TRUE(ParseFleetArguments({}, saved, options, error));
    EXPECT_EQ(options.broker.url, saved.url);
    EXPECT_TRUE(options.eventLog.isEmpty());

    for (const QStringList& bad :
         {QStringList{QStringLiteral("--publish")}, QStringList{QStringLiteral("--event-log")},
          QStringList{QStringLiteral("--event-log=")}, QStringList{QStringLiteral("--fast")},
          QStringList{QStringLiteral("extra")}}) {
        error.clear();
        EXPECT_FALSE(ParseFleetArguments(bad, saved, options, error))
            << bad.join(' ').toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(FleetEventLog, EveryEventIsAppendedAsOneLine)
{
    tlvtest::PrivateHome home;
    const QString path = QDir(home.path()).filePath(QStringLiteral("events.log"));
    QFile::remove(path);
    Fleet core;
    core.setEventLog(path);
    core.model().take("lab/h/coflux/event",
                      EventJson(kStart, "trip", "Thickness setpoint\treached\non Gold."));
    core.model().take("lab/h/coflux/event",
                      EventJson(kStart.addSecs(1), "recipe", "Recipe complete."));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3); // two lines and the end of the last
    EXPECT_EQ(
        lines[0],
        "2026-12-07T10:00:00.000Z\tlab/h\tcoflux\ttrip\t0\tThickness setpoint reached on Gold.\r");
    EXPECT_EQ(lines[1], "2026-12-07T10:00:01.000Z\tlab/h\tcoflux\trecipe\t0\tRecipe complete.\r");
}

TEST(FleetEventLog, AnUnwritableLogIsReportedOnceAndEventsStillShow)
{
    tlvtest::PrivateHome home;
    Fleet core;
    core.setEventLog(QDir(home.path()).filePath(QStringLiteral("no/such/folder/events.log")));
    QSignalSpy problems(&core, &Fleet::problem);
    for (int i = 0; i < 3; ++i)
        core.model().take("lab/h/coflux/event", EventJson(kStart, "trip", "Tripped."));
    EXPECT_EQ(problems.count(), 1);
    EXPECT_EQ(core.model().events().size(), 3U);
}

} // namespace
} // namespace fleet::test
