// The Process window on a simulated process: loading through the file dialog, a refused file,
// the current layer and phase marked as the run goes, the progress bars, and Start and Abort
// with their questions.

#include "SimulatedHost.h"
#include "frmProcess.h"

#include "common/DialogService.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace coflux {
namespace {

using Kind = test::SimulatedProcess::Command::Kind;

const char* kRecipe = "[RECIPE]\nName=Pair\nLayers=2\n"
                      "[LAYER1]\nName=First\nOutputs=1,2\nEndOutput=1\nEndThick=0.1\n"
                      "ShutterHold=2\n"
                      "[LAYER1 OUTPUT1]\nRate=5\nRise1Power=20\nRise1Time=2\nSoak1Time=1\n"
                      "[LAYER1 OUTPUT2]\nRate=2\n"
                      "[LAYER2]\nName=Second\nOutputs=2\nEndTime=10\nShutterHold=2\n"
                      "[LAYER2 OUTPUT2]\nRate=4\nIdleTime=2\n";

class ProcessWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_dialogs = std::make_unique<tlv::DialogService::ScopedHandler>(
            [this](const tlv::DialogRequest& r) {
                requests.append(r);
                if (r.kind == tlv::DialogKind::Open) return tlv::DialogAnswer(openAnswer);
                return tlv::DialogAnswer(answer);
            });
        window = std::make_unique<frmProcess>(session);
        window->show();
    }

    QString Write(const QString& name, const QByteArray& text)
    {
        QFile f(m_dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    }

    template <typename T> T* Find(const QString& name)
    {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }

    void Step(int readings)
    {
        for (int i = 0; i < readings && session.Run().IsRunning(); ++i)
            session.Run().OnReading(host.sim.Step(0.25));
    }

    // The text of the item marked as current in the layer list.
    QString Marked() { return Find<QTreeWidget>("lstLayers")->currentItem()->text(0); }

    void LoadAndStart()
    {
        openAnswer = Write("pair.rcp", kRecipe);
        Find<QPushButton>("cmdLoad")->click();
        answer = QMessageBox::Yes;
        Find<QPushButton>("cmdStart")->click();
        ASSERT_TRUE(session.Run().IsRunning());
        EXPECT_EQ(Find<QLabel>("lblStatus")->text(), "Running.");
    }

    QTemporaryDir m_dir;
    test::Host host{m_dir.filePath("TLV880.LOG")};
    RecipeSession session{host};
    std::unique_ptr<tlv::DialogService::ScopedHandler> m_dialogs;
    std::unique_ptr<frmProcess> window;
    QList<tlv::DialogRequest> requests;
    QString openAnswer;
    QMessageBox::StandardButton answer = QMessageBox::No;
};

TEST_F(ProcessWindowTest, LoadedRecipeListsLayersWithTheirPhases)
{
    EXPECT_FALSE(Find<QPushButton>("cmdStart")->isEnabled());
    openAnswer = Write("pair.rcp", kRecipe);
    Find<QPushButton>("cmdLoad")->click();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].title, "Open Recipe");

    auto* list = Find<QTreeWidget>("lstLayers");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "Layer 1 First");
    EXPECT_EQ(list->topLevelItem(0)->text(1),
              "output 1 at 5 \u00c5/s, output 2 at 2 \u00c5/s,\nto 0.100 k\u00c5 on output 1");
    // Details wrap within the window (no sideways scrolling) and show whole in the tool tip.
    EXPECT_TRUE(list->wordWrap());
    EXPECT_EQ(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(list->topLevelItem(0)->toolTip(1), list->topLevelItem(0)->text(1));
    ASSERT_EQ(list->topLevelItem(0)->childCount(), 4);
    EXPECT_EQ(list->topLevelItem(0)->child(0)->text(0), "Pre-conditioning");
    // The second layer has no pre-conditioning.
    ASSERT_EQ(list->topLevelItem(1)->childCount(), 3);
    EXPECT_EQ(list->topLevelItem(1)->child(0)->text(0), "Shutter delay");
    EXPECT_TRUE(Find<QPushButton>("cmdStart")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("cmdAbort")->isEnabled());
}

// The window's Help shows its own page: recipes and how the times left are estimated.
TEST_F(ProcessWindowTest, HelpShowsTheProcessWindowsPage)
{
    Find<QPushButton>("cmdHelp")->click();
    QTextBrowser* help = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "frmHelp") help = qobject_cast<QTextBrowser*>(w);
    ASSERT_NE(help, nullptr) << "the help page ships beside the program";
    EXPECT_EQ(help->source().fileName(), "process.html");
    EXPECT_TRUE(help->toPlainText().contains("How the times left are estimated"));
    help->close();
}

TEST_F(ProcessWindowTest, RefusedRecipeShowsItsMessageAndCannotStart)
{
    openAnswer = Write("bad.rcp", QByteArray(kRecipe).replace("Rate=4", "Rate=-4"));
    Find<QPushButton>("cmdLoad")->click();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_NE(requests[1].text.indexOf("[LAYER2 OUTPUT2] key Rate: Rate must be between"), -1)
        << requests[1].text.toStdString();
    EXPECT_EQ(requests[1].icon, QMessageBox::Warning);
    EXPECT_EQ(Find<QLabel>("lblStatus")->text(), requests[1].text);
    EXPECT_FALSE(Find<QPushButton>("cmdStart")->isEnabled());
    EXPECT_EQ(Find<QTreeWidget>("lstLayers")->topLevelItemCount(), 0);
    EXPECT_TRUE(host.sim.commands.empty());
}

TEST_F(ProcessWindowTest, StartAsksFirstAndANoChangesNothing)
{
    openAnswer = Write("pair.rcp", kRecipe);
    Find<QPushButton>("cmdLoad")->click();
    answer = QMessageBox::No;
    Find<QPushButton>("cmdStart")->click();
    EXPECT_EQ(requests.last().text, "Start the recipe \"Pair\" (2 layers)?");
    EXPECT_FALSE(session.Run().IsRunning());
    EXPECT_EQ(host.begun, 0);
}

TEST_F(ProcessWindowTest, ProcessThatRefusesToStartShowsWhy)
{
    host.refuseWith = QStringLiteral("The deposition is running: stop it before a recipe starts.");
    ASSERT_TRUE(window->LoadFile(Write("pair.rcp", kRecipe)));
    window->StartWithoutQuestion();
    EXPECT_EQ(requests.last().text, host.refuseWith);
    EXPECT_EQ(Find<QLabel>("lblStatus")->text(), host.refuseWith);
    EXPECT_FALSE(session.Run().IsRunning());
    EXPECT_TRUE(Find<QPushButton>("cmdStart")->isEnabled());
}

TEST_F(ProcessWindowTest, CurrentPhaseIsMarkedAndBarsFollowTheDepositingOutputs)
{
    LoadAndStart();
    EXPECT_FALSE(Find<QPushButton>("cmdLoad")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("cmdAbort")->isEnabled());
    Step(1);
    EXPECT_EQ(Marked(), QStringLiteral("\u25B6 Pre-conditioning"));
    EXPECT_EQ(Find<QTreeWidget>("lstLayers")->topLevelItem(0)->text(0),
              QStringLiteral("\u25B6 Layer 1 First"));

    while (session.Run().IsRunning() && session.Run().CurrentPhase() != RecipeRun::Phase::Deposit)
        Step(1);
    Step(40); // ten seconds into the layer: about 50 Å of 100 on output 1
    EXPECT_EQ(Marked(), QStringLiteral("\u25B6 Deposit"));
    EXPECT_EQ(Find<QTreeWidget>("lstLayers")->topLevelItem(0)->child(1)->text(0),
              QStringLiteral("\u2713 Shutter delay"));
    auto* bar1 = Find<QProgressBar>("prgOutput_1");
    auto* bar2 = Find<QProgressBar>("prgOutput_2");
    EXPECT_TRUE(bar1->isVisible());
    EXPECT_TRUE(bar2->isVisible());
    EXPECT_FALSE(Find<QProgressBar>("prgOutput_3")->isVisible());
    EXPECT_NEAR(bar1->value(), 1000 * session.Run().OutputThickness(1) / 0.1, 1);
    EXPECT_GT(bar1->value(), 300);
    EXPECT_LT(bar1->value(), 700);
    // Output 2 co-deposits at 2 Å/s while output 1 makes 0.1 kÅ at 5: its target is 0.04 kÅ.
    EXPECT_NE(Find<QLabel>("lblOutput_2")->text().indexOf("/ 0.040 k\u00c5"), -1)
        << Find<QLabel>("lblOutput_2")->text().toStdString();
    EXPECT_TRUE(Find<QLabel>("lblElapsed")->text().startsWith("Elapsed: 0:00:"));
    EXPECT_TRUE(Find<QLabel>("lblRemaining")->text().startsWith("Remaining: 0:00:"));
    const QString layerLeft = Find<QLabel>("lblLayerRemaining")->text();
    EXPECT_TRUE(layerLeft.startsWith("Layer 1 ends in 0:00:")) << layerLeft.toStdString();
    EXPECT_TRUE(layerLeft.endsWith("% done)")) << layerLeft.toStdString();

    Step(2000);
    EXPECT_EQ(session.Run().CurrentState(), RecipeRun::State::Complete);
    EXPECT_EQ(Find<QLabel>("lblStatus")->text(), "Recipe complete.");
    EXPECT_EQ(Find<QTreeWidget>("lstLayers")->topLevelItem(1)->text(0),
              QStringLiteral("\u2713 Layer 2 Second"));
    EXPECT_FALSE(bar1->isVisible());
    EXPECT_TRUE(Find<QPushButton>("cmdStart")->isEnabled());
}

TEST_F(ProcessWindowTest, AbortAsksAndThenPutsEveryOutputToZero)
{
    LoadAndStart();
    Step(30);
    answer = QMessageBox::No;
    Find<QPushButton>("cmdAbort")->click();
    EXPECT_EQ(requests.last().text, "Abort the recipe? Every output goes to power 0.");
    EXPECT_TRUE(session.Run().IsRunning());

    answer = QMessageBox::Yes;
    Find<QPushButton>("cmdAbort")->click();
    EXPECT_EQ(session.Run().CurrentState(), RecipeRun::State::Aborted);
    EXPECT_EQ(host.sim.commands.back().kind, Kind::AllOff);
    EXPECT_EQ(Find<QLabel>("lblStatus")->text(), "Recipe aborted by the operator.");
    EXPECT_TRUE(Marked().startsWith(QStringLiteral("\u2717 "))) << Marked().toStdString();
    EXPECT_FALSE(Find<QPushButton>("cmdAbort")->isEnabled());
}

} // namespace
} // namespace coflux
