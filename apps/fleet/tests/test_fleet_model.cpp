// The fleet model on synthetic messages, without a network: rows from the status topics, what
// they show, staleness, the three alarms, the bounded event list, and bad messages ignored and
// counted. Time is the test's own clock.

#include "CoaterText.h"
#include "FleetMessagesSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace fleet::test {
namespace {

const QByteArray kCoflux = "lab/hall2/chamber3/coflux/";
const QByteArray kMonitor = "lab/hall1/chamber1/tlvmonitor/";

const Coater& Row(const FleetModel& model, int row)
{
    return model.coaters().at(static_cast<std::size_t>(row));
}

TEST(FleetTopics, NameTheCoaterAndWhatTheMessageIs)
{
    const auto status = ParseTopic("lab/hall2/chamber3/coflux/status");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->key.prefix, QStringLiteral("lab/hall2"));
    EXPECT_EQ(status->key.host, QStringLiteral("chamber3"));
    EXPECT_EQ(status->key.program, QStringLiteral("coflux"));
    EXPECT_EQ(status->kind, TopicKind::Status);

    const auto sensor = ParseTopic("p/h/tlvmonitor/sensor/24");
    ASSERT_TRUE(sensor);
    EXPECT_EQ(sensor->kind, TopicKind::Sensor);
    EXPECT_EQ(sensor->number, 24);
    EXPECT_EQ(sensor->key.prefix, QStringLiteral("p"));
    const auto output = ParseTopic("p/h/coflux/output/14");
    ASSERT_TRUE(output);
    EXPECT_EQ(output->number, 14);
    // A prefix level may itself be called like a topic.
    const auto odd = ParseTopic("status/h/coflux/state");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->key.prefix, QStringLiteral("status"));

    for (const char* bad :
         {"h/coflux/status", "p/h/coflux/sensor/0", "p/h/coflux/sensor/25", "p/h/coflux/output/15",
          "p/h/coflux/sensor/01", "p/h/coflux/sensor/+1", "p/h/coflux/sensor/x", "p//coflux/status",
          "p/h//state", "p/h/coflux/readings", "p/h/coflux/status/extra", "", "/"})
        EXPECT_FALSE(ParseTopic(bad)) << bad;
}

TEST(FleetRows, OneRowPerProgramWithWhatItPublished)
{
    SteppedModel m;
    QSignalSpy added(&m.model, &FleetModel::coaterAdded);
    m.model.take(kCoflux + "status", "online");
    m.model.take(kMonitor + "status", "online");
    m.model.take(
        kCoflux + "state",
        StateJson(
            kStart, "running",
            R"(,"recipe":"Ag-Cu stack","layer":2,"layerName":"Ag-Cu alloy","phase":"Deposit")"));
    m.model.take(kCoflux + "output/1", OutputJson(kStart, 5.01, 1234.5, 41.5, 5));
    m.model.take(kCoflux + "output/2", OutputJson(kStart, 2.5, 300, 12.34));
    m.model.take(kCoflux + "output/3", OutputJson(kStart, 0, 0, 0)); // idle: left out
    m.model.take(kMonitor + "sensor/1", SensorJson(kStart, 3.25, 2500, 5949012.3, 87.4));
    m.model.take(kMonitor + "sensor/2", SensorJson(kStart, 0, 0, -1));
    // The same program on another host or under another prefix is another coater.
    m.model.take("lab/hall3/chamber3/coflux/status", "online");
    m.model.take("lab/hall2/chamber4/coflux/status", "online");

    ASSERT_EQ(m.model.coaters().size(), 4U);
    EXPECT_EQ(added.count(), 4);
    const QStringList coflux = RowTexts(Row(m.model, 0));
    EXPECT_EQ(coflux[ColCoater], QStringLiteral("lab/hall2/chamber3"));
    EXPECT_EQ(coflux[ColProgram], QStringLiteral("coflux"));
    EXPECT_EQ(coflux[ColStatus], QStringLiteral("online"));
    EXPECT_EQ(coflux[ColRun], QStringLiteral("running"));
    EXPECT_EQ(coflux[ColRecipe], QStringLiteral("Ag-Cu stack"));
    EXPECT_EQ(coflux[ColLayer], QStringLiteral("2 Ag-Cu alloy"));
    EXPECT_EQ(coflux[ColPhase], QStringLiteral("Deposit"));
    EXPECT_EQ(coflux[ColReadings],
              QStringLiteral("1: 5.01/5.00 Å/s 1.234 kÅ 41.5 %; 2: 2.50 Å/s 0.300 kÅ 12.3 %"));
    EXPECT_EQ(coflux[ColLastReading], kStart.toLocalTime().toString(QStringLiteral("HH:mm:ss")));
    EXPECT_TRUE(coflux[ColAlarms].isEmpty());

    const QStringList monitor = RowTexts(Row(m.model, 1));
    EXPECT_EQ(monitor[ColProgram], QStringLiteral("tlvmonitor"));
    EXPECT_EQ(monitor[ColReadings], QStringLiteral("S1: 3.25 Å/s 2.500 kÅ; S2: crystal failure"));
    EXPECT_EQ(monitor[ColLife], QStringLiteral("S1 87 %"));
    EXPECT_TRUE(monitor[ColRecipe].isEmpty());

    // With every output idle the row says so.
    m.model.take(kCoflux + "output/1", OutputJson(kStart.addSecs(1), 0, 0, 0));
    m.model.take(kCoflux + "output/2", OutputJson(kStart.addSecs(1), 0, 0, 0));
    EXPECT_EQ(RowTexts(Row(m.model, 0))[ColReadings], QStringLiteral("outputs idle"));

    // Once the recipe has ended its keys are left out, and so are its columns.
    m.model.take(kCoflux + "state", StateJson(kStart, "running"));
    EXPECT_TRUE(RowTexts(Row(m.model, 0))[ColLayer].isEmpty());
}

TEST(FleetRows, TheWillTurnsARowOfflineAndSaysSoOnce)
{
    SteppedModel m;
    m.model.take(kCoflux + "status", "online");
    m.model.take(kCoflux + "status", "online"); // retained again after a reconnect
    EXPECT_TRUE(m.model.events().empty());
    m.model.take(kCoflux + "status", "offline");
    EXPECT_EQ(Row(m.model, 0).presence, Coater::Presence::Offline);
    ASSERT_EQ(m.model.events().size(), 1U);
    EXPECT_EQ(m.model.events().front().kind, QStringLiteral("status"));
    EXPECT_EQ(m.model.events().front().text, QStringLiteral("Offline."));
    // A row first seen offline (a retained will) brings no event.
    m.model.take(kMonitor + "status", "offline");
    EXPECT_EQ(m.model.events().size(), 1U);
    EXPECT_EQ(RowTexts(Row(m.model, 1))[ColStatus], QStringLiteral("offline"));
}

TEST(FleetStaleness, ARowGoesStaleAfterSeveralPeriodsWithoutAReading)
{
    SteppedModel m;
    // Readings every 0.1 s: stale after the floor of 3 s, not after five periods.
    for (int i = 0; i < 10; ++i) {
        m.model.take(kCoflux + "output/1", OutputJson(kStart.addMSecs(100 * i), 5, i, 40));
        m.advance(100);
    }
    EXPECT_NEAR(Row(m.model, 0).periodSeconds, 0.1, 1e-9);
    m.advance(2900);
    m.model.tick();
    EXPECT_FALSE(Row(m.model, 0).stale);
    m.advance(200);
    QSignalSpy changed(&m.model, &FleetModel::coaterChanged);
    m.model.tick();
    EXPECT_TRUE(Row(m.model, 0).stale);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(RowTexts(Row(m.model, 0))[ColLastReading].endsWith(QStringLiteral("(stale)")));
    m.model.tick();
    EXPECT_EQ(changed.count(), 1) << "nothing new to show";
    // The next reading mends it.
    m.model.take(kCoflux + "output/1", OutputJson(kStart.addSecs(5), 5, 11, 40));
    EXPECT_FALSE(Row(m.model, 0).stale);

    // A slow program (a 2 s period) is given five of its periods.
    SteppedModel slow;
    for (int i = 0; i < 3; ++i) {
        slow.model.take(kMonitor + "sensor/1", SensorJson(kStart.addSecs(2 * i), 1, i, 5e6));
        slow.advance(2000);
    }
    slow.advance(7000); // 9 s since the last reading
    slow.model.tick();
    EXPECT_FALSE(Row(slow.model, 0).stale);
    slow.advance(1500);
    slow.model.tick();
    EXPECT_TRUE(Row(slow.model, 0).stale);
}

struct RunningCoater : SteppedModel {
    RunningCoater()
    {
        model.take(kCoflux + "status", "online");
        model.take(kCoflux + "state", StateJson(kStart, "running"));
    }
    void reading(double rate, double setpoint = 5)
    {
        model.take(kCoflux + "output/1",
                   OutputJson(kStart.addMSecs(t += 100), rate, 0, 40, setpoint));
    }
    qint64 t = 0;
};

TEST(FleetAlarms, ARateOutsideTenPercentForFiveSecondsTurnsTheRowRed)
{
    RunningCoater m;
    QSignalSpy attention(&m.model, &FleetModel::attentionChanged);
    m.reading(4.45); // 11 % low
    m.advance(4900);
    m.reading(5.6); // 12 % high: still outside
    m.model.tick();
    EXPECT_FALSE(Row(m.model, 0).needsAttention()) << "not yet five seconds";
    m.advance(100);
    m.model.tick();
    EXPECT_TRUE(Row(m.model, 0).needsAttention());
    EXPECT_EQ(m.model.attentionCount(), 1);
    ASSERT_EQ(attention.count(), 1);
    EXPECT_EQ(attention.at(0).at(0).toInt(), 1);
    ASSERT_FALSE(m.model.events().empty());
    EXPECT_EQ(m.model.events().front().kind, QStringLiteral("alarm"));
    EXPECT_EQ(m.model.events().front().text,
              QStringLiteral("Output 1 rate 5.60 Å/s, setpoint 5.00 Å/s"));
    EXPECT_EQ(RowTexts(Row(m.model, 0))[ColAlarms], m.model.events().front().text);

    // Back inside the band: the alarm goes, and a new excursion starts its own five seconds.
    m.reading(5.4);
    EXPECT_EQ(m.model.attentionCount(), 0);
    m.reading(4.4);
    m.advance(3000);
    m.reading(5.0);
    m.advance(3000);
    m.model.tick();
    EXPECT_EQ(m.model.attentionCount(), 0);
}

TEST(FleetAlarms, ARateIsJudgedOnlyWhileRunningOnlineAndWithASetpoint)
{
    RunningCoater m;
    m.reading(1.0, 0); // no setpoint to be off
    m.advance(10000);
    m.model.tick();
    EXPECT_EQ(m.model.attentionCount(), 0);

    m.reading(1.0);
    m.advance(6000);
    m.model.tick();
    EXPECT_EQ(m.model.attentionCount(), 1);
    m.model.take(kCoflux + "state", StateJson(kStart, "stopped"));
    EXPECT_EQ(m.model.attentionCount(), 0) << "a stopped deposition holds no setpoint";

    m.model.take(kCoflux + "state", StateJson(kStart, "running"));
    m.reading(1.0);
    m.advance(6000);
    m.model.tick();
    EXPECT_EQ(m.model.attentionCount(), 1);
    m.model.take(kCoflux + "status", "offline");
    EXPECT_EQ(m.model.attentionCount(), 0);
}

TEST(FleetAlarms, ATripStaysUntilTheNextRun)
{
    RunningCoater m;
    m.model.take(
        kCoflux + "event",
        EventJson(kStart, "trip", "Deposition halted.\\r\\nThickness setpoint reached on Gold."));
    m.model.take(kCoflux + "state", StateJson(kStart, "stopped"));
    EXPECT_TRUE(Row(m.model, 0).needsAttention());
    EXPECT_EQ(RowTexts(Row(m.model, 0))[ColAlarms],
              QStringLiteral("Trip: Deposition halted. Thickness setpoint reached on Gold."));
    ASSERT_EQ(m.model.events().size(), 1U);
    EXPECT_EQ(m.model.events().front().kind, QStringLiteral("trip"));
    EXPECT_EQ(m.model.events().front().coater, QStringLiteral("lab/hall2/chamber3"));
    EXPECT_EQ(m.model.events().front().time, kStart);
    m.model.take(kCoflux + "state", StateJson(kStart, "stopped"));
    EXPECT_TRUE(Row(m.model, 0).needsAttention());
    m.model.take(kCoflux + "state", StateJson(kStart, "running"));
    EXPECT_FALSE(Row(m.model, 0).needsAttention());
}

TEST(FleetAlarms, ACrystalFailureFromItsEventOrItsReading)
{
    SteppedModel m;
    m.model.take(kMonitor + "event",
                 EventJson(kStart, "sensor", "Sensor 3 Crystal Failure.", R"(,"sensor":3)"));
    EXPECT_EQ(RowTexts(Row(m.model, 0))[ColAlarms], QStringLiteral("Sensor 3 crystal failure"));
    // A good reading of the crystal mends it; its code in a reading brings it back.
    m.model.take(kMonitor + "sensor/3", SensorJson(kStart, 1, 10, 5.9e6));
    EXPECT_EQ(m.model.attentionCount(), 0);
    m.model.take(kMonitor + "sensor/3", SensorJson(kStart.addMSecs(100), 0, 10, -2));
    EXPECT_EQ(m.model.attentionCount(), 1);
    // Other sensor events are shown, not alarms.
    m.model.take(
        kMonitor + "event",
        EventJson(kStart, "sensor", "Sensor 4 Stability single failure.", R"(,"sensor":4)"));
    EXPECT_EQ(m.model.attentionCount(), 1);
    EXPECT_EQ(m.model.events().size(), 2U);
}

TEST(FleetEvents, NewestFirstInABoundedList)
{
    SteppedModel m;
    m.model.setEventLimit(3);
    for (int i = 1; i <= 5; ++i)
        m.model.take(kCoflux + "event",
                     EventJson(kStart.addSecs(i), "recipe", QByteArray::number(i).constData()));
    ASSERT_EQ(m.model.events().size(), 3U);
    EXPECT_EQ(m.model.events().at(0).text, QStringLiteral("5"));
    EXPECT_EQ(m.model.events().at(2).text, QStringLiteral("3"));
}

TEST(FleetBadMessages, AreIgnoredAndCountedByKind)
{
    SteppedModel m;
    m.model.take(kCoflux + "status", "online");
    m.model.take(kCoflux + "output/1", OutputJson(kStart, 5, 100, 40));
    QSignalSpy bad(&m.model, &FleetModel::badCountsChanged);
    const Coater before = Row(m.model, 0);

    // Not JSON.
    for (const QByteArray& payload : {QByteArray("rate=5"), QByteArray("{\"time\":"),
                                      QByteArray(""), QByteArray("\xff\xfe{}", 4)})
        m.model.take(kCoflux + "output/1", payload);
    // The wrong form: not an object, a key missing or of the wrong type, a bad time.
    const QByteArray time = "\"time\":\"" + Iso(kStart) + "\"";
    for (const QByteArray& payload :
         {QByteArray("[1,2]"), QByteArray("[]"),
          "{" + time + ",\"rate\":\"5\",\"thickness\":1,\"power\":1}",
          "{" + time + ",\"thickness\":1,\"power\":1}",
          QByteArray(R"({"time":"yesterday","rate":1,"thickness":1,"power":1})"),
          QByteArray(R"({"time":12,"rate":1,"thickness":1,"power":1})"),
          "{" + time + ",\"rate\":1,\"thickness\":1,\"power\":1,\"setpoint\":\"high\"}",
          "{" + time + ",\"rate\":1,\"thickness\":1,\"power\":null}"})
        m.model.take(kCoflux + "output/1", payload);
    m.model.take(kCoflux + "state", "{" + time + ",\"run\":5}");
    m.model.take(kCoflux + "state", "{" + time + ",\"run\":\"running\",\"layer\":1.5}");
    m.model.take(kCoflux + "event", "{" + time + ",\"kind\":\"trip\",\"sensor\":99}");
    m.model.take(kCoflux + "event", "{" + time + ",\"text\":\"no kind\"}");
    m.model.take(kCoflux + "status", "maybe");
    // Too large, whether handed over or left out by the subscriber.
    QByteArray huge = "{" + time + ",\"rate\":1,\"thickness\":1,\"power\":1,\"pad\":\"";
    huge += QByteArray(kMaxPayloadBytes, 'x') + "\"}";
    m.model.take(kCoflux + "output/1", huge);
    m.model.take(kCoflux + "event", {}, true);
    m.model.take(kCoflux + "status", QByteArray(kMaxPayloadBytes + 1, 'o'));
    // Unknown topics, inside and outside the scheme.
    for (const char* topic : {"lab/hall2/chamber3/coflux/output/99", "lab/other", "lab/a/b/c/d/e",
                              "lab/hall2/chamber3/coflux/sensor/x"})
        m.model.take(topic, OutputJson(kStart, 5, 100, 40));

    const BadCounts& counts = m.model.bad();
    EXPECT_EQ(counts.notJson, 4);
    EXPECT_EQ(counts.wrongType, 13);
    EXPECT_EQ(counts.huge, 3);
    EXPECT_EQ(counts.unknownTopic, 4);
    EXPECT_EQ(counts.total(), 24);
    EXPECT_EQ(bad.count(), 24);
    // Nothing of them reached the fleet.
    ASSERT_EQ(m.model.coaters().size(), 1U);
    EXPECT_EQ(RowTexts(Row(m.model, 0)), RowTexts(before));
    EXPECT_TRUE(m.model.events().empty());
    // A good message after them is taken as ever.
    m.model.take(kCoflux + "output/1", OutputJson(kStart.addSecs(1), 6, 200, 41));
    EXPECT_DOUBLE_EQ(Row(m.model, 0).outputs.at(1).last.rate, 6);
}

TEST(FleetReadings, NullValuesShowAsUnknownAndHistoryIsBounded)
{
    SteppedModel m;
    m.model.take(kCoflux + "output/1",
                 "{\"time\":\"" + Iso(kStart) + "\",\"rate\":null,\"thickness\":null,\"power\":3}");
    EXPECT_EQ(RowTexts(Row(m.model, 0))[ColReadings], QStringLiteral("1: ? Å/s ? kÅ 3.0 %"));

    // Ten minutes are kept: an hour of readings every 2 s leaves 301.
    for (int i = 0; i < 1800; ++i)
        m.model.take(kCoflux + "output/2", OutputJson(kStart.addSecs(2 * i), 1, i, 1));
    const std::deque<Sample>& history = Row(m.model, 0).outputs.at(2).history;
    EXPECT_EQ(history.size(), 301U);
    EXPECT_DOUBLE_EQ(history.back().t - history.front().t, kHistorySeconds);
    // A reading older than the newest (a late delivery) neither replaces it nor is charted.
    QSignalSpy recorded(&m.model, &FleetModel::readingAdded);
    m.model.take(kCoflux + "output/2", OutputJson(kStart, 9, 9, 9));
    EXPECT_EQ(recorded.count(), 0);
    EXPECT_EQ(history.size(), 301U);
    EXPECT_DOUBLE_EQ(Row(m.model, 0).outputs.at(2).last.rate, 1);
}

} // namespace
} // namespace fleet::test
