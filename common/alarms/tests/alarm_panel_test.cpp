// The alarm panel in a main window, driven by object name: what it lists, how it colours it,
// acknowledging selected rows or all, the help page, and the status line that follows alarms.
#include "common/DialogService.h"
#include "common/StatusLine.h"
#include "common/alarms/AlarmPanel.h"
#include "tlvtest/PrintQt.h"

#include <QApplication>
#include <QMainWindow>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>

#include <gtest/gtest.h>

namespace {

using namespace tlv;

class AlarmPanelTest : public ::testing::Test {
protected:
    AlarmPanelTest() { panel = InstallAlarmPanel(&window, model); }

    QTableWidget* table() const { return window.findChild<QTableWidget*>("grdAlarms"); }
    QPushButton* button(const char* name) const { return window.findChild<QPushButton*>(name); }
    QString cell(int row, int column) const { return table()->item(row, column)->text(); }

    QDateTime now{QDate(2026, 12, 8), QTime(10, 0, 0)};
    AlarmModel model{[this] { return now; }};
    QMainWindow window;
    AlarmPanel* panel = nullptr;
};

TEST_F(AlarmPanelTest, ListsOpenAlarmsNewestFirstThenTheClearedOnes)
{
    ASSERT_EQ(window.findChild<QDockWidget*>("dockAlarms"), panel);
    ASSERT_NE(table(), nullptr);
    EXPECT_EQ(table()->rowCount(), 0);
    EXPECT_EQ(panel->windowTitle(), "Alarms");
    EXPECT_FALSE(button("cmdAcknowledgeAll")->isEnabled());

    model.raise("crystal", AlarmSource::sensor(0), "Sensor 1 Crystal Failure.");
    now = now.addSecs(30);
    model.raise("rate", AlarmSource::output(1, "Output 2"), "Rate of Output 2 out of tolerance.",
                AlarmSeverity::Warning);
    now = now.addSecs(30);
    model.raise("power", AlarmSource::output(0, "Output 1"), "Output 1 at its maximum power.");
    model.clear("power", AlarmSource::output(0, "Output 1"));

    ASSERT_EQ(table()->rowCount(), 3);
    EXPECT_EQ(cell(0, 0), "10:00:30");
    EXPECT_EQ(cell(0, 1), "Warning");
    EXPECT_EQ(cell(0, 2), "Output 2");
    EXPECT_EQ(cell(0, 4), "Active");
    EXPECT_EQ(cell(1, 3), "Sensor 1 Crystal Failure.");
    EXPECT_EQ(cell(2, 4), "Cleared, not acknowledged");
    EXPECT_EQ(table()->item(0, 3)->background().color(), QColor(255, 224, 138)); // amber
    EXPECT_EQ(table()->item(1, 3)->background().color(), QColor(255, 170, 170)); // red
    EXPECT_EQ(table()->item(2, 3)->foreground().color(), QColor(128, 128, 128)); // grey
    EXPECT_TRUE(table()->item(2, 0)->toolTip().contains("Cleared 2026-12-08 10:01:00"));
    EXPECT_EQ(panel->windowTitle(), "Alarms: 2 open, 2 to acknowledge");
}

TEST_F(AlarmPanelTest, AcknowledgesTheSelectedRowsAndAll)
{
    model.raise("crystal", AlarmSource::sensor(0), "one");
    model.raise("crystal", AlarmSource::sensor(1), "two");
    model.raise("crystal", AlarmSource::sensor(2), "three");
    EXPECT_FALSE(button("cmdAcknowledge")->isEnabled()) << "nothing selected";

    table()->selectRow(1); // "two": rows are newest first
    ASSERT_TRUE(button("cmdAcknowledge")->isEnabled());
    now = now.addSecs(12);
    button("cmdAcknowledge")->click();
    EXPECT_EQ(model.find(2)->state, AlarmState::Acknowledged);
    EXPECT_EQ(model.find(2)->acknowledged.time(), QTime(10, 0, 12));
    EXPECT_EQ(model.unacknowledgedCount(), 2);
    EXPECT_EQ(cell(1, 4), "Acknowledged");
    EXPECT_EQ(table()->item(1, 3)->background().style(), Qt::NoBrush);
    EXPECT_FALSE(button("cmdAcknowledge")->isEnabled()) << "the selection is acknowledged";

    // A new alarm moves the rows; the selection stays on the same alarm.
    model.raise("crystal", AlarmSource::sensor(3), "four");
    ASSERT_EQ(table()->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(table()->selectionModel()->selectedRows().front().row(), 2);

    button("cmdAcknowledgeAll")->click();
    EXPECT_EQ(model.unacknowledgedCount(), 0);
    EXPECT_FALSE(button("cmdAcknowledgeAll")->isEnabled());
    EXPECT_EQ(panel->windowTitle(), "Alarms: 4 open");
}

TEST_F(AlarmPanelTest, KeepsAtMostTheLatestClearedRows)
{
    for (int i = 0; i < AlarmPanel::kClearedRows + 20; ++i) {
        model.raise("power", AlarmSource::output(0, "Output 1"), QString::number(i));
        model.clear("power", AlarmSource::output(0, "Output 1"));
    }
    model.raise("crystal", AlarmSource::sensor(0), "open");
    ASSERT_EQ(table()->rowCount(), AlarmPanel::kClearedRows + 1);
    EXPECT_EQ(cell(0, 3), "open");
    EXPECT_EQ(cell(1, 3), QString::number(AlarmPanel::kClearedRows + 19));
}

TEST_F(AlarmPanelTest, HelpOpensTheAlarmPage)
{
    std::vector<DialogRequest> asked;
    DialogService::ScopedHandler answer([&](const DialogRequest& r) {
        asked.push_back(r);
        return DialogAnswer(QMessageBox::Ok);
    });
    button("cmdAlarmHelp")->click();
    ASSERT_TRUE(asked.empty()) << asked.front().text.toStdString();
    QTextBrowser* help = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "frmHelp") help = qobject_cast<QTextBrowser*>(w);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->windowTitle(), "TLV-880 Alarms Help");
    EXPECT_TRUE(help->toPlainText().contains("Acknowledge All"));
    help->close();
}

TEST(AlarmStatusLine, ShowsARaisedAlarmAndEmptiesWhenItClears)
{
    QDateTime now{QDate(2026, 12, 8), QTime(10, 0, 0)};
    AlarmModel model{[&now] { return now; }};
    StatusLine line;
    line.setClock([&now] { return now; });
    ShowAlarmsOnStatusLine(line, model);

    model.raise("crystal", AlarmSource::sensor(4), "Sensor 5 Crystal Failure.");
    EXPECT_EQ(line.message(), "Sensor 5 Crystal Failure.");
    now = now.addSecs(90);
    line.refreshAge();
    EXPECT_EQ(line.text(), "10:00:00 (1 min ago)  Sensor 5 Crystal Failure.");
    model.acknowledgeAll();
    EXPECT_EQ(line.message(), "Sensor 5 Crystal Failure.") << "acknowledged, still present";
    model.clear("crystal", AlarmSource::sensor(4));
    EXPECT_TRUE(line.message().isEmpty());

    // A later message is not taken away by an earlier alarm clearing.
    model.raise("crystal", AlarmSource::sensor(4), "again");
    line.showMessage("Setup loaded.");
    model.clear("crystal", AlarmSource::sensor(4));
    EXPECT_EQ(line.message(), "Setup loaded.");
}

} // namespace
