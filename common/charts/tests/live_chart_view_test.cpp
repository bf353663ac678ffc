// The live chart view: redraws come in batches however fast readings arrive, the view scrolls
// over its span bounded to two points per pixel column, breaks at gaps, lines in percent of their
// setpoint, and a legend entry hides a series and takes it out of the value axis.

#include "common/charts/ChartLegend.h"
#include "common/charts/LiveChartView.h"
#include "tlvtest/WaitEvents.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QChart>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QValueAxis>

#include <algorithm>
#include <set>

namespace tlv::charts {
namespace {

// Runs the event loop until `done` or the (generous) time-out.
void RunEventsFor(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

QValueAxis* ValueAxis(LiveChartView& view)
{
    return qobject_cast<QValueAxis*>(view.chart()->axes(Qt::Vertical).value(0));
}

TEST(LiveChartView, ManyReadingsBetweenTwoLooksMakeOneRedraw)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    const int id = model.addSeries(QStringLiteral("Silver"));
    LiveChartView view(model);
    view.show();
    EXPECT_GE(LiveChartView::kRefreshIntervalMs, 100) << "never more than 10 redraws a second";
    ASSERT_TRUE(tlvtest::WaitForEvents([&] { return view.lineCount() == 1; }));
    const int before = view.refreshCount();

    for (int i = 0; i < 1000; ++i) // the reading path: appends only
        model.append(id, i * 0.1, 5.0);
    EXPECT_EQ(view.refreshCount(), before) << "appending never redraws";

    ASSERT_TRUE(tlvtest::WaitForEvents([&] { return view.refreshCount() > before; }));
    EXPECT_EQ(view.refreshCount(), before + 1) << "all 1000 readings in one redraw";
    const QList<QPointF> line = view.points(id);
    ASSERT_GT(line.size(), 0);
    EXPECT_NEAR(line.front().x(), -99.9 / 60, 1e-9) << "from the first reading";
    EXPECT_NEAR(line.back().x(), 0, 1e-9) << "to the last";

    RunEventsFor(3 * LiveChartView::kRefreshIntervalMs);
    EXPECT_EQ(view.refreshCount(), before + 1) << "no redraw without new readings";
}

TEST(LiveChartView, ScrollsOverItsSpanAndBoundsThePointsOfALine)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    const int id = model.addSeries(QStringLiteral("Silver"));
    const int sp = model.addSeries(QStringLiteral("Setpoint"), ChartModel::Kind::Level);
    LiveChartView view(model);
    view.setSpanSeconds(60);
    for (int i = 0; i < 18000; ++i) // 30 minutes at 0.1 s
        model.append(id, 1000 + i * 0.1, i % 2 ? 4.0 : 6.0);
    model.setLevel(sp, 5.0);
    view.refreshNow();

    QList<QPointF> line = view.points(id);
    EXPECT_LE(line.size(), 601);
    EXPECT_GE(line.size(), 590);
    // Time in minutes before the newest reading.
    EXPECT_NEAR(line.back().x(), 0.0, 1e-9);
    EXPECT_GE(line.front().x(), -1.0 - 1e-9);
    EXPECT_LT(line.front().x(), -0.98);
    ASSERT_EQ(view.points(sp).size(), 2) << "a setpoint is a line across the view";
    EXPECT_DOUBLE_EQ(view.points(sp).front().y(), 5.0);

    view.setSpanSeconds(30 * 60);
    view.refreshNow();
    line = view.points(id); // the line of the 30-minute span, reduced to the pixel columns
    // The span's columns, a partial one at either end, and the newest reading.
    EXPECT_LE(line.size(), 2 * (std::lround(view.spanSeconds() / view.columnSeconds()) + 1) + 1)
        << "two points per pixel column at most";
    EXPECT_GT(line.size(), 600);
    EXPECT_LT(line.size(), 18000 / 4) << "the readings were reduced";
    EXPECT_NEAR(line.front().x(), -30.0, 0.1) << "from the oldest reading of the span";
    EXPECT_NEAR(line.back().x(), 0.0, 1e-9);
    // A column keeps its lowest and highest reading: the swing between 4 and 6 stays visible.
    double low = 100;
    double high = -100;
    for (const QPointF& p : line) {
        low = std::min(low, p.y());
        high = std::max(high, p.y());
    }
    EXPECT_DOUBLE_EQ(low, 4.0);
    EXPECT_DOUBLE_EQ(high, 6.0);
}

TEST(LiveChartView, ALongSpanGathersAPixelColumnOfReadingsPerRedraw)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    const int id = model.addSeries(QStringLiteral("Silver"));
    LiveChartView view(model);
    view.resize(900, 400);
    view.show();
    double t = 0;
    const auto readAndLook = [&](int readings) {
        for (int i = 0; i < readings; ++i) {
            t += 0.1;
            model.append(id, t, 5.0 + (i % 3)); // one reading per look, as at 0.1 s
            view.tick();
        }
    };
    view.setSpanSeconds(60);
    view.refreshNow();
    readAndLook(1); // the first redraw lays the plot out
    int before = view.refreshCount();
    ASSERT_LT(view.columnSeconds(), 0.2);
    readAndLook(50);
    EXPECT_EQ(view.refreshCount(), before + 50) << "a 1-minute chart shows every reading";

    view.setSpanSeconds(30 * 60);
    view.tick();
    ASSERT_GT(view.columnSeconds(), 1.0);
    before = view.refreshCount();
    readAndLook(200); // 20 s
    const double expected = 20.0 / view.columnSeconds();
    EXPECT_NEAR(view.refreshCount() - before, expected, 1.5)
        << "a 30-minute chart redraws once per pixel column";
    EXPECT_NEAR(view.points(id).back().x(), 0.0, view.columnSeconds() / 60.0)
        << "the newest readings are drawn within a column";

    // A change without readings (a setpoint, a name) is drawn after the same time.
    const int sp = model.addSeries(QStringLiteral("Setpoint"), ChartModel::Kind::Level);
    model.setLevel(sp, 6.0);
    for (int i = 0; i < 30 && !view.lineDrawn(sp); ++i)
        view.tick();
    EXPECT_TRUE(view.lineDrawn(sp));
}

TEST(LiveChartView, ALegendEntryHidesASeriesAndShowsItAgain)
{
    ChartModel model(QStringLiteral("Power"), QStringLiteral("%"));
    const int small = model.addSeries(QStringLiteral("Silver"));
    const int big = model.addSeries(QStringLiteral("Copper"));
    for (int i = 0; i < 50; ++i) {
        model.append(small, i, 2.0);
        model.append(big, i, 90.0);
    }
    LiveChartView view(model);
    ChartLegend legend;
    legend.attach(&view);
    view.refreshNow();
    ASSERT_GT(ValueAxis(view)->max(), 90.0);
    ASSERT_EQ(legend.entryCount(), 2);
    EXPECT_EQ(legend.entry(big)->text(), QStringLiteral("Copper"));

    QAbstractButton* entry = legend.entry(big);
    entry->click();
    EXPECT_FALSE(view.seriesShown(big));
    EXPECT_FALSE(view.lineDrawn(big));
    EXPECT_FALSE(entry->isChecked()) << "the entry stays to be clicked back";
    EXPECT_TRUE(view.lineDrawn(small));
    EXPECT_LT(ValueAxis(view)->max(), 10.0) << "a hidden series no longer sets the scale";

    for (int i = 50; i < 60; ++i)
        model.append(big, i, 95.0);
    view.refreshNow();
    EXPECT_FALSE(view.lineDrawn(big)) << "new readings do not show it again";

    entry->click();
    EXPECT_TRUE(view.seriesShown(big));
    EXPECT_TRUE(view.lineDrawn(big));
    EXPECT_EQ(view.points(big).size(), 60) << "it comes back with the readings it missed";
    EXPECT_GT(ValueAxis(view)->max(), 95.0);
}

TEST(ChartLegend, TwentyFourLinesAllHaveAnEntryAStyleOfTheirOwnAndCanBeToggled)
{
    ChartModel rate(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    ChartModel thick(QStringLiteral("Thickness"), QStringLiteral("kÅ"));
    for (int s = 0; s < 24; ++s)
        for (ChartModel* model : {&rate, &thick})
            model->append(model->addSeries(QStringLiteral("Sensor %1").arg(s + 1)), 1, s);
    LiveChartView rateView(rate);
    LiveChartView thickView(thick);
    ChartLegend legend;
    legend.attach(&rateView);
    legend.attach(&thickView);
    legend.resize(legend.sizeHint().width(), 200); // less than 24 rows need
    legend.show();
    ASSERT_EQ(legend.entryCount(), 24);

    std::set<std::pair<QRgb, int>> styles;
    for (int s = 0; s < 24; ++s) {
        const QPen pen = rateView.linePen(s);
        styles.insert({pen.color().rgb(), int(pen.style())});
        EXPECT_EQ(thickView.linePen(s), pen) << "a sensor looks the same in both charts";
    }
    EXPECT_EQ(styles.size(), 24u) << "no two lines alike";

    for (int s = 0; s < 24; ++s) {
        QAbstractButton* entry = legend.entry(s);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->text(), QStringLiteral("Sensor %1").arg(s + 1));
        legend.ensureWidgetVisible(entry);
        EXPECT_TRUE(entry->isVisible());
        entry->click();
        EXPECT_FALSE(rateView.seriesShown(s)) << s;
        EXPECT_FALSE(thickView.seriesShown(s)) << s;
    }
    legend.entry(23)->click();
    EXPECT_TRUE(rateView.seriesShown(23) && thickView.seriesShown(23));
}

TEST(LiveChartView, NothingIsRedrawnWhileHiddenAndAShownViewCatchesUp)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    const int id = model.addSeries(QStringLiteral("Silver"));
    LiveChartView view(model);
    view.show();
    model.append(id, 0, 1);
    ASSERT_TRUE(tlvtest::WaitForEvents([&] { return view.points(id).size() == 1; }));
    view.hide();
    const int before = view.refreshCount();
    for (int i = 1; i < 20; ++i)
        model.append(id, i * 0.1, 1);
    RunEventsFor(3 * LiveChartView::kRefreshIntervalMs);
    EXPECT_EQ(view.refreshCount(), before);
    view.show();
    ASSERT_TRUE(tlvtest::WaitForEvents([&] { return view.refreshCount() > before; }));
    const QList<QPointF> line = view.points(id);
    EXPECT_NEAR(line.front().x(), -1.9 / 60, 1e-9);
    EXPECT_NEAR(line.back().x(), 0, 1e-9) << "the readings that came meanwhile";
}

TEST(LiveChartView, ALineIsBrokenAtAGapAndDrawnInPercentOfItsSetpoint)
{
    ChartModel model(QStringLiteral("Thickness"), QStringLiteral("kÅ"));
    model.setGapSeconds(0.5);
    const int thin = model.addSeries(QStringLiteral("Silver"));
    const int thinSp =
        model.addSeries(QStringLiteral("Silver setpoint"), ChartModel::Kind::Level, thin);
    const int thick = model.addSeries(QStringLiteral("Cu"));
    const int thickSp =
        model.addSeries(QStringLiteral("Cu setpoint"), ChartModel::Kind::Level, thick);
    model.setLevel(thinSp, 0.3);
    model.setLevel(thickSp, 100);
    for (int i = 0; i <= 100; ++i) {
        if (i > 40 && i < 50) continue; // no readings for 1 s
        model.append(thin, i * 0.25, 0.3 * i / 100);
        model.append(thick, i * 0.25, 100.0 * i / 100);
    }
    LiveChartView view(model);
    view.setSpanSeconds(30); // a pixel column is shorter than a period: every reading drawn
    view.setRelativeToLevels(true);
    view.refreshNow();

    for (int id : {thin, thick}) {
        const auto runs = view.runs(id);
        ASSERT_GE(runs.size(), 2u);
        EXPECT_EQ(runs[0].size(), 41) << "up to the gap";
        EXPECT_EQ(runs[1].size(), 51) << "from the gap on, not joined to the first";
        EXPECT_NEAR(runs[1].back().y(), 100, 1e-9) << "at its setpoint";
    }
    EXPECT_DOUBLE_EQ(view.points(thinSp).front().y(), 100);
    EXPECT_EQ(view.legendText(thinSp), QStringLiteral("Silver setpoint (0.3 kÅ)"));
    QValueAxis* axis = ValueAxis(view);
    EXPECT_LE(axis->min(), 0);
    EXPECT_GT(100 - axis->min(), (axis->max() - axis->min()) / 2)
        << "each setpoint more than half way up";
}

TEST(LiveChartView, SeriesAddedWhileRunningAppearAndRenamesFollow)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    LiveChartView view(model);
    ChartLegend legend;
    legend.attach(&view);
    view.refreshNow();
    EXPECT_EQ(view.lineCount(), 0);
    const int id = model.addSeries(QStringLiteral("Output 1"));
    model.append(id, 1, 1);
    view.refreshNow();
    ASSERT_TRUE(view.lineDrawn(id));
    model.setName(id, QStringLiteral("Silver"));
    view.refreshNow();
    EXPECT_EQ(legend.entry(id)->text(), QStringLiteral("Silver"));
}

} // namespace
} // namespace tlv::charts
