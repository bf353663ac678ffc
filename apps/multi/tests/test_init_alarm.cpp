// A failed Init is an alarm of the card console and its error stays on the status line; a good
// Init clears both, so "Error 99" does not outlive its cause. The panel acknowledges by object
// name.

#include "WindowFixture.h"

#include "common/StatusLine.h"
#include "common/alarms/AlarmConditions.h"

#include <QDockWidget>
#include <QTableWidget>

using namespace multi;
using namespace multi::testing;

namespace {

TEST_F(WindowTest, AFailedInitIsAnAlarmUntilAGoodInit)
{
    frmMain& w = Open();
    tlv::AlarmModel& alarms = w.Console().Alarms().model();
    auto* panel = Find<QDockWidget>(QStringLiteral("dockAlarms"));
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->features() & QDockWidget::DockWidgetClosable) << "no menu brings it back";

    library->results[QStringLiteral("Xdc770Init")] = 1; // the library refuses the settings
    Click("cmdInit");
    EXPECT_EQ(ButtonColour(Button("cmdInit")), kFailColour);
    ASSERT_EQ(alarms.open().size(), 1);
    const tlv::Alarm alarm = alarms.open().front();
    EXPECT_EQ(alarm.condition, tlv::condition::kCard);
    EXPECT_EQ(alarm.text.toStdString(), "Init failed: Error 99: Unresolved Init Error");
    EXPECT_EQ(alarm.raised, w.TLV880().Clock().now());
    EXPECT_TRUE(w.StatusLine().message().contains(QStringLiteral("Error 99")))
        << w.StatusLine().message().toStdString();
    auto* table = Find<QTableWidget>(QStringLiteral("grdAlarms"));
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 3)->text(), alarm.text);

    // A second failure is the same alarm.
    Click("cmdInit");
    EXPECT_EQ(alarms.history().size(), 1U);

    table->selectRow(0);
    Click("cmdAcknowledge");
    EXPECT_EQ(alarms.open().front().state, tlv::AlarmState::Acknowledged);

    library->results.erase(QStringLiteral("Xdc770Init"));
    Click("cmdInit");
    EXPECT_EQ(ButtonColour(Button("cmdInit")), kOkColour);
    EXPECT_TRUE(alarms.open().isEmpty());
    EXPECT_EQ(w.StatusLine().message(), QString()) << "Error 99 went with its cause";

    // An error that is not the Init's stays through a good Init.
    w.TLV880().SendPower(20, 0);
    Click("cmdInit");
    EXPECT_EQ(w.StatusLine().message(), QStringLiteral("Error 5: Invalid Output Number."));
}

TEST_F(WindowTest, AnInitEntryThatIsNoNumberIsNoCardAlarm)
{
    frmMain& w = Open();
    Text("txtInit", 4)->setText(QString());
    Click("cmdInit");
    EXPECT_TRUE(w.Console().Alarms().model().open().isEmpty());
}

} // namespace
