// coflux's remote commands through the deposition process, with the main window open: the
// window's limits and run-state rules answer remote changes, and every accepted change shows in
// the window as if typed there.
#include "CofluxRemoteTarget.h"
#include "CofluxTestSupport.h"
#include "RecipeProgram.h"
#include "RemoteIndicator.h"

#include "common/remote/RemoteServer.h"
#include "common/remote/ScpiSession.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpSocket>
#include <QTest>
#include <QTreeWidget>

namespace coflux::test {
namespace {

class RemoteCommands : public CofluxWindowTest {
protected:
    void SetUp() override
    {
        CofluxWindowTest::SetUp();
        // Logs (a recipe's progress log too) go to the test's own folder.
        WriteFile(QStringLiteral("Default.dat"),
                  QStringLiteral("[Card]\nLogFile=%1\n[OUTPUT1]\nMode=0\nName=Silver\nInput=1\n")
                      .arg(HomeFile(QStringLiteral("TLV880.LOG"))));
        Open();
        m_target =
            std::make_unique<CofluxRemoteTarget>(m_window->Core(), m_window->Host().Recipes());
        m_session = std::make_unique<tlv::remote::ScpiSession>(*m_target, true);
        TakeMessages();
    }
    void TearDown() override
    {
        m_session.reset();
        m_target.reset();
        CofluxWindowTest::TearDown();
    }
    // Runs a command and returns the error it left ("0,..." when none).
    QByteArray Send(const char* line)
    {
        EXPECT_FALSE(m_session->Execute(line).has_value()) << line;
        return *m_session->Execute("SYST:ERR?");
    }
    QByteArray Ask(const char* line) { return m_session->Execute(line).value_or("<none>"); }

    std::unique_ptr<CofluxRemoteTarget> m_target;
    std::unique_ptr<tlv::remote::ScpiSession> m_session;
};

TEST_F(RemoteCommands, SetpointsShowInTheWindowAsIfTyped)
{
    EXPECT_EQ(Send("OUTP:MODE 1,MAN"), "0,\"No error\"");
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("optMode0_2"))->isChecked());
    EXPECT_EQ(Send("OUTP:RATE 1,7.5"), "0,\"No error\"");
    EXPECT_EQ(Find<QLineEdit>(QStringLiteral("txtRate_0"))->text(), QStringLiteral("7.50"));
    EXPECT_EQ(Send("OUTP:THIC 1,0.25"), "0,\"No error\"");
    EXPECT_EQ(Find<QLineEdit>(QStringLiteral("txtThick_0"))->text(), QStringLiteral("0.25"));
    EXPECT_EQ(Send("OUTP:POW 1,12.5"), "0,\"No error\"");
    EXPECT_EQ(Find<QLineEdit>(QStringLiteral("txtManPwr_0"))->text(), QStringLiteral("12.5"));
    EXPECT_EQ(Ask("OUTP:MODE? 1;OUTP:RATE? 1;OUTP:THIC? 1;OUTP:POW? 1"), "MAN;7.5;0.25;12.5");
    EXPECT_TRUE(TakeMessages().isEmpty()) << "a remote change opens no box";
}

TEST_F(RemoteCommands, RefusedValuesCarryTheWindowsMessage)
{
    const QByteArray error = Send("OUTP:RATE 1,100000");
    EXPECT_TRUE(error.startsWith("-222,\"Data out of range; Rate must be between "))
        << error.constData();
    EXPECT_TRUE(Send("OUTP:THIC 1,-5").startsWith("-222,\"Data out of range; Thickness must be"));
    EXPECT_TRUE(Send("OUTP:POW 1,101").startsWith("-222,\"Data out of range; Power must be"));
    EXPECT_TRUE(Send("OUTP:RATE 5,1").startsWith("-222,")) << "output 5 is not a shown output";
    EXPECT_TRUE(Send("OUTP:RATE? 5").startsWith("-222,"));
    EXPECT_EQ(Ask("OUTP:RATE? 1"), QByteArray::number(m_window->Core().RateSetpoint(0)));
}

TEST_F(RemoteCommands, RunStateRulesAreTheWindows)
{
    EXPECT_TRUE(Send("PROC:HOLD").startsWith("-221,"));
    EXPECT_TRUE(Send("PROC:RES").startsWith("-221,"));
    EXPECT_EQ(Send("PROC:STAR"), "0,\"No error\"");
    EXPECT_EQ(Ask("PROC:STAT?"), "RUN");
    EXPECT_EQ(Find<QPushButton>(QStringLiteral("cmdFSwitch_0"))->text(), QStringLiteral("&Stop"));
    EXPECT_TRUE(Send("PROC:STAR").startsWith("-221,"));
    EXPECT_TRUE(Send("MMEM:LOAD \"Default.dat\"").startsWith("-221,"));
    EXPECT_EQ(Send("PROC:HOLD"), "0,\"No error\"");
    EXPECT_EQ(Ask("PROC:STAT?"), "HOLD");
    EXPECT_EQ(Send("PROC:RES"), "0,\"No error\"");
    EXPECT_EQ(Send("PROC:ZERO ALL"), "0,\"No error\"");
    EXPECT_EQ(Send("PROC:ZERO 1"), "0,\"No error\"");
    EXPECT_EQ(Send("PROC:STOP"), "0,\"No error\"");
    EXPECT_EQ(m_window->Core().RunState(), RunStopped);
    EXPECT_EQ(Find<QPushButton>(QStringLiteral("cmdFSwitch_0"))->text(), QStringLiteral("&Start"));
}

TEST_F(RemoteCommands, OpensOnlyFilesOfTheProgramsFolder)
{
    WriteFile(QStringLiteral("Other.dat"),
              QStringLiteral("[OUTPUT1]\nMode=2\nName=Gold\nInput=1\n"));
    QDir(m_home.path()).mkdir(QStringLiteral("folder.dat"));
    QTemporaryDir outside;
    QFile secret(outside.filePath(QStringLiteral("Secret.dat")));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("[OUTPUT1]\nName=Leak\n");
    secret.close();
    ASSERT_TRUE(QFile::link(secret.fileName(), HomeFile(QStringLiteral("Link.dat"))));

    for (const char* line : {"MMEM:LOAD \"Missing.dat\"", "MMEM:LOAD \"folder.dat\"",
                             "MMEM:LOAD \"Link.dat\"", "MMEM:LOAD \"../Other.dat\""})
        EXPECT_TRUE(Send(line).startsWith("-256,")) << line;
    EXPECT_EQ(m_window->Core().SetupFileName(), QStringLiteral("Default.dat"));

    EXPECT_EQ(Send("MMEM:LOAD \"Other.dat\""), "0,\"No error\"");
    EXPECT_EQ(m_window->Core().SetupFileName(), QStringLiteral("Other.dat"));
    EXPECT_TRUE(m_window->windowTitle().contains(QStringLiteral("Other.dat")));
    EXPECT_EQ(Ask("OUTP:MODE? 1"), "MAN");
}

TEST_F(RemoteCommands, TheProcessWindowShowsARecipeLoadedAndStartedRemotely)
{
    WriteFile(QStringLiteral("Film.rcp"),
              QStringLiteral("[RECIPE]\nName=Remote film\nLayers=1\n[LAYER1]\nName=Film\n"
                             "Outputs=1\nEndOutput=1\nEndThick=0.1\nShutterHold=2\n"
                             "ShutterTimeout=60\n[LAYER1 OUTPUT1]\nRate=5\n"));
    ShowProcessWindow(*m_window);
    auto* layers = Find<QTreeWidget>(QStringLiteral("lstLayers"));
    auto* start = Find<QPushButton>(QStringLiteral("cmdStart"));
    auto* abort = Find<QPushButton>(QStringLiteral("cmdAbort"));
    auto* status = Find<QLabel>(QStringLiteral("lblStatus"));
    ASSERT_TRUE(layers && start && abort && status);

    EXPECT_EQ(Send("PROC:REC:LOAD \"Film.rcp\""), "0,\"No error\"");
    ASSERT_EQ(layers->topLevelItemCount(), 1);
    EXPECT_TRUE(layers->topLevelItem(0)->text(0).endsWith(QStringLiteral("Layer 1 Film")));
    EXPECT_TRUE(start->isEnabled());

    EXPECT_EQ(Send("PROC:REC:STAR"), "0,\"No error\"");
    EXPECT_FALSE(start->isEnabled());
    EXPECT_TRUE(abort->isEnabled());
    EXPECT_EQ(Find<QPushButton>(QStringLiteral("cmdFSwitch_0"))->text(), QStringLiteral("&Stop"));

    EXPECT_EQ(Send("PROC:REC:ABOR"), "0,\"No error\"");
    EXPECT_EQ(status->text(), QStringLiteral("Recipe aborted by a remote client."));
    EXPECT_FALSE(abort->isEnabled());
    EXPECT_EQ(m_window->Core().RunState(), RunStopped);
    EXPECT_TRUE(Ask("PROC:REC:STAT?").startsWith("ABORTED,"));

    // A refused file empties the window's list as it drops the recipe.
    WriteFile(QStringLiteral("Bad.rcp"), QStringLiteral("[RECIPE]\nLayers=1\n"));
    EXPECT_TRUE(Send("PROC:REC:LOAD \"Bad.rcp\"").startsWith("-222,\"Data out of range; Bad.rcp"));
    EXPECT_EQ(layers->topLevelItemCount(), 0);
    EXPECT_FALSE(start->isEnabled());
    EXPECT_TRUE(status->text().contains(QStringLiteral("Bad.rcp"))) << status->text().toStdString();
    EXPECT_TRUE(TakeMessages().isEmpty()) << "a remote command opens no box";
}

TEST_F(RemoteCommands, ReadingsAnswerTheNewestReadingEventInKiloAngstrom)
{
    SensorArray sensors{};
    OutputArray outputs{};
    sensors[0] = {4.5, 1234.0, 5900000.0, 0.0};
    sensors[23] = {0.0, 0.0, -2.0, 0.0};
    outputs[0] = {5.25, 500.0, 42.5, 0.0};
    m_window->Core().TLVReading(sensors, outputs, 36000.0);
    EXPECT_EQ(Ask("MEAS:SENS? 1"), "4.5,1.234,5900000");
    EXPECT_EQ(Ask("MEAS:SENS? 24"), "0,0,-2");
    EXPECT_EQ(Ask("MEAS:OUTP? 1"), "5.25,0.5,42.5");
    EXPECT_EQ(Ask("*IDN?").split(',').at(1), "COFLUX");
}

TEST_F(RemoteCommands, TheWindowShowsRemoteWhileAClientIsConnected)
{
    tlv::remote::RemoteServer server(*m_target, true);
    QString error;
    ASSERT_TRUE(server.Listen({}, error));
    AttachRemoteIndicator(*m_window, server);
    auto* label = Find<QLabel>(QStringLiteral("lblRemote"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("REMOTE"));
    EXPECT_TRUE(label->isHidden());

    QTcpSocket client;
    client.connectToHost(QHostAddress(QHostAddress::LocalHost), server.Port());
    // The limit only ends a broken run; the verdict is the label's state.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !label->isHidden(); }, 10000));
    client.write("OUTP:RATE 1,3.5\n");
    // Waits for the command to arrive; the limit only ends a broken run.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return Find<QLineEdit>(QStringLiteral("txtRate_0"))->text() == QStringLiteral("3.50");
        },
        10000));
    client.disconnectFromHost();
    // Waits for the server to see the client go; the limit only ends a broken run.
    EXPECT_TRUE(QTest::qWaitFor([&] { return label->isHidden(); }, 10000));
}

} // namespace
} // namespace coflux::test
