#pragma once
// How the programs number the outputs. The output table has slots 0..13: slots 0..11 are the
// source outputs (2k and 2k + 1 on card k), 12 and 13 the analog outputs A1 and A2 of the master
// card. The co-deposition controller shows six of them by number: slots 0..3 as outputs 1..4 and
// A1, A2 as outputs 5 and 6; captions, messages, recipes, remote clients and published topics all
// use these numbers.

#include "tlv880a/Dimensions.h"

#include <array>

namespace tlv880 {

inline constexpr int kAnalogOutputA1 = kSourceOutputs;     // slot 12
inline constexpr int kAnalogOutputA2 = kSourceOutputs + 1; // slot 13
inline constexpr int kNumberedOutputs = 6;                 // outputs 1..6

// The slots of outputs 1..6, in number order.
inline constexpr std::array<int, kNumberedOutputs> kNumberedOutputSlots{
    0, 1, 2, 3, kAnalogOutputA1, kAnalogOutputA2};

constexpr bool IsAnalogOutput(int slot)
{
    return slot == kAnalogOutputA1 || slot == kAnalogOutputA2;
}

// 0 for A1, 1 for A2, -1 for any other slot.
constexpr int AnalogOutputOfSlot(int slot)
{
    return IsAnalogOutput(slot) ? slot - kAnalogOutputA1 : -1;
}

// The slot of output `number` (1..6); -1 for any other number.
constexpr int OutputSlotOfNumber(int number)
{
    if (number < 1 || number > kNumberedOutputs) return -1;
    return kNumberedOutputSlots[static_cast<std::size_t>(number - 1)];
}

// The number (1..6) of the output in `slot`; -1 for a slot that carries no number.
constexpr int OutputNumberOfSlot(int slot)
{
    for (int n = 1; n <= kNumberedOutputs; ++n)
        if (kNumberedOutputSlots[static_cast<std::size_t>(n - 1)] == slot) return n;
    return -1;
}

constexpr bool IsNumberedOutput(int slot)
{
    return OutputNumberOfSlot(slot) > 0;
}

} // namespace tlv880
