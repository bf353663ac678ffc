// The reading rings: counts of unread slots, the push-on of an overtaken reader, and the entries
// a reader receives (and those it must leave alone).
#include "Cycle.h"
#include "Rings.h"
#include "StateBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tlv880 {
namespace {

constexpr double kUntouched = 12345.5;

struct Buffers {
    double readings[3 * kSensors];
    double power[kOutputs];
    double analog[kAnalogInputs];
    Buffers()
    {
        std::fill(std::begin(readings), std::end(readings), kUntouched);
        std::fill(std::begin(power), std::end(power), kUntouched);
        std::fill(std::begin(analog), std::end(analog), kUntouched);
    }
};

TEST(ReadingRing, EmptyRingWritesNothing)
{
    LibraryState s;
    Buffers b;
    EXPECT_EQ(TakeReading(s, b.readings, b.power), 0);
    EXPECT_EQ(TakeAnalogReading(s, b.analog, b.power), 0);
    EXPECT_TRUE(std::all_of(std::begin(b.readings), std::end(b.readings),
                            [](double v) { return v == kUntouched; }));
    EXPECT_TRUE(std::all_of(std::begin(b.power), std::end(b.power),
                            [](double v) { return v == kUntouched; }));
}

TEST(ReadingRing, TwelveUnreadCyclesLeaveNineThenCountDown)
{
    LibraryState s = test::MakeState();
    for (int c = 0; c < 12; ++c)
        RunSimulatedCycle(s);
    Buffers b;
    for (int expected = 9; expected >= 1; --expected)
        EXPECT_EQ(TakeReading(s, b.readings, b.power), expected);
    EXPECT_EQ(TakeReading(s, b.readings, b.power), 0);
    // Same protocol on the analog ring, written once per simulated cycle.
    for (int expected = 9; expected >= 1; --expected)
        EXPECT_EQ(TakeAnalogReading(s, b.analog, b.power), expected);
    EXPECT_EQ(TakeAnalogReading(s, b.analog, b.power), 0);
}

TEST(ReadingRing, OldestUnreadSlotComesFirstAcrossTheWrap)
{
    LibraryState s;
    for (int c = 1; c <= 14; ++c) {
        ReadingSlot& slot = AdvanceReadingRing(s.readings);
        slot.frequency[0] = c; // a cycle number to recognise the slot
    }
    Buffers b;
    for (int c = 6; c <= 14; ++c) { // cycles 1..5 were dropped
        ASSERT_GT(TakeReading(s, b.readings, b.power), 0);
        EXPECT_EQ(b.readings[2 * kSensors], c);
    }
}

TEST(ReadingRing, EntriesBeyondTheCountsStayUntouched)
{
    LibraryState s;
    s.sensorCount = 4;
    s.outputCount = 2;
    ReadingSlot& slot = AdvanceReadingRing(s.readings);
    for (int i = 0; i < kSensors; ++i)
        slot.rate[i] = slot.thickness[i] = slot.frequency[i] = 1;
    for (int o = 0; o < kOutputs; ++o)
        slot.power[o] = 0.5;
    Buffers b;
    ASSERT_EQ(TakeReading(s, b.readings, b.power), 1);
    for (int i = 0; i < kSensors; ++i) {
        const double expected = i < 4 ? 1.0 : kUntouched;
        EXPECT_EQ(b.readings[i], expected) << i;
        EXPECT_EQ(b.readings[kSensors + i], expected) << i;
        EXPECT_EQ(b.readings[2 * kSensors + i], expected) << i;
    }
    for (int o = 0; o < kOutputs; ++o) {
        const double expected = o < 2 || o >= kAnalogOutputA ? 0.5 : kUntouched;
        EXPECT_EQ(b.power[o], expected) << o;
    }
}

TEST(AnalogRing, PowerComesFromTheReadingLastTaken)
{
    LibraryState s;
    for (int c = 1; c <= 3; ++c) {
        AdvanceReadingRing(s.readings).power[0] = c / 10.0;
        double* analog = AdvanceAnalogRing(s.analog);
        for (int a = 0; a < kAnalogInputs; ++a)
            analog[a] = c + a;
    }
    Buffers b;
    ASSERT_EQ(TakeReading(s, b.readings, b.power), 3); // the first reading: power 0.1
    ASSERT_EQ(TakeAnalogReading(s, b.analog, b.power), 3);
    EXPECT_EQ(b.analog[0], 1.0);
    EXPECT_EQ(b.analog[3], 4.0);
    EXPECT_DOUBLE_EQ(b.power[0], 0.1);
    ASSERT_EQ(TakeAnalogReading(s, b.analog, b.power), 2);
    EXPECT_DOUBLE_EQ(b.power[0], 0.1); // the reading read index has not moved
}

} // namespace
} // namespace tlv880
