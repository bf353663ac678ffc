// The chart's data: rings that keep the newest points in a fixed space, the clock across
// midnight, and the reduction of many points to what a line can show.

#include "common/charts/ChartModel.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST(ChartModel, VisiblePointsStartAtTheViewAndKeepPeaksWhenReduced)
{
    ChartModel model(QStringLiteral("Rate"), QStringLiteral("Å/s"), 5000);
    const int id = model.addSeries(QStringLiteral("a"));
    for (int i = 0; i < 5000; ++i)
        model.append(id, i, i == 3333 ? 99.0 : (i == 4000 ? -7.0 : 1.0));

    std::vector<QPointF> out;
    model.visiblePoints(id, 4990, 100, out);
    ASSERT_EQ(out.size(), 10u) << "few points are passed as they are";
    EXPECT_DOUBLE_EQ(out.front().x(), 4990);

    model.visiblePoints(id, 1000, 200, out);
    ASSERT_LE(out.size(), 200u);
    ASSERT_GE(out.size(), 100u);
    EXPECT_GE(out.front().x(), 1000);
    bool peak = false;
    bool dip = false;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (i > 0) {
            EXPECT_LE(out[i - 1].x(), out[i].x());
        }
        peak = peak || out[i].y() == 99.0;
        dip = dip || out[i].y() == -7.0;
    }
    EXPECT_TRUE(peak && dip) << "reduction keeps the highest and lowest of each bucket";

    model.visiblePoints(id, 6000, 100, out);
    EXPECT_TRUE(out.empty());
}

} // namespace
} // namespace tlv::charts
