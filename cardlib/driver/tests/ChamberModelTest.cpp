// The chamber model on its own: the chamber file's parsing and refusals, the presets, the
// Z-match inversion, a source's step answer, a crystal's wear and the control commands.
#include "emulated/ChamberFile.h"
#include "emulated/ControlFile.h"
#include "emulated/CrystalModel.h"
#include "emulated/SourceModel.h"
#include "emulated/ZMatch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace tlv880::bus::emu {
namespace {

using ::testing::HasSubstr;

constexpr double kTick = 0.002;

std::string parseError(const std::string& text)
{
    ChamberSetup chamber;
    std::string error;
    EXPECT_FALSE(ParseChamber(text, "/lab/bad.chamber", &chamber, &error)) << text;
    return error;
}

TEST(ChamberFile, ReadsSourcesCrystalsAndSeed)
{
    ChamberSetup chamber;
    std::string error;
    ASSERT_TRUE(ParseChamber("; demonstration\n[Chamber]\nseed = 42\n"
                             "[Crystal Monitor]\nsensor=1\nfeed = Boat:0.8, Gun\nzratio=0.5\n"
                             "fail=5200000 ; end of life\nmodehop=-3000\n"
                             "[Source Boat]\nlag=12\npreset=thermal\noutput=0\n"
                             "[source gun]\nOUTPUT=1\nPreset=EBEAM\nspits=0\n",
                             "x", &chamber, &error))
        << error;
    EXPECT_TRUE(chamber.seeded);
    EXPECT_EQ(chamber.seed, 42u);
    ASSERT_EQ(chamber.sources.size(), 2u);
    // The preset comes first wherever it stands; the section's own keys override it.
    SourceParameters thermal;
    ASSERT_TRUE(SourcePreset("thermal", &thermal));
    EXPECT_EQ(chamber.sources[0].parameters.lag, 12);
    EXPECT_EQ(chamber.sources[0].parameters.deadTime, thermal.deadTime);
    EXPECT_EQ(chamber.sources[1].output, 1);
    EXPECT_EQ(chamber.sources[1].parameters.spitsPerMinute, 0);
    EXPECT_GT(chamber.sources[1].parameters.noise, 0);
    ASSERT_EQ(chamber.crystals.size(), 1u);
    const CrystalSetup& crystal = chamber.crystals[0];
    EXPECT_EQ(crystal.sensor, 1);
    ASSERT_EQ(crystal.feeds.size(), 2u);
    EXPECT_EQ(crystal.feeds[0].source, 0);
    EXPECT_DOUBLE_EQ(crystal.feeds[0].tooling, 0.8);
    EXPECT_EQ(crystal.feeds[1].source, 1);
    EXPECT_DOUBLE_EQ(crystal.feeds[1].tooling, 1.0);
    EXPECT_DOUBLE_EQ(crystal.parameters.zRatio, 0.5);
    EXPECT_DOUBLE_EQ(crystal.parameters.modeHop, -3000);
}

TEST(ChamberFile, PercentKeysBecomeFractions)
{
    ChamberSetup chamber;
    std::string error;
    // Written on Windows: byte-order mark and CR LF line ends.
    ASSERT_TRUE(
        ParseChamber("\xEF\xBB\xBF[Source A]\r\noutput=3\r\nthreshold=20\nnoise=5\nsweep=2\n"
                     "[Crystal C]\nsensor=7\ndropout=50\n",
                     "x", &chamber, &error))
        << error;
    EXPECT_DOUBLE_EQ(chamber.sources[0].parameters.threshold, 0.2);
    EXPECT_DOUBLE_EQ(chamber.sources[0].parameters.noise, 0.05);
    EXPECT_DOUBLE_EQ(chamber.sources[0].parameters.sweep, 0.02);
    EXPECT_DOUBLE_EQ(chamber.crystals[0].parameters.dropout, 0.5);
}

TEST(ChamberFile, RefusalsNameFileSectionAndKey)
{
    const std::string file = "TLV880_EMU_CHAMBER \"/lab/bad.chamber\"";
    EXPECT_EQ(parseError("[Source Boat]\noutput=0\nlag=soon\n"),
              file + " line 3: section [Source Boat], key \"lag\": lag must be a time constant "
                     "in s, 0..3600 (got \"soon\")");
    EXPECT_THAT(parseError("[Source Boat]\noutput=0\npreset=laser\n"),
                HasSubstr("section [Source Boat], key \"preset\": preset must be one of thermal, "
                          "ebeam, sputter"));
    EXPECT_THAT(parseError("[Source Boat]\noutput=12\n"),
                HasSubstr("section [Source Boat], key \"output\": output must be"));
    EXPECT_THAT(parseError("[Source Boat]\nlag=1\n"),
                HasSubstr("line 1: section [Source Boat], key \"output\": missing"));
    EXPECT_THAT(parseError("[Source Boat]\noutput=0\ncolour=red\n"),
                HasSubstr("section [Source Boat], key \"colour\": unknown key"));
    EXPECT_THAT(parseError("[Source Boat]\noutput=0\nthreshold=100\n"),
                HasSubstr("key \"threshold\""));
    EXPECT_THAT(parseError("[Source Boat]\noutput=0\nexponent=0\n"), HasSubstr("key \"exponent\""));
    EXPECT_THAT(parseError("[Source Boat]\noutput=0\ndeadtime=61\n"),
                HasSubstr("key \"deadtime\""));
    EXPECT_THAT(parseError("[Source Boat]\noutput=0\nlag=1\nlag=2\n"),
                HasSubstr("line 4: section [Source Boat], key \"lag\": key given twice"));
    EXPECT_THAT(parseError("[Source A]\noutput=0\n[Source B]\noutput=0\n"),
                HasSubstr("section [Source B], key \"output\": output 0 already has source A"));
    EXPECT_THAT(parseError("[Crystal C]\nsensor=0\nfeed=Nowhere\n"),
                HasSubstr("section [Crystal C], key \"feed\": feed must be"));
    EXPECT_THAT(parseError("[Source A]\noutput=0\n[Crystal C]\nsensor=0\nfeed=A:0\n"),
                HasSubstr("section [Crystal C], key \"feed\""));
    EXPECT_THAT(parseError("[Crystal C]\nsensor=0\nfrequency=5000000\nfail=6000000\n"),
                HasSubstr("section [Crystal C], key \"fail\""));
    EXPECT_THAT(parseError("[Crystal C]\nsensor=0\n[Crystal D]\nsensor=0\n"),
                HasSubstr("section [Crystal D], key \"sensor\": sensor 0 already has crystal C"));
    EXPECT_THAT(parseError("[Chamber]\nseed=-1\n"),
                HasSubstr("section [Chamber], key \"seed\": seed must be"));
    EXPECT_THAT(parseError("seed=1\n"), HasSubstr("line 1: \"seed=1\" comes before any section"));
    EXPECT_THAT(parseError("[Lamp A]\n"), HasSubstr("section [Lamp A] is not [Chamber]"));
    EXPECT_THAT(parseError("[Source]\n"), HasSubstr("section [Source] is not"));
    EXPECT_THAT(parseError("[Source A\n"), HasSubstr("is not a section header"));
    EXPECT_THAT(parseError("[Source A]\noutput 0\n"), HasSubstr("is not key=value"));
    EXPECT_THAT(parseError("[Source A]\noutput=0\n[source a]\noutput=1\n"),
                HasSubstr("given twice"));
}

TEST(ChamberFile, MustFitTheCards)
{
    ChamberSetup chamber;
    std::string error;
    ASSERT_TRUE(ParseChamber("[Source A]\noutput=2\n[Crystal C]\nsensor=3\nfeed=A\n", "f.ini",
                             &chamber, &error));
    const std::vector<CardSetup> one(1), two(2);
    EXPECT_TRUE(CheckChamberFitsCards(chamber, two, "f.ini", &error));
    EXPECT_FALSE(CheckChamberFitsCards(chamber, one, "f.ini", &error));
    EXPECT_THAT(error, HasSubstr("\"f.ini\": section [Source A], key \"output\": output 2 is on "
                                 "card 1, but TLV880_EMU_CARDS has 1 card(s)"));
    ASSERT_TRUE(ParseChamber("[Crystal C]\nsensor=4\n", "f.ini", &chamber, &error));
    EXPECT_FALSE(CheckChamberFitsCards(chamber, one, "f.ini", &error));
    EXPECT_THAT(error, HasSubstr("section [Crystal C], key \"sensor\""));
    // The card's crystals start at 5950000 Hz unless told otherwise.
    ASSERT_TRUE(ParseChamber("[Crystal C]\nsensor=1\nfail=5950000\n", "f.ini", &chamber, &error));
    EXPECT_FALSE(CheckChamberFitsCards(chamber, one, "f.ini", &error));
    EXPECT_THAT(error, HasSubstr("section [Crystal C], key \"fail\": the end of life must lie "
                                 "below the crystal's frequency (5950000 Hz"));
    ASSERT_TRUE(ParseChamber("[Crystal C]\nsensor=1\nfail=5900000\n", "f.ini", &chamber, &error));
    EXPECT_TRUE(CheckChamberFitsCards(chamber, one, "f.ini", &error));
}

TEST(ZMatch, FrequencyAndMassInvertEachOther)
{
    for (double z : {1.0, 0.4, 2.5}) {
        for (double f : {5999999.0, 5800000.0, 5000000.0, 3500000.0}) {
            const double mass = MassOfFrequency(6e6, f, z);
            EXPECT_GT(mass, 0);
            EXPECT_NEAR(FrequencyOfMass(6e6, mass, z), f, 1e-4) << "z " << z;
        }
    }
    EXPECT_EQ(FrequencyOfMass(6e6, 0, 0.5), 6e6);
    // Sauerbrey for a matched film: 1 kHz off 6 MHz is about 1.23 kA x g/cm3.
    EXPECT_NEAR(MassOfFrequency(6e6, 5999000, 1), 1.668e13 * 2.648 * 1000 / (6e6 * 5999000), 1e-9);
}

TEST(SourceModel, PresetsAndTheRateCurve)
{
    for (const char* name : {"thermal", "ebeam", "sputter"}) {
        SourceParameters p;
        ASSERT_TRUE(SourcePreset(name, &p)) << name;
        EXPECT_EQ(SteadyRate(p, p.threshold), 0) << name;
        EXPECT_DOUBLE_EQ(SteadyRate(p, 1.0), p.maxRate) << name;
        EXPECT_LT(SteadyRate(p, 0.5), SteadyRate(p, 0.6)) << name;
    }
    SourceParameters thermal, ebeam, sputter;
    SourcePreset("Thermal", &thermal);
    SourcePreset("ebeam", &ebeam);
    SourcePreset("sputter", &sputter);
    EXPECT_NEAR(thermal.deadTime, 1.5, 0.5);
    EXPECT_NEAR(thermal.lag, 10, 5);
    EXPECT_NEAR(ebeam.deadTime, 0.1, 0.05);
    EXPECT_LT(ebeam.lag, 1);
    EXPECT_GT(ebeam.noise, sputter.noise);
    EXPECT_GT(ebeam.spitsPerMinute, 0);
    EXPECT_LT(sputter.lag, 1);
    EXPECT_FALSE(SourcePreset("laser", &sputter));
    // 20 % threshold, exponent 2, 20 A/s: half way up the power range gives a quarter.
    EXPECT_DOUBLE_EQ(SteadyRate(thermal, 0.6), 5.0);
}

TEST(SourceModel, DeadTimeThenFirstOrderLag)
{
    SourceParameters p;
    p.maxRate = 10;
    p.deadTime = 0.5;
    p.lag = 2;
    SourceModel source(p, kTick, 1);
    source.setPower(1);
    int ticks = 0;
    while (source.rate() == 0 && ticks < 10000) {
        source.step();
        ++ticks;
    }
    EXPECT_NEAR(ticks * kTick, 0.5, 2 * kTick);
    while (source.rate() < 10 * (1 - std::exp(-1.0)) && ticks < 10000) {
        source.step();
        ++ticks;
    }
    EXPECT_NEAR(ticks * kTick, 2.5, 2 * kTick);
    for (int i = 0; i < 10000; ++i)
        source.step();
    EXPECT_NEAR(source.rate(), 10, 1e-3);
    // Film of a first-order rise: the steady rate over the time less the dead time and the lag.
    const double elapsed = ticks * kTick + 10000 * kTick;
    EXPECT_NEAR(source.film(), 10 * (elapsed - 0.5 - 2), 0.1);
}

TEST(SourceModel, SettlingAtOnceMatchesStepping)
{
    SourceParameters p;
    SourcePreset("thermal", &p);
    p.noise = 0;
    SourceModel stepped(p, kTick, 1), settled(p, kTick, 1);
    for (SourceModel* source : {&stepped, &settled}) {
        source->setPower(0.7);
        for (int i = 0; i < 1000; ++i) // past the dead time, in the middle of the lag
            source->step();
    }
    for (int i = 0; i < 20000; ++i)
        stepped.step();
    settled.settle(20000);
    EXPECT_NEAR(settled.film(), stepped.film(), 1e-9 * stepped.film());
    EXPECT_NEAR(settled.rate(), stepped.rate(), 1e-9);
    stepped.step();
    settled.step();
    EXPECT_NEAR(settled.rate(), stepped.rate(), 1e-9) << "and on from there alike";
}

TEST(SourceModel, NothingBelowThresholdNotEvenSpits)
{
    SourceParameters p;
    SourcePreset("ebeam", &p);
    p.spitsPerMinute = 6000;
    SourceModel source(p, kTick, 7);
    source.setPower(p.threshold * 0.99);
    for (int i = 0; i < 30000; ++i)
        source.step();
    EXPECT_EQ(source.film(), 0);
}

TEST(SourceModel, NoiseAndSpitsFollowTheSeed)
{
    SourceParameters p;
    SourcePreset("ebeam", &p);
    p.spitsPerMinute = 30;
    auto trace = [&](uint64_t seed) {
        SourceModel source(p, kTick, seed);
        source.setPower(0.5);
        std::vector<double> rates;
        for (int i = 0; i < 20000; ++i) {
            source.step();
            rates.push_back(source.rate());
        }
        return rates;
    };
    const std::vector<double> first = trace(5);
    EXPECT_EQ(first, trace(5));
    EXPECT_NE(first, trace(6));
    // Noise around the steady rate: the mean holds, the spread is the configured few percent.
    double sum = 0, squares = 0;
    const double steady = SteadyRate(p, 0.5);
    int n = 0;
    for (size_t i = 5000; i < first.size(); ++i, ++n) {
        sum += first[i];
        squares += (first[i] - steady) * (first[i] - steady);
    }
    EXPECT_NEAR(sum / n, steady, 0.1 * steady);
    EXPECT_GT(std::sqrt(squares / n), 0.01 * steady);
}

TEST(CrystalModel, WearsOutAndIsReplaced)
{
    CrystalParameters p;
    p.fresh = 6e6;
    p.fail = 5.9e6;
    p.weakBand = 20000;
    p.jitter = 10;
    p.dropout = 0.5;
    CrystalModel crystal(p, 3);
    const double massRate = MassOfFrequency(6e6, 5.8e6, 1) / 100; // 200 kHz in 100 s
    bool jittered = false, droppedOut = false;
    double lastGood = 0;
    // The end of life comes after about 50 s; the crystal stops there and stays dead.
    for (int tick = 0; tick < 6000; ++tick) {
        crystal.step(massRate, 0.01);
        const double reading = crystal.reading(0);
        const double loaded = crystal.loadedFrequency();
        if (reading == 0 && loaded > p.fail) droppedOut = true;
        if (reading > 0 && std::fabs(reading - loaded) > 1) jittered = true;
        if (loaded > p.fail + p.weakBand) {
            EXPECT_EQ(reading, loaded);
        }
        if (reading > 0) lastGood = loaded;
    }
    EXPECT_TRUE(jittered) << "the activity drops before the end";
    EXPECT_TRUE(droppedOut);
    EXPECT_NEAR(lastGood, p.fail, 50);
    for (int i = 0; i < 100; ++i) {
        crystal.step(0, 0.01);
        EXPECT_EQ(crystal.reading(0), 0) << "a dead crystal stays dead";
    }
    crystal.replace(6e6);
    EXPECT_EQ(crystal.reading(0), 6e6);
    EXPECT_EQ(crystal.mass(), 0);
}

TEST(CrystalModel, ModeHopBeforeFailure)
{
    CrystalParameters p;
    p.fresh = 6e6;
    p.fail = 5.99e6;
    p.weakBand = 0;
    p.modeHop = 30000;
    p.hopTime = 2;
    CrystalModel crystal(p, 3);
    const double massRate = MassOfFrequency(6e6, 5.98e6, 1) / 20;
    double hoppedAt = -1, failedAt = -1;
    for (int tick = 0; tick < 3000 && failedAt < 0; ++tick) {
        crystal.step(massRate, 0.01);
        const double reading = crystal.reading(0);
        if (hoppedAt < 0 && reading > crystal.loadedFrequency() + 29000) hoppedAt = tick * 0.01;
        if (reading == 0) failedAt = tick * 0.01;
    }
    ASSERT_GT(hoppedAt, 0);
    EXPECT_NEAR(failedAt - hoppedAt, 2, 0.05);
}

TEST(ControlFile, ParsesReplaceCommands)
{
    ControlCommand command;
    auto parse = [&](const char* line) {
        return ParseControlCommand(line, std::strlen(line), &command);
    };
    ASSERT_TRUE(parse("replace 1 3"));
    EXPECT_EQ(command.card, 1);
    EXPECT_EQ(command.channel, 3);
    EXPECT_TRUE(parse("  replace\t0 0 \r"));
    EXPECT_FALSE(parse("replace 0 4"));
    EXPECT_FALSE(parse("replace 0"));
    EXPECT_FALSE(parse("replace 0 1 2"));
    EXPECT_FALSE(parse("replace0 1"));
    EXPECT_FALSE(parse("remove 0 1"));
    EXPECT_FALSE(parse(""));
}

} // namespace
} // namespace tlv880::bus::emu
