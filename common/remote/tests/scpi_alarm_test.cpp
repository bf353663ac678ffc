// The alarm commands: the open alarms as a client reads them, acknowledging one or all, and the
// protection that holds even in a program that otherwise only measures.
#include "FakeTarget.h"

#include "common/alarms/AlarmModel.h"
#include "common/remote/ScpiSession.h"

#include <gtest/gtest.h>

using namespace tlv::remote;

namespace {

struct AlarmTarget : tlv::remote::testing::FakeTarget {
    QDateTime now{QDate(2026, 12, 8), QTime(10, 0, 5)};
    mutable tlv::AlarmModel model{[this] { return now; }};
    tlv::AlarmModel* Alarms() const override { return &model; }
};

QByteArray Answer(ScpiSession& session, const char* line)
{
    const std::optional<QByteArray> answer = session.Execute(line);
    EXPECT_TRUE(answer.has_value()) << line;
    return answer.value_or(QByteArray());
}

TEST(AlarmCommands, ListOpenAlarmsOldestFirstAndAcknowledge)
{
    AlarmTarget target;
    ScpiSession session(target, true);
    EXPECT_EQ(Answer(session, "ALAR:ACT?"), "0");
    EXPECT_EQ(Answer(session, "ALARM:COUNT?"), "0,0");

    const quint64 crystal =
        target.model.raise("crystal", tlv::AlarmSource::sensor(4), "Sensor 5 Crystal Failure.");
    target.now = target.now.addSecs(2);
    target.model.raise("rate", tlv::AlarmSource::output(0, "Output 1"),
                       "Rate \"low\": 4.2 \u00c5/s against 5 \u00b1 0.2 \u00c5/s, 3\u00b5.",
                       tlv::AlarmSeverity::Warning);
    target.model.raise("power", tlv::AlarmSource::output(1, "Output 2"), "gone");
    target.model.clear("power", tlv::AlarmSource::output(1, "Output 2"));
    EXPECT_EQ(Answer(session, "ALAR:ACT?"),
              "2,1,ACTIVE,ALARM,\"2026-12-08T10:00:05\",\"crystal\",\"Sensor 5\","
              "\"Sensor 5 Crystal Failure.\","
              "2,ACTIVE,WARNING,\"2026-12-08T10:00:07\",\"rate\",\"Output 1\","
              "\"Rate \"\"low\"\": 4.2 A/s against 5 +/- 0.2 A/s, 3?.\"");
    EXPECT_EQ(Answer(session, "ALAR:COUN?"), "2,2");

    session.Execute("ALAR:ACK 1");
    EXPECT_EQ(Answer(session, "SYST:ERR?"), "0,\"No error\"");
    EXPECT_EQ(target.model.find(crystal)->state, tlv::AlarmState::Acknowledged);
    EXPECT_TRUE(Answer(session, "ALAR:ACT?").startsWith("2,1,ACKNOWLEDGED,ALARM,"));
    EXPECT_EQ(Answer(session, "ALAR:COUN?"), "2,1");

    // The cleared one can still be acknowledged, by number or with ALL.
    session.Execute("ALARM:ACKNOWLEDGE ALL");
    EXPECT_EQ(Answer(session, "ALAR:COUN?"), "2,0");
    EXPECT_FALSE(target.model.find(3)->acknowledged.isNull());
}

TEST(AlarmCommands, RefuseUnknownAlarmsAndBadParameters)
{
    AlarmTarget target;
    ScpiSession session(target, true);
    target.model.raise("crystal", tlv::AlarmSource::sensor(0), "x");
    for (const char* line : {"ALAR:ACK 7", "ALAR:ACK 0", "ALAR:ACK 1.5", "ALAR:ACK -1"}) {
        EXPECT_FALSE(session.Execute(line).has_value());
        EXPECT_TRUE(Answer(session, "SYST:ERR?").startsWith("-222,\"Data out of range; No alarm"))
            << line;
    }
    session.Execute("ALAR:ACK");
    EXPECT_TRUE(Answer(session, "SYST:ERR?").startsWith("-109,"));
    session.Execute("ALAR:ACK SOME");
    EXPECT_TRUE(Answer(session, "SYST:ERR?").startsWith("-102,"));
    session.Execute("ALAR:ACK \"1\"");
    EXPECT_TRUE(Answer(session, "SYST:ERR?").startsWith("-102,"));
    EXPECT_EQ(target.model.unacknowledgedCount(), 1);
}

TEST(AlarmCommands, AcknowledgingIsProtectedEvenWhereNothingElseChanges)
{
    AlarmTarget target;
    target.controls = false; // a program that only measures
    target.model.raise("crystal", tlv::AlarmSource::sensor(0), "x");
    ScpiSession protectedSession(target, false);
    EXPECT_FALSE(protectedSession.Execute("ALAR:ACK 1").has_value());
    EXPECT_EQ(Answer(protectedSession, "SYST:ERR?"),
              "-203,\"Command protected; Start the program with --remote-control\"");
    EXPECT_EQ(Answer(protectedSession, "ALAR:COUN?"), "1,1"); // queries are answered
    EXPECT_EQ(target.model.unacknowledgedCount(), 1);

    ScpiSession controlled(target, true);
    controlled.Execute("ALAR:ACK 1");
    EXPECT_EQ(target.model.unacknowledgedCount(), 0);
    controlled.Execute("PROC:STAR"); // still nothing else
    EXPECT_EQ(Answer(controlled, "SYST:ERR?"), "-113,\"Undefined header\"");
}

TEST(AlarmCommands, UndefinedInAProgramWithoutAlarms)
{
    tlv::remote::testing::FakeTarget target;
    ScpiSession session(target, true);
    for (const char* line : {"ALAR:ACT?", "ALAR:COUN?", "ALAR:ACK 1"}) {
        EXPECT_FALSE(session.Execute(line).has_value()) << line;
        EXPECT_EQ(Answer(session, "SYST:ERR?"), "-113,\"Undefined header\"") << line;
    }
}

} // namespace
