// libtlv880a.so loaded with dlopen and no card at all: the engine runs in simulate mode, readings
// arrive once per period, outputs deposit and a rate loop closes; unloading joins the threads.
#include "LoadedLibrary.h"
#include "tlvtest/Wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

namespace tlv880 {
namespace {

// Waits until done() holds: the library's thread brings it about, a reading a period.
bool WaitFor(const std::function<bool()>& done)
{
    return tlvtest::WaitFor(done, std::chrono::seconds(120), std::chrono::milliseconds(20));
}

// Starts the loaded library without a driver in simulate mode at period 0.1 s: sensors 0 and 1
// under the rate loop of output 0, sensor 2 on output 1 at full power.
void StartSimulation(test::LoadedLibrary& lib)
{
    setenv("TLV880_DRIVER", "none", 1);
    int32_t info[8] = {5, 5, 5, 5, 5, 5, 5, 5};
    ASSERT_EQ(lib.Xdc770Startup2(0, info), 906);
    EXPECT_EQ(info[1], 5);
    ASSERT_EQ(lib.Xdc770Init(6.05e6, 5e6, 6e6, 0.1), 0);
    ASSERT_EQ(lib.Xdc770Material(0xFFFFFF, 2.7, 1.0, 1.0), 0);
    int32_t map[24];
    std::fill(std::begin(map), std::end(map), -1);
    map[0] = map[1] = 0; // the rate loop's sensors
    map[2] = 1;          // a sensor under manual power
    ASSERT_EQ(lib.Xdc770MapSensors(map), 0);
    ASSERT_EQ(lib.Xdc770SetPower(0, 0.46), 0);
    ASSERT_EQ(lib.Xdc770Loop2(10.0, 2, 1, 0, 0), 0);
    ASSERT_EQ(lib.Xdc770SetPower(1, 1.0), 0);
    ASSERT_EQ(lib.Xdc770Simulate(0), 0); // no card: stays in simulate mode
    ASSERT_EQ(lib.Xdc770Simulate(1), 0);
}

TEST(LoadedLibrary, SimulationWithoutCards)
{
    setenv("TLV880_DRIVER", "none", 1);
    test::LoadedLibrary lib(TLV880A_LIBRARY_PATH);
    ASSERT_NO_FATAL_FAILURE(StartSimulation(lib));

    // Sixty simulated cycles, read as they come; the ring holds nine, so none is lost.
    double readings[72], power[14];
    std::vector<double> loopRates;
    double manualThickness = 0;
    ASSERT_TRUE(WaitFor([&] {
        while (lib.Xdc770GetReadings(readings, power) > 0) {
            loopRates.push_back((readings[0] + readings[1]) / 2);
            manualThickness = readings[24 + 2];
        }
        return loopRates.size() >= 60;
    }));
    EXPECT_GT(manualThickness, 1000.0); // full power deposits fast
    EXPECT_EQ(power[1], 1.0);
    // The loop raises its power past the onset of deposition and brings the rate up towards
    // its setpoint (it settles within about ten seconds, see the cycle tests).
    double sum = 0;
    for (size_t k = 40; k < 60; ++k)
        sum += loopRates[k];
    EXPECT_GT(sum / 20, 6.0);
    EXPECT_LT(sum / 20, 12.0);
    EXPECT_GT(power[0], 0.46);

    double analog[4];
    EXPECT_GT(lib.Xdc770GetAnReadings(analog, power), 0); // simulated analog inputs too
    int32_t info[8] = {};
    EXPECT_EQ(lib.Xdc770Startup2(-1, info), 0);
    EXPECT_EQ(lib.close(), 0);
}

TEST(LoadedLibraryRealTime, ReadingsArriveOncePerPeriod)
{
    // The simulated cycles keep the period on the steady clock: twenty readings cannot come
    // sooner than nineteen periods after the first (the wakes keep absolute deadlines), and on
    // a machine busy with other work they still come well within five times that.
    setenv("TLV880_DRIVER", "none", 1);
    test::LoadedLibrary lib(TLV880A_LIBRARY_PATH);
    ASSERT_NO_FATAL_FAILURE(StartSimulation(lib));
    double readings[72], power[14];
    ASSERT_TRUE(WaitFor([&] { return lib.Xdc770GetReadings(readings, power) > 0; }));
    const auto first = std::chrono::steady_clock::now();
    size_t taken = 1;
    ASSERT_TRUE(WaitFor([&] {
        while (lib.Xdc770GetReadings(readings, power) > 0)
            ++taken;
        return taken >= 20;
    }));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - first).count();
    EXPECT_GT(seconds, 1.8);
    EXPECT_LT(seconds, 10.0);
    EXPECT_EQ(lib.close(), 0);
}

TEST(LoadedLibrary, UnloadWhileCyclesRunJoinsTheThreads)
{
    setenv("TLV880_DRIVER", "none", 1);
    for (int round = 0; round < 2; ++round) {
        test::LoadedLibrary lib(TLV880A_LIBRARY_PATH);
        // A fresh load starts from the defaults: nothing to read, no driver.
        double readings[72], power[14];
        EXPECT_EQ(lib.Xdc770GetReadings(readings, power), 0) << round;
        ASSERT_EQ(lib.Xdc770Startup2(0, nullptr), 906) << round;
        ASSERT_EQ(lib.Xdc770Init(6.05e6, 5e6, 6e6, 0.1), 0);
        ASSERT_EQ(lib.Xdc770Simulate(1), 0);
        EXPECT_TRUE(WaitFor([&] { return lib.Xdc770GetReadings(readings, power) > 0; }));
        // No shutdown: unloading alone must stop the running threads.
        EXPECT_EQ(lib.close(), 0);
        EXPECT_EQ(dlopen(TLV880A_LIBRARY_PATH, RTLD_NOLOAD | RTLD_NOW), nullptr)
            << "the library stayed loaded";
    }
}

} // namespace
} // namespace tlv880
