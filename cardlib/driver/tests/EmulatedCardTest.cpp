// One virtual card's registers against the hardware's register map, on explicit time points so
// nothing here waits for real time.
#include "emulated/EmulatedCard.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tlv880::bus::emu {
namespace {

using namespace std::chrono_literals;

constexpr uint32_t kGate = 1250000; // 5 MHz over 250 ms
constexpr uint32_t kPeriod = 3906;  // 250 ms in 15,625 Hz periods
constexpr double kLsb = 1.907352270798246e-05;

// Count the hardware latches: whole reference-clock periods during gate crystal periods.
uint32_t expectedCount(uint64_t gate, uint64_t clock, uint64_t hz)
{
    return static_cast<uint32_t>(gate * clock / hz);
}

CardSetup setup(uint8_t identity, uint32_t firmware)
{
    CardSetup card;
    card.identity = identity;
    card.firmware = firmware;
    card.clock = DefaultClock(firmware);
    return card;
}

class EmulatedCardTest : public ::testing::Test {
protected:
    TimePoint t0 = Clock::now();
};

TEST_F(EmulatedCardTest, CountRegistersHoldGateTimesClockOverFrequency)
{
    CardSetup s = setup(0x1F, 300);
    s.frequency[0] = 5000000;
    s.frequency[1] = 5500000;
    s.frequency[2] = 5950000;
    s.frequency[3] = 6000000;
    EmulatedCard card(s, t0);
    card.write(0x04, ~kGate, t0);

    const uint64_t clock = 199065600;
    EXPECT_EQ(card.read(0x04, t0), expectedCount(kGate, clock, 5000000));
    EXPECT_EQ(card.read(0x08, t0), expectedCount(kGate, clock, 5500000));
    EXPECT_EQ(card.read(0x0C, t0), expectedCount(kGate, clock, 5950000));
    EXPECT_EQ(card.read(0x0C, t0), 41820504u); // gives 5,950,000.03 Hz back
    EXPECT_EQ(card.read(0x00, t0) & 0x7FFFFFFFu, expectedCount(kGate, clock, 6000000));

    card.write(0x04, ~uint32_t{1000}, t0); // a new gate takes effect at once
    EXPECT_EQ(card.read(0x04, t0), expectedCount(1000, clock, 5000000));
}

TEST_F(EmulatedCardTest, MissingCrystalCountsZeroAndHugeCountsSaturate)
{
    CardSetup s = setup(0x0F, 201);
    s.frequency[1] = 0;
    s.frequency[2] = 1;
    EmulatedCard card(s, t0);
    card.write(0x04, ~kGate, t0);
    EXPECT_EQ(card.read(0x08, t0), 0u);
    EXPECT_EQ(card.read(0x0C, t0), 0x7FFFFFFFu); // bit 31 never carries a count
    EXPECT_EQ(card.read(0x04, t0), expectedCount(kGate, 153000000, 5950000));
}

TEST_F(EmulatedCardTest, ReadyBitSetsOnceThePeriodHasElapsedSinceTheRestart)
{
    EmulatedCard card(setup(0x1F, 300), t0);
    card.write(0x00, ~kPeriod, t0);
    EXPECT_EQ(card.read(0x00, t0 + 10s) & 0x80000000u, 0u) << "never started";

    const auto period = std::chrono::microseconds(kPeriod * 64); // 249.984 ms
    const TimePoint restart = t0 + 1s;
    for (uint32_t control : {0u, 1u, 3u, 1u})
        card.write(0x0C, control, restart);
    EXPECT_EQ(card.read(0x00, restart) & 0x80000000u, 0u);
    EXPECT_EQ(card.read(0x00, restart + period - 1us) & 0x80000000u, 0u);
    EXPECT_NE(card.read(0x00, restart + period) & 0x80000000u, 0u);
    EXPECT_NE(card.read(0x00, restart + 5s) & 0x80000000u, 0u) << "stays set until restarted";

    const TimePoint again = restart + 2s;
    card.write(0x0C, 1, again);
    EXPECT_EQ(card.read(0x00, again + 1ms) & 0x80000000u, 0u);
    card.write(0x0C, 0, again); // stopped: no measurement finishes
    EXPECT_EQ(card.read(0x00, again + 10s) & 0x80000000u, 0u);
}

TEST_F(EmulatedCardTest, FirmwarePanelAndIdentityWords)
{
    CardSetup s = setup(0x1F, 201);
    s.panel = 0x7E05;
    EmulatedCard card(s, t0);
    EXPECT_EQ(card.read(0x10, t0), 0x00C97E05u);
    EXPECT_EQ(card.read(0x18, t0), 0x001F0000u);
    card.setPanel(0x7F00);
    card.write(0x10, 2, t0); // the restart write does not change what the card reports
    EXPECT_EQ(card.read(0x10, t0), 0x00C97F00u);
    EXPECT_EQ(EmulatedCard(setup(0x0F, 501), t0).read(0x10, t0), 0x01F57F00u);
    EXPECT_EQ(EmulatedCard(setup(0x1E, 202), t0).read(0x18, t0), 0x001E0000u);
    // Write-only and unused registers read 0.
    EXPECT_EQ(card.read(0x14, t0), 0u);
    EXPECT_EQ(card.read(0x30, t0), 0u);
    card.write(0x14, 0x12345678, t0);
    EXPECT_EQ(card.lastWrite(0x14), 0x12345678u);
}

TEST_F(EmulatedCardTest, AnalogConverterCyclesThroughItsInputs)
{
    CardSetup s = setup(0x1E, 300);
    const double volts[4] = {1.0, -2.5, 0.0, 9.75};
    for (int a = 0; a < 4; ++a)
        s.analogInputs[a] = volts[a];
    EmulatedCard card(s, t0);
    EXPECT_EQ(card.read(0x2C, t0 + 1s), 0u) << "idle until the analog section is reset";

    TimePoint t = t0;
    for (uint32_t control : {4u, 12u, 4u, 0u, 16u})
        card.write(0x18, control, t);
    for (int pass = 0; pass < 2; ++pass) {
        for (int input = 0; input < 4; ++input) {
            const uint32_t next = static_cast<uint32_t>((input + 1) & 3);
            EXPECT_EQ(card.read(0x2C, t), static_cast<uint32_t>(input)) << "converting";
            t += kConversionTime;
            const uint32_t status = card.read(0x2C, t);
            ASSERT_EQ(status, 0x4u | next) << "input " << input;
            // The library's rule: channel bits 0 mean input 3 was converted, else bits - 1.
            const int converted = (status & 3) ? int(status & 3) - 1 : 3;
            EXPECT_EQ(converted, input);
            const uint32_t raw = card.read(0x1C + 4 * uint32_t(input), t);
            EXPECT_EQ(raw, 0x80000u - static_cast<uint32_t>(std::lround(volts[input] / kLsb)));
            EXPECT_NEAR(-(double(raw) - 0x80000) * kLsb, volts[input], kLsb);
            EXPECT_EQ(card.read(0x2C, t + 1s), 0x4u | next) << "holds until acknowledged";
            card.write(0x18, 0x30, t);
            card.write(0x18, 0x10, t);
        }
    }
    card.write(0x18, 0, t); // stopped
    EXPECT_EQ(card.read(0x2C, t + 1s) & 0x4u, 0u);
}

TEST_F(EmulatedCardTest, CardsWithoutAnalogSectionHaveNoConverter)
{
    CardSetup s = setup(0x1F, 300);
    s.analogInputs[0] = 5;
    EmulatedCard card(s, t0);
    card.write(0x18, 0x10, t0);
    EXPECT_EQ(card.read(0x2C, t0 + 1s), 0u);
    EXPECT_EQ(card.read(0x1C, t0 + 1s), 0u);
}

TEST_F(EmulatedCardTest, ConverterRawValuesStayWithin20Bits)
{
    EXPECT_EQ(EmulatedCard::RawFromVolts(0), 0x80000u);
    EXPECT_EQ(EmulatedCard::RawFromVolts(10), 0x80000u - std::lround(10 / kLsb));
    EXPECT_EQ(EmulatedCard::RawFromVolts(-10.5), 0xFFFFFu);
    EXPECT_EQ(EmulatedCard::RawFromVolts(20), 0u);
    EXPECT_EQ(EmulatedCard::RawFromVolts(kLsb), 0x7FFFFu);
}

TEST_F(EmulatedCardTest, CrystalsLoseFrequencyWhileTheirOutputDrivesPower)
{
    EmulatedCard card(setup(0x1F, 300), t0);
    // Codes -16380 (even output, power 0.5) and -8190 (odd output, power 0.25).
    card.write(0x08, 0xC003E002, t0);
    EXPECT_DOUBLE_EQ(card.outputPower(0), 0.5);
    EXPECT_DOUBLE_EQ(card.outputPower(1), 0.25);

    const TimePoint later = t0 + 2s;
    const double fall = kFallHzPerSecondAtFullPower * 2;
    EXPECT_NEAR(card.frequency(0, later), 5950000 - 0.5 * fall, 1e-6);
    EXPECT_NEAR(card.frequency(1, later), 5950000 - 0.5 * fall, 1e-6);
    EXPECT_NEAR(card.frequency(2, later), 5950000 - 0.25 * fall, 1e-6);
    EXPECT_NEAR(card.frequency(3, later), 5950000 - 0.25 * fall, 1e-6);

    // Positive codes of the same size drive the same power; zero stops the deposition.
    card.write(0x08, 0x3FFC1FFE, later);
    EXPECT_DOUBLE_EQ(card.outputPower(0), 0.5);
    EXPECT_DOUBLE_EQ(card.outputPower(1), 0.25);
    card.write(0x08, 0, later);
    EXPECT_DOUBLE_EQ(card.frequency(0, later + 1h), card.frequency(0, later));

    // The counts follow the falling frequency.
    card.write(0x04, ~kGate, later);
    const double f = card.frequency(2, later);
    EXPECT_EQ(card.read(0x0C, later),
              static_cast<uint32_t>(static_cast<long double>(kGate) * 199065600.0L / f));
}

TEST_F(EmulatedCardTest, UsedUpCrystalBecomesNoCrystal)
{
    CardSetup s = setup(0x1F, 300);
    s.frequency[2] = 30;
    EmulatedCard card(s, t0);
    card.write(0x04, ~kGate, t0);
    card.write(0x08, 0x00007FF8, t0); // odd output at full power (32760)
    EXPECT_GT(card.frequency(2, t0 + 100ms), 0.0);
    EXPECT_EQ(card.frequency(2, t0 + 1s), 0.0);
    EXPECT_EQ(card.read(0x0C, t0 + 1s), 0u);
    EXPECT_EQ(card.frequency(2, t0 + 2s), 0.0) << "stays gone";
    EXPECT_DOUBLE_EQ(card.frequency(0, t0 + 2s), 5950000.0) << "even output was off";
}

} // namespace
} // namespace tlv880::bus::emu
