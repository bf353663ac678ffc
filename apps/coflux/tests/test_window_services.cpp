// The main window's services around the process: editor windows, readings view and its
// "Form Visible" setting, minimising together, help and about.

#include "CofluxTestSupport.h"

#include "HelpWindow.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>
#include <QTextBrowser>

using namespace coflux;
using namespace coflux::test;

namespace {

class WindowServices : public CofluxWindowTest {
protected:
    QWidget* TopLevel(const char* name) const
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String(name) && w->isVisible()) return w;
        return nullptr;
    }
};

} // namespace

TEST_F(WindowServices, EditButtonOpensTheEditorOfTheMode)
{
    WriteFile("Default.dat", "[OUTPUT1]\nMode=1\n[OUTPUT2]\nMode=2\n");
    frmMain& w = Open();
    w.cmdEdit_Click(0);
    EXPECT_NE(TopLevel("frmRecorder"), nullptr);
    EXPECT_EQ(TopLevel("frmFilm"), nullptr);
    w.cmdEdit_Click(1);
    EXPECT_NE(TopLevel("frmFilm"), nullptr);
}

TEST_F(WindowServices, ReadingsViewReopensWhenItWasOpenAtExit)
{
    {
        frmMain& w = Open();
        w.findChild<QAction*>("mnuViewSensors")->trigger();
        EXPECT_TRUE(w.ReadingsViewVisible());
        m_answer = [](const tlv::DialogRequest&) { return tlv::DialogAnswer(QMessageBox::No); };
        EXPECT_TRUE(w.close());
        EXPECT_EQ(ProgramSettings()->value("frmReadings/Form Visible").toString(),
                  QStringLiteral("True"));
        EXPECT_EQ(TopLevel("frmReadings"), nullptr); // closed with the main window
        m_window.reset();
    }
    m_answer = nullptr;
    frmMain& again = Open();
    EXPECT_TRUE(again.ReadingsViewVisible());
}

TEST_F(WindowServices, MinimisingTakesTheOtherWindowsAlong)
{
    frmMain& w = Open();
    w.ShowInputSetup();
    QWidget* inputs = TopLevel("frmInputs");
    ASSERT_NE(inputs, nullptr);
    w.showMinimized();
    EXPECT_TRUE(inputs->isMinimized());
    w.showNormal();
    EXPECT_FALSE(inputs->isMinimized());
}

TEST_F(WindowServices, HelpShowsTheHelpFileAtItsContents)
{
    frmMain& w = Open();
    ASSERT_TRUE(QFileInfo::exists(HelpFilePath())) << qPrintable(HelpFilePath());
    TakeMessages();
    w.findChild<QAction*>("mnuHelp")->trigger();
    EXPECT_TRUE(TakeMessages().isEmpty());
    auto* help = qobject_cast<QTextBrowser*>(TopLevel("frmHelp"));
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("Contents")));
    EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("Deposition halted.")));
    help->close();
}

TEST_F(WindowServices, AboutShowsTheProgramsFiveLines)
{
    frmMain& w = Open();
    w.findChild<QAction*>("mnuAbout")->trigger();
    auto* about = w.findChild<QDialog*>();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About TLV-880 Coflux Controller"));
    EXPECT_TRUE(
        about->findChild<QLabel*>("lblAbout_0")->text().startsWith("TLV-880 Coflux Controller"));
    EXPECT_TRUE(about->findChild<QLabel*>("lblAbout_4")->text().startsWith("Directory: "));
    about->close();
}
