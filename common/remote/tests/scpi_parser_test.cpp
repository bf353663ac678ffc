// Line framing, unit parsing and the error queue of the remote interface.
#include "common/remote/LineFramer.h"
#include "common/remote/RemoteOptions.h"
#include "common/remote/ScpiErrors.h"
#include "common/remote/ScpiParser.h"

#include <gtest/gtest.h>

using namespace tlv::remote;

namespace {

QList<QByteArray> Texts(const QList<FramedLine>& lines)
{
    QList<QByteArray> texts;
    for (const FramedLine& line : lines)
        texts.append(line.tooLong ? QByteArray("<long>") : line.text);
    return texts;
}

ScpiUnit Parsed(const char* text)
{
    ScpiUnit unit;
    EXPECT_TRUE(ParseUnit(text, unit).ok()) << text;
    return unit;
}

int ParseError(const char* text)
{
    ScpiUnit unit;
    return ParseUnit(text, unit).code;
}

} // namespace

TEST(LineFramer, CutsAtLineFeedAndDropsCarriageReturnBeforeIt)
{
    LineFramer framer;
    EXPECT_EQ(Texts(framer.Feed(QByteArray("*IDN?\nSYST:ERR?\r\n\nA\rB\n"))),
              (QList<QByteArray>{"*IDN?", "SYST:ERR?", "", "A\rB"}));
    EXPECT_EQ(framer.Pending(), 0);
}

TEST(LineFramer, JoinsALineSentInPiecesAndHoldsTheUnfinishedRest)
{
    LineFramer framer;
    EXPECT_TRUE(framer.Feed(QByteArray("MEAS:")).isEmpty());
    EXPECT_TRUE(framer.Feed(QByteArray("SENS? 1\r")).isEmpty());
    EXPECT_EQ(Texts(framer.Feed(QByteArray("\nPROC"))), QList<QByteArray>{"MEAS:SENS? 1"});
    EXPECT_EQ(framer.Pending(), 4);
}

TEST(LineFramer, TakesALineOfExactlyTheLimitWithEitherLineEnd)
{
    const QByteArray longest(LineFramer::kMaxLineBytes, 'x');
    LineFramer framer;
    EXPECT_EQ(Texts(framer.Feed(longest + "\n")), QList<QByteArray>{longest});
    EXPECT_EQ(Texts(framer.Feed(longest + "\r\n")), QList<QByteArray>{longest});
    // The CR of a CR LF split from its LF does not count against the line.
    EXPECT_TRUE(framer.Feed(longest + "\r").isEmpty());
    EXPECT_EQ(Texts(framer.Feed(QByteArray("\n"))), QList<QByteArray>{longest});
}

TEST(LineFramer, RefusesALongerLineOnceAndDiscardsItToItsEnd)
{
    LineFramer framer;
    EXPECT_EQ(Texts(framer.Feed(QByteArray(LineFramer::kMaxLineBytes + 1, 'x') + "\n*IDN?\n")),
              (QList<QByteArray>{"<long>", "*IDN?"}));

    // Refused as soon as it passes the limit, before its end arrives; nothing of it is kept.
    EXPECT_EQ(Texts(framer.Feed(QByteArray(600, 'a'))).size(), 0);
    EXPECT_EQ(Texts(framer.Feed(QByteArray(600, 'a'))), QList<QByteArray>{"<long>"});
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(framer.Feed(QByteArray(1000, 'b')).isEmpty());
    EXPECT_EQ(framer.Pending(), 0);
    EXPECT_EQ(Texts(framer.Feed(QByteArray("tail\nPROC:STAT?\n"))),
              QList<QByteArray>{"PROC:STAT?"});
}

TEST(ScpiParser, ReadsHeadersInEitherFormAndAnyCase)
{
    const ScpiUnit measure = Parsed("  meas:Sens? 3 ");
    EXPECT_FALSE(measure.common);
    EXPECT_TRUE(measure.query);
    EXPECT_EQ(measure.headers, (QList<QByteArray>{"MEAS", "SENS"}));
    ASSERT_EQ(measure.parameters.size(), 1);
    EXPECT_EQ(measure.parameters[0].number, 3.0);

    const ScpiUnit common = Parsed("*idn?");
    EXPECT_TRUE(common.common);
    EXPECT_EQ(common.headers, QList<QByteArray>{"IDN"});
    EXPECT_EQ(Parsed(":PROC:STAR").headers, (QList<QByteArray>{"PROC", "STAR"}));

    EXPECT_TRUE(MatchesMnemonic("SENS", "SENSor"));
    EXPECT_TRUE(MatchesMnemonic("SENSOR", "SENSor"));
    EXPECT_FALSE(MatchesMnemonic("SENSO", "SENSor"));
    EXPECT_FALSE(MatchesMnemonic("SEN", "SENSor"));
    EXPECT_TRUE(MatchesMnemonic("THIC", "THICkness"));
    EXPECT_TRUE(MatchesMnemonic("THICKNESS", "THICkness"));
}

TEST(ScpiParser, ReadsNumbersWordsAndQuotedStrings)
{
    const ScpiUnit unit = Parsed("X 1, -2.5e1 ,+.5,3.,auto,\"a \"\"b\"\" ; c\",'it''s'");
    ASSERT_EQ(unit.parameters.size(), 7);
    EXPECT_EQ(unit.parameters[0].number, 1.0);
    EXPECT_EQ(unit.parameters[1].number, -25.0);
    EXPECT_EQ(unit.parameters[2].number, 0.5);
    EXPECT_EQ(unit.parameters[3].number, 3.0);
    EXPECT_EQ(unit.parameters[4].kind, ScpiParameter::Kind::Word);
    EXPECT_EQ(unit.parameters[4].word, "AUTO");
    EXPECT_EQ(unit.parameters[5].string, QStringLiteral("a \"b\" ; c"));
    EXPECT_EQ(unit.parameters[6].string, QStringLiteral("it's"));
}

TEST(ScpiParser, RefusesMalformedUnitsAsSyntaxErrors)
{
    for (const char* bad : {"",           "?",           "*",           "*?",      "*ID1?",
                            ":",          "MEAS::SENS?", "MEAS:SENS??", "MEAS:?",  "1MEAS",
                            "ME-AS",      "X 1,",        "X ,1",        "X 1,,2",  "X 1e",
                            "X .",        "X 0x10",      "X nan()",     "X 1.2.3", "X -",
                            "X \"open",   "X \"a\"b",    "X 'a\"",      "X 1 2",   "X \x01",
                            "X \"\x7f\"", "X 1e999"})
        EXPECT_EQ(ParseError(bad), SyntaxError) << bad;
}

TEST(ScpiParser, SplitsUnitsAtSemicolonsOutsideQuotes)
{
    EXPECT_EQ(SplitUnits("*CLS; MEAS:SENS? 1 ;X \"a;b\""),
              (QList<QByteArray>{"*CLS", "MEAS:SENS? 1", "X \"a;b\""}));
    EXPECT_EQ(SplitUnits("A;;B").size(), 3);
}

TEST(ErrorQueue, GivesErrorsOldestFirstThenNoError)
{
    ErrorQueue queue;
    EXPECT_EQ(queue.PopFormatted(), "0,\"No error\"");
    queue.Push(Outcome::Error(UndefinedHeader));
    queue.Push(Outcome::Error(DataOutOfRange, QStringLiteral("Rate must be \"between\"\n0")));
    queue.Push(Outcome::Ok());
    EXPECT_EQ(queue.Size(), 2);
    EXPECT_EQ(queue.PopFormatted(), "-113,\"Undefined header\"");
    EXPECT_EQ(queue.PopFormatted(), "-222,\"Data out of range; Rate must be \"\"between\"\" 0\"");
    EXPECT_EQ(queue.PopFormatted(), "0,\"No error\"");
}

TEST(ErrorQueue, EndsAFullQueueWithQueueOverflowAndDropsLaterErrors)
{
    ErrorQueue queue;
    for (int i = 0; i < ErrorQueue::kCapacity + 5; ++i)
        queue.Push(Outcome::Error(SyntaxError));
    EXPECT_EQ(queue.Size(), ErrorQueue::kCapacity);
    for (int i = 0; i < ErrorQueue::kCapacity - 1; ++i)
        EXPECT_EQ(queue.PopFormatted(), "-102,\"Syntax error\"");
    EXPECT_EQ(queue.PopFormatted(), "-350,\"Queue overflow\"");
    EXPECT_EQ(queue.PopFormatted(), "0,\"No error\"");

    // Once read, there is room again.
    queue.Push(Outcome::Error(MissingParameter));
    EXPECT_EQ(queue.PopFormatted(), "-109,\"Missing parameter\"");
}

TEST(ErrorQueue, TextsOfEveryNumber)
{
    const std::pair<int, const char*> texts[] = {{SyntaxError, "Syntax error"},
                                                 {MissingParameter, "Missing parameter"},
                                                 {UndefinedHeader, "Undefined header"},
                                                 {CommandProtected, "Command protected"},
                                                 {SettingsConflict, "Settings conflict"},
                                                 {DataOutOfRange, "Data out of range"},
                                                 {FileNameNotFound, "File name not found"},
                                                 {QueueOverflow, "Queue overflow"},
                                                 {NoError, "No error"}};
    for (const auto& [code, text] : texts)
        EXPECT_STREQ(ScpiErrorText(code), text);
}

TEST(RemoteOptions, ReadsAddressAndPortWithTheLoopbackAsDefault)
{
    RemoteEndpoint endpoint;
    QString error;
    ASSERT_TRUE(ParseEndpoint(QStringLiteral("5025"), endpoint, error));
    EXPECT_EQ(endpoint.address, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(endpoint.port, 5025);
    ASSERT_TRUE(ParseEndpoint(QStringLiteral("0.0.0.0:0"), endpoint, error));
    EXPECT_EQ(endpoint.address, QHostAddress(QHostAddress::AnyIPv4));
    EXPECT_EQ(endpoint.port, 0);
    ASSERT_TRUE(ParseEndpoint(QStringLiteral("[::1]:65535"), endpoint, error));
    EXPECT_EQ(endpoint.address, QHostAddress(QHostAddress::LocalHostIPv6));
    ASSERT_TRUE(ParseEndpoint(QStringLiteral("localhost:7"), endpoint, error));
    EXPECT_EQ(endpoint.address, QHostAddress(QHostAddress::LocalHost));

    for (const char* bad : {"", "65536", "-1", "+5", "port", "1.2.3.4.5:80", "host.example:80",
                            "::1:80", "[::1]80", "127.0.0.1:"}) {
        error.clear();
        EXPECT_FALSE(ParseEndpoint(QString::fromLatin1(bad), endpoint, error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
}

TEST(RemoteOptions, TakesItsOptionsAndLeavesTheRest)
{
    QStringList arguments{"coflux",      "--headless",       "--remote",
                          "127.0.0.1:0", "--remote-control", "x"};
    RemoteOptions options = TakeRemoteOptions(arguments);
    EXPECT_TRUE(options.enabled);
    EXPECT_TRUE(options.control);
    EXPECT_TRUE(options.error.isEmpty());
    EXPECT_EQ(arguments, (QStringList{"coflux", "--headless", "x"}));

    arguments = {"coflux", "--remote=6000"};
    options = TakeRemoteOptions(arguments);
    EXPECT_EQ(options.endpoint.port, 6000);
    EXPECT_FALSE(options.control);

    arguments = {"coflux", "--remote"};
    EXPECT_FALSE(TakeRemoteOptions(arguments).error.isEmpty());
    arguments = {"coflux", "--remote-control"};
    EXPECT_FALSE(TakeRemoteOptions(arguments).error.isEmpty()) << "control without a server";
    arguments = {"coflux", "--remote", "99999"};
    EXPECT_FALSE(TakeRemoteOptions(arguments).error.isEmpty());
}
