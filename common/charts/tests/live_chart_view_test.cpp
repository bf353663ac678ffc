// The live chart view: redraws come in batches however fast readings arrive, the view scrolls
// over its span, and a legend click hides a series and takes it out of the value axis.

#include "common/charts/LiveChartView.h"

#include <gtest/gtest.h>

#include <QChart>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>

namespace tlv::charts {
namespace {

// Runs the event loop until `done` or the (generous) time-out.
template <typename Done> bool WaitFor(Done done, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

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
    EXPECT_GE(LiveChartView::kRefreshIntervalMs, 100) << "never more than 10 redraws a second";
    ASSERT_TRUE(WaitFor([&] { return view.line(id) != nullptr; }));
    const int before = view.refreshCount();

    for (int i = 0; i < 1000; ++i) // the reading path: appends only
        model.append(id, i * 0.1, 5.0);
    EXPECT_EQ(view.refreshCount(), before) << "appending never redraws";

    ASSERT_TRUE(WaitFor([&] { return view.refreshCount() > before; }));
    EXPECT_EQ(view.refreshCount(), before + 1) << "all 1000 readings in one redraw";
    EXPECT_EQ(view.line(id)->count(), 1000);

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

    QLineSeries* line = view.line(id);
    ASSERT_NE(line, nullptr);
    EXPECT_LE(line->count(), 601);
    EXPECT_GE(line->count(), 590);
    // Time in minutes before the newest reading.
    EXPECT_NEAR(line->at(line->count() - 1).x(), 0.0, 1e-9);
    EXPECT_GE(line->at(0).x(), -1.0 - 1e-9);
    EXPECT_LT(line->at(0).x(), -0.98);
    ASSERT_EQ(view.line(sp)->count(), 2) << "a setpoint is a line across the view";
    EXPECT_DOUBLE_EQ(view.line(sp)->at(0).y(), 5.0);

    view.setSpanSeconds(30 * 60);
    view.refreshNow();
    EXPECT_LE(std::size_t(line->count()), LiveChartView::kMaxPointsPerLine);
    EXPECT_GT(line->count(), 600);
}

TEST(LiveChartView, ALegendClickHidesASeriesAndASecondShowsItAgain)
{
    ChartModel model(QStringLiteral("Power"), QStringLiteral("%"));
    const int small = model.addSeries(QStringLiteral("Silver"));
    const int big = model.addSeries(QStringLiteral("Copper"));
    for (int i = 0; i < 50; ++i) {
        model.append(small, i, 2.0);
        model.append(big, i, 90.0);
    }
    LiveChartView view(model);
    view.refreshNow();
    ASSERT_GT(ValueAxis(view)->max(), 90.0);

    QLegendMarker* marker = view.legendMarker(big);
    ASSERT_NE(marker, nullptr);
    emit marker->clicked();
    EXPECT_FALSE(view.seriesShown(big));
    EXPECT_FALSE(view.line(big)->isVisible());
    RunEventsFor(50);
    EXPECT_TRUE(marker->isVisible()) << "the entry stays to be clicked back";
    EXPECT_TRUE(view.line(small)->isVisible());
    EXPECT_LT(ValueAxis(view)->max(), 10.0) << "a hidden series no longer sets the scale";

    for (int i = 50; i < 60; ++i)
        model.append(big, i, 95.0);
    view.refreshNow();
    EXPECT_FALSE(view.line(big)->isVisible()) << "new readings do not show it again";

    emit marker->clicked();
    EXPECT_TRUE(view.seriesShown(big));
    EXPECT_TRUE(view.line(big)->isVisible());
    EXPECT_EQ(view.line(big)->count(), 60) << "it comes back with the readings it missed";
    EXPECT_GT(ValueAxis(view)->max(), 95.0);
}

TEST(LiveChartView, SeriesAddedWhileRunningAppearAndRenamesFollow)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    LiveChartView view(model);
    view.refreshNow();
    EXPECT_EQ(view.line(0), nullptr);
    const int id = model.addSeries(QStringLiteral("Output 1"));
    model.append(id, 1, 1);
    view.refreshNow();
    ASSERT_NE(view.line(id), nullptr);
    model.setName(id, QStringLiteral("Silver"));
    view.refreshNow();
    EXPECT_EQ(view.line(id)->name(), QStringLiteral("Silver"));
}

} // namespace
} // namespace tlv::charts
