// The remote commands run against a fake program: answers, changes, protection and every error.
#include "FakeTarget.h"

#include "common/ProgramInfo.h"
#include "common/remote/ScpiSession.h"

#include <gtest/gtest.h>

using namespace tlv::remote;
using tlv::remote::testing::FakeTarget;

namespace {

class SessionTest : public ::testing::Test {
protected:
    // Runs a line that must answer; returns the answer.
    QByteArray Ask(const char* line)
    {
        const std::optional<QByteArray> answer = session.Execute(line);
        EXPECT_TRUE(answer.has_value()) << line;
        return answer.value_or(QByteArray());
    }
    // Runs a line that must not answer.
    void Send(const char* line) { EXPECT_FALSE(session.Execute(line).has_value()) << line; }
    // The code of the oldest error, read the way a client reads it.
    int NextErrorCode() { return Ask("SYST:ERR?").split(',').front().toInt(); }

    FakeTarget target;
    ScpiSession session{target, true};
};

} // namespace

TEST_F(SessionTest, IdentifiesTheProgramAndItsVersion)
{
    EXPECT_EQ(Ask("*IDN?"), "TLV880,FAKE,0," + tlv::PackageVersion().toUtf8());
    EXPECT_EQ(Ask("*opc?"), "1");
    EXPECT_EQ(Ask("SYSTEM:ERROR?"), "0,\"No error\"");
    EXPECT_EQ(Ask("syst:err:next?"), "0,\"No error\"");
}

TEST_F(SessionTest, AnswersReadingsInPlainDecimal)
{
    EXPECT_EQ(Ask("MEAS:SENS? 1"), "0.5,0,5000000");
    EXPECT_EQ(Ask("measure:sensor? 24"), "23.5,0.023,4999977");
    EXPECT_EQ(Ask("MEAS:OUTP? 14"), "1.25,1.3,12.5");
    EXPECT_EQ(Ask("MEAS:ANAL? 4"), "-7.5");
    EXPECT_EQ(Ask("PROC:STAT?"), "STOP");
    EXPECT_EQ(Ask("MEAS:ANAL? 1;MEAS:ANAL? 2"), "0;-2.5");
}

TEST_F(SessionTest, AnswersWhatACrystalHasLeftAndNanForWhatCannotBeTold)
{
    EXPECT_EQ(Ask("MEAS:SENS:LIFE? 1"), "12.5,250");
    EXPECT_EQ(Ask("measure:sensor:life? 2"), "12.5,NAN") << "not depositing: no time";
    EXPECT_EQ(Ask("MEAS:SENS:LIFE? 3"), "NAN,NAN") << "a failed crystal: no forecast";
    Send("MEAS:SENS:LIFE? 25");
    EXPECT_EQ(NextErrorCode(), DataOutOfRange);
}

TEST_F(SessionTest, NumbersNeverUseAnExponentOrANegativeZero)
{
    EXPECT_EQ(ScpiSession::NumberText(1e-7), "0.0000001");
    EXPECT_EQ(ScpiSession::NumberText(1.5e12), "1500000000000");
    EXPECT_EQ(ScpiSession::NumberText(-0.0), "0");
    EXPECT_EQ(ScpiSession::NumberText(0.1), "0.1");
    EXPECT_EQ(ScpiSession::NumberText(1e308).size(), 309);
}

TEST_F(SessionTest, RunsTheProcessCommands)
{
    Send("PROC:STAR");
    EXPECT_EQ(Ask("PROC:STAT?"), "RUN");
    Send("proc:hold");
    EXPECT_EQ(Ask("PROCESS:STATE?"), "HOLD");
    Send("PROC:RES");
    Send("PROC:ZERO 2");
    Send("PROC:ZERO all");
    Send("PROCESS:STOP");
    EXPECT_EQ(target.calls, (QStringList{"start", "hold", "resume", "zero 1", "zero all", "stop"}));
    EXPECT_EQ(NextErrorCode(), 0);
}

TEST_F(SessionTest, SetsAndReadsOutputSetpoints)
{
    Send("OUTP:MODE 1,AUTO");
    Send("OUTP:MODE 2,manual");
    Send("OUTPUT:MODE 13,REC");
    Send("OUTP:MODE 14,off");
    EXPECT_EQ(Ask("OUTP:MODE? 1;OUTP:MODE? 2;OUTP:MODE? 13;OUTP:MODE? 14"), "AUTO;MAN;REC;OFF");
    Send("OUTP:RATE 1,2.5");
    EXPECT_EQ(Ask("OUTP:RATE? 1"), "2.5");
    Send("OUTP:THIC 1,0.5");
    Send("OUTP:THICKNESS 2,1e1");
    Send("OUTP:POW 2,12.5");
    EXPECT_EQ(target.calls.mid(4),
              (QStringList{"rate 0 2.5", "thick 0 0.5", "thick 1 10", "power 1 12.5"}));
    EXPECT_EQ(NextErrorCode(), 0);
}

TEST_F(SessionTest, LoadsOnlyBareSetupFileNames)
{
    Send("MMEM:LOAD \"Run 1.dat\"");
    Send("MMEMORY:LOAD 'b.dat'");
    EXPECT_EQ(target.calls, (QStringList{"load Run 1.dat", "load b.dat"}));
    for (const char* line :
         {"MMEM:LOAD \"../x.dat\"", "MMEM:LOAD \"..\"", "MMEM:LOAD \".\"",
          "MMEM:LOAD \"/etc/passwd\"", "MMEM:LOAD \"sub/x.dat\"", "MMEM:LOAD \"c:x.dat\"",
          "MMEM:LOAD \"a\\\\b.dat\"", "MMEM:LOAD \"\""}) {
        Send(line);
        EXPECT_EQ(NextErrorCode(), FileNameNotFound) << line;
    }
    EXPECT_EQ(target.calls.size(), 2);
}

TEST_F(SessionTest, RunsTheRecipeCommandsInShortAndLongForm)
{
    Send("PROC:REC:LOAD \"Stack.rcp\"");
    Send("PROCESS:RECIPE:START");
    Send("proc:rec:star");
    Send("PROC:REC:ABOR");
    Send(":PROCESS:RECIPE:ABORT");
    EXPECT_EQ(target.calls, (QStringList{"recipe load Stack.rcp", "recipe start", "recipe start",
                                         "recipe abort", "recipe abort"}));
    for (const char* line : {"PROC:REC:LOAD \"../Stack.rcp\"", "PROC:REC:LOAD \"/tmp/a.rcp\"",
                             "PROC:REC:LOAD \"..\"", "PROC:REC:LOAD \"\""}) {
        Send(line);
        EXPECT_EQ(NextErrorCode(), FileNameNotFound) << line;
    }
    const std::pair<const char*, int> refused[] = {
        {"PROC:REC:LOAD Stack.rcp", SyntaxError}, {"PROC:REC:LOAD", MissingParameter},
        {"PROC:REC:STAR 1", SyntaxError},         {"PROC:REC:STA", UndefinedHeader},
        {"PROC:RECI:STAR", UndefinedHeader},      {"PROC:REC:STAR?", UndefinedHeader},
        {"PROC:REC:STAT", UndefinedHeader},       {"PROC:REC:ABOR?", UndefinedHeader},
    };
    for (const auto& [line, code] : refused) {
        Send(line);
        EXPECT_EQ(NextErrorCode(), code) << line;
    }
    EXPECT_EQ(target.calls.size(), 5);
}

TEST_F(SessionTest, RecipeStatusNamesStateLayerPhaseElapsedAndMessage)
{
    EXPECT_EQ(Ask("PROC:REC:STAT?"), "NONE,0,\"\",\"\",0,\"\"");
    target.recipe = {RecipeState::Running,
                     2,
                     QStringLiteral("Ag \"Cu\" alloy"),
                     QStringLiteral("Shutter delay"),
                     123.4499999,
                     QString()};
    EXPECT_EQ(Ask("PROCESS:RECIPE:STATE?"),
              "RUNNING,2,\"Ag \"\"Cu\"\" alloy\",\"Shutter delay\",123.4,\"\"");
    target.recipe = {
        RecipeState::Failed,       3,     QStringLiteral("Cap"),
        QStringLiteral("Deposit"), 59.96, QStringLiteral("Deposition halted.\r\nCrystal failure.")};
    EXPECT_EQ(Ask("PROC:REC:STAT?"),
              "FAILED,3,\"Cap\",\"Deposit\",60,\"Deposition halted.  Crystal failure.\"");
    target.recipe.state = RecipeState::Loaded;
    EXPECT_TRUE(Ask("PROC:REC:STAT?").startsWith("LOADED,"));
    target.recipe.state = RecipeState::Complete;
    EXPECT_TRUE(Ask("PROC:REC:STAT?;PROC:STAT?").startsWith("COMPLETE,"));
    target.recipe.state = RecipeState::Aborted;
    EXPECT_TRUE(Ask("PROC:REC:STAT?").startsWith("ABORTED,"));
    EXPECT_EQ(NextErrorCode(), 0);
}

TEST_F(SessionTest, ListsTheMaterialsAndSetsASensorsFilmByName)
{
    EXPECT_EQ(Ask("MAT:CAT?"), "\"Gold\",\"Say \"\"hi\"\"\"");
    EXPECT_EQ(Ask("material:catalog?"), Ask("MAT:CAT?"));
    EXPECT_EQ(Ask("MAT:DATA? \"gold\""), "\"Gold\",\"Au\",19.3,0.381,1");
    EXPECT_EQ(Ask("MAT:DATA? \"Say \"\"hi\"\"\""), "\"Say \"\"hi\"\"\",\"Hi\",2.2,1,0");
    EXPECT_FALSE(session.Execute("MAT:DATA? \"Lead\"").has_value());
    EXPECT_EQ(Ask("SYST:ERR?"), "-222,\"Data out of range; Unknown material \"\"Lead\"\".\"");

    Send("SENS:MAT 3,\"Gold\"");
    EXPECT_EQ(target.calls, QStringList{QStringLiteral("material 2 Gold")});
    EXPECT_EQ(NextErrorCode(), 0);
    Send("SENSOR:MATERIAL 1,\"Lead\"");
    EXPECT_EQ(NextErrorCode(), -222);
    Send("SENS:MAT 25,\"Gold\"");
    EXPECT_EQ(NextErrorCode(), -222);
    Send("SENS:MAT 1,Gold");
    EXPECT_EQ(NextErrorCode(), -102);
    Send("SENS:MAT 1");
    EXPECT_EQ(NextErrorCode(), -109);
    EXPECT_EQ(target.calls.size(), 1);
    EXPECT_EQ(Ask("SENS:MAT? 1"), "\"Gold\",19.3,0.381");
    EXPECT_EQ(Ask("SENS:MAT? 2"), "\"\",10,1");
}

TEST_F(SessionTest, ReportsEveryErrorNumberAndAnswersNothingForIt)
{
    const std::pair<const char*, int> cases[] = {
        {"MEAS:SENS? 1 2", SyntaxError},
        {"MEAS:SENS? ALL", SyntaxError},
        {"OUTP:RATE 1,fast", SyntaxError},
        {"OUTP:MODE 1,2", SyntaxError},
        {"PROC:ZERO NONE", SyntaxError},
        {"MMEM:LOAD name.dat", SyntaxError},
        {"*IDN", UndefinedHeader},
        {"PROC:STAR?", UndefinedHeader},
        {"MEAS:SENSO? 1", UndefinedHeader},
        {"MEAS:SENS:X? 1", UndefinedHeader},
        {"*RST", UndefinedHeader},
        {"OUTP:THIC? 1", UndefinedHeader},
        {"MEAS:SENS?", MissingParameter},
        {"OUTP:RATE 1", MissingParameter},
        {"MMEM:LOAD", MissingParameter},
        {"MEAS:SENS? 0", DataOutOfRange},
        {"MEAS:SENS? 25", DataOutOfRange},
        {"MEAS:OUTP? 15", DataOutOfRange},
        {"MEAS:ANAL? 5", DataOutOfRange},
        {"MEAS:OUTP? 1.5", DataOutOfRange},
        {"OUTP:MODE 1,FAST", DataOutOfRange},
        {"OUTP:RATE 1,101", DataOutOfRange},
        {"PROC:ZERO 0", DataOutOfRange},
        {"PROC:STOP;;PROC:STOP", SyntaxError},
    };
    for (const auto& [line, code] : cases) {
        const std::optional<QByteArray> answer = session.Execute(line);
        EXPECT_FALSE(answer.has_value()) << line;
        EXPECT_EQ(NextErrorCode(), code) << line;
    }
    EXPECT_EQ(Ask("SYST:ERR?"), "0,\"No error\"");
    EXPECT_EQ(target.calls, QStringList{"stop"});
}

TEST_F(SessionTest, CarriesTheProgramsMessageAfterTheStandardText)
{
    Send("OUTP:RATE 1,500");
    EXPECT_EQ(Ask("SYST:ERR?"), "-222,\"Data out of range; Rate must be between 0 and 100 !\"");
    Send("MEAS:SENS? 30");
    EXPECT_EQ(Ask("SYST:ERR?"), "-222,\"Data out of range; Sensors are 1 to 24\"");
    target.refuse = SettingsConflict;
    Send("PROC:HOLD");
    EXPECT_EQ(Ask("SYST:ERR?"), "-221,\"Settings conflict\"");
}

TEST_F(SessionTest, StopsALineAtItsFirstFailure)
{
    // The change after the failing command must not run.
    EXPECT_EQ(Ask("PROC:STAT?;MEAS:SENS? 99;PROC:STAR"), "STOP");
    EXPECT_TRUE(target.calls.isEmpty());
    EXPECT_EQ(NextErrorCode(), DataOutOfRange);
    Send("");
    Send("   ");
    EXPECT_EQ(NextErrorCode(), 0);
}

TEST_F(SessionTest, ClearStatusEmptiesTheQueueAndOverflowIsReported)
{
    for (int i = 0; i < 40; ++i)
        Send("NOPE");
    Send("*CLS");
    EXPECT_EQ(NextErrorCode(), 0);
    for (int i = 0; i < 40; ++i)
        Send("NOPE");
    for (int i = 0; i < ErrorQueue::kCapacity - 1; ++i)
        EXPECT_EQ(NextErrorCode(), UndefinedHeader);
    EXPECT_EQ(NextErrorCode(), QueueOverflow);
    session.LineTooLong();
    EXPECT_EQ(NextErrorCode(), SyntaxError);
}

TEST(SessionProtection, RefusesChangesWithoutControlButAnswersQueries)
{
    FakeTarget target;
    ScpiSession session(target, false);
    for (const char* line :
         {"PROC:STAR", "PROC:STOP", "PROC:HOLD", "PROC:RES", "PROC:ZERO ALL", "OUTP:MODE 1,AUTO",
          "OUTP:RATE 1,1", "OUTP:THIC 1,1", "OUTP:POW 1,1", "MMEM:LOAD \"a.dat\"",
          "PROC:REC:LOAD \"a.rcp\"", "PROC:REC:STAR", "PROC:REC:ABOR", "SENS:MAT 1,\"Gold\""}) {
        EXPECT_FALSE(session.Execute(line).has_value());
        EXPECT_TRUE(session.Execute("SYST:ERR?")->startsWith("-203,\"Command protected")) << line;
    }
    EXPECT_TRUE(target.calls.isEmpty());
    EXPECT_EQ(session.Execute("OUTP:RATE? 1"), QByteArray("0"));
    EXPECT_EQ(session.Execute("PROC:STAT?"), QByteArray("STOP"));
    EXPECT_TRUE(session.Execute("PROC:REC:STAT?")->startsWith("NONE,"));
    EXPECT_EQ(session.Execute("MAT:CAT?")->split(',').front(), QByteArray("\"Gold\""));
}

TEST(SessionProtection, AProgramWithoutControlHasNoChangingCommands)
{
    FakeTarget target;
    target.controls = false;
    ScpiSession session(target, true);
    EXPECT_FALSE(session.Execute("PROC:STAR").has_value());
    EXPECT_EQ(session.Execute("SYST:ERR?"), QByteArray("-113,\"Undefined header\""));
    EXPECT_TRUE(target.calls.isEmpty());
}

TEST(SessionProtection, AnEmptyTargetAnswersUndefinedHeaderForEverything)
{
    struct Bare : RemoteTarget {
        QString Model() const override { return QStringLiteral("BARE"); }
    } bare;
    ScpiSession session(bare, true);
    for (const char* line : {"MEAS:SENS? 1", "MEAS:OUTP? 1", "MEAS:ANAL? 1", "PROC:STAT?",
                             "OUTP:MODE? 1", "OUTP:RATE? 1", "OUTP:POW? 1", "PROC:REC:STAT?",
                             "MAT:CAT?", "MAT:DATA? \"Gold\"", "SENS:MAT? 1"}) {
        EXPECT_FALSE(session.Execute(line).has_value()) << line;
        EXPECT_EQ(session.Execute("SYST:ERR?"), QByteArray("-113,\"Undefined header\"")) << line;
    }
    EXPECT_EQ(session.Execute("*IDN?")->split(',')[1], "BARE");
}
