// The chart's data: rings that keep the newest points in a fixed space, the clock across
// midnight, breaks at gaps, and the reduction of many points to the pixel columns of a line.

#include "common/charts/ChartModel.h"
#include "common/charts/ColumnReducer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>

namespace tlv::charts {
namespace {

TEST(SeriesRing, KeepsTheNewestPointsInOrderAcrossWrapAround)
{
    SeriesRing ring(4);
    for (int i = 0; i < 3; ++i)
        ring.push({double(i), double(i * 10)});
    EXPECT_EQ(ring.size(), 3u);
    EXPECT_DOUBLE_EQ(ring.at(0).t, 0);

    for (int i = 3; i < 11; ++i)
        ring.push({double(i), double(i * 10)});
    ASSERT_EQ(ring.size(), 4u);
    EXPECT_EQ(ring.capacity(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ(ring.at(i).t, 7.0 + double(i)) << i;
    EXPECT_DOUBLE_EQ(ring.newest().v, 100);

    ring.clear();
    EXPECT_TRUE(ring.empty());
    ring.push({1, 1});
    EXPECT_DOUBLE_EQ(ring.newest().t, 1);
}

TEST(SeriesRing, FindsTheFirstPointOfATimeAndStaysOrderedWhenTheClockStepsBack)
{
    SeriesRing ring(5);
    for (int i = 0; i < 8; ++i) // holds 3..7 after wrapping
        ring.push({double(i), 0});
    EXPECT_EQ(ring.firstAtOrAfter(-1), 0u);
    EXPECT_EQ(ring.firstAtOrAfter(3), 0u);
    EXPECT_EQ(ring.firstAtOrAfter(4.5), 2u);
    EXPECT_EQ(ring.firstAtOrAfter(7), 4u);
    EXPECT_EQ(ring.firstAtOrAfter(7.1), 5u);

    ring.push({2, 42}); // earlier than the newest: kept, at the newest time
    EXPECT_DOUBLE_EQ(ring.newest().t, 7);
    EXPECT_DOUBLE_EQ(ring.newest().v, 42);
    for (std::size_t i = 1; i < ring.size(); ++i)
        EXPECT_LE(ring.at(i - 1).t, ring.at(i).t);
}

TEST(ChartModel, TwoHoursAtTheShortestPeriodKeepThirtyMinutesInAFixedSpace)
{
    const std::size_t capacity = ChartModel::RingCapacity();
    EXPECT_EQ(capacity, 18001u) << "30 minutes at 0.1 s, both ends included";

    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    const int rate = model.addSeries(QStringLiteral("Output 1"));
    const int power = model.addSeries(QStringLiteral("Output 1 power"));
    MidnightClock clock;
    const double start = 86400 - 3600; // the run crosses midnight halfway
    for (int i = 0; i < 72000; ++i) {
        const double t = clock.continuous(std::fmod(start + i * 0.1, 86400.0));
        model.append(rate, t, 5 + std::sin(i * 0.01));
        model.append(power, t, 48);
        if (i % 6000 == 0) {
            // Memory stays flat: the rings never hold more than they were made for.
            ASSERT_LE(model.ring(rate).size(), capacity);
            ASSERT_EQ(model.ring(rate).capacity(), capacity);
        }
    }
    const SeriesRing& ring = model.ring(rate);
    EXPECT_EQ(ring.size(), capacity);
    EXPECT_EQ(ring.capacity(), capacity);
    EXPECT_NEAR(ring.newest().t, start + 71999 * 0.1, 1e-6) << "continuous across midnight";
    EXPECT_NEAR(ring.newest().t - ring.at(0).t, ChartModel::kKeepSeconds, 1e-6);
    EXPECT_NEAR(model.newestTime(), ring.newest().t, 1e-9);
}

TEST(ChartModel, ChangesCountAndBadInputIsIgnored)
{
    ChartModel model(QStringLiteral("Thickness"), QStringLiteral("kÅ"), 10);
    const auto r0 = model.revision();
    const int line = model.addSeries(QStringLiteral("Silver"));
    const int level = model.addSeries(QStringLiteral("Silver setpoint"), ChartModel::Kind::Level);
    EXPECT_GT(model.revision(), r0);
    EXPECT_TRUE(std::isnan(model.newestTime()));

    const auto r1 = model.revision();
    model.append(7, 1, 1);      // no such series
    model.append(line, NAN, 1); // no time
    model.append(level, 1, 1);  // a level has no history
    model.setLevel(line, 3);    // a line has no level
    model.setName(line, QStringLiteral("Silver"));
    EXPECT_EQ(model.revision(), r1);

    model.setLevel(level, 0.5);
    EXPECT_DOUBLE_EQ(model.level(level), 0.5);
    const auto r2 = model.revision();
    model.setLevel(level, 0.5);
    EXPECT_EQ(model.revision(), r2) << "an unchanged setpoint causes no redraw";
    model.append(line, 2, 0.1);
    EXPECT_GT(model.revision(), r2);
}

TEST(MidnightClock, CountsOnAcrossMidnightButNotForSmallSteps)
{
    MidnightClock clock;
    EXPECT_DOUBLE_EQ(clock.continuous(86399.5), 86399.5);
    EXPECT_DOUBLE_EQ(clock.continuous(0.25), 86400.25);
    EXPECT_DOUBLE_EQ(clock.continuous(0.2), 86400.2) << "a small step back is no new day";
    EXPECT_DOUBLE_EQ(clock.continuous(86399.9), 86400 + 86399.9);
    EXPECT_DOUBLE_EQ(clock.continuous(1), 2 * 86400 + 1.0);
}

TEST(ChartModel, AGapLongerThanTheGapTimeBreaksTheLineOnce)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"), 100);
    const int id = model.addSeries(QStringLiteral("a"));
    model.setGapSeconds(0.5);              // two periods of 0.25 s
    for (double t : {0.0, 0.25, 0.5, 1.0}) // 0.5 s between the last two: still joined
        model.append(id, t, 1);
    const SeriesRing& ring = model.ring(id);
    ASSERT_EQ(ring.size(), 4u);
    model.append(id, 1.6, 2); // 0.6 s: a reading went missing
    ASSERT_EQ(ring.size(), 6u);
    EXPECT_TRUE(std::isnan(ring.at(4).v)) << "a break before the late reading";
    EXPECT_DOUBLE_EQ(ring.at(4).t, 1.0) << "at the last joined reading, so times stay ordered";
    EXPECT_DOUBLE_EQ(ring.newest().v, 2);
    EXPECT_DOUBLE_EQ(model.newestTime(), 1.6);
}

// The points of the ring whose times fall in column k of width w, as the reducer sees them.
struct ColumnExtremes {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
};

std::map<std::int64_t, ColumnExtremes> Extremes(const SeriesRing& ring, double from, double w)
{
    std::map<std::int64_t, ColumnExtremes> columns;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const ChartPoint& p = ring.at(i);
        if (p.t < from || !std::isfinite(p.v)) continue;
        ColumnExtremes& c = columns[static_cast<std::int64_t>(std::floor(p.t / w))];
        c.low = std::min(c.low, p.v);
        c.high = std::max(c.high, p.v);
    }
    return columns;
}

void ExpectEveryColumnKept(const ColumnReducer& reducer, const SeriesRing& ring, double from,
                           double w)
{
    const auto expected = Extremes(ring, from, w);
    std::map<std::int64_t, ColumnExtremes> drawn;
    for (const ColumnReducer::Column& c : reducer.columns()) {
        ColumnExtremes& d = drawn[c.index];
        d.low = std::min({d.low, c.low.v, c.high.v});
        d.high = std::max({d.high, c.low.v, c.high.v});
        EXPECT_GE(std::min(c.low.t, c.high.t), from) << "nothing from before the view";
    }
    ASSERT_EQ(drawn.size(), expected.size());
    for (const auto& [index, e] : expected) {
        ASSERT_TRUE(drawn.count(index)) << "column " << index;
        EXPECT_EQ(drawn[index].low, e.low) << "column " << index;
        EXPECT_EQ(drawn[index].high, e.high) << "column " << index;
    }
}

TEST(ColumnReducer, KeepsTheLowestAndHighestOfEveryColumnWhileTheViewScrolls)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"), 3000);
    const int smooth = model.addSeries(QStringLiteral("smooth"));
    const int spiky = model.addSeries(QStringLiteral("spiky"));
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-1, 1);
    ColumnReducer reducers[2];
    const double w = 0.7; // seven readings and a bit per column
    double t = 0;
    for (int step = 0; step < 60; ++step) {
        for (int i = 0; i < 97; ++i, t += 0.1) { // readings between two redraws
            model.append(smooth, t, std::sin(t * 0.05));
            const bool spike = random() % 50 == 0;
            model.append(spiky, t, spike ? 40 * noise(random) : noise(random));
        }
        const double from = t - 200; // the ring wraps after 300 s
        for (int id : {smooth, spiky}) {
            reducers[id].update(model.ring(id), from, w);
            ExpectEveryColumnKept(reducers[id], model.ring(id), from, w);
            ASSERT_FALSE(HasFailure()) << "series " << id << " at step " << step;
        }
    }
}

TEST(ColumnReducer, ReadsOnlyNewReadingsUntilTheColumnsChange)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"));
    const int id = model.addSeries(QStringLiteral("a"));
    for (int i = 0; i < 18001; ++i)
        model.append(id, i * 0.1, std::cos(i * 0.01));
    ColumnReducer reducer;
    double end = 1800;
    EXPECT_EQ(reducer.update(model.ring(id), end - 1800, 2.0), 18001u)
        << "the first look reads all";
    const std::size_t columns = reducer.columns().size();
    EXPECT_LE(columns, 901u);

    for (int i = 1; i <= 3; ++i) {
        end += 0.1;
        model.append(id, end, 0.5);
        const std::size_t read = reducer.update(model.ring(id), end - 1800, 2.0);
        EXPECT_LE(read, 1u + 20u) << "the new reading and at most the first column again";
    }
    EXPECT_NEAR(double(reducer.columns().size()), double(columns), 1);

    EXPECT_GT(reducer.update(model.ring(id), end - 1800, 1.0), 17000u) << "new width: afresh";
    model.clear();
    model.append(id, end + 1, 3);
    EXPECT_EQ(reducer.update(model.ring(id), end - 1800, 1.0), 1u) << "a cleared ring: afresh";
    ASSERT_EQ(reducer.columns().size(), 1u);
    EXPECT_EQ(reducer.columns().front().high.v, 3);
}

TEST(ColumnReducer, ABreakSplitsTheLineIntoRunsThatAreNotJoined)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"), 100);
    const int id = model.addSeries(QStringLiteral("a"));
    model.setGapSeconds(0.5);
    for (double t : {0.0, 0.25, 0.5, 3.0, 3.25, 6.0})
        model.append(id, t, t);
    ColumnReducer reducer;
    reducer.update(model.ring(id), -1, 0.1);
    std::vector<QList<QPointF>> runs(5);
    const std::size_t used = reducer.runs(runs, 2.0, [](double t) { return t; });
    ASSERT_EQ(used, 3u);
    ASSERT_EQ(runs[0].size(), 3);
    EXPECT_DOUBLE_EQ(runs[0].back().y(), 1.0) << "values scaled";
    ASSERT_EQ(runs[1].size(), 2);
    EXPECT_DOUBLE_EQ(runs[1].front().x(), 3.0);
    ASSERT_EQ(runs[2].size(), 1);
    EXPECT_TRUE(runs[3].isEmpty() && runs[4].isEmpty()) << "unused runs are emptied";
}

} // namespace
} // namespace tlv::charts
