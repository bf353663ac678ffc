// The charts of tlvmonitor: each refresh of the readings puts the displayed sensors' rates and
// thicknesses into the chart history; the View menu opens the charts; a legend entry per sensor,
// all 24 reachable, hides a sensor in both; lines break where readings stopped.

#include "MonitorChart.h"
#include "MonitorFixture.h"

#include "common/charts/ChartLegend.h"
#include "common/charts/LiveChartView.h"

#include <QAbstractButton>
#include <QAction>

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
    ASSERT_TRUE(chart->RateView()->lineDrawn(1));
    EXPECT_NEAR(chart->RateView()->points(1).front().x(), -2.25 / 60, 1e-9);
    QAbstractButton* entry = chart->Legend()->entry(1);
    ASSERT_NE(entry, nullptr);
    entry->click();
    EXPECT_FALSE(chart->RateView()->lineDrawn(1));
    EXPECT_FALSE(chart->ThickView()->lineDrawn(1)) << "a sensor is hidden in both charts";
    EXPECT_TRUE(chart->RateView()->lineDrawn(0));
}

TEST_F(MonitorChartTest, TwentyFourSensorsAllHaveAThicknessLineAndALegendEntryThatToggles)
{
    frmMain& w = LoadWindow();
    w.findChild<QAction*>(QStringLiteral("mnuViewChart"))->trigger();
    auto* chart = w.findChild<frmChart*>(QStringLiteral("frmChart"));
    ASSERT_NE(chart, nullptr);
    SensorArray readings{};
    for (int i = 0; i < 4; ++i) {
        for (int s = 0; s < 24; ++s)
            readings[static_cast<std::size_t>(s)] = {1.0 + s, 100.0 * (s + i), 5.9e6};
        RecordChart(w, readings, 24, QTime(10, 0).addMSecs(i * 250));
    }
    ChartRecorder* recorder = ChartRecorder::Of(w);
    EXPECT_DOUBLE_EQ(recorder->ThickChart().ring(23).newest().v, 2.6) << "kÅ, as the grid shows";
    chart->RateView()->refreshNow();
    chart->ThickView()->refreshNow();

    tlv::charts::ChartLegend* legend = chart->Legend();
    ASSERT_EQ(legend->entryCount(), 24);
    for (int s = 0; s < 24; ++s) {
        QAbstractButton* entry = legend->entry(s);
        legend->ensureWidgetVisible(entry);
        ASSERT_TRUE(entry->isVisible()) << "Sensor " << s + 1;
        EXPECT_EQ(entry->text(), QStringLiteral("Sensor %1").arg(s + 1));
        entry->click();
        EXPECT_FALSE(chart->RateView()->seriesShown(s));
        EXPECT_FALSE(chart->ThickView()->seriesShown(s));
    }
}

TEST_F(MonitorChartTest, LinesBreakWhereReadingsStoppedForMoreThanTwoPeriods)
{
    frmMain& w = LoadWindow();
    ChartRecorder* recorder = ChartRecorder::Of(w);
    ASSERT_NE(recorder, nullptr);
    const double period = w.Settings().period;
    SensorArray readings{};
    const QTime start(10, 0);
    for (double t : {0.0, 1.0, 2.0, 5.0, 6.0}) // three periods missing before the fourth
        RecordChart(w, readings, 1, start.addMSecs(qRound(t * period * 1000)));
    tlv::charts::LiveChartView view(recorder->RateChart());
    view.setSpanSeconds(60);
    view.refreshNow();
    const auto runs = view.runs(0);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].size(), 3);
    EXPECT_EQ(runs[1].size(), 2);
}

} // namespace
} // namespace monitor::test
