// tlvmonitor over the real card library without cards: the library simulates the crystals and
// the window measures and logs all 24 sensors.
#include "frmMain.h"

#include "common/DialogService.h"
#include "common/ProgramInfo.h"

#include "tlvtest/PrivateHome.h"
#include "tlvtest/WaitEvents.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace monitor::test {
namespace {

// Runs the event loop until `done` holds: the library's own thread and the window's timers bring
// it about at their own pace. The time-out only ends a test that hangs.
QStringList LogLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

TEST(MonitorSimulation, MeasuresAndLogsTwentyFourSensorsWithoutCards)
{
    tlvtest::PrivateHome home;
    ASSERT_TRUE(home.isValid());
    tlv::ProgramInfo info;
    info.title = QString::fromLatin1(kProgramTitle);
    info.productName = QString::fromLatin1(kProductName);
    tlv::SetProgramInfo(info);
    QSettings(QStringLiteral("TLV880"), info.title).clear();
    {
        QFile setup(home.filePath(QStringLiteral("tlvmonitor.dat")));
        ASSERT_TRUE(setup.open(QIODevice::WriteOnly));
        setup.write(
            "[Setup]\r\nSensors=24\r\nLogEnabled=1\r\nLogFile=TLV880.LOG\r\nPeriod=0.1\r\n");
    }
    tlv::DialogService::ScopedHandler dialogs(QMessageBox::Ok);

    frmMain w;
    w.Form_Load();
    ASSERT_EQ(w.Instrument().Revision(0), 906) << "no usable driver: simulate mode";
    EXPECT_EQ(w.Instrument().OpMode(), 1);
    EXPECT_TRUE(tlv::DialogService::requests().isEmpty());
    auto* sim = w.findChild<QLabel*>(QStringLiteral("lblSim"));
    ASSERT_NE(sim, nullptr);
    EXPECT_TRUE(sim->isVisibleTo(&w)) << "the simulation is marked, as in every program";
    EXPECT_EQ(sim->text(), QStringLiteral("SIMULATE"));

    auto* grid = w.findChild<QTableWidget*>(QStringLiteral("grdReading"));
    ASSERT_EQ(grid->rowCount(), 25);
    w.findChild<QPushButton*>(QStringLiteral("cmdFSwitch_0"))->click();
    EXPECT_EQ(w.RunTimer().interval(), 50);

    const QString log = home.filePath(QStringLiteral("TLV880.LOG"));
    // Three refreshes of all 24 sensors after the two head lines and the blank line.
    ASSERT_TRUE(tlvtest::WaitForEvents([&] { return LogLines(log).size() >= 3 + 3 * 24; },
                                       std::chrono::seconds(120)))
        << "log lines: " << LogLines(log).size();
    w.findChild<QPushButton*>(QStringLiteral("cmdFSwitch_0"))->click();

    for (int row = 1; row <= 24; ++row) {
        bool isNumber = false;
        const double frequency = grid->item(row, 3)->text().toDouble(&isNumber);
        EXPECT_TRUE(isNumber) << "row " << row << ": " << grid->item(row, 3)->text().toStdString();
        EXPECT_GT(frequency, 4000000.0);
        EXPECT_FALSE(grid->item(row, 4)->text().isEmpty());
    }

    const QStringList lines = LogLines(log);
    EXPECT_EQ(lines[0], QString());
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Date: ")));
    EXPECT_EQ(lines[2], QStringLiteral("Time, Rate, Thick, Frequency, % Life"));
    const QRegularExpression sensorLine(
        QStringLiteral("^\\d{1,2}:\\d\\d:\\d\\d, Sensor(\\d+), -?\\d*\\.\\d, -?\\d+\\.\\d+, "
                       "\\d+\\.\\d, \\d*\\.\\d$"));
    for (int i = 3; i < lines.size(); ++i) {
        const auto match = sensorLine.match(lines[i]);
        ASSERT_TRUE(match.hasMatch()) << lines[i].toStdString();
        EXPECT_EQ(match.captured(1).toInt(), (i - 3) % 24 + 1) << lines[i].toStdString();
    }
    qunsetenv("TLV880_HOME");
}

} // namespace
} // namespace monitor::test
