// A whole co-deposition in the main window, from Start to the automatic stop, on a card-library
// double that grows film with the power and a clock the test steps: output 1 runs at manual
// power towards a small thickness setpoint, output 2 beside it. Also what the window shows while
// the trip's message is still open.

#include "CofluxTestSupport.h"
#include "FocusSupport.h"
#include "test_filmLibrary.h"

#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>

using namespace coflux;
using namespace coflux::test;

namespace {

class CoDeposition : public CofluxWindowTest {
protected:
    frmMain& Start()
    {
        WriteFile("Default.dat", QString::fromLatin1(kCoDeposition).arg(LogPath()));
        m_clock = RunClock();
        m_tlv = std::make_unique<cTLV880a>(m_film.lib, m_clock);
        m_window = std::make_unique<frmMain>(nullptr, m_tlv.get());
        m_tlv->setTimerEnabled(false); // the test is the timer
        DeliverQueued();
        TakeMessages();
        return *m_window;
    }

    // One measurement and one poll a period later, then back to the event loop.
    void Tick()
    {
        m_clock->advance(0.1);
        m_film.Queue();
        m_tlv->TLVTimer_Timer();
        DeliverQueued();
    }

    QString LogPath() const { return HomeFile("codep.log"); }
    QString Text(const char* name) const { return Find<QLineEdit>(name)->text(); }

    FilmChamber m_film; // outlives the instrument
    std::shared_ptr<tlvtest::StepClock> m_clock;
    std::unique_ptr<cTLV880a> m_tlv; // outlives the window (destroyed after TearDown)
};

} // namespace

TEST_F(CoDeposition, RunsFromStartToTheAutomaticStop)
{
    frmMain& w = Start();
    QString haltMessage;
    int stateAtMessage = -1;
    m_answer = [&](const tlv::DialogRequest& r) {
        haltMessage = r.text;
        stateAtMessage = w.RunState();
        return tlv::DialogAnswer(QMessageBox::Ok);
    };

    auto* power = Find<QLineEdit>("txtManPwr_0");
    Focus(power);
    power->setText("80");
    QTest::keyClick(power, Qt::Key_Return);
    w.cmdFSwitch_Click(0);
    ASSERT_EQ(w.RunState(), RunRunning);

    // 80 % grows 8 Å per reading: the 50th reading reaches 0.4 kÅ and the window stops.
    int ticks = 0;
    while (w.RunState() == RunRunning && ticks < 1000) {
        Tick();
        ++ticks;
        if (ticks == 10) {
            EXPECT_EQ(Text("txtThickRdg_0"), QStringLiteral("0.080"));
            EXPECT_EQ(Text("txtRateRdg_0"), QStringLiteral("80.00"));
            EXPECT_EQ(Text("txtPowerRdg_0"), QStringLiteral("80.0"));
        }
    }
    EXPECT_EQ(ticks, 50);
    EXPECT_EQ(haltMessage,
              QStringLiteral("Deposition halted.\r\nThickness setpoint reached on Gold."));
    EXPECT_EQ(stateAtMessage, RunStopped);
    EXPECT_EQ(Text("txtThickRdg_0"), QStringLiteral("0.400"));
    for (int j : kShownOutputs)
        EXPECT_DOUBLE_EQ(w.Instrument().GetPower(static_cast<short>(j)), 0) << j;
    EXPECT_EQ(Find<QPushButton>("cmdFSwitch_0")->text(), QStringLiteral("&Start"));

    // The log: an empty line, the date of the run, the header, one line per reading before the
    // trip; stopped, further readings add none.
    const QStringList lines = ReadFile(LogPath()).chopped(2).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3 + 49);
    EXPECT_EQ(lines[1],
              "Date: " + QLocale::system().toString(QDate(2026, 3, 4), QLocale::ShortFormat));
    EXPECT_EQ(lines.last(), QStringLiteral("10:00:04, Gold, 0.392, 80.00, 80.0, Silver, 0.000, "
                                           "0.00, 0.0"));
    Tick();
    Tick();
    EXPECT_EQ(ReadFile(LogPath()).chopped(2).split(QStringLiteral("\r\n")).size(), lines.size());
}

TEST_F(CoDeposition, ReadingsKeepUpdatingTheDisplaysWhileTheTripMessageIsOpen)
{
    frmMain& w = Start();
    ASSERT_TRUE(w.Core().SetManualPower(0, 80).ok());
    ASSERT_TRUE(w.Core().SetManualPower(1, 20).ok());
    w.Core().TablesForTesting().Output(0).Thick = 0.008; // the first reading trips
    w.cmdFSwitch_Click(0);

    QStringList powerWhileOpen;
    QStringList silverWhileOpen;
    int messages = 0;
    m_answer = [&](const tlv::DialogRequest&) {
        ++messages;
        // The box is open: the instrument goes on polling and the window goes on showing.
        for (int i = 0; i < 3; ++i) {
            Tick();
            powerWhileOpen << Text("txtPowerRdg_0");
            silverWhileOpen << Text("txtThickRdg_1");
        }
        return tlv::DialogAnswer(QMessageBox::Ok);
    };
    Tick();
    EXPECT_EQ(messages, 1) << "later readings see the run stopped and trip nothing";
    EXPECT_EQ(w.RunState(), RunStopped);
    // The reading that tripped was taken at 80 %; the next ones show the outputs at 0.
    EXPECT_EQ(powerWhileOpen, (QStringList{"0.0", "0.0", "0.0"}));
    EXPECT_EQ(silverWhileOpen, (QStringList{"0.002", "0.002", "0.002"}));
}
