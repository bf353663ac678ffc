// The emulated card bus as the card library sees it: cards from the environment opened through
// Card.h, the write trace, fault switches, the driver version, real-time measurements and
// concurrent access from several threads.
#include "driver/Card.h"
#include "driver/EmulatedCards.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>
#include <vector>

namespace tlv880::bus {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A card still open while the process exits, as the card library's unload leaves it: its stop
// write runs during static destruction and must find the bus alive.
struct StopAtExit {
    CardRecord card;
    ~StopAtExit()
    {
        WriteRegister(card, 0x0C, 0);
        ReleaseCard(card);
    }
} stopAtExit;

class EmulatedBusTest : public ::testing::Test {
protected:
    const BusOps& bus = EmulatedBus();
    std::string tracePath;

    void SetUp() override
    {
        tracePath = (fs::temp_directory_path() /
                     ("tlv-trace-" + std::to_string(::getpid()) + "-" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt"))
                        .string();
        fs::remove(tracePath);
        ::unsetenv("TLV880_EMU_TRACE");
        ::unsetenv("TLV880_EMU_VERSION");
        ::unsetenv("TLV880_EMU_CARDS");
    }
    void TearDown() override
    {
        for (CardRecord& card : cards)
            ReleaseCard(card);
        emu::ResetEmulatedBus();
        fs::remove(tracePath);
    }

    // Describes the cards and starts the bus afresh from the environment.
    void useCards(const char* description, bool trace = false)
    {
        ::setenv("TLV880_EMU_CARDS", description, 1);
        if (trace) ::setenv("TLV880_EMU_TRACE", tracePath.c_str(), 1);
        emu::ResetEmulatedBus();
    }

    CardRecord& open(int n)
    {
        cards.emplace_back();
        EXPECT_TRUE(OpenCard(bus, n, cards.back())) << "card " << n << ": " << emu::ConfigError();
        return cards.back();
    }

    std::vector<std::string> traceLines() const
    {
        std::ifstream in(tracePath);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    std::deque<CardRecord> cards; // deque: references to opened cards stay valid
};

TEST_F(EmulatedBusTest, CardsAppearInScanOrderAsIoSpaces)
{
    useCards("id=0F,fw=300; id=1F,fw=201,panel=7E05; id=0F,fw=501");
    EXPECT_EQ(CheckDriver(bus), 0);
    ASSERT_EQ(CountCards(bus), 3);
    const uint32_t identities[3] = {0x000F0000, 0x001F0000, 0x000F0000};
    const uint32_t firmware[3] = {0x012C7F00, 0x00C97E05, 0x01F57F00};
    for (int n = 1; n <= 3; ++n) {
        CardRecord& card = open(n);
        ASSERT_TRUE(card.isOpen());
        EXPECT_TRUE(card.spaces[0].inUse);
        EXPECT_FALSE(card.spaces[0].isMemory);
        EXPECT_GE(card.interruptResource, 0);
        EXPECT_EQ(card.resources.count, 1) << "interrupt dropped";
        EXPECT_EQ(ReadRegister(card, 0x18), identities[n - 1]);
        EXPECT_EQ(ReadRegister(card, 0x10), firmware[n - 1]);
    }
    CardRecord beyond;
    EXPECT_FALSE(OpenCard(bus, 4, beyond));
}

TEST_F(EmulatedBusTest, NoCardsStillOpensTheDriver)
{
    useCards("");
    EXPECT_EQ(CheckDriver(bus), 0);
    EXPECT_EQ(CountCards(bus), 0);
    CardRecord card;
    EXPECT_FALSE(OpenCard(bus, 1, card));
    ::unsetenv("TLV880_EMU_CARDS");
    emu::ResetEmulatedBus();
    EXPECT_EQ(CheckDriver(bus), 0);
    EXPECT_EQ(CountCards(bus), 0);
}

TEST_F(EmulatedBusTest, TraceHasOneLinePerWriteInTheAgreedFormat)
{
    useCards("id=0F;id=1F", true);
    CardRecord& first = open(1);
    CardRecord& second = open(2);
    WriteRegister(second, 0x08, 0xC003E002);
    WriteRegister(first, 0x0C, 0);
    WriteRegister(first, 0x10, 2);
    WriteRegister(second, 0x00, ~uint32_t{3906});
    (void)ReadRegister(first, 0x00); // reads are not traced
    EXPECT_THAT(traceLines(), ::testing::ElementsAre("1 0x08 0xC003E002", "0 0x0C 0x00000000",
                                                     "0 0x10 0x00000002", "1 0x00 0xFFFFF0BD"));
    EXPECT_EQ(emu::LastWrite(1, 0x08), 0xC003E002u);

    // A later bus start appends to the same file.
    ReleaseCard(first);
    ReleaseCard(second);
    emu::ResetEmulatedBus();
    CardRecord& again = open(1);
    WriteRegister(again, 0x18, 0x30);
    const auto lines = traceLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines.back(), "0 0x18 0x00000030");
}

TEST_F(EmulatedBusTest, TraceLinesFromTwoThreadsNeverInterleave)
{
    useCards("id=1F;id=0F", true);
    CardRecord& first = open(1);
    CardRecord& second = open(2);
    constexpr int kWrites = 2000;
    auto writer = [](const CardRecord& card, uint32_t base) {
        for (int i = 0; i < kWrites; ++i)
            WriteRegister(card, 0x08, base + static_cast<uint32_t>(i));
    };
    std::thread a(writer, std::cref(first), 0xA0000000u);
    std::thread b(writer, std::cref(second), 0xB0000000u);
    a.join();
    b.join();

    const std::regex line("([01]) 0x08 0x([AB])0000([0-9A-F]{3})");
    int next[2] = {0, 0};
    const auto lines = traceLines();
    ASSERT_EQ(lines.size(), 2u * kWrites);
    for (const std::string& text : lines) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(text, match, line)) << text;
        const int card = match[1].str() == "1";
        EXPECT_EQ(match[2].str(), card ? "B" : "A");
        EXPECT_EQ(std::stoi(match[3].str(), nullptr, 16), next[card]++) << "order of one card";
    }
}

TEST_F(EmulatedBusTest, FaultSwitchesReachEveryFailedOpening)
{
    useCards("id=1F;id=0F,fail=open;id=0F,fail=resources;id=0F,fail=bar;id=0F,fail=io", true);
    ASSERT_EQ(CountCards(bus), 5);
    CardRecord failed;
    for (int n : {2, 3, 4}) {
        EXPECT_FALSE(OpenCard(bus, n, failed)) << n;
        EXPECT_FALSE(failed.isOpen());
    }
    CardRecord& good = open(1);
    CardRecord& silent = open(5);
    EXPECT_EQ(ReadRegister(good, 0x18), 0x001F0000u);
    EXPECT_EQ(ReadRegister(silent, 0x18), 0u) << "a failed transfer reads 0";
    WriteRegister(silent, 0x0C, 1);
    WriteRegister(good, 0x0C, 1);
    EXPECT_THAT(traceLines(), ::testing::ElementsAre("0 0x0C 0x00000001"));
}

TEST_F(EmulatedBusTest, DriverVersionAndBadEnvironmentKeepTheDriverClosed)
{
    useCards("id=1F");
    ::setenv("TLV880_EMU_VERSION", "520", 1);
    emu::ResetEmulatedBus();
    EXPECT_EQ(CheckDriver(bus), 2);
    CardRecord card;
    EXPECT_FALSE(OpenCard(bus, 1, card));

    ::setenv("TLV880_EMU_VERSION", "600", 1);
    emu::ResetEmulatedBus();
    EXPECT_EQ(CheckDriver(bus), 0);

    ::setenv("TLV880_EMU_VERSION", "new", 1);
    emu::ResetEmulatedBus();
    EXPECT_NE(CheckDriver(bus), 0);
    EXPECT_THAT(emu::ConfigError(), ::testing::HasSubstr("TLV880_EMU_VERSION"));
    ::unsetenv("TLV880_EMU_VERSION");

    useCards("id=1F,speed=fast");
    EXPECT_NE(CheckDriver(bus), 0);
    EXPECT_EQ(CountCards(bus), 0);
    EXPECT_THAT(emu::ConfigError(), ::testing::HasSubstr("unknown key \"speed\""));

    ::setenv("TLV880_EMU_TRACE", (tracePath + "/no/such/folder").c_str(), 1);
    useCards("id=1F");
    EXPECT_NE(CheckDriver(bus), 0);
    EXPECT_THAT(emu::ConfigError(), ::testing::HasSubstr("TLV880_EMU_TRACE"));
}

TEST_F(EmulatedBusTest, ResetCutsOffCardsOpenedBefore)
{
    useCards("id=1F,fw=300");
    CardRecord& card = open(1);
    EXPECT_EQ(ReadRegister(card, 0x10), 0x012C7F00u);
    useCards("id=1F,fw=202");
    EXPECT_EQ(ReadRegister(card, 0x10), 0u) << "stale handle";
    WriteRegister(card, 0x0C, 1); // goes nowhere, harmlessly
    CardRecord& fresh = open(1);
    EXPECT_EQ(ReadRegister(fresh, 0x10), 0x00CA7F00u);
    EXPECT_EQ(emu::LastWrite(0, 0x0C), 0u);
}

TEST_F(EmulatedBusTest, ReadyBitFollowsRealTime)
{
    useCards("id=1F");
    CardRecord& card = open(1);
    const uint32_t periodCounts = 625; // 40 ms
    const auto period = std::chrono::microseconds(periodCounts * 64);
    WriteRegister(card, 0x00, ~periodCounts);
    const auto restarted = std::chrono::steady_clock::now();
    WriteRegister(card, 0x0C, 1);
    const uint32_t first = ReadRegister(card, 0x00);
    if (std::chrono::steady_clock::now() - restarted < period) {
        EXPECT_EQ(first & 0x80000000u, 0u);
    }

    // The bit can only rise once the period has passed, so the verdict below holds however late
    // the loop looks; the pause sets only how often it looks, the give-up only ends a hang.
    const auto giveUp = restarted + 60s;
    while ((ReadRegister(card, 0x00) & 0x80000000u) == 0 &&
           std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(1ms); // sets only how often the loop looks
    const auto seen = std::chrono::steady_clock::now();
    EXPECT_NE(ReadRegister(card, 0x00) & 0x80000000u, 0u);
    EXPECT_GE(seen - restarted, period);
}

TEST_F(EmulatedBusTest, ManualClockDrivesDepositionAndTheHooksSteerTheCard)
{
    useCards("id=1E,fw=300,f2=0,ain=0/0/0/0");
    emu::UseManualClock(true);
    CardRecord& card = open(1);
    ASSERT_EQ(emu::CardCount(), 1);

    WriteRegister(card, 0x04, ~uint32_t{1250000});
    WriteRegister(card, 0x08, 0x7FF80000); // even output, full power (code 32760)
    emu::AdvanceClock(500ms);
    const double expected = 5950000 - emu::kFallHzPerSecondAtFullPower * 0.5;
    EXPECT_DOUBLE_EQ(emu::CrystalFrequency(0, 0), expected);
    EXPECT_DOUBLE_EQ(emu::CrystalFrequency(0, 1), expected);
    EXPECT_DOUBLE_EQ(emu::CrystalFrequency(0, 3), 5950000.0);
    EXPECT_EQ(emu::CrystalFrequency(0, 2), 0.0);
    EXPECT_EQ(ReadRegister(card, 0x0C), 0u) << "channel 2 has no crystal";
    EXPECT_EQ(ReadRegister(card, 0x04),
              static_cast<uint32_t>(1250000.0L * 199065600.0L / expected));

    emu::SetCrystalFrequency(0, 2, 5000000);
    EXPECT_EQ(ReadRegister(card, 0x0C), static_cast<uint32_t>(1250000ull * 199065600 / 5000000));
    emu::SetPanel(0, 0x7E01);
    EXPECT_EQ(ReadRegister(card, 0x10) & 0xFFFF, 0x7E01u);

    emu::SetAnalogInput(0, 0, -5.0);
    WriteRegister(card, 0x18, 0x10);
    emu::AdvanceClock(emu::kConversionTime);
    EXPECT_EQ(ReadRegister(card, 0x2C), 0x5u) << "input 0 converted";
    EXPECT_EQ(ReadRegister(card, 0x1C), 0x80000u + 262144u);

    // Hooks ignore cards and channels that do not exist.
    emu::SetPanel(3, 0);
    emu::SetCrystalFrequency(0, 4, 1);
    EXPECT_EQ(emu::CrystalFrequency(3, 0), -1.0);
    EXPECT_EQ(emu::CrystalFrequency(0, -1), -1.0);
    EXPECT_EQ(emu::LastWrite(7, 0x08), 0u);
}

TEST_F(EmulatedBusTest, ThreadsAndCallersShareTheCardsSafely)
{
    useCards("id=1E,ain=1/2/3/4;id=0F", true);
    CardRecord& master = open(1);
    CardRecord& slave = open(2);
    WriteRegister(master, 0x04, ~uint32_t{1250000});
    WriteRegister(master, 0x18, 0x10);

    std::atomic<bool> stop{false};
    std::atomic<uint32_t> badIdentity{0};
    std::atomic<long> acquisitionRounds{0};
    std::atomic<long> analogRounds{0};
    std::thread acquisition([&] {
        for (; !stop.load(std::memory_order_relaxed); acquisitionRounds.fetch_add(1)) {
            (void)ReadRegister(master, 0x00);
            for (uint32_t offset : {0x04u, 0x08u, 0x0Cu})
                (void)ReadRegister(slave, offset);
            WriteRegister(master, 0x08, 0x10001000);
            WriteRegister(slave, 0x0C, 1);
        }
    });
    std::thread analog([&] {
        for (; !stop.load(std::memory_order_relaxed); analogRounds.fetch_add(1)) {
            if (ReadRegister(master, 0x2C) & 4) {
                (void)ReadRegister(master, 0x1C);
                WriteRegister(master, 0x18, 0x30);
                WriteRegister(master, 0x18, 0x10);
            }
            if (ReadRegister(master, 0x18) != 0x001E0000u) badIdentity.fetch_add(1);
        }
    });
    for (int i = 0; i < 2000; ++i) {
        emu::SetPanel(0, static_cast<uint16_t>(0x7F00 | (i & 0xFF)));
        WriteRegister(master, 0x08, 0);
        (void)emu::CrystalFrequency(0, 0);
    }
    // Both threads keep going until each has run a number of rounds beside the caller, however
    // the machine schedules them.
    while (acquisitionRounds.load() < 500 || analogRounds.load() < 500)
        std::this_thread::yield();
    stop = true;
    acquisition.join();
    analog.join();
    EXPECT_EQ(badIdentity.load(), 0u);
    const std::regex line("[01] 0x[0-9A-F]{2} 0x[0-9A-F]{8}");
    for (const std::string& text : traceLines())
        ASSERT_TRUE(std::regex_match(text, line)) << text;
}

// Leaves the bus configured and the card live on purpose (no fixture reset afterwards).
TEST(EmulatedBusExitTest, CardLeftOpenAtExitIsStoppedSafely)
{
    ::setenv("TLV880_EMU_CARDS", "id=1F", 1);
    ::unsetenv("TLV880_EMU_TRACE");
    emu::ResetEmulatedBus();
    ASSERT_TRUE(OpenCard(EmulatedBus(), 1, stopAtExit.card));
    WriteRegister(stopAtExit.card, 0x0C, 1);
    EXPECT_EQ(emu::LastWrite(0, 0x0C), 1u);
}

} // namespace
} // namespace tlv880::bus
