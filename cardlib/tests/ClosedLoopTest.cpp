// A rate loop closed through an emulated master card: the crystals of sensors 0 and 1 lose
// frequency with the power of output 0, and the loop holds their rate at the setpoint.
#include "EmulatedFixture.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tlv880 {
namespace {

using test::EmulatedTest;

class ClosedLoop : public EmulatedTest {};

TEST_F(ClosedLoop, RateSettlesAtTheSetpoint)
{
    constexpr double kSetpoint = 20.0; // Angstrom/s
    constexpr double kPeriod = 0.5;
    UseCards("id=1E,fw=300", false);
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

    std::vector<double> rates;
    std::vector<double> powers;
    double readings[72], power[14];
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(16);
    while (std::chrono::steady_clock::now() < end) {
        while (Xdc770GetReadings(readings, power) > 0) {
            rates.push_back((readings[0] + readings[1]) / 2);
            powers.push_back(power[0]);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_GE(rates.size(), 28u); // about one reading per period
    std::string history;
    for (size_t k = 0; k < rates.size(); ++k)
        history += std::to_string(rates[k]) + "@" + std::to_string(powers[k]) + " ";
    // The last five seconds stay within 5 % of the setpoint.
    for (size_t k = rates.size() - 10; k < rates.size(); ++k)
        EXPECT_NEAR(rates[k], kSetpoint, 0.05 * kSetpoint) << "reading " << k << ": " << history;
    EXPECT_GT(powers.back(), 0.1);
    EXPECT_LT(powers.back(), 0.9);
}

} // namespace
} // namespace tlv880
