// The chamber behind the emulated bus: a chamber file read with the cards, refused when it is
// malformed, its crystals answering the count registers as the outputs drive its sources, the
// seed, and crystal replacement by hook and by control file.
#include "driver/Card.h"
#include "driver/EmulatedCards.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace tlv880::bus {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

// Register 0x08: output 0 at full power (firmware code sign), output 1 off.
constexpr uint32_t kFullPowerOnOutput0 = static_cast<uint32_t>(-32760) << 16;

class ChamberBus : public ::testing::Test {
protected:
    std::string folder;

    void SetUp() override
    {
        folder = (fs::temp_directory_path() /
                  ("tlv-chamber-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                     .string();
        fs::create_directories(folder);
        ::unsetenv("TLV880_EMU_TRACE");
        ::unsetenv("TLV880_EMU_CONTROL");
        ::setenv("TLV880_EMU_CARDS", "id=1E,fw=300,f=6000000", 1);
    }
    void TearDown() override
    {
        if (card.isOpen()) ReleaseCard(card);
        ::unsetenv("TLV880_EMU_CHAMBER");
        ::unsetenv("TLV880_EMU_CONTROL");
        emu::ResetEmulatedBus();
        fs::remove_all(folder);
    }

    std::string write(const std::string& name, const std::string& text)
    {
        std::string path = folder + "/" + name;
        std::ofstream(path) << text;
        return path;
    }

    // A fresh bus with this chamber on the manual clock, card 1 opened.
    void useChamber(const std::string& text)
    {
        ::setenv("TLV880_EMU_CHAMBER", write("chamber.ini", text).c_str(), 1);
        emu::ResetEmulatedBus();
        emu::UseManualClock(true);
        ASSERT_EQ(emu::ConfigError(), "");
        ASSERT_TRUE(OpenCard(EmulatedBus(), 1, card));
    }

    CardRecord card;
};

const char* const kBoat = "[Chamber]\nseed=9\n"
                          "[Source Boat]\noutput=0\npreset=thermal\n"
                          "[Crystal Monitor]\nsensor=0\nfeed=Boat\n";

TEST_F(ChamberBus, MalformedFileKeepsTheBusClosed)
{
    const std::string path = write("bad.ini", "[Source Boat]\noutput=0\nlag=-1\n");
    ::setenv("TLV880_EMU_CHAMBER", path.c_str(), 1);
    emu::ResetEmulatedBus();
    EXPECT_THAT(emu::ConfigError(), HasSubstr("TLV880_EMU_CHAMBER \"" + path +
                                              "\" line 3: section [Source Boat], "
                                              "key \"lag\""));
    EXPECT_NE(CheckDriver(EmulatedBus()), 0);
    EXPECT_EQ(emu::CardCount(), 0);

    ::setenv("TLV880_EMU_CHAMBER", (folder + "/missing.ini").c_str(), 1);
    emu::ResetEmulatedBus();
    EXPECT_THAT(emu::ConfigError(), HasSubstr("cannot read \"" + folder + "/missing.ini\""));

    // A source on an output of a card that is not there.
    ::setenv("TLV880_EMU_CHAMBER", write("far.ini", "[Source Far]\noutput=5\n").c_str(), 1);
    emu::ResetEmulatedBus();
    EXPECT_THAT(emu::ConfigError(), HasSubstr("section [Source Far], key \"output\""));
}

TEST_F(ChamberBus, CrystalsFollowTheSourcesOthersStandStill)
{
    ASSERT_NO_FATAL_FAILURE(useChamber(kBoat));
    WriteRegister(card, 0x08, kFullPowerOnOutput0);
    // Nothing within the dead time.
    emu::AdvanceClock(1400ms);
    EXPECT_EQ(emu::CrystalFrequency(0, 0), 6000000);
    emu::AdvanceClock(60s);
    const double f = emu::CrystalFrequency(0, 0);
    EXPECT_LT(f, 6000000 - 100);
    EXPECT_GT(emu::SourceFilm(0), 500);
    EXPECT_GT(emu::CrystalMass(0, 0), 0);
    // Channel 1 has no chamber crystal; output 1 has no source.
    EXPECT_EQ(emu::CrystalFrequency(0, 1), 6000000);
    EXPECT_EQ(emu::SourceFilm(1), -1);
    EXPECT_EQ(emu::CrystalMass(0, 1), -1);
    // The count register holds the chamber crystal's frequency.
    WriteRegister(card, 0x04, ~uint32_t{1250000});
    const uint32_t count = ReadRegister(card, 0x04) & 0x7FFFFFFF;
    EXPECT_NEAR(1250000.0 * 199065600.0 / count, emu::CrystalFrequency(0, 0), 0.2);
}

TEST_F(ChamberBus, SameSeedSameTrace)
{
    const std::string noisy = "[Chamber]\nseed=77\n[Source Gun]\noutput=0\npreset=ebeam\n"
                              "spits=20\n[Crystal C]\nsensor=0\nfeed=Gun\n";
    auto trace = [&](const std::string& text) {
        useChamber(text);
        WriteRegister(card, 0x08, kFullPowerOnOutput0 / 2);
        std::vector<double> frequencies;
        for (int i = 0; i < 400; ++i) {
            emu::AdvanceClock(100ms);
            frequencies.push_back(emu::CrystalFrequency(0, 0));
            // Extra reads in between change nothing: the model steps by time alone.
            if (i % 3 == 0) emu::CrystalFrequency(0, 0);
        }
        ReleaseCard(card);
        return frequencies;
    };
    const std::vector<double> first = trace(noisy);
    EXPECT_EQ(trace(noisy), first);
    std::string other = noisy;
    other.replace(other.find("77"), 2, "78");
    EXPECT_NE(trace(other), first);
}

TEST_F(ChamberBus, ReplacedCrystalStartsAtItsInitialFrequency)
{
    ASSERT_NO_FATAL_FAILURE(useChamber(std::string(kBoat) + "frequency=5990000\n"));
    WriteRegister(card, 0x08, kFullPowerOnOutput0);
    emu::AdvanceClock(60s);
    EXPECT_LT(emu::CrystalFrequency(0, 0), 5990000 - 100);
    WriteRegister(card, 0x08, 0);
    emu::AdvanceClock(120s); // the boat cools down: no more film
    emu::ReplaceCrystal(0, 0);
    EXPECT_EQ(emu::CrystalFrequency(0, 0), 5990000);
    EXPECT_EQ(emu::CrystalMass(0, 0), 0);
    // Without a chamber crystal there is nothing to replace.
    emu::ReplaceCrystal(0, 1);
    EXPECT_EQ(emu::CrystalFrequency(0, 1), 6000000);
}

TEST_F(ChamberBus, ControlFileReplacesCrystals)
{
    const std::string control = write("control.txt", "replace 0 0\n"); // history: not carried out
    ::setenv("TLV880_EMU_CONTROL", control.c_str(), 1);
    ASSERT_NO_FATAL_FAILURE(useChamber(kBoat));
    WriteRegister(card, 0x08, kFullPowerOnOutput0);
    emu::AdvanceClock(60s);
    WriteRegister(card, 0x08, 0);
    emu::AdvanceClock(120s);
    const double worn = emu::CrystalFrequency(0, 0);
    ASSERT_LT(worn, 6000000 - 100);
    ReadRegister(card, 0x04);
    // The cooled boat still gives a trace of film; far below a hertz.
    EXPECT_NEAR(emu::CrystalFrequency(0, 0), worn, 0.01);

    std::ofstream(control, std::ios::app) << "bogus\nreplace 0 0"; // no line break yet
    emu::AdvanceClock(200ms);
    ReadRegister(card, 0x04);
    EXPECT_NEAR(emu::CrystalFrequency(0, 0), worn, 0.01) << "a line counts once it is complete";
    std::ofstream(control, std::ios::app) << "\n";
    emu::AdvanceClock(200ms);
    ReadRegister(card, 0x04);
    EXPECT_EQ(emu::CrystalFrequency(0, 0), 6000000);
}

TEST_F(ChamberBus, LongUnreadGapLaysTheSettledFilmDown)
{
    // Three hours unread at half power: the film of the settled rate (dead time and
    // lag aside: 11.5 s of it) is on the crystal, whether stepped or taken at once.
    ASSERT_NO_FATAL_FAILURE(useChamber(std::string(kBoat) + "zratio=0.8\n"));
    WriteRegister(card, 0x08, static_cast<uint32_t>(-16380) << 16); // half power
    emu::AdvanceClock(3h);
    const double rate = 20 * 0.375 * 0.375; // thermal: 20 A/s x ((0.5 - 0.2) / 0.8)^2
    EXPECT_NEAR(emu::SourceFilm(0), rate * (3 * 3600 - 11.5), 0.5);
    EXPECT_NEAR(emu::CrystalMass(0, 0), 10 * emu::SourceFilm(0), 1e-6 * emu::CrystalMass(0, 0));
    // And on from there as usual.
    const double before = emu::SourceFilm(0);
    emu::AdvanceClock(10s);
    EXPECT_NEAR(emu::SourceFilm(0) - before, 10 * rate, 0.5);
}

TEST_F(ChamberBus, WithoutChamberTheCardsAreAsBefore)
{
    ::unsetenv("TLV880_EMU_CHAMBER");
    emu::ResetEmulatedBus();
    emu::UseManualClock(true);
    ASSERT_TRUE(OpenCard(EmulatedBus(), 1, card));
    WriteRegister(card, 0x08, kFullPowerOnOutput0);
    emu::AdvanceClock(10s);
    EXPECT_NEAR(emu::CrystalFrequency(0, 0), 6000000 - 10 * emu::kFallHzPerSecondAtFullPower, 1e-6);
    EXPECT_EQ(emu::SourceFilm(0), -1);
}

} // namespace
} // namespace tlv880::bus
