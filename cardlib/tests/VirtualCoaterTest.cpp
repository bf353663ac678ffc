// The card library in real mode on the virtual coater, on the cards' manual clock: each preset's
// step answer as the library measures it, nothing below the threshold power, the thickness the
// library reports against the film the chamber laid down, a crystal wearing out under a loop and
// being replaced, and the seed.
#include "VirtualCoater.h"
#include "ResponseAnalysis.h"
#include "driver/EmulatedCards.h"
#include "emulated/SourceModel.h"
#include "tlv880a.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace tlv880::rehearsal {
namespace {

constexpr const char* kCards = "id=1E,fw=300,f=6000000";

std::string quietSource(const std::string& preset, double density)
{
    return "[Chamber]\nseed=1\n[Source S]\noutput=0\npreset=" + preset +
           "\nnoise=0\nsweep=0\nspits=0\ndensity=" + std::to_string(density) +
           "\n[Crystal C]\nsensor=0\nfeed=S\n";
}

struct PresetCase {
    const char* preset;
    double period;     // s between readings
    double runSeconds; // after the step
};

class PresetStep : public ::testing::TestWithParam<PresetCase> {};

TEST_P(PresetStep, DeadTimeRiseAndSteadyRateAsConfigured)
{
    const PresetCase& c = GetParam();
    bus::emu::SourceParameters configured;
    ASSERT_TRUE(bus::emu::SourcePreset(c.preset, &configured));
    VirtualCoater coater;
    std::string error;
    // A dense film: the finest thickness step per count, so the readings resolve a fast rise.
    ASSERT_TRUE(
        coater.start({kCards, quietSource(c.preset, 20), 6.1e6, 5.9e6, 6e6, c.period}, &error))
        << error;
    ASSERT_EQ(coater.material(0x1, 20, 1, 1), 0);
    ASSERT_TRUE(coater.runFor(2));
    const double step = coater.now();
    ASSERT_EQ(Xdc770SetPower(0, 1.0), 0);
    ASSERT_TRUE(coater.runFor(c.runSeconds));

    const std::vector<double> times = coater.times();
    const std::vector<double> thickness = coater.thickness(0);
    for (size_t k = 0; k < times.size() && times[k] <= step; ++k)
        ASSERT_EQ(thickness[k], 0) << "nothing before the step";
    const double lag = configured.lag, dead = configured.deadTime;
    const StepFigures figures = FitStep(times, thickness, step, step + dead + 7 * lag);
    ASSERT_TRUE(figures.valid);
    EXPECT_NEAR(figures.deadTime, dead, 0.1 * dead);
    EXPECT_NEAR(figures.riseTime63, dead + lag, 0.1 * (dead + lag));
    EXPECT_NEAR(figures.steadyRate, configured.maxRate, 0.1 * configured.maxRate);
    // The 63 % time read straight off the rate readings agrees.
    const double crossing =
        CrossingTime(times, coater.rates(0), c.period, step, 0.632 * configured.maxRate);
    EXPECT_NEAR(crossing, dead + lag, 0.1 * (dead + lag));
    RecordProperty("dead_time", std::to_string(figures.deadTime));
    RecordProperty("rise_time_63", std::to_string(figures.riseTime63));
    RecordProperty("crossing_63", std::to_string(crossing));
    RecordProperty("steady_rate", std::to_string(figures.steadyRate));
}

INSTANTIATE_TEST_SUITE_P(Presets, PresetStep,
                         ::testing::Values(PresetCase{"thermal", 0.25, 120},
                                           PresetCase{"ebeam", 0.1, 8},
                                           PresetCase{"sputter", 0.1, 5}),
                         [](const auto& test) { return std::string(test.param.preset); });

TEST(VirtualCoater, NothingDepositsBelowTheThreshold)
{
    for (const char* preset : {"thermal", "ebeam", "sputter"}) {
        bus::emu::SourceParameters configured;
        ASSERT_TRUE(bus::emu::SourcePreset(preset, &configured));
        // Noise, sweep and spits as the preset has them.
        const std::string chamber = std::string("[Source S]\noutput=0\npreset=") + preset +
                                    "\n[Crystal C]\nsensor=0\nfeed=S\n";
        VirtualCoater coater;
        std::string error;
        ASSERT_TRUE(coater.start({kCards, chamber, 6.1e6, 5e6, 6e6, 0.25}, &error)) << error;
        ASSERT_EQ(coater.material(0x1, 10, 1, 1), 0);
        ASSERT_EQ(Xdc770SetPower(0, 0.95 * configured.threshold), 0);
        ASSERT_TRUE(coater.runFor(30));
        for (const Reading& r : coater.readings()) {
            ASSERT_EQ(r.thickness[0], 0) << preset << " at " << r.time;
            ASSERT_NEAR(r.frequency[0], 6e6, 0.2) << preset;
        }
        EXPECT_EQ(bus::emu::SourceFilm(0), 0) << preset;
    }
}

TEST(VirtualCoater, ThicknessIsTheFilmLaidDown)
{
    // A crystal that sees 80 % of the source's film, Z-ratio 0.6: with the matching density,
    // Z-ratio and tooling 1 / 0.8 the library reports the film at the reference position.
    const std::string chamber = "[Chamber]\nseed=3\n[Source Boat]\noutput=0\npreset=thermal\n"
                                "density=8.9\n[Crystal C]\nsensor=0\nfeed=Boat:0.8\nzratio=0.6\n";
    VirtualCoater coater;
    std::string error;
    ASSERT_TRUE(coater.start({kCards, chamber, 6.1e6, 5e6, 6e6, 0.25}, &error)) << error;
    ASSERT_EQ(coater.material(0x1, 8.9, 0.6, 1.25), 0);
    ASSERT_TRUE(coater.run(1)); // zero offset recorded on the fresh crystal
    ASSERT_EQ(Xdc770SetPower(0, 0.9), 0);
    ASSERT_TRUE(coater.runFor(120));
    const double film = bus::emu::SourceFilm(0);
    ASSERT_GT(film, 1000);
    EXPECT_NEAR(coater.readings().back().thickness[0], film, 0.01 * film);
    // The crystal's own film: mass over density, 80 % of it.
    EXPECT_NEAR(bus::emu::CrystalMass(0, 0) / 8.9, 0.8 * film, 1e-6 * film);
}

TEST(VirtualCoater, WornCrystalFailsUnderTheLoopAndIsReplaced)
{
    // A fast source and a crystal whose end of life is 3 kHz down, after a mode hop of 5 kHz.
    const std::string chamber = "[Chamber]\nseed=4\n[Source Gun]\noutput=0\npreset=sputter\n"
                                "[Crystal C]\nsensor=0\nfeed=Gun\nfail=5997000\nweak=1000\n"
                                "jitter=2\ndropout=0\nmodehop=5000\nhoptime=2\n";
    VirtualCoater coater;
    std::string error;
    ASSERT_TRUE(coater.start({kCards, chamber, 6.1e6, 5e6, 6e6, 0.25}, &error)) << error;
    ASSERT_EQ(coater.material(0x1, 10, 1, 1), 0);
    ASSERT_EQ(coater.mapSensor(0, 0), 0);
    ASSERT_EQ(Xdc770Loop2(8, 100, 1.0, 0, 0), 0);
    ASSERT_TRUE(coater.runFor(120));

    const std::vector<Reading>& readings = coater.readings();
    size_t hop = 0, failed = 0;
    for (size_t k = 1; k < readings.size(); ++k) {
        if (!hop && readings[k].frequency[0] > readings[k - 1].frequency[0] + 4000) hop = k;
        if (!failed && readings[k].frequency[0] == -1) failed = k;
    }
    ASSERT_GT(hop, 0u) << "the crystal jumps before it stops";
    ASSERT_GT(failed, hop);
    EXPECT_NEAR(readings[failed].time - readings[hop].time, 2, 0.3);
    // From then on: no signal, thickness and rate 0, and the loop holds its power.
    for (size_t k = failed; k < readings.size(); ++k) {
        ASSERT_EQ(readings[k].frequency[0], -1) << k;
        ASSERT_EQ(readings[k].thickness[0], 0);
        ASSERT_EQ(readings[k].rate[0], 0);
        ASSERT_EQ(readings[k].power[0], readings[failed].power[0]);
    }
    EXPECT_GT(readings.back().power[0], 0);

    ASSERT_EQ(Xdc770SetPower(0, 0), 0);
    ASSERT_TRUE(coater.runFor(10)); // the gun's rate dies away
    bus::emu::ReplaceCrystal(0, 0);
    ASSERT_TRUE(coater.run(1));
    EXPECT_NEAR(coater.readings().back().frequency[0], 6e6, 0.5);
}

TEST(VirtualCoater, SameSeedSameReadings)
{
    const std::string chamber = "[Chamber]\nseed=11\n[Source Gun]\noutput=0\npreset=ebeam\n"
                                "spits=10\n[Crystal C]\nsensor=0\nfeed=Gun\n";
    auto trace = [](const std::string& text) {
        VirtualCoater coater;
        std::string error;
        EXPECT_TRUE(coater.start({kCards, text, 6.1e6, 5e6, 6e6, 0.25}, &error)) << error;
        EXPECT_EQ(coater.material(0x1, 10, 1, 1), 0);
        EXPECT_EQ(coater.mapSensor(0, 0), 0);
        EXPECT_EQ(Xdc770Loop2(5, 100, 1.0, 0, 0), 0);
        EXPECT_TRUE(coater.runFor(30));
        std::vector<double> values = coater.rates(0);
        for (const Reading& r : coater.readings())
            values.push_back(r.power[0]);
        return values;
    };
    const std::vector<double> first = trace(chamber);
    EXPECT_EQ(trace(chamber), first);
    std::string other = chamber;
    other.replace(other.find("seed=11"), 7, "seed=12");
    EXPECT_NE(trace(other), first);
}

TEST(VirtualCoater, RefusedChamberFileStopsTheStart)
{
    VirtualCoater coater;
    std::string error;
    EXPECT_FALSE(coater.start(
        {kCards, "[Source S]\noutput=0\nexponent=two\n", 6.1e6, 5e6, 6e6, 0.25}, &error));
    EXPECT_NE(error.find("section [Source S], key \"exponent\""), std::string::npos) << error;
}

} // namespace
} // namespace tlv880::rehearsal
