// What the operator is told without being asked: the status line shows the start-up result and
// every refusal of the instrument, and setup files that cannot be read are named and left alone.
#include "MonitorFixture.h"

#include "common/FormUtil.h"
#include "common/SetupFile.h"
#include "common/StatusLine.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>

namespace monitor::test {
namespace {

using StatusLineTest = MonitorTest;

QString StatusText(frmMain& w)
{
    auto* line = w.statusBar()->findChild<QLabel*>(QStringLiteral("lblStatusLine"));
    return line ? line->text() : QStringLiteral("<no status line>");
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(StatusLineTest, StartUpResultAndLaterRefusalsAreShownWithTheirTime)
{
    frmMain& w = LoadWindow();
    EXPECT_TRUE(StatusText(w).endsWith(QStringLiteral("  Error 904: No TLV-880 card found.")))
        << StatusText(w).toStdString();
    EXPECT_TRUE(QTime::fromString(StatusText(w).left(8), QStringLiteral("HH:mm:ss")).isValid());

    ASSERT_NE(w.Instrument().SendMaterial(0, 500.0, 1.0, 100.0), 0); // density far too high
    EXPECT_TRUE(w.StatusLine().message().startsWith(QStringLiteral("Error ")));
    EXPECT_TRUE(w.StatusLine().message().contains(QStringLiteral("Density")))
        << w.StatusLine().message().toStdString();
    for (const QString& m : Messages())
        EXPECT_FALSE(m.contains(QStringLiteral("Density"))) << "the status line asks nothing";
}

TEST_F(StatusLineTest, RefusedSetupFileAtStartUpIsNamedAndNeverWrittenOver)
{
    QByteArray binary;
    for (int i = 0; i < 2000; ++i)
        binary.append(static_cast<char>((i * 131) % 32)); // control characters: not text
    WriteProgramFile(QStringLiteral("tlvmonitor.dat"), binary);
    frmMain& w = LoadWindow();
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_EQ(Messages().front(), QStringLiteral("tlvmonitor.dat is not a text file."));
    EXPECT_EQ(w.StatusLine().message(), QStringLiteral("tlvmonitor.dat is not a text file."));
    EXPECT_EQ(Grid()->rowCount(), 5) << "the defaults are in use";
    ASSERT_GT(m_lib->count(QStringLiteral("Xdc770Init")), 0) << "and were sent to the instrument";

    EXPECT_FALSE(w.IniWrite(QStringLiteral("tlvmonitor.dat")));
    EXPECT_EQ(ReadBytes(ProgramFile(QStringLiteral("tlvmonitor.dat"))), binary);
    EXPECT_TRUE(Messages().back().startsWith(QStringLiteral("tlvmonitor.dat is not a text file.")));
}

TEST_F(StatusLineTest, OpeningAFileThatIsNoMonitorSetupKeepsTheCurrentSetup)
{
    WriteProgramFile(QStringLiteral("tlvmonitor.dat"), "[Setup]\r\nSensors=8\r\n");
    WriteProgramFile(QStringLiteral("coflux.dat"),
                     "[Card]\r\nFilter=4\r\n[OUTPUT1]\r\nName=Gold\r\n");
    WriteProgramFile(QStringLiteral("notes.dat"), "Sensors=12\r\n");
    frmMain& w = LoadWindow();
    ASSERT_EQ(Grid()->rowCount(), 9);
    const auto initsBefore = m_lib->count(QStringLiteral("Xdc770Init"));

    struct Case {
        const char* file;
        const char* message;
    };
    for (const Case& c : {Case{"coflux.dat", "coflux.dat is not a tlvmonitor setup file."},
                          Case{"notes.dat", "notes.dat is not a setup file: it has no section."}}) {
        m_fileAnswer = QString::fromLatin1(c.file);
        w.mnuOpen_Click();
        EXPECT_EQ(Messages().back(), QString::fromLatin1(c.message));
        EXPECT_EQ(w.StatusLine().message(), QString::fromLatin1(c.message));
        EXPECT_EQ(Grid()->rowCount(), 9) << c.file;
        EXPECT_EQ(tlv::CurrentSetupFile(), QStringLiteral("tlvmonitor.dat"));
    }
    EXPECT_EQ(m_lib->count(QStringLiteral("Xdc770Init")), initsBefore)
        << "nothing was sent for a refused file";
}

TEST_F(StatusLineTest, Utf16AndCarriageReturnFilesAreReadLikeAnyOther)
{
    const QString text = QStringLiteral("[Setup]\r\nSensors=12\r\nPeriod=.5\r\n");
    QByteArray utf16("\xFF\xFE");
    for (const QChar c : text) {
        utf16.append(static_cast<char>(c.unicode() & 0xFF));
        utf16.append(static_cast<char>(c.unicode() >> 8));
    }
    WriteProgramFile(QStringLiteral("tlvmonitor.dat"), utf16);
    WriteProgramFile(QStringLiteral("mac.dat"), "[Setup]\rSensors=3\rPeriod=.5\r");
    frmMain& w = LoadWindow();
    EXPECT_EQ(Grid()->rowCount(), 13);
    ASSERT_NE(m_lib->last(QStringLiteral("Xdc770Init")), nullptr);
    EXPECT_EQ(m_lib->last(QStringLiteral("Xdc770Init"))->args[3].toDouble(), 0.5);
    m_fileAnswer = QStringLiteral("mac.dat");
    w.mnuOpen_Click();
    EXPECT_EQ(Grid()->rowCount(), 4);
    for (const QString& m : Messages())
        EXPECT_TRUE(m.isEmpty()) << "only the file dialog was shown: " << m.toStdString();
}

TEST_F(StatusLineTest, RestoredWindowWithAllSensorsKeepsItsWholeFrameOnTheScreen)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(screen.size(), QSize(1280, 1024));
    WriteProgramFile(QStringLiteral("tlvmonitor.dat"), "[Setup]\r\nSensors=24\r\n");
    // Saved where the window last was: low on the screen, as after a smaller setup.
    QSettings(QStringLiteral("TLV880"), QString::fromLatin1(kProgramTitle))
        .setValue(QStringLiteral("Form Positions/frmMain"),
                  QStringLiteral("L=1100;T=700;W=400;H=300;S=0;"));
    frmMain& w = LoadWindow();
    ASSERT_EQ(Grid()->rowCount(), 25);
    const QRect frame(w.pos(), w.size().grownBy(FormFrameMargins(&w)));
    EXPECT_TRUE(screen.contains(frame)) << "frame " << frame.x() << "," << frame.y() << " "
                                        << frame.width() << "x" << frame.height();
    EXPECT_GT(FormFrameMargins(&w).top(), 0) << "the title bar counts";
    const QWidget* start = w.findChild<QWidget*>(QStringLiteral("cmdFSwitch_0"));
    ASSERT_NE(start, nullptr);
    EXPECT_LE(start->mapTo(&w, start->rect().bottomLeft()).y(),
              w.height() - w.statusBar()->height())
        << "Start stays above the status line";
}

} // namespace
} // namespace monitor::test
