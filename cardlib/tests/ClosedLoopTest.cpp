// A rate loop closed through an emulated master card: the crystals of sensors 0 and 1 lose
// frequency with the power of output 0, and the loop holds their rate at the setpoint.
#include "EmulatedFixture.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace tlv880 {
namespace {

using test::EmulatedTest;

constexpr double kSetpoint = 20.0; // Angstrom/s
constexpr double kPeriod = 0.5;

class ClosedLoop : public EmulatedTest {
protected:
    // Starts real mode on one analog master with sensors 0 and 1 under the loop of output 0.
    void StartLoop(bool manualClock)
    {
        UseCards("id=1E,fw=300", manualClock);
        ASSERT_EQ(Xdc770Startup2(0, nullptr), 0);
        ASSERT_EQ(Xdc770Init(6.05e6, 5e6, 6e6, kPeriod), 0);
        ASSERT_EQ(Xdc770Material(0x3, 2.7, 1.0, 1.0), 0);
        int32_t map[24];
        std::fill(std::begin(map), std::end(map), -1);
        map[0] = 0;
        map[1] = 0;
        ASSERT_EQ(Xdc770MapSensors(map), 0);
        ASSERT_EQ(Xdc770Simulate(0), 0);
        ASSERT_EQ(Xdc770Loop2(kSetpoint, 100, 1.0, 0, 0), 0);
    }

    // Takes every unread reading: the mean rate of sensors 0 and 1 and the power of output 0.
    void Take()
    {
        double readings[72], power[14];
        while (Xdc770GetReadings(readings, power) > 0) {
            rates.push_back((readings[0] + readings[1]) / 2);
            powers.push_back(power[0]);
        }
    }

    std::string History() const
    {
        std::string history;
        for (size_t k = 0; k < rates.size(); ++k)
            history += std::to_string(rates[k]) + "@" + std::to_string(powers[k]) + " ";
        return history;
    }

    std::vector<double> rates;
    std::vector<double> powers;
};

TEST_F(ClosedLoop, RateSettlesAtTheSetpoint)
{
    ASSERT_NO_FATAL_FAILURE(StartLoop(true));
    // Sixteen seconds of card time, one period per cycle.
    for (int cycle = 0; cycle < 32; ++cycle) {
        ASSERT_TRUE(RunCycle(std::chrono::milliseconds(500))) << cycle;
        Take();
    }
    ASSERT_EQ(rates.size(), 32u) << "one reading per cycle, none lost";
    // The last five seconds stay within 5 % of the setpoint.
    for (size_t k = rates.size() - 10; k < rates.size(); ++k)
        EXPECT_NEAR(rates[k], kSetpoint, 0.05 * kSetpoint) << "reading " << k << ": " << History();
    EXPECT_GT(powers.back(), 0.1);
    EXPECT_LT(powers.back(), 0.9);
}

TEST_F(ClosedLoop, RealTimeRateSettlesAtTheSetpoint)
{
    // The same loop on the steady clock, as on a real card: the thread's own cadence decides
    // when each cycle runs. A late cycle measures a longer interval, so single readings may
    // stray on a busy machine; the mean of the last ten still holds.
    ASSERT_NO_FATAL_FAILURE(StartLoop(false));
    ASSERT_TRUE(test::WaitFor(
        [&] {
            Take();
            return rates.size() >= 32;
        },
        std::chrono::seconds(120)));
    const double mean = std::accumulate(rates.end() - 10, rates.end(), 0.0) / 10;
    EXPECT_NEAR(mean, kSetpoint, 0.05 * kSetpoint) << History();
    for (size_t k = rates.size() - 10; k < rates.size(); ++k)
        EXPECT_NEAR(rates[k], kSetpoint, 0.25 * kSetpoint) << "reading " << k << ": " << History();
}

} // namespace
} // namespace tlv880
