#include "common/alarms/RateTolerance.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using tlv::classifyRate;
using tlv::RateBand;
using tlv::RateBandWatch;
using tlv::RateTolerance;

TEST(RateToleranceBand, PercentOrMinimumWhicheverIsLarger)
{
    const RateTolerance tolerance; // ±5 % or 0.1 Å/s
    EXPECT_DOUBLE_EQ(tolerance.bandHalfWidth(10.0), 0.5);
    EXPECT_DOUBLE_EQ(tolerance.bandHalfWidth(2.0), 0.1); // 5 % would be 0.1: equal
    EXPECT_DOUBLE_EQ(tolerance.bandHalfWidth(1.0), 0.1); // the floor
    EXPECT_DOUBLE_EQ(tolerance.bandHalfWidth(0.0), 0.1);

    EXPECT_TRUE(tolerance.isWithin(10.0, 10.5)); // on the edge
    EXPECT_TRUE(tolerance.isWithin(10.0, 9.5));
    EXPECT_FALSE(tolerance.isWithin(10.0, 10.51));
    EXPECT_FALSE(tolerance.isWithin(10.0, 9.49));
    EXPECT_TRUE(tolerance.isWithin(1.0, 1.1));
    EXPECT_FALSE(tolerance.isWithin(1.0, 1.11));
    EXPECT_FALSE(tolerance.isWithin(1.0, 0.89));
}

TEST(RateToleranceBand, ReadingThatIsNotANumberIsOutside)
{
    const RateTolerance tolerance;
    EXPECT_FALSE(tolerance.isWithin(1.0, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(tolerance.isWithin(1.0, std::numeric_limits<double>::infinity()));
}

TEST(RateToleranceBand, ClassifiesByTimeOutside)
{
    const RateTolerance tolerance; // warning after 20 s, alarm after 60 s
    EXPECT_EQ(classifyRate(tolerance, 10.0, 12.0, 0.0), RateBand::InBand);
    EXPECT_EQ(classifyRate(tolerance, 10.0, 12.0, 19.9), RateBand::InBand);
    EXPECT_EQ(classifyRate(tolerance, 10.0, 12.0, 20.0), RateBand::Warning);
    EXPECT_EQ(classifyRate(tolerance, 10.0, 12.0, 59.9), RateBand::Warning);
    EXPECT_EQ(classifyRate(tolerance, 10.0, 12.0, 60.0), RateBand::Out);
    // Back in the band: whatever time the caller still holds.
    EXPECT_EQ(classifyRate(tolerance, 10.0, 10.2, 120.0), RateBand::InBand);
}

TEST(RateToleranceSetting, EntryChecksNameTheValue)
{
    EXPECT_EQ(RateTolerance{}.problem(), "");

    RateTolerance t;
    t.percent = -1.0;
    EXPECT_NE(t.problem().find("rate tolerance must be between 0 and 100"), std::string::npos);
    t = {};
    t.percent = 101.0;
    EXPECT_FALSE(t.problem().empty());
    t = {};
    t.minimumRate = -0.1;
    EXPECT_NE(t.problem().find("minimum rate tolerance"), std::string::npos);
    t = {};
    t.percent = 0.0;
    t.minimumRate = 0.0;
    EXPECT_NE(t.problem().find("above 0"), std::string::npos);
    t = {};
    t.alarmAfter = 0.5;
    EXPECT_NE(t.problem().find("before a rate alarm"), std::string::npos);
    t = {};
    t.warningAfter = 61.0; // later than the alarm
    EXPECT_NE(t.problem().find("before a rate warning"), std::string::npos);
    t = {};
    t.warningAfter = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(t.problem().empty());
    t = {};
    t.warningAfter = 60.0; // warning and alarm together is allowed
    EXPECT_EQ(t.problem(), "");
}

TEST(RateBandWatch, CountsFromLeavingTheBandAndRestartsOnReturn)
{
    const RateTolerance tolerance;
    RateBandWatch watch;
    EXPECT_EQ(watch.update(tolerance, 10.0, 10.0, 100.0), RateBand::InBand);
    EXPECT_EQ(watch.update(tolerance, 10.0, 11.0, 101.0), RateBand::InBand); // left the band
    EXPECT_EQ(watch.update(tolerance, 10.0, 11.0, 120.5), RateBand::InBand);
    EXPECT_DOUBLE_EQ(watch.secondsOutside(), 19.5);
    EXPECT_EQ(watch.update(tolerance, 10.0, 11.0, 121.0), RateBand::Warning);
    EXPECT_EQ(watch.update(tolerance, 10.0, 9.0, 160.9), RateBand::Warning); // other side
    EXPECT_EQ(watch.update(tolerance, 10.0, 9.0, 161.0), RateBand::Out);

    // One reading inside restarts the count from zero.
    EXPECT_EQ(watch.update(tolerance, 10.0, 10.1, 162.0), RateBand::InBand);
    EXPECT_DOUBLE_EQ(watch.secondsOutside(), 0.0);
    EXPECT_EQ(watch.update(tolerance, 10.0, 11.0, 163.0), RateBand::InBand);
    EXPECT_EQ(watch.update(tolerance, 10.0, 11.0, 182.0), RateBand::InBand);
    EXPECT_EQ(watch.update(tolerance, 10.0, 11.0, 183.0), RateBand::Warning);
}

TEST(RateBandWatch, ResetAndAClockStepBackStartAfresh)
{
    const RateTolerance tolerance;
    RateBandWatch watch;
    watch.update(tolerance, 10.0, 12.0, 0.0);
    EXPECT_EQ(watch.update(tolerance, 10.0, 12.0, 70.0), RateBand::Out);
    watch.reset();
    EXPECT_DOUBLE_EQ(watch.secondsOutside(), 0.0);
    EXPECT_EQ(watch.update(tolerance, 10.0, 12.0, 71.0), RateBand::InBand);

    // The clock went back (a new day on a clock without a date): never a negative time.
    EXPECT_EQ(watch.update(tolerance, 10.0, 12.0, 5.0), RateBand::InBand);
    EXPECT_DOUBLE_EQ(watch.secondsOutside(), 0.0);
    EXPECT_EQ(watch.update(tolerance, 10.0, 12.0, 25.0), RateBand::Warning);
}

} // namespace
