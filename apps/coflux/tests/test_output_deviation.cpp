// The rate deviation each output shows: its difference from the setpoint in force and where it
// stands against the tolerance as the instrument's time goes on, without any window.

#include "OutputDeviation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace coflux {
namespace {

using tlv::RateBand;

// With the default tolerance (±5 % or 0.1 Å/s, warning after 20 s, alarm after 60 s), an
// output outside its band turns to a warning and then to the alarm as time passes outside,
// and one reading back inside starts the count again.
TEST(OutputDeviation, BandFollowsTheTimeSpentOutsideTheTolerance)
{
    OutputDeviations d;
    d.Update(0, true, 10, 10.5, 100); // on the edge of ±5 %
    EXPECT_TRUE(d.At(0).shown);
    EXPECT_FALSE(d.At(0).outside);
    EXPECT_EQ(d.At(0).band, RateBand::InBand);

    d.Update(0, true, 10, 10.6, 101);
    EXPECT_TRUE(d.At(0).outside);
    EXPECT_EQ(d.At(0).band, RateBand::InBand) << "outside, but not yet for the warning time";
    d.Update(0, true, 10, 10.7, 120.9);
    EXPECT_EQ(d.At(0).band, RateBand::InBand);
    d.Update(0, true, 10, 10.7, 121);
    EXPECT_EQ(d.At(0).band, RateBand::Warning);
    d.Update(0, true, 10, 9.0, 161);
    EXPECT_EQ(d.At(0).band, RateBand::Out);
    EXPECT_DOUBLE_EQ(d.At(0).secondsOutside, 60);
    EXPECT_DOUBLE_EQ(d.At(0).difference, -1.0);
    EXPECT_DOUBLE_EQ(d.At(0).percent, -10.0);

    d.Update(0, true, 10, 10.2, 162);
    EXPECT_EQ(d.At(0).band, RateBand::InBand);
    d.Update(0, true, 10, 11, 163);
    EXPECT_EQ(d.At(0).band, RateBand::InBand) << "the count started again";
    EXPECT_DOUBLE_EQ(d.At(0).secondsOutside, 0);

    // A low setpoint keeps the 0.1 Å/s floor: 5 % of 1 Å/s would be only 0.05.
    d.Update(1, true, 1, 1.09, 100);
    EXPECT_FALSE(d.At(1).outside);
    d.Update(1, true, 1, 1.11, 101);
    EXPECT_TRUE(d.At(1).outside);
}

// An output leaving rate control (or the run stopping) has no deviation, and its time outside
// does not carry over to the next time it is controlled.
TEST(OutputDeviation, NoDeviationWithoutRateControlAndNoCarriedTime)
{
    OutputDeviations d;
    d.Update(12, true, 5, 8, 0);
    d.Update(12, true, 5, 8, 30);
    EXPECT_EQ(d.At(12).band, RateBand::Warning);
    d.Update(12, false, 5, 8, 31);
    EXPECT_FALSE(d.At(12).shown);
    EXPECT_EQ(OutputDeviations::Text(d.At(12)), "");
    d.Update(12, true, 5, 8, 32);
    EXPECT_EQ(d.At(12).band, RateBand::InBand);

    d.Update(3, true, 5, 8, 0);
    d.Update(3, true, 5, 8, 70);
    EXPECT_EQ(d.At(3).band, RateBand::Out);
    d.Clear();
    EXPECT_FALSE(d.At(3).shown);
    d.Update(3, true, 5, 8, 71);
    EXPECT_EQ(d.At(3).band, RateBand::InBand);

    d.Update(2, true, 5, std::nan(""), 0); // a failed crystal's rate is no deviation
    EXPECT_FALSE(d.At(2).shown);
    d.Update(99, true, 5, 5, 0); // no such output: ignored
    EXPECT_FALSE(d.At(99).shown);

    // A narrower tolerance of the setting applies from the next reading.
    d.SetTolerance({1.0, 0.0, 5.0, 10.0});
    d.Update(0, true, 10, 10.2, 0);
    EXPECT_TRUE(d.At(0).outside);
    d.Update(0, true, 10, 10.2, 10);
    EXPECT_EQ(d.At(0).band, RateBand::Out);
}

TEST(OutputDeviation, TextGivesTheDifferenceInRateAndPercentWithItsSign)
{
    RateDeviation d;
    d.shown = true;
    d.setpoint = 10;
    d.difference = 0.123;
    d.percent = 1.23;
    EXPECT_EQ(OutputDeviations::Text(d), "+0.12 \u00c5/s (+1.2 %)");
    d.difference = -0.5;
    d.percent = -5;
    EXPECT_EQ(OutputDeviations::Text(d), "-0.50 \u00c5/s (-5.0 %)");
    d.difference = -0.001; // shows as zero: no sign
    d.percent = -0.01;
    EXPECT_EQ(OutputDeviations::Text(d), "0.00 \u00c5/s (0.0 %)");
    d.setpoint = 0;
    d.difference = 0.3;
    d.percent = std::nan("");
    EXPECT_EQ(OutputDeviations::Text(d), "+0.30 \u00c5/s");
}

} // namespace
} // namespace coflux
