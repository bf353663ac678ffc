// libtlv880a.so loaded with dlopen over emulated cards: start-up results, register writes in the
// trace and the measurement arithmetic. (The ring's unread count is tested in-process, where the
// cards' clock can be stepped.)
#include "LoadedLibrary.h"
#include "tlvtest/Wait.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace tlv880 {
namespace {

std::vector<std::string> ReadTrace(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

double LuLewis(double f, double fq, double density, double z)
{
    const double pi = std::numbers::pi;
    return 1.668e13 * 2.648 / (pi * density * f * z) * std::atan(z * std::tan(pi * (fq - f) / fq));
}

using tlvtest::WaitFor; // the library's thread brings about what the test waits for

TEST(LoadedLibrary, EmulatedCardsEndToEnd)
{
    const std::string trace = ::testing::TempDir() + "tlv880_loaded_trace.txt";
    std::remove(trace.c_str());
    setenv("TLV880_DRIVER", "emulated", 1);
    setenv("TLV880_EMU_CARDS", "id=0F,fw=300,f=5900000;id=1F,fw=301,f=5900000", 1);
    setenv("TLV880_EMU_TRACE", trace.c_str(), 1);

    test::LoadedLibrary lib(TLV880A_LIBRARY_PATH);
    double readings[72], power[14];
    EXPECT_EQ(lib.Xdc770GetReadings(readings, power), 0);

    int32_t info[8] = {};
    ASSERT_EQ(lib.Xdc770Startup2(0, info), 0);
    EXPECT_EQ(info[1], 301); // the master card comes first
    EXPECT_EQ(info[2], 300);
    EXPECT_THAT(ReadTrace(trace), ::testing::ElementsAre("1 0x10 0x00000002"));

    EXPECT_EQ(lib.Xdc770Material(1, 2.7, 1.0, 1.0), 1); // before Init
    ASSERT_EQ(lib.Xdc770Init(6.05e6, 5e6, 6e6, 2.01), 1);
    ASSERT_EQ(lib.Xdc770Init(6.05e6, 5e6, 6e6, 0.25), 0);
    ASSERT_EQ(lib.Xdc770Material(0xFF, 2.7, 1.0, 1.0), 0);
    ASSERT_EQ(lib.Xdc770Simulate(0), 0);
    const auto started = ReadTrace(trace);
    EXPECT_TRUE(Contains(started, "1 0x00 0xFFFFF0BD")); // ~3906
    EXPECT_TRUE(Contains(started, "0 0x04 0xFFECED2F")); // ~1250000

    EXPECT_EQ(lib.Xdc770SetPower(11, 0.5), 1); // two cards: outputs 0..3, 12, 13
    EXPECT_EQ(lib.Xdc770SetPower(12, 0.5), 0);
    ASSERT_EQ(lib.Xdc770SetPower(2, 0.5), 0);
    ASSERT_EQ(lib.Xdc770SetPower(3, 0.25), 0);
    EXPECT_EQ(ReadTrace(trace).back(), "0 0x08 0xC003E002"); // table position 1 is scan card 0

    // Real cycles: the crystal of sensor 4 (card 1, channel 0) falls while output 2 drives it.
    struct Reading {
        double frequency, thickness, rate;
    };
    std::vector<Reading> taken;
    ASSERT_TRUE(WaitFor([&] {
        while (lib.Xdc770GetReadings(readings, power) > 0)
            taken.push_back({readings[48 + 4], readings[24 + 4], readings[4]});
        return taken.size() >= 6;
    }));
    EXPECT_EQ(power[2], 0.5);
    EXPECT_EQ(taken[0].thickness, 0.0); // the first cycle records the zero
    const double zero = LuLewis(taken[0].frequency, 6e6, 2.7, 1.0);
    for (size_t k = 1; k < taken.size(); ++k) {
        const double expected = LuLewis(taken[k].frequency, 6e6, 2.7, 1.0) - zero;
        EXPECT_NEAR(taken[k].thickness, expected, 1e-6 * std::fabs(expected) + 1e-6) << k;
        EXPECT_NEAR(taken[k].rate, (taken[k].thickness - taken[k - 1].thickness) / 0.25, 1e-6);
        EXPECT_LT(taken[k].frequency, taken[k - 1].frequency);
    }
    // Each reading's frequency is the clock count of a whole gate.
    const double clock = 199065600.0, gate = 1250000.0;
    const double count = std::round(gate * clock / taken[1].frequency);
    EXPECT_NEAR(taken[1].frequency, gate * clock / count, 1e-6);

    ASSERT_EQ(lib.Xdc770Startup2(-1, info), 0);

    // The library stays loaded: the emulated bus keeps its cards for the life of the process,
    // and unloading (tested without cards) would leave them unreachable.
    lib.handle = nullptr;
    std::remove(trace.c_str());
}

} // namespace
} // namespace tlv880
