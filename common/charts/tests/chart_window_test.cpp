// What the charts tell beyond the lines: a reading kept as a share of the setpoint in force
// when it was taken, setpoints with their tolerance band, markers of moments on the time axis,
// a value axis held at its range, the time of day on the time axis, and the window that stacks
// a program's charts with their legends.

#include "common/charts/ChartLegend.h"
#include "common/charts/ChartWindow.h"
#include "tlvtest/WaitEvents.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QTimeZone>
#include <QValueAxis>

#include <cmath>

namespace tlv::charts {
namespace {

QValueAxis* ValueAxis(LiveChartView& view)
{
    return qobject_cast<QValueAxis*>(view.chart()->axes(Qt::Vertical).value(0));
}

// A layer that reached its setpoint keeps reading 100 % after the next layer's setpoint is
// set; readings without a setpoint break the line instead of reading 0 %.
TEST(ChartModel, ShareOfTheSetpointInForceStaysWithEachReading)
{
    ChartModel model(QStringLiteral("Thickness"), QStringLiteral("kÅ"));
    const int id = model.addSeries(QStringLiteral("Silver"));
    for (int i = 0; i <= 10; ++i) // layer 1: 0 .. 0.1 kÅ against 0.1 kÅ
        model.appendShare(id, i, 0.01 * i, 0.1);
    model.appendShare(id, 11, 0.0, 0.0); // between layers: no setpoint
    for (int i = 0; i <= 10; ++i)        // layer 2: 0 .. 0.15 kÅ against 0.3 kÅ
        model.appendShare(id, 12 + i, 0.015 * i, 0.3);

    const SeriesRing& ring = model.ring(id);
    ASSERT_EQ(ring.size(), 23u);
    EXPECT_DOUBLE_EQ(ring.at(10).v, 100.0) << "the finished layer keeps its 100 %";
    EXPECT_DOUBLE_EQ(ring.at(5).v, 50.0);
    EXPECT_TRUE(std::isnan(ring.at(11).v));
    EXPECT_DOUBLE_EQ(ring.newest().v, 50.0);

    // Drawn relative to the setpoint now in force, the stored shares stay as they are.
    model.setStoresShares(true);
    const int setpoint =
        model.addSeries(QStringLiteral("Silver setpoint"), ChartModel::Kind::Level, id);
    model.setLevel(setpoint, 0.3);
    LiveChartView view(model);
    view.setRelativeToLevels(true);
    view.setSpanSeconds(60);
    view.refreshNow();
    const auto runs = view.runs(id);
    ASSERT_EQ(runs.size(), 2u) << "no line drawn through the reading without a setpoint";
    double top = 0;
    for (const QPointF& p : runs.front())
        top = std::max(top, p.y());
    EXPECT_DOUBLE_EQ(top, 100.0);
    EXPECT_DOUBLE_EQ(view.points(setpoint).front().y(), 100.0);
    EXPECT_EQ(view.legendText(setpoint), "Silver setpoint (0.3 kÅ)");
}

// Each output's setpoint follows its history dashed in the reading's colour, the band's edges
// dotted; the band has no legend entry and goes with its setpoint.
TEST(LiveChartView, SetpointAndBandTakeTheirReadingsColourAndGoWithTheSetpoint)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    const int other = model.addSeries(QStringLiteral("Copper"));
    const int rate = model.addSeries(QStringLiteral("Silver"));
    const int sp =
        model.addSeries(QStringLiteral("Silver setpoint"), ChartModel::Kind::Setpoint, rate);
    const int high = model.addSeries(QString(), ChartModel::Kind::Band, sp);
    const int low = model.addSeries(QString(), ChartModel::Kind::Band, sp);
    for (int i = 0; i < 20; ++i) {
        model.append(other, i, 2);
        model.append(rate, i, 5 + 0.1 * (i % 3));
        model.append(sp, i, i < 10 ? 5 : 6); // a ramp moves the setpoint
        model.append(high, i, (i < 10 ? 5 : 6) + 0.25);
        model.append(low, i, (i < 10 ? 5 : 6) - 0.25);
    }
    LiveChartView view(model);
    ChartLegend legend;
    legend.attach(&view);
    view.setSpanSeconds(60);
    view.refreshNow();

    EXPECT_EQ(view.linePen(sp).color(), view.linePen(rate).color());
    EXPECT_NE(view.linePen(rate).color(), view.linePen(other).color());
    EXPECT_EQ(view.linePen(sp).style(), Qt::DashLine);
    EXPECT_EQ(view.linePen(high).style(), Qt::DotLine);
    EXPECT_EQ(view.linePen(high).color().rgb(), view.linePen(rate).color().rgb());
    EXPECT_TRUE(view.lineDrawn(high));
    double last = 0;
    for (const QPointF& p : view.points(sp))
        last = p.y();
    EXPECT_DOUBLE_EQ(last, 6) << "the setpoint has its history, not only today's value";

    EXPECT_TRUE(view.listedInLegend(sp));
    EXPECT_FALSE(view.listedInLegend(high));
    ASSERT_NE(legend.entry(sp), nullptr);
    EXPECT_TRUE(legend.entry(high)->isHidden());
    legend.entry(sp)->click();
    EXPECT_FALSE(view.seriesShown(sp));
    EXPECT_FALSE(view.seriesShown(high));
    EXPECT_FALSE(view.seriesShown(low));
    EXPECT_TRUE(view.seriesShown(rate));
    legend.entry(sp)->click();
    EXPECT_TRUE(view.seriesShown(low));
}

// Markers inside the span are drawn where they happened with their label; older ones leave
// the view, and the model keeps a bounded number in time order.
TEST(LiveChartView, MarkersShowWhereTheyHappenedWithinTheSpan)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    const int id = model.addSeries(QStringLiteral("Silver"));
    for (int i = 0; i <= 600; ++i)
        model.append(id, i, 5);
    model.addMarker(100, QStringLiteral("Layer 1 Cu seed"));
    model.addMarker(480, QStringLiteral("Layer 2 Ag-Cu alloy"));
    model.addMarker(470, QStringLiteral("late")); // earlier than the last: kept at its time
    ASSERT_EQ(model.markers().size(), 3u);
    EXPECT_DOUBLE_EQ(model.markers().back().t, 480);

    LiveChartView view(model);
    view.setSpanSeconds(300);
    view.refreshNow();
    ASSERT_EQ(view.drawnMarkers().size(), 2u);
    EXPECT_EQ(view.drawnMarkers().front().label, "Layer 2 Ag-Cu alloy");
    EXPECT_DOUBLE_EQ(view.drawnMarkers().front().x, -2.0) << "two minutes before the newest";
    view.setSpanSeconds(600);
    view.refreshNow();
    EXPECT_EQ(view.drawnMarkers().size(), 3u);

    for (int i = 0; i < int(ChartModel::kMaxMarkers) + 10; ++i)
        model.addMarker(600, QStringLiteral("m%1").arg(i));
    EXPECT_EQ(model.markers().size(), ChartModel::kMaxMarkers);
    EXPECT_EQ(model.markers().back().label, QStringLiteral("m%1").arg(ChartModel::kMaxMarkers + 9));
    model.clear();
    EXPECT_TRUE(model.markers().empty());
}

// A power chart stays 0 to 100 % whatever the readings, where a free axis would go below 0.
TEST(LiveChartView, AFixedValueRangeHoldsTheAxis)
{
    ChartModel model(QStringLiteral("Power"), QStringLiteral("%"));
    const int id = model.addSeries(QStringLiteral("Silver"));
    for (int i = 0; i < 50; ++i)
        model.append(id, i, i % 2 ? 0.0 : 30.0);
    LiveChartView view(model);
    view.refreshNow();
    EXPECT_LT(ValueAxis(view)->min(), 0) << "a free axis leaves a margin below 0";
    view.setValueRange(0, 100);
    view.refreshNow();
    EXPECT_DOUBLE_EQ(ValueAxis(view)->min(), 0);
    EXPECT_DOUBLE_EQ(ValueAxis(view)->max(), 100);
    EXPECT_EQ(ValueAxis(view)->tickCount(), 6) << "a grid line every 20 %";
    view.setValueRange(5, 5); // refused: the range stays
    view.refreshNow();
    EXPECT_DOUBLE_EQ(ValueAxis(view)->max(), 100);
    view.clearValueRange();
    view.refreshNow();
    EXPECT_LT(ValueAxis(view)->min(), 0);
}

// Clock time labels the axis with round times of day across the span, for readings in
// seconds since midnight (across midnight too) and in seconds since 1970.
TEST(LiveChartView, ClockTimeLabelsTheTimeAxisWithTheTimeOfDay)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    const int id = model.addSeries(QStringLiteral("Silver"));
    MidnightClock clock;
    for (int i = 0; i <= 400; ++i) // 23:57:00 to 00:03:40
        model.append(id, clock.continuous(std::fmod(86220.0 + i, 86400.0)), 5);
    LiveChartView view(model);
    view.setSpanSeconds(300);
    view.refreshNow();
    EXPECT_TRUE(view.timeLabels().isEmpty());
    EXPECT_EQ(view.timeAxis()->titleText(), "minutes before the latest reading");

    view.setClockTime(true);
    EXPECT_EQ(view.timeAxis()->titleText(), "time of day");
    EXPECT_EQ(view.timeLabels(), QStringList({"23:59", "00:00", "00:01", "00:02", "00:03"}));
    view.setSpanSeconds(60);
    view.refreshNow();
    EXPECT_EQ(view.timeLabels().front(), "00:02:40");
    EXPECT_EQ(view.timeLabels().back(), "00:03:40");
    view.setClockTime(false);
    EXPECT_EQ(view.timeAxis()->titleText(), "minutes before the latest reading");

    ChartModel epoch(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    const int e = epoch.addSeries(QStringLiteral("Output 1"));
    const QDateTime noon(QDate(2026, 3, 4), QTime(12, 0, 0));
    for (int i = 0; i <= 120; ++i)
        epoch.append(e, noon.toMSecsSinceEpoch() / 1000.0 + i, 5);
    LiveChartView fleet(epoch);
    fleet.setTimeBase(LiveChartView::TimeBase::Epoch);
    fleet.setSpanSeconds(60);
    fleet.setClockTime(true);
    EXPECT_EQ(fleet.timeLabels().back(), "12:02:00");
}

// The window stacks the charts it is given: with a legend each (all of one width) or one for
// all; the span and clock boxes act on every chart.
TEST(ChartWindow, StacksChartsWithTheirLegendsAndActsOnAllOfThem)
{
    ChartModel rate(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    ChartModel power(QStringLiteral("Power"), QStringLiteral("%"));
    rate.addSeries(QStringLiteral("A much longer output name"));
    power.addSeries(QStringLiteral("Ag"));
    rate.append(0, 0, 1);
    power.append(0, 0, 1);

    ChartWindow::Options options;
    options.title = QStringLiteral("Chart");
    options.hint = QStringLiteral("Untick a legend entry to hide its line, tick it to show it.");
    options.remembersPosition = false;
    ChartWindow window(options);
    LiveChartView* r = window.addChart(rate, QStringLiteral("chtRate"));
    LiveChartView* p = window.addChart(power, QStringLiteral("chtPower"));
    window.show();
    ASSERT_EQ(window.Legends().size(), 2u);
    EXPECT_EQ(window.Legends()[1]->objectName(), "chtPowerLegend");
    ASSERT_TRUE(tlvtest::WaitForEvents([&] { return window.Legends()[1]->entryCount() == 1; }));
    EXPECT_EQ(window.Legends()[0]->width(), window.Legends()[1]->width());
    EXPECT_EQ(window.windowTitle(), "Chart");

    EXPECT_DOUBLE_EQ(r->spanSeconds(), 300) << "5 minutes unless chosen";
    window.SpanBox()->setCurrentIndex(3);
    EXPECT_DOUBLE_EQ(r->spanSeconds(), 1800);
    EXPECT_DOUBLE_EQ(p->spanSeconds(), 1800);
    window.ClockBox()->click();
    EXPECT_TRUE(r->clockTime());
    EXPECT_TRUE(p->clockTime());
    window.SetClockTime(false);
    EXPECT_FALSE(window.ClockBox()->isChecked());
    EXPECT_FALSE(p->clockTime());

    options.legends = ChartWindow::Legends::Shared;
    options.spanMinutes = {1, 5, 10};
    ChartWindow shared(options);
    shared.addChart(rate, QStringLiteral("chtRate"));
    LiveChartView* sp = shared.addChart(power, QStringLiteral("chtPower"));
    ASSERT_EQ(shared.Legends().size(), 1u);
    ASSERT_TRUE(tlvtest::WaitForEvents([&] { return shared.Legends()[0]->entryCount() == 1; }));
    shared.Legends()[0]->entry(0)->click();
    EXPECT_FALSE(sp->seriesShown(0)) << "one entry hides the series in every chart";
    EXPECT_EQ(shared.SpanBox()->count(), 3);
}

} // namespace
} // namespace tlv::charts
