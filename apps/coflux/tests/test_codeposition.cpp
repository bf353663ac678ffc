// A whole co-deposition in simulation, from Start to the automatic stop, with the real card
// library behind the window: output 1 runs at manual power on sensor 1 towards a small thickness
// setpoint, output 2 runs its rate loop on sensor 2; the log file is checked line by line.

#include "CofluxTestSupport.h"

#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

using namespace coflux;
using namespace coflux::test;

namespace {

class CoDeposition : public CofluxWindowTest {};

} // namespace

TEST_F(CoDeposition, RunsFromStartToTheAutomaticStop)
{
    const QString log = HomeFile("codep.log");
    WriteFile("Default.dat", QStringLiteral(R"([Card]
LogEnabled=1
LogFile=%1
Period=.1
Filter=1
[OUTPUT1]
Name=Gold
Mode=2
Input=1
Thick=0.4
FullScale=10
[OUTPUT2]
Name=Silver
Mode=3
Input=2
Rate=5
PTerm=10
ITerm=1
Thick=100
FullScale=10
)")
                                 .arg(log));
    frmMain& w = Open();
    TakeMessages();
    QString haltMessage;
    int stateAtMessage = -1;
    m_answer = [&](const tlv::DialogRequest& r) {
        haltMessage = r.text;
        stateAtMessage = w.RunState();
        return tlv::DialogAnswer(QMessageBox::Ok);
    };

    auto* power = w.findChild<QLineEdit*>("txtManPwr_0");
    power->setFocus();
    power->setText("90");
    QTest::keyClick(power, Qt::Key_Return);
    w.cmdFSwitch_Click(0);
    ASSERT_EQ(w.RunState(), RunRunning);

    // The thickness grows until output 1 reaches 0.4 kÅ and the window stops by itself.
    QTRY_VERIFY_WITH_TIMEOUT(w.Readings().OutThick[0] > 0.05, 20000);
    EXPECT_EQ(w.RunState(), RunRunning);
    QTRY_VERIFY_WITH_TIMEOUT(w.RunState() == RunStopped, 60000);
    QTRY_VERIFY_WITH_TIMEOUT(!haltMessage.isEmpty(), 5000);
    EXPECT_EQ(haltMessage,
              QStringLiteral("Deposition halted.\r\nThickness setpoint reached on Gold."));
    EXPECT_EQ(stateAtMessage, RunStopped);
    EXPECT_GE(w.Readings().OutThick[0], 0.4);
    for (int j : kShownOutputs)
        EXPECT_DOUBLE_EQ(w.Instrument().GetPower(static_cast<short>(j)), 0) << j;
    EXPECT_EQ(w.findChild<QPushButton*>("cmdFSwitch_0")->text(), QStringLiteral("&Start"));

    // The log: an empty line, the date, the header, then one data line per reading.
    const QString text = ReadFile(log);
    ASSERT_TRUE(text.endsWith("\r\n"));
    const QStringList lines = text.chopped(2).split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines[0], QString());
    EXPECT_EQ(lines[1],
              "Date: " + QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    EXPECT_EQ(lines[2], QStringLiteral("Time, Output, Thick, Rate, Power, Output, Thick, etc."));
    const QRegularExpression data(QStringLiteral(
        R"(^\d{1,2}:\d\d:\d\d, Gold, (-?\d+\.\d{3}), -?\d+\.\d\d, 90\.0, Silver, -?\d+\.\d{3}, -?\d+\.\d\d, -?\d+\.\d$)"));
    double lastThick = -1;
    for (int i = 3; i < lines.size(); ++i) {
        const auto m = data.match(lines[i]);
        ASSERT_TRUE(m.hasMatch()) << qPrintable(lines[i]);
        const double thick = m.captured(1).toDouble();
        EXPECT_GE(thick, lastThick - 0.002) << "thickness must not fall: " << qPrintable(lines[i]);
        EXPECT_LT(thick, 0.4) << "the reading that tripped is not logged as running";
        lastThick = std::max(lastThick, thick);
    }
    EXPECT_GT(lastThick, 0.2);

    // Stopped: further readings add no lines.
    const int count = static_cast<int>(lines.size());
    QTest::qWait(400);
    EXPECT_EQ(ReadFile(log).chopped(2).split(QStringLiteral("\r\n")).size(), count);
}
