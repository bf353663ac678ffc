// The rate chart of tlvmonitor: each refresh of the readings puts the displayed sensors' rates
// into the chart history; the View menu opens the chart; a legend click hides a sensor.

#include "MonitorChart.h"
#include "MonitorFixture.h"

#include "common/charts/LiveChartView.h"

#include <QAction>
#include <QLegendMarker>
#include <QLineSeries>

namespace monitor::test {
namespace {

using MonitorChartTest = MonitorTest;

TEST_F(MonitorChartTest, EachRefreshRecordsTheRatesOfTheDisplayedSensors)
{
    frmMain& w = LoadWindow();
    w.cmdFSwitch_Click(0);
    ChartRecorder* recorder = ChartRecorder::Of(w);
    ASSERT_NE(recorder, nullptr);
    const int shown = w.Settings().sensorsShown;
    for (int i = 0; i < 3; ++i) {
        LibReading r;
        for (int s = 0; s < 24; ++s)
            r.rate[static_cast<std::size_t>(s)] = s + 0.5 * i;
        Queue(r);
        Tick();
    }
    tlv::charts::ChartModel& model = recorder->RateChart();
    ASSERT_EQ(model.seriesCount(), shown) << "one line per displayed sensor, no more";
    EXPECT_EQ(model.name(0), QStringLiteral("Sensor 1"));
    EXPECT_EQ(model.ring(0).size(), 3u);
    EXPECT_EQ(model.ring(shown - 1).size(), 3u);
    // The rate is the filtered one the grid shows; its last value lies within the inputs.
    EXPECT_GE(model.ring(1).newest().v, 1.0);
    EXPECT_LE(model.ring(1).newest().v, 2.0);
}

TEST_F(MonitorChartTest, TheViewMenuOpensTheChartWhereALegendClickHidesASensor)
{
    frmMain& w = LoadWindow();
    auto* action = w.findChild<QAction*>(QStringLiteral("mnuViewChart"));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), QStringLiteral("&Chart"));
    action->trigger();
    auto* chart = w.findChild<frmChart*>(QStringLiteral("frmChart"));
    ASSERT_NE(chart, nullptr);
    EXPECT_TRUE(chart->isVisible());

    SensorArray readings{};
    readings[0][0] = 3.0;
    readings[1][0] = 4.0;
    for (int i = 0; i < 10; ++i)
        RecordChart(w, readings, 2, QTime(10, 0).addMSecs(i * 250));
    chart->RateView()->refreshNow();
    ASSERT_NE(chart->RateView()->line(1), nullptr);
    EXPECT_EQ(chart->RateView()->line(1)->count(), 10);
    QLegendMarker* marker = chart->RateView()->legendMarker(1);
    ASSERT_NE(marker, nullptr);
    emit marker->clicked();
    EXPECT_FALSE(chart->RateView()->line(1)->isVisible());
    EXPECT_TRUE(chart->RateView()->line(0)->isVisible());
}

} // namespace
} // namespace monitor::test
