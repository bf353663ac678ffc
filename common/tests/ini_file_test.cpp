#include "common/IniDocument.h"
#include "common/cIniFile.h"

#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using testfiles::read;
using testfiles::write;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    // Writes `bytes` to a file in the temporary folder and selects it.
    QString select(const QByteArray& bytes, const QString& name = QStringLiteral("setup.dat"))
    {
        QString path = dir.filePath(name);
        write(path, bytes);
        ini.setIniFile(path);
        return path;
    }

    QTemporaryDir dir;
    cIniFile ini;
};

TEST_F(IniFileTest, SelectsOnlyFilesThatExist)
{
    ini.setIniFile(dir.filePath(QStringLiteral("missing.dat")));
    EXPECT_EQ(ini.IniFile(), QString());
    ini.setIniFile(dir.path()); // a folder is not a file
    EXPECT_EQ(ini.IniFile(), QString());
    const QString path = select("");
    EXPECT_EQ(ini.IniFile(), path);
    ini.setIniFile(QStringLiteral("no-such-file.dat"));
    EXPECT_EQ(ini.IniFile(), QString()) << "a failed selection clears the previous one";
}

TEST_F(IniFileTest, NoFileSelectedGivesDefaultsAndRefusesWrites)
{
    EXPECT_EQ(ini.ReadIniStr("Card", "LogFile", "TLV880.LOG"), "TLV880.LOG");
    EXPECT_EQ(ini.ReadIniInt("Card", "Filter", 4), 4);
    EXPECT_FLOAT_EQ(ini.ReadIniSingle("Card", "Period", 2.5f), 2.5f);
    EXPECT_TRUE(ini.ReadIniBool("Card", "Log", "yes"));
    EXPECT_EQ(ini.WriteIniStr("Card", "Filter", "4"), 0);
}

TEST_F(IniFileTest, NamesCompareWithoutCaseAndBlanksAroundKeysAndValuesGo)
{
    select("[card]\r\n  logenabled   =   1  \r\n\tLOGFILE=\t my log.txt \t\r\n[ Sensor1 ]\r\n"
           "DENSITY=10.5\r\n");
    EXPECT_EQ(ini.ReadIniInt("Card", "LogEnabled", 0), 1);
    EXPECT_EQ(ini.ReadIniStr("CARD", "LogFile", ""), "my log.txt");
    EXPECT_DOUBLE_EQ(ini.ReadIniDouble("sensor1", "Density", 0), 10.5);
    EXPECT_DOUBLE_EQ(ini.ReadIniDouble(" Sensor1 ", " density ", 0), 10.5);
}

TEST_F(IniFileTest, QuotesAroundAValueAreRemovedOnlyInPairs)
{
    select("[S]\na=\"quoted\"\nb='single'\nc=\"open\nd=\" padded \"\ne=\"\"\nf=\"mixed'\n");
    EXPECT_EQ(ini.ReadIniStr("S", "a", ""), "quoted");
    EXPECT_EQ(ini.ReadIniStr("S", "b", ""), "single");
    EXPECT_EQ(ini.ReadIniStr("S", "c", ""), "\"open");
    EXPECT_EQ(ini.ReadIniStr("S", "d", ""), " padded ");
    EXPECT_EQ(ini.ReadIniStr("S", "e", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadIniStr("S", "f", ""), "\"mixed'");
}

TEST_F(IniFileTest, BooleanValues)
{
    select("[S]\nlower=yes\nblank=\" on\"\ntwo=2\nT=TRUE\nOn=on\nOne=1\nNo=no\nEmpty=\n");
    EXPECT_TRUE(ini.ReadIniBool("S", "lower", "0"));
    EXPECT_FALSE(ini.ReadIniBool("S", "blank", "1")) << "a leading blank is not ON";
    EXPECT_FALSE(ini.ReadIniBool("S", "two", "1"));
    EXPECT_TRUE(ini.ReadIniBool("S", "T", "0"));
    EXPECT_TRUE(ini.ReadIniBool("S", "On", "0"));
    EXPECT_TRUE(ini.ReadIniBool("S", "One", "0"));
    EXPECT_FALSE(ini.ReadIniBool("S", "No", "1"));
    EXPECT_FALSE(ini.ReadIniBool("S", "Empty", "1")) << "an empty value is not the default";
    EXPECT_TRUE(ini.ReadIniBool("S", "Missing", "True"));
    EXPECT_TRUE(ini.ReadIniBool("S", "Missing", "on  ")) << "trailing blanks of a default go";
    EXPECT_FALSE(ini.ReadIniBool("S", "Missing", " on"));
    EXPECT_FALSE(ini.ReadIniBool("S", "Missing", ""));
}

TEST_F(IniFileTest, CommaSeparatedFields)
{
    select("[S]\nabc=a,b,c\nspaced=a, b ,c\ntrailing=a,b,\n");
    EXPECT_EQ(ini.ReadIniStr("S", "abc", "", 0), "a,b,c");
    EXPECT_EQ(ini.ReadIniStr("S", "abc", "", 1), "a");
    EXPECT_EQ(ini.ReadIniStr("S", "abc", "", 2), "b");
    EXPECT_EQ(ini.ReadIniStr("S", "abc", "", 3), "c");
    EXPECT_EQ(ini.ReadIniStr("S", "abc", "", 7), "c");
    EXPECT_EQ(ini.ReadIniStr("S", "spaced", "", 2), " b ");
    EXPECT_EQ(ini.ReadIniStr("S", "trailing", "", 3), "");
    // A missing key picks the field from the default.
    EXPECT_EQ(ini.ReadIniStr("S", "Freq", "6.000,4.000,5.000,1", 2), "4.000");
    EXPECT_EQ(ini.ReadIniStr("S", "Freq", "6.000,4.000,5.000,1", 9), "1");
}

TEST_F(IniFileTest, NumbersReadFromTheStartOfTheValue)
{
    select("[S]\nunit=12.5 mm\nletters=abc\nempty=\nint=12abc\nneg=-1\nbig=70000\n"
           "huge=1e39\nlong=4294967295\nplus=+7\n");
    EXPECT_FLOAT_EQ(ini.ReadIniSingle("S", "unit", 0), 12.5f);
    EXPECT_FLOAT_EQ(ini.ReadIniSingle("S", "letters", 3), 0.0f);
    EXPECT_FLOAT_EQ(ini.ReadIniSingle("S", "empty", 3), 3.0f);
    EXPECT_FLOAT_EQ(ini.ReadIniSingle("S", "missing", 2.5f), 2.5f);
    EXPECT_FLOAT_EQ(ini.ReadIniSingle("S", "huge", 1), 0.0f) << "beyond a single: 0";
    EXPECT_DOUBLE_EQ(ini.ReadIniDouble("S", "huge", 1), 1e39);

    EXPECT_EQ(ini.ReadIniInt("S", "int", 0), 12);
    EXPECT_EQ(ini.ReadIniInt("S", "neg", 0), -1);
    EXPECT_EQ(ini.ReadIniInt("S", "letters", 5), 0);
    EXPECT_EQ(ini.ReadIniInt("S", "empty", 5), 5);
    EXPECT_EQ(ini.ReadIniInt("S", "missing", 5), 5);
    EXPECT_EQ(ini.ReadIniInt("S", "big", 5), 0) << "beyond 16 bits: 0";
    EXPECT_EQ(ini.ReadIniInt("S", "plus", 0), 7);
    EXPECT_EQ(ini.ReadIniLong("S", "big", 0), 70000);
    EXPECT_EQ(ini.ReadIniLong("S", "long", 0), -1) << "32-bit pattern";
}

TEST_F(IniFileTest, ValuesAreCutAt254CharactersAndAtANul)
{
    const QByteArray longValue(300, 'x');
    select("[S]\nlong=" + longValue + "\nnul=ab" + QByteArray(1, '\0') + "cd\n");
    EXPECT_EQ(ini.ReadIniStr("S", "long", "").size(), 254);
    EXPECT_EQ(ini.ReadIniStr("S", "nul", ""), "ab");
    EXPECT_EQ(ini.ReadIniStr("S", "missing", QString(300, 'd')).size(), 254);
}

TEST_F(IniFileTest, FirstSectionAndKeyWinAndOddLinesGiveDefaults)
{
    select("orphan=1\n[ ]\nblank=b\n[A] ; heading "
           "[x]\nk=first\nk=second\nnoequals\n;comment=3\n[B]\nx=1\n[broken\n"
           "after=1\n[a]\nonly=here\n");
    EXPECT_EQ(ini.ReadIniStr("", "orphan", "d"), "d");
    EXPECT_EQ(ini.ReadIniStr("A", "k", ""), "first") << "text after ']' does not count";
    EXPECT_EQ(ini.ReadIniStr("", "blank", "d"), "b") << "a section may have an empty name";
    EXPECT_EQ(ini.ReadIniStr("A", "noequals", "d"), "d");
    EXPECT_EQ(ini.ReadIniStr("A", "comment", "d"), "d");
    EXPECT_EQ(ini.ReadIniStr("A", "only", "d"), "d") << "a repeated section is not consulted";
    EXPECT_EQ(ini.ReadIniStr("B", "after", "d"), "1") << "'[broken' is a key line of [B]";
    EXPECT_EQ(ini.ReadIniStr("B", "", "d"), "d");
}

TEST_F(IniFileTest, WriteReplacesOneLineAndKeepsEveryOtherByte)
{
    const QByteArray before = "; setup of the co-deposition controller\r\n"
                              "[Card]\r\n"
                              "LogEnabled = 0   \r\n"
                              "  XRate=1 ; cross rate\r\n"
                              "\r\n"
                              "[OUTPUT1]\r\n"
                              "Name=Gold\r\n";
    const QString path = select(before);
    ASSERT_NE(ini.WriteIniStr("card", "logenabled", "1"), 0);
    EXPECT_EQ(read(path), QByteArray("; setup of the co-deposition controller\r\n"
                                     "[Card]\r\n"
                                     "LogEnabled=1\r\n"
                                     "  XRate=1 ; cross rate\r\n"
                                     "\r\n"
                                     "[OUTPUT1]\r\n"
                                     "Name=Gold\r\n"));
    EXPECT_EQ(ini.ReadIniStr("Card", "XRate", ""), "1 ; cross rate");
}

TEST_F(IniFileTest, WriteAddsKeysAfterTheSectionsLastLineAndNewSectionsAtTheEnd)
{
    const QString path = select("[Card]\nFilter=4\n\n[SENSOR1]\nDensity=10");
    ASSERT_NE(ini.WriteIniStr("Card", "Period", ".25"), 0);
    ASSERT_NE(ini.WriteIniStr("SENSOR1", "Zfactor", "1.000"), 0);
    ASSERT_NE(ini.WriteIniStr("ANALOG1", "Units", "Volts"), 0);
    EXPECT_EQ(read(path), QByteArray("[Card]\nFilter=4\nPeriod=.25\n\n[SENSOR1]\nDensity=10\n"
                                     "Zfactor=1.000\n[ANALOG1]\nUnits=Volts\n"));
    EXPECT_EQ(ini.ReadIniStr("sensor1", "ZFACTOR", ""), "1.000");
}

TEST_F(IniFileTest, WriteIntoAnEmptyFileAndRoundTripOfEveryKind)
{
    const QString path = select("");
    ASSERT_NE(ini.WriteIniStr("OUTPUT13", "Name", "Output 13"), 0);
    ASSERT_NE(ini.WriteIniStr("OUTPUT13", "Thick", "100.000"), 0);
    ASSERT_NE(ini.WriteIniStr("OUTPUT13", "Monitor", "1"), 0);
    ASSERT_NE(ini.WriteIniStr("OUTPUT13", "Units", "kÅ/s"), 0);
    EXPECT_EQ(ini.ReadIniStr("Output13", "Name", ""), "Output 13");
    EXPECT_FLOAT_EQ(ini.ReadIniSingle("Output13", "Thick", 0), 100.0f);
    EXPECT_TRUE(ini.ReadIniBool("Output13", "Monitor", "0"));
    EXPECT_EQ(ini.ReadIniStr("Output13", "Units", ""), "kÅ/s");

    cIniFile other; // a second reader sees the same file
    other.setIniFile(path);
    EXPECT_EQ(other.ReadIniStr("OUTPUT13", "Units", ""), "kÅ/s");
}

TEST_F(IniFileTest, WriteKeepsLineBreaksByteOrderMarkAndForeignBytes)
{
    const QByteArray latin1 = "\xEF\xBB\xBF[S]\r\nname=M\xFCller\r\n"; // BOM, then Latin-1
    const QString path = select(latin1);
    EXPECT_EQ(ini.ReadIniStr("S", "name", ""), QString::fromLatin1("M\xFCller"));
    ASSERT_NE(ini.WriteIniStr("S", "k", "v"), 0);
    EXPECT_EQ(read(path), latin1 + "k=v\r\n");
}

TEST_F(IniFileTest, OldCodePageFilesStayInTheirCodePageUntilTheyCannotHoldAValue)
{
    const QString path = select("[S]\r\nname=Ti\x96Ox \x80\r\n");
    EXPECT_EQ(ini.ReadIniStr("S", "name", ""), QString::fromUtf8("Ti–Ox €"));
    ASSERT_NE(ini.WriteIniStr("S", "dash", QString::fromUtf8("a—b")), 0);
    EXPECT_EQ(read(path), QByteArray("[S]\r\nname=Ti\x96Ox \x80\r\ndash=a\x97"
                                     "b\r\n"));
    ASSERT_NE(ini.WriteIniStr("S", "units", QString::fromUtf8("Å/s µg 膜")), 0);
    EXPECT_EQ(QString::fromUtf8(read(path)),
              QString::fromUtf8("[S]\r\nname=Ti–Ox €\r\ndash=a—b\r\nunits=Å/s µg 膜\r\n"));
    EXPECT_EQ(ini.ReadIniStr("S", "name", ""), QString::fromUtf8("Ti–Ox €"));
}

TEST_F(IniFileTest, ValuesThatWouldBreakTheFileAreMadeSafe)
{
    const QString path = select("[S]\n");
    ASSERT_NE(ini.WriteIniStr("S", "name", "two\nlines\r\n[Evil]\nx=1"), 0);
    EXPECT_EQ(ini.ReadIniStr("S", "name", ""), "two lines  [Evil] x=1");
    EXPECT_EQ(ini.ReadIniStr("Evil", "x", "none"), "none");
    EXPECT_EQ(ini.WriteIniStr("S", "a=b", "1"), 0);
    EXPECT_EQ(ini.WriteIniStr("S", "", "1"), 0);
    EXPECT_EQ(ini.WriteIniStr("S]x", "k", "1"), 0);
    EXPECT_EQ(ini.WriteIniStr("S", "[k]", "1"), 0);
    EXPECT_EQ(read(path), QByteArray("[S]\nname=two lines  [Evil] x=1\n"));
}

// A text file may carry a stray control character or two (pasted from a terminal, say); it
// loads, and it must still load after the program shortened a long value in it.
TEST_F(IniFileTest, StrayControlCharactersNeverMakeAWrittenFileUnreadable)
{
    const QByteArray note = "; pasted \x01 note \x02\n";
    const QByteArray longValue(300, 'x');
    const QString path = select(note + "[S]\nName=" + longValue + "\nk=5\n");
    ASSERT_EQ(ini.LoadError(), QString());
    ASSERT_NE(ini.WriteIniStr("S", "Name", "a"), 0);
    EXPECT_EQ(read(path), note + "[S]\nName=a\nk=5\n");
    EXPECT_EQ(tlv::IniDocument::fromBytes(read(path)).problem(),
              tlv::IniDocument::LoadResult::Loaded);
    cIniFile again;
    again.setIniFile(path);
    EXPECT_EQ(again.ReadIniInt("S", "k", 7), 5);
    EXPECT_EQ(again.LoadError(), QString());

    // Many control characters on few lines is still binary content, refused.
    select("[S]\nk=5\x01\x02\x03\x04\n");
    EXPECT_EQ(ini.ReadIniInt("S", "k", 7), 7);
    EXPECT_EQ(ini.LoadError(), QStringLiteral("setup.dat is not a text file."));
}
TEST_F(IniFileTest, WriteReplacesTheFileAtomically)
{
    const QString path = select("[S]\nold=1\n");
    QFile held(path); // a reader that opened the old file keeps seeing it whole
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);

    ASSERT_NE(ini.WriteIniStr("S", "new", "2"), 0);
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "a new file was renamed over the old one";
    EXPECT_EQ(held.readAll(), QByteArray("[S]\nold=1\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"setup.dat"})
        << "no temporary file is left behind";
}

TEST_F(IniFileTest, FailedWriteReportsZeroAndChangesNothing)
{
    const QString sub = dir.filePath(QStringLiteral("gone"));
    QDir().mkpath(sub);
    write(sub + "/setup.dat", "[S]\n");
    ini.setIniFile(sub + "/setup.dat");
    ASSERT_TRUE(QDir(sub).removeRecursively());
    EXPECT_EQ(ini.WriteIniStr("S", "k", "v"), 0);
    EXPECT_FALSE(QFileInfo::exists(sub));
}

TEST_F(IniFileTest, SeesChangesMadeByOthersBetweenReads)
{
    const QString path = select("[S]\nk=1\n");
    EXPECT_EQ(ini.ReadIniInt("S", "k", 0), 1);
    write(path, "[S]\nk=22\n");
    EXPECT_EQ(ini.ReadIniInt("S", "k", 0), 22);
}

TEST_F(IniFileTest, RefusedFilesReadAsEmptyAreNamedAndAreNeverReplaced)
{
    QByteArray noise(64 * 1024, '\0');
    QRandomGenerator random(880);
    for (char& c : noise)
        c = char(random.bounded(256));
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* message;
    };
    const Case cases[] = {
        {"noise.dat", noise + "\n[S]\nk=5\n", "noise.dat is not a text file."},
        {"nul.dat", QByteArray("[Card]\nk=5\n[Se\0t]\nk=5\n", 22),
         "nul.dat is damaged: a section name holds a NUL character."},
        {"notes.dat", "Shopping list\nk=5\n", "notes.dat is not a setup file: it has no section."},
        {"odd16.dat", QByteArray("\xFF\xFE[\0S\0]", 7), "odd16.dat is not a text file."},
        {"huge.dat", "[S]\nk=5\n" + QByteArray(tlv::IniDocument::MaxFileSize, 'x'),
         "huge.dat is too large for a setup file (more than 4 MB)."},
        {"lines.dat", "[S]\nk=5\n" + QByteArray(tlv::IniDocument::MaxLines, '\n'),
         "lines.dat is too large for a setup file (more than 4 MB)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = select(c.bytes, QString::fromLatin1(c.name));
        EXPECT_EQ(ini.ReadIniInt("S", "k", 7), 7);
        EXPECT_EQ(ini.ReadIniInt("Card", "k", 7), 7);
        EXPECT_EQ(ini.LoadError(), QString::fromLatin1(c.message));
        EXPECT_EQ(ini.WriteIniStr("S", "k", "1"), 0);
        EXPECT_EQ(read(path), c.bytes) << "the refused file is untouched";
    }
}

TEST_F(IniFileTest, FilesThatAreTextReadWithoutComplaint)
{
    select("; comment before the first section\n# another\n\n[S]\nk=5\n");
    EXPECT_EQ(ini.ReadIniInt("S", "k", 0), 5);
    EXPECT_EQ(ini.LoadError(), QString());
    select("", QStringLiteral("empty.dat")); // a new, empty setup file is written into
    EXPECT_EQ(ini.LoadError(), QString());
    EXPECT_NE(ini.WriteIniStr("S", "k", "1"), 0);
    ini.setIniFile(dir.filePath(QStringLiteral("missing.dat")));
    EXPECT_EQ(ini.LoadError(), QString());
}

TEST_F(IniFileTest, Utf16FilesWithAByteOrderMarkAreReadAndWrittenInUtf16)
{
    const QString text =
        QString::fromUtf8("[Card]\r\nName=Gold Å\r\n[Sensor1]\r\nDensity=19.3\r\n");
    for (const bool little : {true, false}) {
        SCOPED_TRACE(little ? "little endian" : "big endian");
        QStringEncoder encoder(little ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE);
        const QByteArray bom = little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        const QString path = select(bom + QByteArray(encoder.encode(text)));
        EXPECT_EQ(ini.ReadIniStr("Card", "Name", ""), QString::fromUtf8("Gold Å"));
        EXPECT_DOUBLE_EQ(ini.ReadIniDouble("Sensor1", "Density", 0), 19.3);
        EXPECT_EQ(ini.LoadError(), QString());
        ASSERT_NE(ini.WriteIniStr("Sensor1", "Tooling", "100.0"), 0);
        const QString written = text + QStringLiteral("Tooling=100.0\r\n");
        EXPECT_EQ(read(path), bom + QByteArray(encoder.encode(written)));
    }
}

TEST_F(IniFileTest, Utf16TextBeginningWithAZeroWidthSpaceKeepsIt)
{
    // Byte-order mark, then U+FEFF as the text's first character (found by fuzzing): writing
    // the document back must not take the character for a second mark and drop it.
    QStringEncoder encoder(QStringEncoder::Utf16BE);
    const QByteArray bytes =
        QByteArray("\xFE\xFF") + QByteArray(encoder.encode(QStringLiteral("\uFEFFx\n[S]\nk=1\n")));
    EXPECT_EQ(tlv::IniDocument::fromBytes(bytes).toBytes(), bytes);
}

TEST_F(IniFileTest, CarriageReturnsAloneEndLines)
{
    const QString path = select("[Card]\rFilter=4\rPeriod=.25\r\r[Sensor1]\rDensity=10\r");
    EXPECT_EQ(ini.ReadIniInt("Card", "Filter", 0), 4);
    EXPECT_EQ(ini.ReadIniStr("Card", "Period", ""), ".25");
    EXPECT_DOUBLE_EQ(ini.ReadIniDouble("Sensor1", "Density", 0), 10);
    ASSERT_NE(ini.WriteIniStr("Card", "Filter", "8"), 0);
    ASSERT_NE(ini.WriteIniStr("Card", "Log", "1"), 0);
    EXPECT_EQ(read(path),
              QByteArray("[Card]\rFilter=8\rPeriod=.25\rLog=1\r\r[Sensor1]\rDensity=10\r"));
}

TEST_F(IniFileTest, PipesAndDevicesNeverBlockAReader)
{
    const QString fifo = dir.filePath(QStringLiteral("pipe.dat"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ini.setIniFile(fifo);
    EXPECT_EQ(ini.ReadIniStr("S", "k", "d"), "d");
    EXPECT_EQ(ini.WriteIniStr("S", "k", "v"), 0);

    tlv::IniDocument::LoadResult result;
    tlv::IniDocument::load(QStringLiteral("/dev/zero"), &result);
    EXPECT_EQ(result, tlv::IniDocument::LoadResult::Unreadable);
}

TEST(IniDocumentTest, UntouchedDocumentsWriteBackByteForByte)
{
    const QByteArray samples[] = {"",
                                  "\n",
                                  "[A]",
                                  "[A]\r\nk=v",
                                  "\xEF\xBB\xBF[A]\nk = v \n\n\n",
                                  "a\rb\n",
                                  "[A]\r\rk=v\r\n\n\r",
                                  "[x\n]\n=\n",
                                  QByteArray("\xFF\xFE[\0A\0]\0\r\0\n\0", 12),
                                  QByteArray("\0\0[\0]\n", 7)};
    for (const QByteArray& sample : samples)
        EXPECT_EQ(tlv::IniDocument::fromBytes(sample).toBytes(), sample);
}

TEST(IniDocumentTest, ListsSectionsAndKeysInFileOrderAsSpelled)
{
    const auto doc = tlv::IniDocument::fromBytes("top=1\n[One]\nA=1\n b = 2\nbare\n\n[two]\nC=3\n"
                                                 "[ONE]\nD=4\n[One]\nA=5\n");
    EXPECT_EQ(doc.sectionNames(), QStringList({"One", "two", "ONE", "One"}));
    // The first section of the name answers, as for every read.
    EXPECT_EQ(doc.keyNames("one"), QStringList({"A", "b", "bare"}));
    EXPECT_EQ(doc.keyNames("Two"), QStringList({"C"}));
    EXPECT_TRUE(doc.keyNames("three").isEmpty());
}

} // namespace
