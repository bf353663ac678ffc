// What the operator is told without asking: the status line carries the start-up result and every
// refusal whatever ShowErrors says, stored values the instrument would refuse are named once at
// start, a file that is no settings file is left alone, and a fresh start's first manual power
// works.

#include "WindowFixture.h"

#include "common/FormUtil.h"
#include "common/StatusLine.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>

using namespace multi;
using namespace multi::testing;

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(WindowTest, StatusLineShowsStartUpResultAndRefusalsWithoutShowErrors)
{
    frmMain& w = Open();
    ASSERT_NE(w.statusBar()->findChild<QLabel*>(QStringLiteral("lblStatusLine")), nullptr);
    EXPECT_EQ(w.StatusLine().message(), QStringLiteral("Error 904: No TLV-880 card found."));

    w.TLV880().SendPower(20, 0);
    EXPECT_EQ(w.StatusLine().message(), QStringLiteral("Error 5: Invalid Output Number."));
    EXPECT_TRUE(
        w.StatusLine().text().endsWith(QStringLiteral("  Error 5: Invalid Output Number.")));
    EXPECT_TRUE(seen.isEmpty()) << "ShowErrors is 0: no message box";
}

TEST_F(WindowTest, FreshStartFirstManualPowerSucceeds)
{
    frmMain& w = Open();
    Find<QLineEdit>(QStringLiteral("txtPower"))->setText(QStringLiteral("20"));
    Click("cmdPower");
    EXPECT_EQ(ButtonColour(Button("cmdPower")), kOkColour);
    EXPECT_DOUBLE_EQ(w.TLV880().MaxPower(0), 100.0);
    EXPECT_EQ(library->linesOf(QStringLiteral("SetPower")).last(),
              QStringLiteral("SetPower 0 0.2"));
    EXPECT_EQ(w.StatusLine().message(), QStringLiteral("Error 904: No TLV-880 card found."))
        << "nothing was refused";
}

TEST_F(WindowTest, StoredFullScaleOutsideTheLimitsIsNamedOnceAtStart)
{
    WriteIni(QStringLiteral("[Output]\nOutput2=100,100,100\n"));
    frmMain& w = Open();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_TRUE(
        seen[0].text.contains(QStringLiteral("Output 2 Volts 100 (limits -10 to 10): 10 is used")))
        << seen[0].text.toStdString();
    EXPECT_EQ(w.StatusLine().message(),
              QStringLiteral("Output 2 Volts 100 (limits -10 to 10): 10 is used"));
    EXPECT_EQ(OutputKeyValue(w.Setup().outputs[1]), QStringLiteral("10,100,100"));

    Choose(QStringLiteral("lstOutputs"), 2);
    Click("cmdFullScale");
    Click("cmdPower");
    EXPECT_EQ(ButtonColour(Button("cmdFullScale")), kOkColour);
    EXPECT_EQ(seen.size(), 1) << "told once, not at every send";
}

TEST_F(WindowTest, SettingsFileThatIsNoSettingsFileIsNamedAndNeverWrittenOver)
{
    const QByteArray foreign = "[Setup]\r\nSensors=12\r\n"; // another program's setup
    {
        QFile file(IniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(foreign);
    }
    frmMain& w = Open();
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].text, QStringLiteral("tlvmulti.INI is not a tlvmulti settings file.\n"
                                           "The defaults are used; the file is not written over."));
    EXPECT_EQ(w.StatusLine().message(),
              QStringLiteral("tlvmulti.INI is not a tlvmulti settings file."));
    EXPECT_EQ(OutputKeyValue(w.Setup().outputs[0]), QStringLiteral("10,100,100"));
    window->close();
    window.reset();
    EXPECT_EQ(ReadBytes(IniPath()), foreign);
}

TEST_F(WindowTest, WindowWithItsStatusLineFitsOnTheScreenWithItsFrame)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(screen.size(), QSize(1280, 1024));
    frmMain& w = Open();
    w.show();
    const QSize needed = w.minimumSizeHint().grownBy(FormFrameMargins(&w));
    EXPECT_LE(needed.width(), screen.width());
    EXPECT_LE(needed.height(), screen.height());
    EXPECT_TRUE(w.StatusLine().isVisible());
}

} // namespace
