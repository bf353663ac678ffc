// The one numbering of outputs that captions, recipes, remote clients and topics share.
#include "instrument/OutputSlots.h"

#include <gtest/gtest.h>

namespace {

TEST(OutputSlots, NumbersOneToSixNameTheFourLoopOutputsAndTheTwoAnalogOutputs)
{
    const int slots[] = {0, 1, 2, 3, 12, 13};
    for (int n = 1; n <= 6; ++n) {
        EXPECT_EQ(tlv880::OutputSlotOfNumber(n), slots[n - 1]) << n;
        EXPECT_EQ(tlv880::OutputNumberOfSlot(slots[n - 1]), n) << n;
    }
    for (int n : {-1, 0, 7, 13})
        EXPECT_EQ(tlv880::OutputSlotOfNumber(n), -1) << n;
}

TEST(OutputSlots, SlotsWithoutANumberAreNeitherShownNorAnalog)
{
    for (int slot : {-1, 4, 5, 11, 14}) {
        EXPECT_EQ(tlv880::OutputNumberOfSlot(slot), -1) << slot;
        EXPECT_FALSE(tlv880::IsNumberedOutput(slot)) << slot;
        EXPECT_FALSE(tlv880::IsAnalogOutput(slot)) << slot;
        EXPECT_EQ(tlv880::AnalogOutputOfSlot(slot), -1) << slot;
    }
    EXPECT_EQ(tlv880::AnalogOutputOfSlot(12), 0);
    EXPECT_EQ(tlv880::AnalogOutputOfSlot(13), 1);
    EXPECT_FALSE(tlv880::IsAnalogOutput(3));
}

} // namespace
