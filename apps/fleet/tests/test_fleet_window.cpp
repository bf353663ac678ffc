// The fleet window offscreen, on the real forms found by object name, over a fleet core fed with
// synthetic messages: the rows and their colours, the title, the events newest first, the
// status bar and a row's chart.

#include "CoaterText.h"
#include "Fleet.h"
#include "FleetMessagesSupport.h"
#include "frmChart.h"
#include "frmMain.h"

#include "common/charts/LiveChartView.h"
#include "tlvtest/PrivateHome.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace fleet::test {
namespace {

const QByteArray kCoflux = "lab/hall2/chamber3/coflux/";
const QByteArray kMonitor = "lab/hall1/chamber1/tlvmonitor/";

template <typename T> T* Control(const QWidget& form, const char* name)
{
    T* found = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

class FleetWindow : public ::testing::Test {
protected:
    FleetWindow()
    {
        m_core.model().setClock([this] { return m_now; });
        m_window = std::make_unique<frmMain>(m_core);
        m_window->show();
    }
    void Take(const QByteArray& topic, const QByteArray& payload)
    {
        m_core.model().take(topic, payload);
        m_window->RefreshNow();
    }
    QTableWidget& Grid() { return *Control<QTableWidget>(*m_window, "grdCoaters"); }

    tlvtest::PrivateHome m_home;
    qint64 m_now = 0;
    Fleet m_core;
    std::unique_ptr<frmMain> m_window;
};

TEST_F(FleetWindow, ShowsARowPerCoaterRedWhenItNeedsAttentionGreyWhenStale)
{
    Take(kCoflux + "status", "online");
    Take(kCoflux + "state", StateJson(kStart, "running"));
    Take(kMonitor + "status", "online");
    Take(kMonitor + "sensor/1", SensorJson(kStart, 3, 1500, 5.9e6));
    Take(kCoflux + "output/1", OutputJson(kStart, 5, 1000, 40, 5));
    QTableWidget& grid = Grid();
    ASSERT_EQ(grid.rowCount(), 2);
    EXPECT_EQ(grid.horizontalHeaderItem(ColReadings)->text(), QStringLiteral("Readings"));
    EXPECT_EQ(grid.horizontalHeaderItem(ColLastReading)->text(), QStringLiteral("Last reading"));
    EXPECT_EQ(grid.item(0, ColCoater)->text(), QStringLiteral("lab/hall2/chamber3"));
    EXPECT_EQ(grid.item(1, ColProgram)->text(), QStringLiteral("tlvmonitor"));
    EXPECT_EQ(grid.item(0, ColReadings)->text(),
              QStringLiteral("1: 5.00/5.00 Å/s 1.000 kÅ 40.0 %"));
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("TLV-880 Fleet"));
    const QBrush plain = grid.item(1, ColStatus)->background();

    // A trip: the row turns red, the title counts it, the event leads the list.
    Take(kCoflux + "event", EventJson(kStart, "trip", "Thickness setpoint reached on Gold."));
    EXPECT_EQ(grid.item(0, ColStatus)->background().color(), QColor(255, 110, 110));
    EXPECT_EQ(grid.item(1, ColStatus)->background(), plain);
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("TLV-880 Fleet - 1 coater needs attention"));
    Take(kMonitor + "sensor/1", SensorJson(kStart.addSecs(1), 0, 1500, -1));
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("TLV-880 Fleet - 2 coaters need attention"));
    QListWidget& events = *Control<QListWidget>(*m_window, "lstEvents");
    ASSERT_EQ(events.count(), 1);
    EXPECT_TRUE(events.item(0)->text().contains(
        QStringLiteral("lab/hall2/chamber3 coflux  trip: Thickness setpoint reached on Gold.")));
    Take(kMonitor + "event",
         EventJson(kStart, "sensor", "Sensor 1 Crystal Failure.", R"(,"sensor":1)"));
    EXPECT_TRUE(events.item(0)->text().contains(QStringLiteral("Sensor 1 Crystal Failure.")))
        << "newest first";

    // No reading for long enough: the row greys and says when its last reading was.
    const QColor normalText = grid.item(0, ColStatus)->foreground().color();
    m_now += 6000; // one reading so far: a period of 1 s is assumed, five of them
    m_core.model().tick();
    m_window->RefreshNow();
    EXPECT_TRUE(grid.item(0, ColLastReading)->text().endsWith(QStringLiteral("(stale)")));
    EXPECT_EQ(grid.item(0, ColStatus)->foreground().color(), QColor(140, 140, 140));
    Take(kCoflux + "output/1", OutputJson(kStart.addSecs(5), 5, 1100, 40, 5));
    EXPECT_EQ(grid.item(0, ColStatus)->foreground().color(), normalText);
}

TEST_F(FleetWindow, TheStatusBarShowsTheConnectionAndWhatWasIgnored)
{
    QLabel& connection = *Control<QLabel>(*m_window, "lblConnection");
    EXPECT_EQ(connection.text(), QStringLiteral("MQTT: off - disconnected"));
    EXPECT_EQ(connection.palette().color(QPalette::Window), QColor(255, 110, 110));
    QLabel& ignored = *Control<QLabel>(*m_window, "lblIgnored");
    EXPECT_EQ(ignored.text(), QStringLiteral("Ignored: 0"));
    Take(kCoflux + "output/1", "not json");
    Take("lab/unknown", "x");
    EXPECT_EQ(ignored.text(), QStringLiteral("Ignored: 2"));
    EXPECT_TRUE(ignored.toolTip().contains(QStringLiteral("1 unknown topics, 1 not JSON")));
    EXPECT_EQ(Grid().rowCount(), 0);
}

TEST_F(FleetWindow, ARowsChartShowsItsHistoryAndFollowsItsReadings)
{
    for (int i = 0; i < 20; ++i) {
        Take(kCoflux + "output/1", OutputJson(kStart.addMSecs(100 * i), 5, 10 * i, 40));
        Take(kCoflux + "output/2", OutputJson(kStart.addMSecs(100 * i), 2, 5 * i, 20));
    }
    Take(kMonitor + "sensor/1", SensorJson(kStart, 3, 1500, 5.9e6));
    QPushButton& cmdChart = *Control<QPushButton>(*m_window, "cmdChart");
    EXPECT_FALSE(cmdChart.isEnabled()) << "no row chosen";
    Grid().selectRow(0);
    ASSERT_TRUE(cmdChart.isEnabled());
    QTest::mouseClick(&cmdChart, Qt::LeftButton);
    auto* chart = m_window->findChild<frmChart*>(QStringLiteral("frmChart"));
    ASSERT_NE(chart, nullptr);
    EXPECT_TRUE(chart->isVisible());
    EXPECT_TRUE(chart->windowTitle().contains(QStringLiteral("lab/hall2/chamber3 coflux")));
    auto* rate = Control<tlv::charts::LiveChartView>(*chart, "chtRate");
    auto* power = Control<tlv::charts::LiveChartView>(*chart, "chtPower");
    ASSERT_EQ(rate->model().seriesCount(), 2);
    EXPECT_EQ(rate->model().name(0), QStringLiteral("Output 1"));
    EXPECT_EQ(rate->model().ring(0).size(), 20U);
    EXPECT_EQ(power->model().ring(1).size(), 20U);

    // A reading of this coater reaches its chart; one of another coater does not.
    Take(kCoflux + "output/1", OutputJson(kStart.addSecs(2), 6, 300, 41));
    Take(kMonitor + "sensor/1", SensorJson(kStart.addSecs(2), 3, 1600, 5.9e6));
    EXPECT_EQ(rate->model().ring(0).size(), 21U);
    EXPECT_EQ(rate->model().seriesCount(), 2);
    auto* thick = Control<tlv::charts::LiveChartView>(*chart, "chtThick");
    EXPECT_DOUBLE_EQ(thick->model().ring(0).newest().v, 0.3) << "kÅ";

    // The same row again raises the open chart; the monitor's row charts its sensors.
    EXPECT_EQ(m_window->ShowChart(0), chart);
    frmChart* sensors = m_window->ShowChart(1);
    ASSERT_NE(sensors, nullptr);
    EXPECT_NE(sensors, chart);
    EXPECT_EQ(sensors->RateView()->model().name(0), QStringLiteral("Sensor 1"));
    EXPECT_EQ(m_window->ShowChart(7), nullptr);
}

} // namespace
} // namespace fleet::test
